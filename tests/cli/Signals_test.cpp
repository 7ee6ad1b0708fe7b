// SPDX-License-Identifier: BSD-3-Clause
// Signals that end vantrel-convert while a library writes its output under a hidden
// temporary: none may leave the temporary behind, and a run after SIGKILL sweeps it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RecordingBuilder.h"
#include "cli/Spawn.h"
#include "convert/formats/OutputFormats.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

// Card 1, 8 channels, more scans than the test ever sends: the run waits on its input.
std::vector<std::uint8_t> StalledRecordingStart() {
    RecordingBuilder b;
    b.header().SetChannelCount(8);
    b.header().SetScanCount(1'000'000);
    for (int i = 0; i < 8 * 20'000; ++i) {
        b.AddWord16(static_cast<std::uint16_t>(i * 7919));
    }
    return b.Bytes();
}

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool HasTemporary(const std::string& dir) {
    const auto names = Entries(dir);
    return std::any_of(names.begin(), names.end(),
                       [](const std::string& n) { return n.ends_with(".part"); });
}

// Polls `done` for up to ten seconds.
template <typename Done>
bool Within10s(Done done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

struct SignalCase {
    const char* name;
    std::vector<int> signals;  // sent in turn, the next once stderr shows `between`
    const char* between;
    int status;
    bool leavesTemporary;
};

const SignalCase kCases[] = {
    {"SIGTERM", {SIGTERM}, "", 128 + SIGTERM, false},
    {"SIGHUP", {SIGHUP}, "", 128 + SIGHUP, false},
    // The first Ctrl-C cannot reach a run stalled on its input: it says how to stop.
    {"Ctrl-C twice", {SIGINT, SIGINT}, "press Ctrl-C again to stop at once\n", 128 + SIGINT, false},
    {"SIGKILL", {SIGKILL}, "", 128 + SIGKILL, true},
};

TEST(Signals, endingARunRemovesItsTemporaryOrTheNextRunDoes) {
    if (FindFormat("hdf5") == nullptr) {
        GTEST_SKIP() << "this build has no HDF5";
    }
    const std::vector<std::uint8_t> start = StalledRecordingStart();
    const std::vector<std::uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    for (const SignalCase& c : kCases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string output = dir.File("out.h5");
        test::WriteFileBytes(output, earlier);
        int in[2];
        int err[2];
        ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
        ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
        fcntl(err[0], F_SETFL, O_NONBLOCK);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        const pid_t pid =
            test::SpawnConverter({"-f", "hdf5", "-", "-o", output}, in[0], null, err[1]);
        close(in[0]);
        close(err[1]);
        ASSERT_EQ(write(in[1], start.data(), start.size()), static_cast<ssize_t>(start.size()));
        ASSERT_TRUE(Within10s([&] { return HasTemporary(dir.path()); }));

        std::string text;
        for (std::size_t i = 0; i < c.signals.size(); ++i) {
            if (i > 0) {
                ASSERT_TRUE(Within10s([&] {
                    test::ReadAvailable(err[0], text);
                    return text.find(c.between) != std::string::npos;
                })) << text;
            }
            kill(pid, c.signals[i]);
        }
        EXPECT_EQ(test::WaitForExit(pid), c.status);
        close(in[1]);
        close(err[0]);
        EXPECT_EQ(test::ReadFileBytes(output), earlier);
        EXPECT_EQ(HasTemporary(dir.path()), c.leavesTemporary);

        // The next conversion to the same output removes what a killed run left.
        RecordingBuilder small;
        small.AddWord16(1);
        small.WriteTo(dir.File("small.daq"));
        const pid_t again = test::SpawnConverter(
            {"-q", "-f", "hdf5", dir.File("small.daq"), "-o", output}, null, null, null);
        EXPECT_EQ(test::WaitForExit(again), 0);
        close(null);
        EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"out.h5", "small.daq"}));
    }
}

// With standard output a pipe whose reader is gone, the output staged in the temporary folder
// goes with the process SIGPIPE ends; whatever was there before stays.
TEST(Signals, brokenPipe_leavesNoStagedOutputInTheTemporaryFolder) {
    if (FindFormat("hdf5") == nullptr) {
        GTEST_SKIP() << "this build has no HDF5";
    }
    test::TempDir dir;
    // Several MiB of output: the copy to standard output writes while the staged file is
    // still there.
    RecordingBuilder b;
    b.header().SetChannelCount(8);
    b.header().SetScanCount(100'000);
    for (int i = 0; i < 8 * 100'000; ++i) {
        b.AddWord16(static_cast<std::uint16_t>(i));
    }
    b.WriteTo(dir.File("in.daq"));
    const std::string staging = dir.File("tmp");
    std::filesystem::create_directory(staging);
    // A pipe named as the staged file's base is none of the run's business.
    const std::string planted = staging + "/vantrel-output";
    ASSERT_EQ(mkfifo(planted.c_str(), 0600), 0);
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    close(out[0]);  // nobody reads
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    setenv("TMPDIR", staging.c_str(), 1);
    const pid_t pid =
        test::SpawnConverter({"-f", "hdf5", dir.File("in.daq"), "-o", "-"}, null, out[1], null);
    unsetenv("TMPDIR");
    close(out[1]);
    close(null);
    EXPECT_EQ(test::WaitForExit(pid), 128 + SIGPIPE);
    EXPECT_EQ(Entries(staging), std::vector<std::string>{"vantrel-output"});
}

}  // namespace
}  // namespace vantrel
