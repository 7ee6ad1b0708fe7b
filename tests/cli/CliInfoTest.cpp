// SPDX-License-Identifier: BSD-3-Clause
// vantrel-convert --info and --queue on generated recordings.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "ExampleRecordings.h"
#include "RecordingBuilder.h"
#include "cli/CliRun.h"
#include "convert/formats/RecordingFacts.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

class CliInfoTest : public ::testing::Test {
  protected:
    static test::CliRun Run(const std::vector<std::string>& args) { return test::RunCli(args); }

    std::string Write(const std::string& name, const RecordingBuilder& b) {
        const std::string path = dir.File(name);
        b.WriteTo(path);
        return path;
    }

    test::TempDir dir;
};

// Card 4, channel 200 alone, three scans, +/-12.5V, 12.5 Hz.
RecordingBuilder SingleChannel() {
    RecordingBuilder b;
    RecordingHeader& h = b.header();
    h.SetCardType(4);
    h.SetChannelCount(1);
    h.SetSingleChannel(200);
    h.SetScanCount(3);
    h.SetWidthCode(2);
    h.SetRangeCode(36);
    h.SetScanRate(12.5);
    h.SetStartDate("09/15/99");
    h.SetStartTime("15:27:32");
    h.SetStartMillis("480");
    b.AddWord32(1).AddWord32(2).AddWord32(3);
    return b;
}

const char* const kSingleChannelInfo =
    "Card Type:\tMODEL_D\n"
    "Channel number:\t1 - channel 200\n"
    "Number of scan:\t3\n"
    "Data width:\t32 bits\n"
    "Channel order:\t0-1-2-3\n"
    "AD Range:\t+/-12.5V\n"
    "Scan rate(Hz):\t12.500    \n"
    "Start date:\t09/15/99\n"
    "Start time:\t15:27:32.480\n"
    "Channel/Range:\t0\n";

// Card 1 in custom order over three channels; one range code has no label.
RecordingBuilder CustomOrder() {
    RecordingBuilder b;
    b.header().SetChannelCount(3);
    b.header().SetOrderCode(2);
    b.header().SetScanCount(1);
    b.header().SetScanRate(2000.0);
    b.header().SetStartDate(std::string(8, '\0'));
    b.AddQueueEntry(3, 1).AddQueueEntry(0, 10).AddQueueEntry(7, 200);
    b.AddWord16(1).AddWord16(2).AddWord16(3);
    return b;
}

TEST_F(CliInfoTest, info_oneFile_printsTheTenTextsExactly) {
    const auto r = Run({"--info", Write("one.daq", SingleChannel())});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSingleChannelInfo);
    EXPECT_EQ(r.err, "");
}

TEST_F(CliInfoTest, info_customOrderAndUnknownCodes) {
    RecordingBuilder b = CustomOrder();
    b.header().SetCardType(9);
    b.header().SetRangeCode(-4);
    const auto r = Run({"--info", Write("custom.daq", b)});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Card Type:\tUnknown (9)\n"
              "Channel number:\t3\n"
              "Number of scan:\t1\n"
              "Data width:\t16 bits\n"
              "Channel order:\tCustom\n"
              "AD Range:\tUnknown (-4)\n"
              "Scan rate(Hz):\t2000.000  \n"
              "Start date:\t\n"
              "Start time:\t15:27:32.480\n"
              "Channel/Range:\t3\n");
}

