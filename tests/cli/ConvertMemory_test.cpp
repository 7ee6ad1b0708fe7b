// vantrel-convert streams the sample block: its peak memory does not grow with the
// recording. Measured from the kernel's account of the child process, not from timing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "RecordingBuilder.h"
#include "support/TestPlatform.h"

extern char** environ;

namespace vantrel {
namespace {

struct ChildRun {
    int status;
    long peakKib;  // the child's peak resident size
};

// Runs vantrel-convert with `args`, its standard output discarded.
ChildRun RunConvert(const std::vector<std::string>& args) {
    const char* build = std::getenv("VANTREL_BUILD_DIR");
    EXPECT_NE(build, nullptr);
    const std::string exe = std::string(build ? build : ".") + "/cli/vantrel-convert";
    std::vector<std::string> all = {exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot run " << exe;
        return {-1, 0};
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss};
}

// A card 1 recording of `scans` scans of 4 channels, written block by block.
void WriteRecording(const std::string& path, std::int32_t scans) {
    RecordingBuilder b;
    b.header().SetChannelCount(4);
    b.header().SetScanCount(scans);
    const std::vector<std::uint8_t> header = b.Bytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 131 % 251);
    }
    for (std::int64_t left = std::int64_t{scans} * 8; left > 0;) {
        const auto n = std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()));
        out.write(block.data(), n);
        left -= n;
    }
    ASSERT_TRUE(out.good());
}

TEST(ConvertMemory, peakMemoryStaysFarBelowTheSampleBlock) {
    test::TempDir dir;
    const std::string small = dir.File("small.daq");
    const std::string large = dir.File("large.daq");
    WriteRecording(small, 1);
    constexpr std::int32_t kLargeScans = 6'000'000;  // a 48 MiB sample block
    WriteRecording(large, kLargeScans);
    for (const char* format : {"scaled-text", "scaled-binary", "codes-text"}) {
        SCOPED_TRACE(format);
        const ChildRun idle = RunConvert({"-f", format, "-o", "/dev/null", small});
        const ChildRun big = RunConvert({"-f", format, "-o", "/dev/null", large});
        EXPECT_EQ(idle.status, 0);
        EXPECT_EQ(big.status, 0);
        // Chunks, the output block and the word tables: a few MiB whatever the size.
        EXPECT_LT(big.peakKib - idle.peakKib, 16 * 1024)
            << "idle " << idle.peakKib << " KiB, large " << big.peakKib << " KiB";
    }
}

}  // namespace
}  // namespace vantrel
