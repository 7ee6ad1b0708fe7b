// SPDX-License-Identifier: BSD-3-Clause
// An output replaces the file at its path only once it is complete: a conversion killed
// half way leaves the earlier file byte for byte; a link to the output stays a link; and
// where the folder refuses new files the existing output is written in place, as before.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "convert/run/ConversionSession.h"
#include "convert/run/ConvertRun.h"
#include "support/ChildProcess.h"
#include "support/WindowRun.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kEarlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r', '\r', '\n'};

// The names in a folder that are not hidden.
std::set<std::string> VisibleEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(".")) {
            names.insert(name);
        }
    }
    return names;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put <= 0) {
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// A child converts from a named pipe that the test feeds with the header and half the
// samples, then kills with SIGKILL while the child waits for the rest: by then it has
// written megabytes of its output.
TEST(AtomicOutput, killedHalfWay_leavesTheEarlierOutputAsItWas) {
    std::signal(SIGPIPE, SIG_IGN);
    TempDir dir;
    const std::string fifo = dir.File("rec.fifo");
    const std::string out = dir.File("out.cvt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::uint8_t> recording = TwoChannelRecording(400000);
    for (const int format : {0, 1, 2}) {
        SCOPED_TRACE(format);
        WriteFileBytes(out, kEarlier);
        fs::permissions(out,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ConversionSession session;
            session.state.inputPath = fifo;
            session.state.outputPath = out;
            session.state.options.format = static_cast<OutputFormat>(format);
            RunConversion(StreamRequest(session.state), session.platform);
            ::_exit(0);
        }
        const int writer = ::open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(writer, 0);
        const bool fed = WriteAll(writer, recording.data(), recording.size() / 2);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(writer);
        EXPECT_TRUE(fed);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
        EXPECT_EQ(ReadFileBytes(out), kEarlier);
        EXPECT_EQ(fs::status(out).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(VisibleEntries(dir.path()), (std::set<std::string>{"out.cvt", "rec.fifo"}));
    }
}

// Through a symbolic link the file it names is replaced, and the link stays a link.
TEST(AtomicOutput, outputThroughSymbolicLink_replacesTheFileItNames) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(4));
    fs::create_directory(dir.File("data"));
    WriteFileBytes(dir.File("data/out.cvt"), kEarlier);
    fs::create_symlink(dir.File("data/out.cvt"), dir.File("link.cvt"));
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));
    session.Convert(dir.File("link.cvt"), 1);
    EXPECT_EQ(session.messages.texts,
              std::vector<std::string>{SuccessMessage(dir.File("link.cvt"))});
    EXPECT_TRUE(fs::is_symlink(dir.File("link.cvt")));
    EXPECT_EQ(ReadFileBytes(dir.File("data/out.cvt")).size(), 4u * 2 * 8);
    EXPECT_EQ(VisibleEntries(dir.File("data")), std::set<std::string>{"out.cvt"});
}

// Runs the conversion of `recording` into `output` in a child without root's rights: as
// root it becomes "nobody" (owner of `owned`), otherwise it stays the user it is. Reports
// the messages.
std::string ConvertWithoutRoot(const std::string& recording, const std::string& output,
                               const std::vector<std::string>& owned) {
    constexpr uid_t kNobody = 65534;
    const bool root = ::geteuid() == 0;
    for (const std::string& path : owned) {
        if (root && ::chown(path.c_str(), kNobody, kNobody) != 0) {
            return "chown failed";
        }
    }
    const ChildResult child = RunInChild([&] {
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            return std::string("cannot drop root");
        }
        ConversionSession session;
        if (!session.Load(recording)) {
            return std::string("load failed");
        }
        session.Convert(output, 2);
        std::string report;
        for (const auto& text : session.messages.texts) {
            report += text;
        }
        return report;
    });
    EXPECT_TRUE(child.exitedNormally);
    return child.report;
}

TEST(AtomicOutput, folderRefusingNewFiles_writesTheWritableOutputInPlace) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(2));
    const std::string folder = dir.File("locked");
    const std::string out = folder + "/out.cvt";
    fs::create_directory(folder);
    WriteFileBytes(out, kEarlier);
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);

    EXPECT_EQ(ConvertWithoutRoot(dir.File("rec.daq"), out, {folder, out}), SuccessMessage(out));
    EXPECT_EQ(ReadFileText(out).substr(0, 32), ";Mervik DAQ Data of Card MODEL_A");
    EXPECT_EQ(VisibleEntries(folder), std::set<std::string>{"out.cvt"});
    fs::permissions(folder, fs::perms::owner_all);
}

// A file its user may not write stays as it is, although its folder would let the run
// replace it.
TEST(AtomicOutput, readOnlyOutput_isRefusedAndKept) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(2));
    const std::string folder = dir.File("open");
    const std::string out = folder + "/out.cvt";
    fs::create_directory(folder);
    WriteFileBytes(out, kEarlier);
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    EXPECT_EQ(ConvertWithoutRoot(dir.File("rec.daq"), out, {folder, out}), kOpenOutputErrorMessage);
    EXPECT_EQ(ReadFileBytes(out), kEarlier);
}

}  // namespace
}  // namespace vantrel::test