TEST_F(CliInfoTest, info_severalFiles_startsEachBlockWithItsName) {
    const std::string a = Write("a.daq", SingleChannel());
    const std::string b = Write("b.daq", SingleChannel());
    const auto r = Run({"--info", a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "==> " + a + " <==\n" + kSingleChannelInfo + "==> " + b + " <==\n" +
                         kSingleChannelInfo);
    EXPECT_EQ(r.err, "");
}

TEST_F(CliInfoTest, info_failures_reportEachFileAndExitOne) {
    const std::string good = Write("good.daq", SingleChannel());
    const std::string missing = dir.File("missing.daq");
    auto wrongMagic = SingleChannel();
    wrongMagic.header().SetMagic("MervikDAQ2");
    const std::string bad = Write("bad.daq", wrongMagic);
    auto truncated = SingleChannel().Bytes();
    truncated.pop_back();
    const std::string shortFile = dir.File("short.daq");
    test::WriteFileBytes(shortFile, truncated);
    auto negative = SingleChannel();
    negative.header().SetChannelCount(-1);
    const std::string tooLarge = Write("negative.daq", negative);

    const auto r = Run({"--info", missing, good, bad, shortFile, tooLarge, dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "==> " + missing + " <==\n==> " + good + " <==\n" + kSingleChannelInfo +
                         "==> " + bad + " <==\n==> " + shortFile + " <==\n==> " + tooLarge +
                         " <==\n==> " + dir.path() + " <==\n");
    EXPECT_EQ(r.err, missing + ": Cannot open input file!\n" + bad + ": Isn't Mervik DAQ File!\n" +
                         shortFile + ": Read Input File Error!\n" + tooLarge +
                         ": File size is too large\n" + dir.path() + ": Cannot open input file!\n");
}

TEST_F(CliInfoTest, info_pathIsUsedAsTyped) {
    const std::string spaced = Write(" spaced.daq ", SingleChannel());
    EXPECT_EQ(Run({"--info", spaced}).out, kSingleChannelInfo);
    const std::string trimmed = dir.File("spaced.daq");
    const auto r = Run({"--info", trimmed});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, trimmed + ": Cannot open input file!\n");
}

TEST_F(CliInfoTest, info_everyExample_loads) {
    std::vector<std::string> args = {"--info"};
    const auto examples = ExampleRecordings();
    for (const auto& e : examples) {
        args.push_back(Write(e.name + ".daq", e.recording));
    }
    const auto r = Run(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // A name line and ten text lines per example.
    EXPECT_EQ(static_cast<std::size_t>(std::count(r.out.begin(), r.out.end(), '\n')),
              11 * examples.size());
}

TEST_F(CliInfoTest, queue_printsChannelAndRangeLabelPerEntry) {
    const auto r = Run({"--queue", Write("custom.daq", CustomOrder())});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3\t+/-10V\n0\t+/-1V\n7\tUnknown (200)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(test::FileExists(dir.File("custom.cvt")));  // inspecting converts nothing
}

TEST_F(CliInfoTest, queue_withoutEntries_printsNothing) {
    const auto r = Run({"--queue", Write("one.daq", SingleChannel())});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliInfoTest, queue_loadFailure_exitsOne) {
    auto bytes = CustomOrder().Bytes();
    bytes.pop_back();
    const std::string path = dir.File("short.daq");
    test::WriteFileBytes(path, bytes);
    const auto r = Run({"--queue", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, path + ": Read Input File Error!\n");
}

// The one recording's JSON; fails the test where the output is not JSON (not UTF-8).
nlohmann::json JsonOf(const test::CliRun& r) {
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out);
}

TEST_F(CliInfoTest, json_headerTexts_decodedAsWindows1252) {
    RecordingBuilder b = SingleChannel();
    b.header().SetStartDate("\xE9t\xE9 99\x81");
    b.header().SetStartTime("\x93q\x94\x80\x9D:00");  // all 8 bytes: the display adds ".millis"
    b.header().SetStartMillis("\xFF");
    const auto info = JsonOf(Run({"--info", "--json", Write("texts.daq", b)}));
    const std::string date = "\xC3\xA9t\xC3\xA9 99\xC2\x81";  // U+0081 for the undefined byte
    const std::string time = "\xE2\x80\x9Cq\xE2\x80\x9D\xE2\x82\xAC\xC2\x9D:00";
    EXPECT_EQ(info["header"]["start_date"], date);
    EXPECT_EQ(info["header"]["start_time"], time);
    EXPECT_EQ(info["header"]["start_millis"], "\xC3\xBF");
    EXPECT_EQ(info["display"]["Start date:"], date);
    EXPECT_EQ(info["display"]["Start time:"], time + ".\xC3\xBF");
    EXPECT_EQ(info["start_date"], date);
    EXPECT_EQ(info["start_time"], time + ".\xC3\xBF");
}

// Headers that differ in one byte give different JSON, whatever the byte.
TEST_F(CliInfoTest, json_differentHeaderBytes_giveDifferentTexts) {
    const std::vector<std::string> dates = {"\xE9", "\xC3", "\x81", "\x8D",        "\x8F",
                                            "\x90", "\x9D", "?",    "\xEF\xBF\xBD"};
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < dates.size(); ++i) {
        RecordingBuilder b = SingleChannel();
        b.header().SetStartDate(dates[i]);
        const auto info = JsonOf(Run({"--info", "--json", Write(std::to_string(i) + ".daq", b)}));
        shown.push_back(info["header"]["start_date"]);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(shown[i], shown[j]) << i << " and " << j;
        }
    }
}

