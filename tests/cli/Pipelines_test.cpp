// SPDX-License-Identifier: BSD-3-Clause
// vantrel-convert as a process in pipelines: standard input and output, Ctrl-C, and the
// progress line, which only a terminal shows.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RecordingBuilder.h"
#include "cli/Spawn.h"
#include "convert/formats/OutputFormats.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::ReadFileBytes;
using test::ReadFileText;

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs `shell` (which names the converter as $EXE) with standard output and error kept.
struct Shell {
    int status;
    std::string out;
    std::string err;
};
Shell RunShell(const test::TempDir& dir, const std::string& shell) {
    const std::string command = "EXE=" + Quoted(VANTREL_CONVERT_EXE) + "; (" + shell + ") >" +
                                Quoted(dir.File("stdout")) + " 2>" + Quoted(dir.File("stderr"));
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileText(dir.File("stdout")),
            ReadFileText(dir.File("stderr"))};
}

TEST(Pipelines, standardInputAndOutput_giveTheBytesOfFileToFile) {
    test::TempDir dir;
    const std::string in = dir.File("in.daq");
    test::TwoChannels(300).WriteTo(in);
    for (const OutputFormatInfo* info : OutputFormats()) {
        const std::string format(info->name);
        SCOPED_TRACE(format);
        const std::string reference = dir.File("reference." + format);
        ASSERT_EQ(RunShell(dir, "$EXE -f " + format + " -o " + Quoted(reference) + " " + Quoted(in))
                      .status,
                  0);
        const std::string expected = ReadFileText(reference);

        // Standard output takes the data alone; the success message goes to standard error.
        // MATLAB 7.3 files carry the time their objects were made: the same size there.
        const bool stamped = info->format == OutputFormat::kMat;
        Shell s = RunShell(dir, "$EXE -f " + format + " -o - " + Quoted(in));
        EXPECT_EQ(s.status, 0);
        EXPECT_TRUE(stamped ? s.out.size() == expected.size() : s.out == expected)
            << s.out.size() << " bytes, not " << expected.size();
        EXPECT_EQ(s.err, "Write to - successful!\n");

        // Read from a pipe: the same bytes, but for the name of the source some formats record.
        s = RunShell(dir, "cat " + Quoted(in) + " | $EXE -f " + format + " - -o -");
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.err, "Write to - successful!\n");
        if (!info->recordsSource) {
            EXPECT_TRUE(s.out == expected) << s.out.size() << " bytes, not " << expected.size();
        } else {
            EXPECT_FALSE(s.out.empty());
        }
    }
}

TEST(Pipelines, standardInputInABatch_movesEveryMessageToStandardError) {
    test::TempDir dir;
    const std::string a = dir.File("a.daq");
    const std::string b = dir.File("b.daq");
    const std::string piped = dir.File("piped.daq");
    test::TwoChannels(1).WriteTo(a);
    test::TwoChannels(2).WriteTo(b);
    test::TwoChannels(5).WriteTo(piped);
    ASSERT_EQ(
        RunShell(dir, "$EXE -o " + Quoted(dir.File("piped.cvt")) + " " + Quoted(piped)).status, 0);

    Shell s = RunShell(dir, "$EXE " + Quoted(a) + " - " + Quoted(b) + " <" + Quoted(piped));
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.out, ReadFileText(dir.File("piped.cvt")));
    EXPECT_EQ(s.err, "Write to " + dir.File("a.cvt") + " successful!\nWrite to - successful!\n" +
                         "Write to " + dir.File("b.cvt") + " successful!\n");

    // Failures say so on standard error and put nothing on standard output.
    test::WriteFileBytes(dir.File("bad.daq"), std::vector<std::uint8_t>(80, 'x'));
    s = RunShell(dir, "$EXE -o - " + Quoted(dir.File("bad.daq")));
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.out, "");
    EXPECT_EQ(s.err, dir.File("bad.daq") + ": Isn't Mervik DAQ File!\n");
    s = RunShell(dir, "head -c 70 " + Quoted(piped) + " | $EXE - -o " + Quoted(dir.File("x")));
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.err, "-: Read Input File Error!\n");
    EXPECT_FALSE(test::FileExists(dir.File("x")));
}

// A named pipe the test writes a recording into as slowly as it likes: a conversion from it
// lasts as long as the test keeps it open. Its header announces far more samples than the
// test ever sends.
class FedFifo {
  public:
    explicit FedFifo(std::string path) : path_(std::move(path)) {
        EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0);
        RecordingBuilder b;
        b.header().SetChannelCount(4);
        b.header().SetScanCount(8'000'000);
        pending_ = b.Bytes();
    }
    ~FedFifo() { Close(); }

    const std::string& path() const { return path_; }

    // Once the converter has it open for reading.
    void Open() {
        fd_ = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd_, 0);
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }

    // Writes what the pipe takes of the next block. False once the reader has gone.
    bool Feed() {
        if (fd_ < 0) {
            return false;
        }
        if (pending_.empty()) {
            pending_.assign(64 * 1024, 0);
            for (std::size_t i = 0; i < pending_.size(); ++i) {
                pending_[i] = static_cast<std::uint8_t>(i * 131 % 251);
            }
        }
        const auto put = write(fd_, pending_.data(), pending_.size());
        if (put > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + put);
        }
        readerGone_ = readerGone_ || (put < 0 && errno == EPIPE);
        return !readerGone_;
    }

    bool readerGone() const { return readerGone_; }

    void Close() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

  private:
    std::string path_;
    int fd_ = -1;
    std::vector<std::uint8_t> pending_;
    bool readerGone_ = false;
};

