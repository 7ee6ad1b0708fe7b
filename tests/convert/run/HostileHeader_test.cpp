// SPDX-License-Identifier: BSD-3-Clause
// Headers that claim far more data than the file holds. A few hundred bytes must be
// answered with a message at once, without reserving or touching the memory the header
// asks for. Each case runs in a forked child so its peak memory is its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RecordingBuilder.h"
#include "convert/run/ConversionSession.h"
#include "convert/run/ConvertRun.h"
#include "recording/LoadRecording.h"
#include "support/ChildProcess.h"

namespace vantrel::test {
namespace {

// Far below any claim here (the smallest is 8 GiB), far above what a load of a few hundred
// bytes needs even under the sanitizers.
constexpr long kMemoryAllowanceKb = 64 * 1024;
constexpr double kTimeAllowanceSeconds = 1.0;

struct HostileCase {
    const char* name;
    std::int16_t card;
    std::int16_t widthCode;
    std::int16_t orderCode;
    std::int16_t channels;
    std::int32_t scans;
    std::int16_t queueCount;  // claimed, not present
    const char* message;
};

// Names the case in test listings instead of its bytes.
void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

const HostileCase kHostile[] = {
    {"maxScans64Channels32Bit", 4, 2, 0, 64, INT32_MAX, 0, kReadErrorMessage},
    {"maxScansMaxChannels", 1, 1, 0, INT16_MAX, INT32_MAX, 0, kReadErrorMessage},
    {"maxScansCustomMaxQueue", 4, 2, 2, 64, INT32_MAX, INT16_MAX, kReadErrorMessage},
    {"claim8GiB", 4, 2, 0, 64, 1 << 25, 0, kReadErrorMessage},
    {"negativeChannels", 1, 1, 0, -1, 10, 0, kFileTooLargeMessage},
    {"minChannels", 4, 2, 0, INT16_MIN, INT32_MAX, 0, kFileTooLargeMessage},
    {"negativeScans", 1, 1, 0, 2, INT32_MIN, 0, kFileTooLargeMessage},
};

std::vector<std::uint8_t> HostileRecording(const HostileCase& c) {
    RecordingBuilder b;
    b.header().SetCardType(c.card);
    b.header().SetWidthCode(c.widthCode);
    b.header().SetOrderCode(c.orderCode);
    b.header().SetRangeCode(c.card == 4 ? 35 : 1);
    b.header().SetChannelCount(c.channels);
    b.header().SetScanCount(c.scans);
    b.header().SetQueueCount(c.queueCount);
    b.AddBytes(std::vector<std::uint8_t>(300, 0x5A));
    return b.Bytes();
}

// Peak virtual size in kB: grows with every reservation, touched or not.
long VmPeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmPeak:")) {
            return std::stol(line.substr(7));
        }
    }
    return -1;
}

long MaxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Measured {
    std::string messages;
    double seconds = 0;
    long rssGrowthKb = 0;
    long vmGrowthKb = 0;
};

// Loads `path` (and converts when the load succeeds) in a child; reports the messages and
// what the child spent on it.
Measured LoadMeasured(const std::string& path, const std::string& output) {
    const ChildResult child = RunInChild([&] {
        const long rssBefore = MaxRssKb();
        const long vmBefore = VmPeakKb();
        const auto start = std::chrono::steady_clock::now();
        ConversionSession session;
        if (session.Load(path)) {
            session.Convert(output);
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::ostringstream report;
        for (const auto& text : session.messages.texts) {
            report << text << "\n";
        }
        report << "|" << took.count() << " " << MaxRssKb() - rssBefore << " "
               << VmPeakKb() - vmBefore;
        return report.str();
    });
    EXPECT_TRUE(child.exitedNormally) << "the child crashed";
    Measured m;
    const auto bar = child.report.rfind('|');
    if (bar == std::string::npos) {
        ADD_FAILURE() << "no report from the child: " << child.report;
        return m;
    }
    m.messages = child.report.substr(0, bar);
    std::istringstream(child.report.substr(bar + 1)) >> m.seconds >> m.rssGrowthKb >> m.vmGrowthKb;
    return m;
}

void ExpectQuickAndSmall(const Measured& m, const std::string& message) {
    EXPECT_EQ(m.messages, message + "\n");
    EXPECT_LT(m.seconds, kTimeAllowanceSeconds);
    EXPECT_LT(m.rssGrowthKb, kMemoryAllowanceKb) << "peak resident memory grew";
    EXPECT_LT(m.vmGrowthKb, kMemoryAllowanceKb) << "a large block was reserved";
}

// Creates a named pipe at `path` and forks a writer that blocks until the pipe is opened,
// writes `bytes` and ends, so the reader sees the end of the data. Returns the writer.
pid_t FeedPipe(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (mkfifo(path.c_str(), 0600) != 0) {
        return -1;
    }
    const pid_t writer = fork();
    if (writer == 0) {
        const int fd = open(path.c_str(), O_WRONLY);
        std::size_t done = 0;
        while (fd >= 0 && done < bytes.size()) {
            const auto put = write(fd, bytes.data() + done, bytes.size() - done);
            if (put <= 0) {
                _exit(1);
            }
            done += static_cast<std::size_t>(put);
        }
        _exit(fd >= 0 ? 0 : 1);
    }
    return writer;
}

void ExpectWriterDone(pid_t writer) {
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

class HostileHeader : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileHeader, regularFile_quickMessageWithoutLargeAllocation) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), HostileRecording(GetParam()));
    const Measured m = LoadMeasured(dir.File("rec.daq"), dir.File("out.cvt"));
    ExpectQuickAndSmall(m, GetParam().message);
    EXPECT_FALSE(FileExists(dir.File("out.cvt")));
}