TEST_F(CliInfoTest, json_fileNameNotUtf8_escapedSoItsBytesComeBack) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows file names are UTF-16: every one is UTF-8 here";
#endif
    const std::string path = Write("\xE9t\xE9\\x41.daq", SingleChannel());
    const auto info = JsonOf(Run({"--info", "--json", path}));
    EXPECT_EQ(info["file"], dir.path() + "/\\xe9t\\xe9\\x5cx41.daq");
    EXPECT_EQ(info["source_file"], "\\xe9t\\xe9\\x5cx41.daq");

    const auto missing = Run({"--info", "--json", dir.File("\xFFmissing.daq")});
    EXPECT_EQ(missing.status, 1);
    const auto failed = nlohmann::json::parse(missing.out);
    EXPECT_EQ(failed["file"], dir.path() + "/\\xffmissing.daq");
    EXPECT_EQ(failed["error"], "Cannot open input file!");
}

// The names VisitFacts hands: the column facts', and the recording's.
struct FactNames final : FactVisitor {
    std::vector<std::string> columns;
    std::vector<std::string> recording;

    bool Int(const char* name, std::int32_t) override { return Take(recording, name); }
    bool Double(const char* name, double) override { return Take(recording, name); }
    bool Text(const char* name, const std::string&) override { return Take(recording, name); }
    bool Ints(const char* name, std::span<const std::int32_t>) override {
        return Take(columns, name);
    }
    bool Texts(const char* name, std::span<const std::string>) override {
        return Take(columns, name);
    }
    bool Doubles(const char* name, std::span<const double>) override { return Take(columns, name); }
    static bool Take(std::vector<std::string>& into, const char* name) {
        into.push_back(name);
        return true;
    }
};

// The facts are printed under the names the file formats record them under: at the top
// level, and per column in "columns"; the other keys are no fact's.
TEST_F(CliInfoTest, json_namesEveryFactAsTheFormatsDo) {
    RecordingBuilder b = SingleChannel();
    b.header().SetChannelCount(2);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(3, 36).AddQueueEntry(1, 35).AddWord32(4).AddWord32(5).AddWord32(6);
    LoadedRecording recording{b.header(), {{3, 36}, {1, 35}}, std::nullopt, "x.daq", ""};
    FactNames names;
    VisitFacts(FactsOf(recording), std::string(64, '0'), names);

    const auto info = JsonOf(Run({"--info", "--json", Write("facts.daq", b)}));
    std::vector<std::string> others;
    for (const auto& [key, value] : info.items()) {
        if (std::find(names.recording.begin(), names.recording.end(), key) ==
            names.recording.end()) {
            others.push_back(key);
        }
    }
    EXPECT_EQ(others,
              (std::vector<std::string>{"columns", "convertible", "display", "duration_s", "file",
                                        "header", "queue", "sample_count", "time_range_s"}));
    for (const std::string& name : names.recording) {
        EXPECT_TRUE(info.contains(name)) << name;
    }
    std::sort(names.columns.begin(), names.columns.end());
    ASSERT_EQ(info["columns"].size(), 2u);
    for (const auto& column : info["columns"]) {
        std::vector<std::string> keys;
        for (const auto& [key, value] : column.items()) {
            keys.push_back(key);
        }
        EXPECT_EQ(keys, names.columns);
    }
}