// What a child writes on one descriptor, gathered while the test feeds.
struct Watched {
    int fd;
    std::string text;
    bool open = true;
};

// Feeds every fifo a block at a time and gathers what the children write, until `done`
// holds; gives up (returns false) after a minute, so that a fault cannot hang the test.
bool FeedUntil(const std::vector<FedFifo*>& fifos, std::vector<Watched*> watched,
               const std::function<bool()>& done) {
    for (int round = 0; round < 3000; ++round) {
        std::vector<pollfd> polled;
        for (Watched* w : watched) {
            polled.push_back({w->fd, POLLIN, 0});
        }
        poll(polled.data(), polled.size(), 20);  // paces the feeding
        for (Watched* w : watched) {
            w->open = w->open && test::ReadAvailable(w->fd, w->text);
        }
        if (done()) {
            return true;
        }
        for (FedFifo* fifo : fifos) {
            fifo->Feed();
        }
    }
    return false;
}

// Reads what is left on a descriptor, up to its end.
void Drain(Watched& w) {
    FeedUntil({}, {&w}, [&] { return !w.open; });
}

int Pipe(int fds[2]) {
    const int made = pipe2(fds, O_CLOEXEC);
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    return made;
}

// SIGPIPE would end the test when a child closes a fifo the test writes.
class BrokenPipeIgnored {
  public:
    BrokenPipeIgnored() : previous_(std::signal(SIGPIPE, SIG_IGN)) {}
    ~BrokenPipeIgnored() { std::signal(SIGPIPE, previous_); }

  private:
    void (*previous_)(int);
};

// A pseudo-terminal for a child's stream: `slave` for the child, `master` (non-blocking)
// for the test to read.
bool OpenTerminal(int& master, int& slave) {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        return false;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool HasProgress(const std::string& text) {
    return text.find(" left") != std::string::npos && text.find("/s ") != std::string::npos;
}

TEST(Pipelines, ctrlC_cancelsTheRunningConversionAndLeavesTheEarlierOutput) {
    const BrokenPipeIgnored ignored;
    test::TempDir dir;
    FedFifo fifo(dir.File("in.daq"));
    const std::string output = dir.File("out.cvt");
    const std::vector<std::uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r', '\n'};
    test::WriteFileBytes(output, earlier);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    int err[2];
    ASSERT_EQ(Pipe(err), 0);

    const pid_t pid = test::SpawnConverter(
        {"--progress", "-f", "scaled-binary", "-o", output, fifo.path()}, null, null, err[1]);
    close(err[1]);
    fifo.Open();
    Watched stderrText{err[0], {}};
    // The progress line shows the conversion under way: Ctrl-C lands in the middle of it.
    ASSERT_TRUE(FeedUntil({&fifo}, {&stderrText}, [&] { return HasProgress(stderrText.text); }));
    kill(pid, SIGINT);
    EXPECT_TRUE(FeedUntil({&fifo}, {&stderrText}, [&] { return fifo.readerGone(); }));
    fifo.Close();
    Drain(stderrText);
    EXPECT_EQ(test::WaitForExit(pid), 130);
    close(err[0]);
    close(null);

    const std::string& text = stderrText.text;
    const std::string cancelled = fifo.path() + ": Conversion cancelled!\n";
    ASSERT_GE(text.size(), cancelled.size());
    EXPECT_EQ(text.substr(text.size() - cancelled.size()), cancelled);
    EXPECT_EQ(ReadFileBytes(output), earlier);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"in.daq", "out.cvt"}));  // no temporary left
}

