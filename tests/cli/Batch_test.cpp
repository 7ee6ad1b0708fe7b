// SPDX-License-Identifier: BSD-3-Clause
// Batches on the command line: several jobs, an output folder, outputs that would coincide,
// --no-clobber, and the help that names formats by word (usage errors: UsageErrors_test).

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ExampleRecordings.h"
#include "RecordingBuilder.h"
#include "cli/CliRun.h"
#include "convert/formats/OutputFormats.h"
#include "convert/text/Separators.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::TempDir;

class Batch : public testing::Test {
  protected:
    static test::CliRun Run(const std::vector<std::string>& args) { return test::RunCli(args); }

    std::string Folder(const std::string& name) {
        const std::string path = dir_.File(name);
        std::filesystem::create_directories(path);
        return path;
    }

    std::string Recording(const std::string& name, int scans = 1) {
        const std::string path = dir_.File(name);
        test::TwoChannels(scans).WriteTo(path);
        return path;
    }

    static std::string Replaced(std::string text, const std::string& from, const std::string& to) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
            text.replace(at, from.size(), to);
            at += to.size();
        }
        return text;
    }

    TempDir dir_;
};

// Every example and a few failures, converted one by one and by several jobs at once: the
// same outputs, the same messages in the same order, the same exit status.
TEST_F(Batch, jobs_giveTheOutputsAndMessagesOfOneByOne) {
    const std::string in = Folder("in");
    std::vector<std::string> inputs;
    for (const auto& e : ExampleRecordings()) {
        inputs.push_back(in + "/" + e.name + ".daq");
        e.recording.WriteTo(inputs.back());
    }
    // A bad one among them, one that is missing, and one that is refused.
    const std::string bad = in + "/bad.daq";
    test::WriteFileBytes(bad, std::vector<std::uint8_t>(80, 'x'));
    inputs.insert(inputs.begin() + 3, bad);
    inputs.insert(inputs.begin() + 7, in + "/missing.daq");
    RecordingBuilder card5;
    card5.header().SetCardType(5);
    card5.WriteTo(in + "/card5.daq");
    inputs.push_back(in + "/card5.daq");

    for (const char* format : {"scaled-text", "csv", "bdf"}) {
        SCOPED_TRACE(format);
        if (FindFormat(format) == nullptr) {
            continue;  // not in this build
        }
        const std::string one = Folder(std::string("one-") + format);
        const std::string many = Folder(std::string("many-") + format);
        std::vector<std::string> sequential = {"-f", format, "--output-dir", one};
        std::vector<std::string> parallel = {"-f", format, "-j", "3", "--output-dir", many};
        sequential.insert(sequential.end(), inputs.begin(), inputs.end());
        parallel.insert(parallel.end(), inputs.begin(), inputs.end());

        const auto a = Run(sequential);
        const auto b = Run(parallel);
        EXPECT_EQ(a.status, 1);
        EXPECT_EQ(b.status, 1);
        EXPECT_EQ(Replaced(a.out, one, many), b.out);
        EXPECT_EQ(a.err, b.err);
        EXPECT_NE(a.err.find(bad + ": Isn't Mervik DAQ File!\n"), std::string::npos);
        std::size_t outputs = 0;
        for (const auto& entry : std::filesystem::directory_iterator(one)) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(ReadFileBytes(entry.path().string()), ReadFileBytes(many + "/" + name))
                << name;
            ++outputs;
        }
        EXPECT_GT(outputs, 0u);
        EXPECT_EQ(static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(many),
                                                         std::filesystem::directory_iterator())),
                  outputs);
    }
}

TEST_F(Batch, jobsZero_takesOnePerProcessor) {
    const std::string a = Recording("a.daq");
    const std::string b = Recording("b.daq");
    const auto r = Run({"-j", "0", a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Write to " + dir_.File("a.cvt") + " successful!\nWrite to " +
                         dir_.File("b.cvt") + " successful!\n");
}

TEST_F(Batch, outputDir_writesEachOutputThereByItsInputsName) {
    const std::string out = Folder("out");
    const std::string in = Folder("in.v2");
    test::TwoChannels(1).WriteTo(in + "/run");  // no extension: the folder's "." stays
    const std::string plain = Recording("plain.daq");
    const auto r = Run({"-f", "npy", "--output-dir", out + "/", in + "/run", plain});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Write to " + out + "/run.npy successful!\nWrite to " + out +
                         "/plain.npy successful!\n");
    EXPECT_TRUE(FileExists(out + "/run.npy"));
    EXPECT_FALSE(FileExists(dir_.File("plain.npy")));
}

