// SPDX-License-Identifier: BSD-3-Clause
// The file owner: it closes what it holds on every way out, an output that was never
// finished leaves the file at its path alone, and a failure names the path and the cause.

#include "platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::FaultyFileApi;
using test::ReadFileText;
using test::TempDir;

TEST(File, failedOpen_isEmptyAndNamesPathAndCause) {
    TempDir dir;
    FaultyFileApi files;
    const std::string missing = dir.File("missing.daq");
    const File input = File::OpenForRead(files, missing);
    EXPECT_FALSE(input.isOpen());
    EXPECT_EQ(input.ErrorText(), missing + ": No such file or directory");

    const File output = File::CreateOutput(files, dir.File("no/folder/out.cvt"));
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(output.ErrorText(), dir.File("no/folder/out.cvt") + ": No such file or directory");
    EXPECT_EQ(File::OpenForRead(files, dir.path()).ErrorText(), dir.path() + ": Is a directory");
    EXPECT_EQ(files.openHandles, 0);
}

TEST(File, ownerClosesOnEveryWayOut_andMovesLeaveNothingBehind) {
    TempDir dir;
    test::WriteFileBytes(dir.File("in.daq"), {'a', 'b'});
    FaultyFileApi files;
    {
        File first = File::OpenForRead(files, dir.File("in.daq"));
        EXPECT_EQ(files.openHandles, 1);
        File second = std::move(first);
        EXPECT_FALSE(first.isOpen());  // NOLINT(bugprone-use-after-move): moved-from is empty
        EXPECT_TRUE(second.isOpen());
        second = File::OpenForRead(files, dir.File("in.daq"));  // the old one closes
        EXPECT_EQ(files.openHandles, 1);
        EXPECT_EQ(ReadFileText(dir.File("in.daq")), "ab");
    }
    EXPECT_EQ(files.openHandles, 0);
}

// An output dropped before it was finished is discarded: the earlier file keeps its bytes.
// A finished one takes its place; finishing twice fails.
TEST(File, output_replacesThePathOnlyWhenFinished) {
    TempDir dir;
    const std::string path = dir.File("out.cvt");
    test::WriteFileBytes(path, {'o', 'l', 'd'});
    FaultyFileApi files;
    {
        File output = File::CreateOutput(files, path);
        ASSERT_TRUE(output.Write("new", 3));
    }
    EXPECT_EQ(ReadFileText(path), "old");
    EXPECT_EQ(files.discarded, 1);

    File output = File::CreateOutput(files, path);
    ASSERT_TRUE(output.Write("new", 3));
    EXPECT_EQ(ReadFileText(path), "old");
    EXPECT_TRUE(output.Finish());
    EXPECT_FALSE(output.isOpen());
    EXPECT_FALSE(output.Finish());
    EXPECT_EQ(ReadFileText(path), "new");
    EXPECT_EQ(files.openHandles, 0);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

// A writer puts bytes ahead of the position (a matrix's columns) and goes on where it was,
// and reads back what it and a library wrote before the output is finished.
TEST(File, writeAt_leavesThePosition_andReadBackSeesTheBytesSoFar) {
    TempDir dir;
    const std::string path = dir.File("out.mat");
    FaultyFileApi files;
    File output = File::CreateNamedOutput(files, path);
    ASSERT_TRUE(output.Write("head", 4));
    ASSERT_TRUE(output.WriteAt(8, "XY", 2));
    ASSERT_TRUE(output.WriteAt(1, "E", 1));
    ASSERT_TRUE(output.Write("ab", 2));
    const std::string expected("hEadab\0\0XY", 10);
    {
        File back = output.ReadBack();
        ASSERT_TRUE(back.isOpen());
        std::string read(16, '?');
        EXPECT_EQ(back.Read(read.data(), read.size()), 10);
        EXPECT_EQ(read.substr(0, 10), expected);
    }
    files.failWritesAfterBytes = files.bytesWritten + 1;
    EXPECT_FALSE(output.WriteAt(0, "zz", 2));  // counted with Write: past the total fails
    ASSERT_TRUE(output.Finish());
    EXPECT_EQ(ReadFileText(path), "zEadab" + std::string(2, '\0') + "XY");
    EXPECT_EQ(files.openHandles, 0);
}

}  // namespace
}  // namespace vantrel