// Three conversions of slow pipes: standard error a pipe, the same with --progress, and a
// pseudo-terminal, started in that order. Once the terminal and --progress show the line,
// the plain pipe has run as long and must have shown nothing.
TEST(Pipelines, progressLine_onlyOnATerminalOrWhenAsked) {
    const BrokenPipeIgnored ignored;
    test::TempDir dir;
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    FedFifo plainFifo(dir.File("plain.daq"));
    FedFifo forcedFifo(dir.File("forced.daq"));
    FedFifo terminalFifo(dir.File("terminal.daq"));
    const std::vector<std::string> common = {"-f", "codes-text", "-o", "/dev/null"};
    const auto args = [&](std::vector<std::string> more, const FedFifo& fifo) {
        more.insert(more.begin(), common.begin(), common.end());
        more.push_back(fifo.path());
        return more;
    };

    int plainErr[2];
    int forcedErr[2];
    ASSERT_EQ(Pipe(plainErr), 0);
    ASSERT_EQ(Pipe(forcedErr), 0);
    const pid_t plain = test::SpawnConverter(args({}, plainFifo), null, null, plainErr[1]);
    close(plainErr[1]);
    plainFifo.Open();
    const pid_t forced =
        test::SpawnConverter(args({"--progress"}, forcedFifo), null, null, forcedErr[1]);
    close(forcedErr[1]);
    forcedFifo.Open();
    int master = -1;
    int slave = -1;
    ASSERT_TRUE(OpenTerminal(master, slave));
    const pid_t terminal = test::SpawnConverter(args({}, terminalFifo), null, null, slave);
    close(slave);
    terminalFifo.Open();

    Watched plainText{plainErr[0], {}};
    Watched forcedText{forcedErr[0], {}};
    Watched terminalText{master, {}};
    EXPECT_TRUE(FeedUntil(
        {&plainFifo, &forcedFifo, &terminalFifo}, {&plainText, &forcedText, &terminalText},
        [&] { return HasProgress(terminalText.text) && HasProgress(forcedText.text); }));
    // The recordings end early: each run stops with a read error.
    plainFifo.Close();
    forcedFifo.Close();
    terminalFifo.Close();
    for (Watched* w : {&plainText, &forcedText, &terminalText}) {
        Drain(*w);
        close(w->fd);
    }
    EXPECT_EQ(test::WaitForExit(plain), 1);
    EXPECT_EQ(test::WaitForExit(forced), 1);
    EXPECT_EQ(test::WaitForExit(terminal), 1);
    close(null);

    EXPECT_EQ(plainText.text, plainFifo.path() + ": Read Input File Error!\n");
    EXPECT_TRUE(HasProgress(forcedText.text));
    EXPECT_NE(forcedText.text.find('\r'), std::string::npos);  // redrawn in place
    EXPECT_NE(forcedText.text.find(forcedFifo.path() + ": Read Input File Error!"),
              std::string::npos);
    EXPECT_TRUE(HasProgress(terminalText.text));
}

// -o naming a named pipe writes it as a shell's redirection does: once its reader comes,
// however late. A library's format is written aside and copied into it.
TEST(Pipelines, outputToANamedPipe_waitsForItsReader) {
    test::TempDir dir;
    const std::string in = dir.File("in.daq");
    test::TwoChannels(300).WriteTo(in);
    for (const char* format : {"scaled-text", "scaled-binary", "hdf5"}) {
        if (FindFormat(format) == nullptr) {
            continue;  // built without its library
        }
        SCOPED_TRACE(format);
        const std::string reference = dir.File(std::string("reference.") + format);
        ASSERT_EQ(RunShell(dir, "$EXE -f " + std::string(format) + " -o " + Quoted(reference) +
                                    " " + Quoted(in))
                      .status,
                  0);
        // The converter is at its output well before the reader opens the pipe.
        const std::string fifo = Quoted(dir.File("out.fifo"));
        const std::string got = dir.File("got");
        const Shell s =
            RunShell(dir, "rm -f " + fifo + "; mkfifo " + fifo + "; $EXE -f " + format + " -o " +
                              fifo + " " + Quoted(in) + " & pid=$!; sleep 0.5; timeout 10 cat " +
                              fifo + " >" + Quoted(got) + "; wait $pid");
        EXPECT_EQ(s.status, 0) << s.err;
        EXPECT_EQ(s.out, "Write to " + dir.File("out.fifo") + " successful!\n");
        EXPECT_EQ(ReadFileBytes(got), ReadFileBytes(reference));
    }
}

// --info shows a header's control characters escaped on a terminal, and the bytes as they
// are stored in a pipe.
TEST(Pipelines, info_escapesControlCharactersOnATerminalOnly) {
    test::TempDir dir;
    RecordingBuilder b;
    b.header().SetStartDate("\x1B[2J\xE9");
    const std::string in = dir.File("in.daq");
    b.WriteTo(in);

    int master = -1;
    int slave = -1;
    ASSERT_TRUE(OpenTerminal(master, slave));
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = test::SpawnConverter({"--info", in}, null, slave, null);
    close(slave);
    Watched terminal{master, {}};
    Drain(terminal);
    EXPECT_EQ(test::WaitForExit(pid), 0);
    close(master);
    close(null);
    std::string shown = terminal.text;
    std::erase(shown, '\r');  // the terminal ends its lines with CR LF
    EXPECT_NE(shown.find("Start date:\t\\x1b[2J\xC3\xA9\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x1B'), std::string::npos);

    const Shell piped = RunShell(dir, "$EXE --info " + Quoted(in));
    EXPECT_EQ(piped.status, 0);
    EXPECT_NE(piped.out.find("Start date:\t\x1B[2J\xE9\n"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
