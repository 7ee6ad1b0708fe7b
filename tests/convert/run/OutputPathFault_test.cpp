// SPDX-License-Identifier: BSD-3-Clause
// Output paths that cannot be created, and output paths that name the loaded recording
// itself under another spelling. Neither may lose a byte of anything already on disk.

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "convert/output/OutputPath.h"
#include "convert/run/ConversionSession.h"
#include "convert/run/ConvertRun.h"
#include "support/ChildProcess.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kNote = {'k', 'e', 'e', 'p', '\r', '\n'};

// Each case names an output path inside `dir` (or outside it) that cannot be created.
struct UncreatableCase {
    const char* name;
    std::string (*path)(const TempDir& dir);
};

// Names the case in test listings instead of its bytes.
void PrintTo(const UncreatableCase& c, std::ostream* os) {
    *os << c.name;
}

const UncreatableCase kUncreatable[] = {
    {"missingFolder", [](const TempDir& d) { return d.File("missing/out.cvt"); }},
    {"missingFolders", [](const TempDir& d) { return d.File("a/b/c/out.cvt"); }},
    // Running as root ignores permission bits; a regular file in the folder's place fails
    // for everyone.
    {"folderIsRegularFile", [](const TempDir& d) { return d.File("note.txt/out.cvt"); }},
    {"procFileSystem", [](const TempDir&) { return std::string("/proc/vantrel-out.cvt"); }},
    {"pathIsFolder", [](const TempDir& d) { return d.File("sub"); }},
    {"pathIsFolderWithSlash", [](const TempDir& d) { return d.File("sub/"); }},
    {"pathIsCurrentFolder", [](const TempDir& d) { return d.File("."); }},
};

class Uncreatable : public ::testing::TestWithParam<UncreatableCase> {};

TEST_P(Uncreatable, eachFormat_reportsOpenErrorAndChangesNothing) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(4));
    WriteFileBytes(dir.File("note.txt"), kNote);
    fs::create_directory(dir.File("sub"));
    WriteFileBytes(dir.File("sub/inside.txt"), kNote);
    const std::string output = GetParam().path(dir);

    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));
    for (const int format : {0, 1, 2}) {
        SCOPED_TRACE(format);
        session.Convert(output, format);
        EXPECT_EQ(session.messages.texts, std::vector<std::string>{kOpenOutputErrorMessage});
        EXPECT_EQ(session.files.openHandles, 0);
    }
    EXPECT_EQ(ReadFileBytes(dir.File("note.txt")), kNote);
    EXPECT_EQ(ReadFileBytes(dir.File("sub/inside.txt")), kNote);
    EXPECT_EQ(ReadFileBytes(dir.File("rec.daq")), TwoChannelRecording(4));
    EXPECT_FALSE(FileExists(dir.File("missing")));
    EXPECT_FALSE(FileExists(dir.File("a")));
}

INSTANTIATE_TEST_SUITE_P(OutputPath, Uncreatable, ::testing::ValuesIn(kUncreatable),
                         [](const auto& test) { return std::string(test.param.name); });

// A named pipe nobody reads: opened for reading and writing, the run would be its own
// reader and block for ever once the pipe's buffer filled. It must fail at once instead.
TEST(NamedPipeOutput, withoutReader_reportsOpenErrorInsteadOfBlocking) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(5000));  // 125 kB of text
    ASSERT_EQ(mkfifo(dir.File("out.fifo").c_str(), 0600), 0);

    const ChildResult child = RunInChild([&] {
        alarm(10);  // a regression hangs: end it as a failure rather than stall the suite
        ConversionSession session;
        if (!session.Load(dir.File("rec.daq"))) {
            return std::string("load failed");
        }
        session.Convert(dir.File("out.fifo"));
        std::string report;
        for (const auto& text : session.messages.texts) {
            report += text + "\n";
        }
        return report;
    });

    EXPECT_TRUE(child.exitedNormally) << "the run blocked on the pipe";
    EXPECT_EQ(child.report, std::string(kOpenOutputErrorMessage) + "\n");
    EXPECT_TRUE(fs::is_fifo(dir.File("out.fifo")));
}

TEST(NamedPipeOutput, withReader_deliversWholeOutput) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(100));
    ASSERT_EQ(mkfifo(dir.File("out.fifo").c_str(), 0600), 0);
    // The test reads; the output (2.5 kB) fits the pipe's buffer until it does.
    const int reader = open(dir.File("out.fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));
    session.Convert(dir.File("out.fifo"));
    std::string received;
    char buffer[4096];
    for (ssize_t got; (got = read(reader, buffer, sizeof buffer)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(got));
    }
    close(reader);

    EXPECT_EQ(session.messages.texts,
              std::vector<std::string>{SuccessMessage(dir.File("out.fifo"))});
    session.Convert(dir.File("out.cvt"));
    EXPECT_EQ(received, ReadFileText(dir.File("out.cvt")));
}

// Spellings of the loaded recording's path. The recording is loaded as `dir/rec.daq`.
struct SameFileCase {
    const char* name;
    std::string (*path)(const TempDir& dir);
};

// Names the case in test listings instead of its bytes.
void PrintTo(const SameFileCase& c, std::ostream* os) {
    *os << c.name;
}

const SameFileCase kSameFile[] = {
    {"samePath", [](const TempDir& d) { return d.File("rec.daq"); }},
    {"dotComponent", [](const TempDir& d) { return d.File("./rec.daq"); }},
    {"dotDotComponent", [](const TempDir& d) { return d.File("sub/../rec.daq"); }},
    {"doubledSlash", [](const TempDir& d) { return d.path() + "//rec.daq"; }},
    {"dotAfterDoubledSlash", [](const TempDir& d) { return d.path() + "//./rec.daq"; }},
    {"symbolicLink", [](const TempDir& d) { return d.File("link.daq"); }},
    {"symbolicLinkToFolder", [](const TempDir& d) { return d.File("folderlink/rec.daq"); }},
    {"hardLink", [](const TempDir& d) { return d.File("hard.daq"); }},
};

class SameFile : public ::testing::TestWithParam<SameFileCase> {
  protected:
    void SetUp() override {
        WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(4));
        fs::create_directory(dir.File("sub"));
        fs::create_symlink(dir.File("rec.daq"), dir.File("link.daq"));
        fs::create_directory_symlink(dir.path(), dir.File("folderlink"));
        fs::create_hard_link(dir.File("rec.daq"), dir.File("hard.daq"));
    }

    TempDir dir;
};