// The second of two inputs with one output is refused, whatever made them coincide; the
// first is converted and nothing replaces it.
TEST_F(Batch, inputsWhoseOutputsCoincide_theSecondIsRefused) {
    const std::string out = Folder("out");
    const std::string day1 = Folder("day1");
    const std::string day2 = Folder("day2");
    const std::string first = day1 + "/a.daq";
    test::TwoChannels(1).WriteTo(first);
    test::TwoChannels(2).WriteTo(day2 + "/a.daq");
    test::TwoChannels(3).WriteTo(day1 + "/a.dat");
    const std::string reference = dir_.File("reference.cvt");
    ASSERT_EQ(Run({"-o", reference, first}).status, 0);
    const std::string refusal = " is already the output of " + first + "!\n";

    struct Case {
        std::vector<std::string> args;
        std::string output;  // the one file they would all write
        std::string err;
    };
    // In the output folder with the system's own separator.
    const std::string inOut = (std::filesystem::path(out) / "a.cvt").string();
    const Case cases[] = {
        {{"--output-dir", out, first, day2 + "/a.daq", day1 + "/a.dat"},
         inOut,
         day2 + "/a.daq: Output file " + inOut + refusal + day1 + "/a.dat: Output file " + inOut +
             refusal},
        {{first, day1 + "/a.dat"},
         day1 + "/a.cvt",
         day1 + "/a.dat: Output file " + day1 + "/a.cvt" + refusal},
        {{"-j", "2", first, day2 + "/../day1/a.dat"},
         day1 + "/a.cvt",
         day2 + "/../day1/a.dat: Output file " + day2 + "/../day1/a.cvt" + refusal},
        {{first, first}, day1 + "/a.cvt", first + ": Output file " + day1 + "/a.cvt" + refusal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        std::filesystem::remove(c.output);
        const auto r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "Write to " + c.output + " successful!\n");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(ReadFileBytes(c.output), ReadFileBytes(reference));
    }
}

TEST_F(Batch, noClobber_leavesAnExistingOutputAloneAndExitsZero) {
    const std::string a = Recording("a.daq");
    const std::string b = Recording("b.daq");
    const std::string kept = dir_.File("a.cvt");
    test::WriteFileBytes(kept, {'o', 'l', 'd'});

    const auto r = Run({"--no-clobber", a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Skipped " + kept + ": the file exists\nWrite to " + dir_.File("b.cvt") +
                         " successful!\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFileBytes(kept), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    // Quiet, a skip says nothing; without the option the output is replaced, as before.
    EXPECT_EQ(Run({"--no-clobber", "-q", a}).out, "");
    EXPECT_EQ(Run({a}).status, 0);
    EXPECT_NE(ReadFileBytes(kept), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST_F(Batch, help_namesEveryFormatAndSeparatorWithItsDescription) {
    const auto r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const OutputFormatInfo* info : OutputFormats()) {
        EXPECT_NE(r.out.find(std::string(info->name) + ": " + std::string(info->description)),
                  std::string::npos)
            << info->name;
    }
    for (const SeparatorInfo& info : kSeparators) {
        EXPECT_NE(r.out.find(std::string(info.name) + ": " + std::string(info.description)),
                  std::string::npos)
            << info.name;
    }
    EXPECT_EQ(r.out.find("->"), std::string::npos);  // no value map as "{0->0,...}"
    EXPECT_EQ(r.out.find("INT"), std::string::npos);
    for (const char* option : {"--info", "--queue", "--jobs", "--output-dir", "--no-clobber",
                               "--progress", "--quiet", "--list-formats"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
}

TEST_F(Batch, listFormats_printsNameExtensionAndDescriptionOfEachFormat) {
    const auto r = Run({"--list-formats"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::istringstream lines(r.out);
    std::string line;
    for (const OutputFormatInfo* info : OutputFormats()) {
        ASSERT_TRUE(std::getline(lines, line));
        std::istringstream words(line);
        std::string name;
        std::string extension;
        words >> name >> extension >> std::ws;
        std::string description;
        std::getline(words, description);
        EXPECT_EQ(name, info->name);
        EXPECT_EQ(extension, info->extension);
        EXPECT_EQ(description, info->description);
    }
    EXPECT_FALSE(std::getline(lines, line));
}

}  // namespace
}  // namespace vantrel
