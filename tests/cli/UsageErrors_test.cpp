// SPDX-License-Identifier: BSD-3-Clause
// Every usage error of vantrel-convert: bad, missing or conflicting options and FILEs. Each
// exits 2 before anything runs, says why on standard error, prints nothing on standard
// output and writes no file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "cli/CliRun.h"
#include "convert/formats/OutputFormats.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"
#ifdef VANTREL_CONVERT_EXE
#include "cli/ProcessRun.h"
#endif

namespace vantrel {
namespace {

// "Unknown format "word": use one of" and the names of this build's formats.
std::string UnknownFormat(const std::string& word) {
    std::string names;
    for (const OutputFormatInfo* info : OutputFormats()) {
        names += (names.empty() ? "" : ", ") + std::string(info->name);
    }
    return "Unknown format \"" + word + "\": use one of " + names;
}

struct UsageError {
    const char* name;
    // "@name" stands for the file `name` in the test's folder, "@" for the folder; the
    // folder holds the recordings a.daq and b.daq.
    std::vector<std::string> args{};
    std::string firstLine{};  // the program's own message: its first line on standard error
    std::string mentions{};   // else what the parser's message must name
    bool alsoAsAProcess = false;
};

void PrintTo(const UsageError& c, std::ostream* os) {
    *os << c.name;
}

std::vector<UsageError> UsageErrors() {
    const std::string jobs = "--jobs takes a whole number of 0 or more, not ";
    return {
        // What to do with which FILE.
        {.name = "noArguments", .args = {}, .mentions = "FILE"},
        {.name = "infoWithoutFile", .args = {"--info"}, .mentions = "FILE"},
        {.name = "queueWithoutFile", .args = {"--queue"}, .mentions = "FILE"},
        {.name = "queueOfTwoFiles",
         .args = {"--queue", "@a.daq", "@a.daq"},
         .firstLine = "--queue: takes exactly one FILE"},
        {.name = "infoAndQueue", .args = {"--info", "--queue", "@a.daq"}, .mentions = "--queue"},
        {.name = "listFormatsWithFile",
         .args = {"--list-formats", "@a.daq"},
         .firstLine = "--list-formats: takes no FILE"},
        // Once as a process too: main hands the status and both streams on as they are.
        {.name = "unknownOption",
         .args = {"--bogus", "@a.daq"},
         .mentions = "--bogus",
         .alsoAsAProcess = true},
        {.name = "progressAndQuiet",
         .args = {"--progress", "--quiet", "@a.daq"},
         .mentions = "--quiet"},

        // Where the outputs go.
        {.name = "outputOfTwoInputs",
         .args = {"-o", "@x.cvt", "@a.daq", "@b.daq"},
         .firstLine = "--output: needs exactly one INPUT"},
        {.name = "standardOutputOfTwoInputs",
         .args = {"-o", "-", "@a.daq", "@b.daq"},
         .firstLine = "--output: needs exactly one INPUT"},
        {.name = "outputEmpty",
         .args = {"-o", "", "@a.daq"},
         .firstLine = "--output: the path is empty"},
        {.name = "outputDirEmpty",
         .args = {"--output-dir", "", "@a.daq"},
         .firstLine = "--output-dir: the path is empty"},
        {.name = "outputDirMissing",
         .args = {"--output-dir", "@missing", "@a.daq"},
         .mentions = "--output-dir"},
        {.name = "outputDirIsAFile",
         .args = {"--output-dir", "@a.daq", "@b.daq"},
         .mentions = "--output-dir"},
        {.name = "outputDirAndOutput",  // two places for one output
         .args = {"--output-dir", "@", "-o", "@x.cvt", "@a.daq"},
         .mentions = "--output-dir"},
        {.name = "outputDirOfStandardInput",  // standard input has no name
         .args = {"--output-dir", "@", "-"},
         .firstLine = "--output-dir: standard input has no name to derive an output from; use -o"},
        {.name = "standardInputTwice",
         .args = {"-", "-"},
         .firstLine = "FILE: - (standard input) may be given only once"},

        // Names and numbers that are not taken.
        {.name = "formatText",
         .args = {"-f", "text", "@a.daq"},
         .firstLine = UnknownFormat("text")},
        {.name = "formatNope",
         .args = {"-f", "nope", "@a.daq"},
         .firstLine = UnknownFormat("nope")},
        {.name = "formatEmpty", .args = {"-f", "", "@a.daq"}, .firstLine = UnknownFormat("")},
        {.name = "formatNumber99",
         .args = {"-f", "99", "@a.daq"},
         .firstLine = UnknownFormat("99")},
        {.name = "formatNumber99LongOption",
         .args = {"--format", "99", "@a.daq"},
         .firstLine = UnknownFormat("99")},
        {.name = "separatorSemicolon",
         .args = {"-s", "semicolon", "@a.daq"},
         .firstLine = "Unknown separator \"semicolon\": use one of space, tab, comma"},
        {.name = "separatorSemi",
         .args = {"-s", "semi", "@a.daq"},
         .firstLine = "Unknown separator \"semi\": use one of space, tab, comma"},
        {.name = "jobsNegative", .args = {"-j", "-1", "@a.daq"}, .firstLine = jobs + "\"-1\""},
        {.name = "jobsWord", .args = {"-j", "many", "@a.daq"}, .firstLine = jobs + "\"many\""},
        {.name = "jobsTrailingLetter",
         .args = {"--jobs", "2x", "@a.daq"},
         .firstLine = jobs + "\"2x\""},
        {.name = "jobsFraction", .args = {"-j", "1.5", "@a.daq"}, .firstLine = jobs + "\"1.5\""},

        // Selection words that do not read; the message quotes the word.
        {.name = "scansOneNumber", .args = {"--scans", "5", "@a.daq"}, .mentions = "\"5\""},
        {.name = "scansFraction", .args = {"--scans", "1.5:", "@a.daq"}, .mentions = "\"1.5:\""},
        {.name = "timeDecimalComma",
         .args = {"--time", "1,5:2", "@a.daq"},
         .mentions = "\"1,5:2\""},
        {.name = "timeInfinite", .args = {"--time", ":inf", "@a.daq"}, .mentions = "\":inf\""},
        {.name = "channelsNegative", .args = {"--channels", "-1", "@a.daq"}, .mentions = "\"-1\""},
        {.name = "channelsEmptyItem",
         .args = {"--channels", "0,,1", "@a.daq"},
         .mentions = "\"0,,1\""},
        {.name = "columnsWord", .args = {"--columns", "first", "@a.daq"}, .mentions = "--columns"},

        // Selections that conflict, or go with what converts nothing.
        {.name = "scansAndTime",
         .args = {"--scans", "1:", "--time", "1:", "@a.daq"},
         .mentions = "--time"},
        {.name = "channelsAndColumns",
         .args = {"--channels", "0", "--columns", "0", "@a.daq"},
         .mentions = "--columns"},
        {.name = "scansWithInfo",
         .args = {"--info", "--scans", "1:", "@a.daq"},
         .mentions = "--info"},
    };
}

class UsageErrorTest : public testing::TestWithParam<UsageError> {
  protected:
    void SetUp() override {
        test::TwoChannels(1).WriteTo(dir_.File("a.daq"));
        test::TwoChannels(1).WriteTo(dir_.File("b.daq"));
    }

