// Headers that claim far more data than the file holds. A few hundred bytes must be
// answered with a message at once, without reserving or touching the memory the header
// asks for. Each case runs in a forked child so its peak memory is its own.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RecordingBuilder.h"
#include "convert/ChildProcess.h"
#include "convert/ConversionSession.h"
#include "convert/ConvertRun.h"
#include "recording/LoadRecording.h"

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
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto bytes = HostileRecording(GetParam());
    // The writer blocks until the load opens the pipe, writes the few hundred bytes and
    // ends, so the load sees the end of the data.
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        const int fd = open(fifo.c_str(), O_WRONLY);
        const bool ok =
            fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        _exit(ok ? 0 : 1);
    }
    const Measured m = LoadMeasured(fifo, dir.File("out.cvt"));
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string expected = std::string(GetParam().message) == kFileTooLargeMessage
                                     ? kFileTooLargeMessage
                                     : kReadErrorMessage;
    ExpectQuickAndSmall(m, expected);
}

INSTANTIATE_TEST_SUITE_P(Load, HostileHeader, ::testing::ValuesIn(kHostile),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace vantrel::test