// time_range_s: the times of the first and last scan, scan / rate as CSV's time_s; none
// where the scans have no times or there is no scan.
TEST_F(CliInfoTest, json_timeRange_firstAndLastScan) {
    struct Case {
        std::int32_t scans;
        double rate;
        std::optional<double> last;
    };
    const Case cases[] = {
        {3, 12.5, 0.16},  // scans 0, 1, 2 at 0.08 s apart
        {1, 12.5, 0.0},  {0, 12.5, std::nullopt}, {3, 0.0, std::nullopt}, {3, -12.5, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.scans) + " scans at " + std::to_string(c.rate) + " Hz");
        RecordingBuilder b;  // one channel, 16-bit
        b.header().SetScanCount(c.scans);
        b.header().SetScanRate(c.rate);
        for (std::int32_t s = 0; s < c.scans; ++s) {
            b.AddWord16(static_cast<std::uint16_t>(s));
        }
        const auto info = JsonOf(Run({"--info", "--json", Write("range.daq", b)}));
        if (!c.last) {
            EXPECT_FALSE(info.contains("time_range_s"));
            continue;
        }
        EXPECT_EQ(info["time_range_s"], nlohmann::json::array({0.0, *c.last}));
    }
}

// What --info prints with standard output `shown` (on a terminal or not).
test::CliRun Info(const std::vector<std::string>& files, cli::InfoShown shown) {
    std::ostringstream out;
    std::ostringstream err;
    test::CliRun run;
    run.status = cli::RunInfo(files, out, err, shown);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string LineOf(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label + "\t");
    return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

TEST_F(CliInfoTest, info_onATerminal_showsControlCharactersEscaped) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows file names take no control characters";
#endif
    RecordingBuilder b = SingleChannel();
    b.header().SetStartDate("\x1B]0;x\x07\xE9\x9D");
    b.header().SetStartTime("a\\x41\x7F\t\x9B");
    const std::string a = Write("a\x1B[2J.daq", b);
    const std::string other = Write("other.daq", SingleChannel());

    const auto terminal = Info({a, other}, cli::InfoShown::kOnTerminal);
    EXPECT_EQ(terminal.status, 0);
    EXPECT_EQ(LineOf(terminal.out, "Start date:"), "Start date:\t\\x1b]0;x\\x07\xC3\xA9\\x9d");
    EXPECT_EQ(LineOf(terminal.out, "Start time:"),
              "Start time:\ta\\x5cx41\\x7f\\x09\xE2\x80\xBA.480");  // 9B is U+203A
    EXPECT_EQ(terminal.out.substr(0, terminal.out.find('\n')),
              "==> " + dir.path() + "/a\\x1b[2J.daq <==");
    EXPECT_EQ(terminal.out.find('\x1B'), std::string::npos);
    EXPECT_NE(terminal.out.find(kSingleChannelInfo), std::string::npos);  // plain texts as they are

    // Into a pipe or a file, the exact bytes.
    const auto stored = Info({a, other}, cli::InfoShown::kAsStored);
    EXPECT_EQ(LineOf(stored.out, "Start date:"), "Start date:\t\x1B]0;x\x07\xE9\x9D");
    EXPECT_EQ(LineOf(stored.out, "Start time:"), "Start time:\ta\\x41\x7F\t\x9B.480");
    EXPECT_EQ(stored.out.substr(0, stored.out.find('\n')), "==> " + a + " <==");
}

}  // namespace
}  // namespace vantrel
