// SPDX-License-Identifier: BSD-3-Clause
// The batch conversion mode of vantrel-convert.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "cli/CliRun.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::ReadFileText;
using test::TempDir;

class ConvertCommand : public testing::Test {
  protected:
    static test::CliRun Run(const std::vector<std::string>& args) { return test::RunCli(args); }

    // A two-channel recording: card 1, two channels, words 1000 and F800 hex.
    std::string Example(const std::string& name) {
        const std::string path = dir_.File(name);
        test::TwoChannels(1).WriteTo(path);
        return path;
    }

    TempDir dir_;
};

TEST_F(ConvertCommand, defaults_writeScaledTextBesideEachInput) {
    const std::string a = Example("a.daq");
    const std::string b = Example("b.dat");
    const test::CliRun r = Run({a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Write to " + dir_.File("a.cvt") + " successful!\nWrite to " +
                         dir_.File("b.cvt") + " successful!\n");
    const std::string expected =
        ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0    Channel_1  \r\n"
        "  1.2500000   -0.6250000\r\n";
    EXPECT_EQ(ReadFileText(dir_.File("a.cvt")), expected);
    EXPECT_EQ(ReadFileText(dir_.File("b.cvt")), expected);
}

TEST_F(ConvertCommand, formatSeparatorAndTitleOptions) {
    const std::string in = Example("ex.daq");
    const std::string out = dir_.File("ex.cvt");
    const std::string title = ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0  \tChannel_1  \r\n";
    struct Case {
        std::vector<std::string> options;
        std::string file;
    };
    const std::string binary("\0\0\0\0\0\0\xF4\x3F\0\0\0\0\0\0\xE4\xBF", 16);
    const Case cases[] = {
        {{"-f", "codes-text", "-s", "tab"}, title + "       4096\t      63488\r\n"},
        {{"--format", "2", "--separator", "tab"}, title + "       4096\t      63488\r\n"},
        {{"-f", "scaled-text", "-s", "tab"}, title + "  1.2500000\t -0.6250000\r\n"},
        {{"-f", "0", "-s", "comma", "--no-title"}, "  1.2500000,  -0.6250000\r\n"},
        {{"-f", "codes-text", "--no-title"}, "       4096        63488\r\n"},
        {{"-f", "scaled-binary"}, binary},
        {{"-f", "1", "-s", "tab"}, binary},
    };
    for (const Case& c : cases) {
        auto args = c.options;
        args.push_back(in);
        const test::CliRun r = Run(args);
        EXPECT_EQ(r.status, 0) << c.options[1];
        EXPECT_EQ(r.out, "Write to " + out + " successful!\n");
        EXPECT_EQ(ReadFileText(out), c.file) << c.options[1];
    }
}

TEST_F(ConvertCommand, failuresAreReportedPerInputAndTheRestConverted) {
    const std::string good = Example("good.daq");
    const std::string missing = dir_.File("missing.daq");
    const std::string bad = dir_.File("bad.daq");
    test::WriteFileBytes(bad, std::vector<std::uint8_t>(80, 'x'));
    RecordingBuilder card5;
    card5.header().SetCardType(5);
    const std::string unsupported = dir_.File("card5.daq");
    card5.WriteTo(unsupported);
    const std::string itself = Example("itself.cvt");
    const auto original = ReadFileBytes(itself);
    RecordingBuilder shortBlock;
    shortBlock.header().SetScanCount(4);
    shortBlock.AddWord16(1);
    const std::string truncated = dir_.File("short.daq");
    shortBlock.WriteTo(truncated);

    const test::CliRun r = Run({missing, bad, good, unsupported, itself, truncated});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Write to " + dir_.File("good.cvt") + " successful!\n");
    EXPECT_EQ(r.err, missing + ": Cannot open input file!\n" + bad + ": Isn't Mervik DAQ File!\n" +
                         unsupported + ": Unsupported card type!\n" + itself +
                         ": Output file is the input file!\n" + truncated +
                         ": Read Input File Error!\n");
    EXPECT_TRUE(FileExists(dir_.File("good.cvt")));
    EXPECT_FALSE(FileExists(dir_.File("card5.cvt")));
    EXPECT_FALSE(FileExists(dir_.File("bad.cvt")));
    EXPECT_EQ(ReadFileBytes(itself), original);
}

// run1.cvt is a recording of the batch too: converting run1.daq must not truncate it.
TEST_F(ConvertCommand, outputThatIsAnotherInput_isRefused) {
    const std::string daq = Example("run1.daq");
    RecordingBuilder other;
    other.header().SetScanCount(1);
    other.AddWord16(0x4000);
    const std::string cvt = dir_.File("run1.cvt");
    other.WriteTo(cvt);
    const auto original = ReadFileBytes(cvt);

    const test::CliRun r = Run({daq, cvt});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, daq + ": Output file is the input file!\n" + cvt +
                         ": Output file is the input file!\n");
    EXPECT_EQ(ReadFileBytes(cvt), original);
}

TEST_F(ConvertCommand, outputOption_namesTheOutputOfOneInput) {
    const std::string in = Example("ex.daq");
    const std::string out = dir_.File("chosen.txt");
    const test::CliRun r = Run({"-o", out, "-f", "codes-text", in});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Write to " + out + " successful!\n");
    EXPECT_EQ(ReadFileText(out).substr(0, 32), ";Mervik DAQ Data of Card MODEL_A");
    EXPECT_FALSE(FileExists(dir_.File("ex.cvt")));

    const test::CliRun same = Run({"-o", in, in});
    EXPECT_EQ(same.status, 1);
    EXPECT_EQ(same.err, in + ": Output file is the input file!\n");
}

// Names are taken whatever their case; -j takes any count of digits.
TEST_F(ConvertCommand, goodValues_inAnyCase) {
    const std::string in = Example("ex.daq");
    const std::string out = dir_.File("ex.cvt");
    const test::CliRun r = Run({"-f", "CODES-Text", "-s", "TAB", "-j", "007", in});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileText(out),
              ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0  \tChannel_1  \r\n"
              "       4096\t      63488\r\n");
    EXPECT_EQ(Run({"-j", "99999999999999999999", in}).status, 0);
}

}  // namespace
}  // namespace vantrel