TEST_P(SameFile, eachFormat_refusesAndKeepsRecordingBytes) {
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));
    const std::string output = GetParam().path(dir);
    for (const int format : {0, 1, 2}) {
        SCOPED_TRACE(format);
        session.Convert(output, format);
        EXPECT_EQ(session.messages.texts, std::vector<std::string>{kOutputIsInputMessage});
        EXPECT_EQ(ReadFileBytes(dir.File("rec.daq")), TwoChannelRecording(4));
        EXPECT_TRUE(fs::is_symlink(dir.File("link.daq")));
        EXPECT_EQ(session.files.openHandles, 0);
    }
    // The refused run leaves the loaded data in place for a run to a sound path.
    EXPECT_TRUE(session.state.recording.samples.has_value());
}

// The same spellings, with the recording loaded through them and the plain path as output.
TEST_P(SameFile, loadedThroughSpelling_refusesPlainPath) {
    ConversionSession session;
    ASSERT_TRUE(session.Load(GetParam().path(dir)));
    session.Convert(dir.File("rec.daq"));
    EXPECT_EQ(session.messages.texts, std::vector<std::string>{kOutputIsInputMessage});
    EXPECT_EQ(ReadFileBytes(dir.File("rec.daq")), TwoChannelRecording(4));
}

INSTANTIATE_TEST_SUITE_P(OutputPath, SameFile, ::testing::ValuesIn(kSameFile),
                         [](const auto& test) { return std::string(test.param.name); });

// Changes the working folder for one test and restores it.
class WorkingFolder {
  public:
    explicit WorkingFolder(const std::string& path) : saved_(fs::current_path()) {
        fs::current_path(path);
    }
    ~WorkingFolder() { fs::current_path(saved_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

  private:
    fs::path saved_;
};

TEST(SameFileRelative, relativeOutputOfAbsoluteLoad_refuses) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(4));
    fs::create_directory(dir.File("sub"));
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));

    const WorkingFolder cwd(dir.File("sub"));
    for (const char* output : {"../rec.daq", "./../sub/../rec.daq"}) {
        SCOPED_TRACE(output);
        session.Convert(output);
        EXPECT_EQ(session.messages.texts, std::vector<std::string>{kOutputIsInputMessage});
    }
    EXPECT_EQ(ReadFileBytes(dir.File("rec.daq")), TwoChannelRecording(4));
}

TEST(SameFileRelative, absoluteOutputOfRelativeLoad_refuses) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(4));
    ConversionSession session;
    {
        const WorkingFolder cwd(dir.path());
        ASSERT_TRUE(session.Load("rec.daq"));
        session.Convert(dir.File("rec.daq"));
    }
    EXPECT_EQ(session.messages.texts, std::vector<std::string>{kOutputIsInputMessage});
    EXPECT_EQ(ReadFileBytes(dir.File("rec.daq")), TwoChannelRecording(4));
}

// A recording whose name already ends in ".cvt" is its own derived output.
TEST(SameFileRelative, recordingNamedLikeItsDerivedOutput_refuses) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.cvt"), TwoChannelRecording(4));
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.cvt")));
    for (const int format : {0, 1, 2}) {
        session.Convert(DeriveOutputPath(dir.File("rec.cvt")), format);
        EXPECT_EQ(session.messages.texts, std::vector<std::string>{kOutputIsInputMessage});
    }
    EXPECT_EQ(ReadFileBytes(dir.File("rec.cvt")), TwoChannelRecording(4));
}

// A look-alike is not the recording: a copy next to it is converted over like any output.
TEST(SameFileRelative, copyOfRecording_isOverwritten) {
    TempDir dir;
    WriteFileBytes(dir.File("rec.daq"), TwoChannelRecording(4));
    fs::copy_file(dir.File("rec.daq"), dir.File("copy.daq"));
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));

    session.Convert(dir.File("copy.daq"), 1);

    EXPECT_EQ(session.messages.texts,
              std::vector<std::string>{SuccessMessage(dir.File("copy.daq"))});
    EXPECT_EQ(ReadFileBytes(dir.File("copy.daq")).size(), 4u * 2 * 8);
    EXPECT_EQ(ReadFileBytes(dir.File("rec.daq")), TwoChannelRecording(4));
}

}  // namespace
}  // namespace vantrel::test
