// SPDX-License-Identifier: BSD-3-Clause
// A disk that fills up while the output is written: the run must say so, must not claim
// success, and must not leave a truncated output that could pass for a complete one.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>

#include "RecordingBuilder.h"
#include "convert/formats/OutputFormats.h"
#include "convert/run/ConversionSession.h"
#include "convert/run/ConvertRun.h"
#include "support/ChildProcess.h"

namespace vantrel::test {
namespace {

constexpr int kFormats[] = {0, 1, 2};

// Every format of the table, by its Format list index.
std::vector<int> EveryFormat() {
    std::vector<int> formats;
    for (const OutputFormatInfo* format : OutputFormats()) {
        formats.push_back(static_cast<int>(format->format));
    }
    return formats;
}

// Outputs of this recording are tens of kilobytes in every format.
constexpr int kScans = 3000;

bool IsCharacterDevice(const char* path) {
    struct stat st {};
    return stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

TEST(FullDisk, devFull_eachFormat_reportsWriteErrorAndLeavesDeviceAlone) {
    if (!IsCharacterDevice("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(kScans));
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));

    for (const int format : EveryFormat()) {
        SCOPED_TRACE(format);
        session.Convert("/dev/full", format);
        EXPECT_EQ(session.messages.texts, std::vector<std::string>{kWriteOutputErrorMessage});
        EXPECT_TRUE(IsCharacterDevice("/dev/full"));
        EXPECT_EQ(session.files.openHandles, 0);
    }
}

TEST(FullDisk, symbolicLinkToDevFull_reportsWriteErrorAndKeepsLink) {
    if (!IsCharacterDevice("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(kScans));
    std::filesystem::create_symlink("/dev/full", dir.File("out.cvt"));
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));

    session.Convert(dir.File("out.cvt"));

    EXPECT_EQ(session.messages.texts, std::vector<std::string>{kWriteOutputErrorMessage});
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("out.cvt")));
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
}

// Converts in a child whose files may not grow past `limit` bytes (SIGXFSZ ignored, so the
// write fails with EFBIG instead of killing the process). Reports the messages, one per
// line, then whether the output exists and its size.
std::string ConvertUnderSizeLimit(const std::string& recording, const std::string& output,
                                  int format, rlim_t limit) {
    const ChildResult child = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &rl) != 0) {
            return std::string("setrlimit failed\n");
        }
        ConversionSession session;
        std::ostringstream report;
        if (!session.Load(recording)) {
            report << "load failed\n";
        }
        session.Convert(output, format);
        for (const auto& text : session.messages.texts) {
            report << text << "\n";
        }
        std::error_code ec;
        const bool exists = std::filesystem::exists(output, ec);
        report << "exists=" << exists;
        if (exists) {
            report << " size=" << std::filesystem::file_size(output, ec);
        }
        report << " open=" << session.files.openHandles;
        return report.str();
    });
    EXPECT_TRUE(child.exitedNormally) << "the child crashed";
    EXPECT_EQ(child.exitCode, 0);
    return child.report;
}

TEST(FullDisk, fileSizeLimit_eachFormat_reportsWriteErrorAndLeavesNoOutput) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(kScans));
    for (const int format : EveryFormat()) {
        SCOPED_TRACE(format);
        const std::string output = dir.File("out" + std::to_string(format) + ".cvt");
        EXPECT_EQ(ConvertUnderSizeLimit(dir.File("rec.daq"), output, format, 4096),
                  std::string(kWriteOutputErrorMessage) + "\nexists=0 open=0");
    }
}

// The run stopped by the limit leaves the earlier output byte for byte as it was.
TEST(FullDisk, fileSizeLimit_overExistingOutput_keepsItsBytes) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(kScans));
    const std::vector<std::uint8_t> earlier(100, 'x');
    for (const int format : EveryFormat()) {
        SCOPED_TRACE(format);
        WriteFileBytes(dir.File("out.cvt"), earlier);
        EXPECT_EQ(ConvertUnderSizeLimit(dir.File("rec.daq"), dir.File("out.cvt"), format, 4096),
                  std::string(kWriteOutputErrorMessage) + "\nexists=1 size=100 open=0");
        EXPECT_EQ(ReadFileBytes(dir.File("out.cvt")), earlier);
    }
}

// No channels and two billion scans load from 60 bytes and ask for 4 GiB of empty lines.
// A disk that fills must end the run at its first failed write, not after every scan.
TEST(FullDisk, zeroChannelsBillionsOfScans_fileSizeLimit_stopsAtFirstFailedWrite) {
    RecordingBuilder b;
    b.header().SetChannelCount(0);
    b.header().SetScanCount(INT32_MAX);
    TempDir dir;
    b.WriteTo(dir.File("rec.daq"));
    for (const int format : {0, 2}) {
        SCOPED_TRACE(format);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ConvertUnderSizeLimit(dir.File("rec.daq"), dir.File("out.cvt"), format, 4096),
                  std::string(kWriteOutputErrorMessage) + "\nexists=0 open=0");
        // A megabyte of lines is built before the first write; all 2^31 would take minutes.
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took.count(), 5.0);
    }
}

// The same child with room for the whole file succeeds, so the failures above come from the
// limit and nothing else.
TEST(FullDisk, fileSizeLimitAboveOutputSize_eachFormat_writesCompleteFile) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(kScans));
    for (const int format : kFormats) {
        SCOPED_TRACE(format);
        const std::string output = dir.File("out" + std::to_string(format) + ".cvt");
        // Scaled binary: 8 bytes per sample. Text: 25 bytes per scan (two 11-character
        // cells, a tab, CR LF) after the two title lines.
        const std::string title =
            ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0  \tChannel_1  \r\n";
        const std::uint64_t size =
            format == 1 ? 8u * 2 * kScans : title.size() + std::uint64_t{25} * kScans;
        EXPECT_EQ(ConvertUnderSizeLimit(dir.File("rec.daq"), output, format, 1 << 20),
                  SuccessMessage(output) + "\nexists=1 size=" + std::to_string(size) + " open=0");
    }
}

}  // namespace
}  // namespace vantrel::test