// A pipe has no size to check the header against before reading; the load must still not
// take the header's word for how much memory to reserve.
TEST_P(HostileHeader, pipe_quickMessageWithoutLargeAllocation) {
    TempDir dir;
    const std::string fifo = dir.File("rec.fifo");
    const pid_t writer = FeedPipe(fifo, HostileRecording(GetParam()));
    ASSERT_GT(writer, 0);
    const Measured m = LoadMeasured(fifo, dir.File("out.cvt"));
    ExpectWriterDone(writer);
    const std::string expected = std::string(GetParam().message) == kFileTooLargeMessage
                                     ? kFileTooLargeMessage
                                     : kReadErrorMessage;
    ExpectQuickAndSmall(m, expected);
}

INSTANTIATE_TEST_SUITE_P(Load, HostileHeader, ::testing::ValuesIn(kHostile),
                         [](const auto& test) { return std::string(test.param.name); });

// The pipe's block grows in steps as data arrives; a recording several steps long must
// arrive whole and in order.
TEST(PipeLoad, recordingOfSeveralMegabytes_loadsWholeBlock) {
    RecordingBuilder b;
    b.header().SetChannelCount(4);
    b.header().SetScanCount(600000);
    std::vector<std::uint8_t> samples(std::size_t{4} * 600000 * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    b.AddBytes(samples);
    b.AddBytes({1, 2, 3});  // bytes after the block are never read
    TempDir dir;
    const pid_t writer = FeedPipe(dir.File("rec.fifo"), b.Bytes());
    ASSERT_GT(writer, 0);

    ConversionSession session;
    const bool loaded = session.Load(dir.File("rec.fifo"));
    kill(writer, SIGTERM);  // it may still wait to write the three extra bytes
    waitpid(writer, nullptr, 0);

    ASSERT_TRUE(loaded) << ::testing::PrintToString(session.messages.texts);
    EXPECT_TRUE(session.messages.texts.empty());
    ASSERT_TRUE(session.state.recording.samples.has_value());
    const auto held = session.state.recording.samples->bytes();
    EXPECT_TRUE(std::equal(held.begin(), held.end(), samples.begin(), samples.end()));
    EXPECT_EQ(session.files.openHandles, 0);
}

TEST(PipeLoad, recordingEndingOneByteShort_reportsReadError) {
    auto bytes = TwoChannelRecording(300000);
    bytes.pop_back();
    TempDir dir;
    const pid_t writer = FeedPipe(dir.File("rec.fifo"), bytes);
    ASSERT_GT(writer, 0);

    ConversionSession session;
    EXPECT_FALSE(session.Load(dir.File("rec.fifo")));
    ExpectWriterDone(writer);

    EXPECT_EQ(session.messages.texts, std::vector<std::string>{kReadErrorMessage});
    EXPECT_FALSE(session.state.recording.samples.has_value());
    EXPECT_EQ(session.files.openHandles, 0);
}

}  // namespace
}  // namespace vantrel::test