    std::vector<std::string> Args() const {
        std::vector<std::string> args{};
        for (const std::string& arg : GetParam().args) {
            args.push_back(
                arg.starts_with('@') ? arg == "@" ? dir_.path() : dir_.File(arg.substr(1)) : arg);
        }
        return args;
    }

    void Check(int status, const std::string& out, const std::string& err) const {
        const UsageError& c = GetParam();
        EXPECT_EQ(status, 2);
        EXPECT_EQ(out, "");
        EXPECT_NE(err, "");
        const std::string line = err.substr(0, err.find('\n'));
        if (!c.firstLine.empty()) {
            EXPECT_EQ(line, c.firstLine);
        } else {
            EXPECT_NE(line.find(c.mentions), std::string::npos) << line;
        }
        // Nothing written: the folder holds the two recordings alone.
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"a.daq", "b.daq"}));
    }

    test::TempDir dir_;
};

TEST_P(UsageErrorTest, exitsTwo_saysWhyOnStandardError_writesNothing) {
    const test::CliRun r = test::RunCli(Args());
    Check(r.status, r.out, r.err);
    if (!GetParam().alsoAsAProcess) {
        return;
    }
#ifdef VANTREL_CONVERT_EXE
    SCOPED_TRACE("as a process");
    const test::TempDir streams;  // apart, so that the folder's listing stays as it was
    const test::ProcessRun p = test::RunConverterProcess(streams, Args());
    Check(p.status, p.out, p.err);
#endif
}

INSTANTIATE_TEST_SUITE_P(UsageErrors, UsageErrorTest, testing::ValuesIn(UsageErrors()),
                         [](const auto& test) { return std::string(test.param.name); });

// A selection that reads but names what an input does not hold is found once the input is
// loaded: that input fails as a usage error, saying what it holds, and gets no output; the
// other inputs of the batch still convert. (The core's tests hold every such message.)
TEST(SelectionNotHeldInABatch, othersConvert_exitsTwo) {
    const test::TempDir dir;
    test::TwoChannels(3).WriteTo(dir.File("two.daq"));
    RecordingBuilder one;  // channel 0 alone
    one.header().SetSingleChannel(0);
    one.header().SetScanCount(3);
    one.AddWord16(1).AddWord16(2).AddWord16(3);
    one.WriteTo(dir.File("one.daq"));

    const test::CliRun r =
        test::RunCli({"--channels", "1", dir.File("one.daq"), dir.File("two.daq")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "Write to " + dir.File("two.cvt") + " successful!\n");
    EXPECT_NE(r.err.find(dir.File("one.daq") + ": Channel 1 "), std::string::npos) << r.err;
    EXPECT_FALSE(test::FileExists(dir.File("one.cvt")));
}

}  // namespace
}  // namespace vantrel
