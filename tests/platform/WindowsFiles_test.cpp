// SPDX-License-Identifier: BSD-3-Clause
// The Windows file calls: UTF-8 names of any script, bytes untranslated, one file however
// it is spelt, outputs that replace a file only when finished, and the same error texts as
// on other systems.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/File.h"
#include "platform/OsFileApi.h"
#include "platform/Utf8Path.h"
#include "platform/WideText.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

using test::TempDir;

// Bytes a text-mode file would change: line ends, a lone CR, Ctrl-Z, NUL.
const std::string kAwkwardBytes("a\nb\r\n\x1a\0\r", 9);

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(folder))) {
        names.insert(Utf8FromPath(entry.path().filename()));
    }
    return names;
}

std::string Written(OsFileApi& files, const std::string& path, const std::string& bytes) {
    File output = File::CreateOutput(files, path);
    if (!output || !output.Write(bytes.data(), bytes.size()) || !output.Finish()) {
        return output.ErrorText();
    }
    return {};
}

std::string ReadBack(OsFileApi& files, const std::string& path) {
    File input = File::OpenForRead(files, path);
    std::string bytes(1024, '\0');
    const std::int64_t got = input ? input.Read(bytes.data(), bytes.size()) : -1;
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
}

TEST(WindowsFiles, namesOfAnyScript_areWrittenAndReadByteForByte) {
    TempDir dir;
    OsFileApi files;
    const std::vector<std::string> names = {"Übung.cvt", "測定.cvt", "Ωμέγα 2.cvt",
                                            "emoji 🎛.cvt"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        ASSERT_EQ(Written(files, path, kAwkwardBytes), "");
        EXPECT_EQ(ReadBack(files, path), kAwkwardBytes);
        EXPECT_EQ(fs::file_size(PathFromUtf8(path)), kAwkwardBytes.size());
    }
    // Each under its own name, with no new file left beside it.
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>(names.begin(), names.end()));
}

TEST(WindowsFiles, sameFile_byVolumeAndIndexHoweverSpelt) {
    TempDir dir;
    OsFileApi files;
    const std::string file = dir.File("Rec.daq");
    ASSERT_EQ(Written(files, file, "x"), "");
    ASSERT_EQ(Written(files, dir.File("other.daq"), "x"), "");
    fs::create_directory(PathFromUtf8(dir.File("sub")));
    const std::optional<std::wstring> link = WideFromUtf8(dir.File("linked.daq"));
    const std::optional<std::wstring> target = WideFromUtf8(file);
    ASSERT_TRUE(CreateHardLinkW(link->c_str(), target->c_str(), nullptr));

    std::string backslashed = file;
    for (char& c : backslashed) {
        c = c == '/' ? '\\' : c;
    }
    const struct {
        std::string spelling;
        bool same;
    } cases[] = {
        {file, true},
        {backslashed, true},
        {dir.File("sub/../Rec.daq"), true},
        {dir.File("./Rec.daq"), true},
        {dir.File("REC.DAQ"), true},  // names are case-insensitive
        {dir.File("linked.daq"), true},
        {dir.File("other.daq"), false},
        {dir.File("missing.daq"), false},
        {dir.path(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spelling);
        EXPECT_EQ(files.IsSameFile(file, c.spelling), c.same);
        EXPECT_EQ(files.IsSameFile(c.spelling, file), c.same);
    }
    EXPECT_FALSE(files.IsSameFile(dir.File("missing.daq"), dir.File("missing.daq")));
}

// An output takes the path only once finished: dropped, it leaves the earlier file's bytes
// and nothing beside them.
TEST(WindowsFiles, output_replacesTheEarlierFileOnlyWhenFinished) {
    TempDir dir;
    OsFileApi files;
    const std::string path = dir.File("out.cvt");
    ASSERT_EQ(Written(files, path, "old"), "");
    {
        File dropped = File::CreateOutput(files, path);
        ASSERT_TRUE(dropped.Write("new", 3));
        EXPECT_EQ(ReadBack(files, path), "old");
    }
    EXPECT_EQ(ReadBack(files, path), "old");
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"out.cvt"});
    ASSERT_EQ(Written(files, path, kAwkwardBytes), "");
    EXPECT_EQ(ReadBack(files, path), kAwkwardBytes);
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"out.cvt"});
}

TEST(WindowsFiles, outputsThatCannotBeHad_nameTheCauseAsOtherSystemsDo) {
    TempDir dir;
    OsFileApi files;
    const std::string readOnly = dir.File("read-only.cvt");
    ASSERT_EQ(Written(files, readOnly, "kept"), "");
    const std::optional<std::wstring> wide = WideFromUtf8(readOnly);
    ASSERT_TRUE(SetFileAttributesW(wide->c_str(), FILE_ATTRIBUTE_READONLY));
    fs::create_directory(PathFromUtf8(dir.File("folder")));
    const struct {
        std::string path;
        std::string cause;
    } cases[] = {
        {readOnly, "Permission denied"},
        {dir.File("folder"), "Is a directory"},
        {dir.File("missing/out.cvt"), "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Written(files, c.path, "new"), c.path + ": " + c.cause);
    }
    EXPECT_EQ(ReadBack(files, readOnly), "kept");
    SetFileAttributesW(wide->c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"folder", "read-only.cvt"}));
}

// Under Wine the Linux device that is always full can be reached as a Windows device.
TEST(WindowsFiles, fullDevice_failsTheWriteWithNoSpace) {
    const std::string full = "Z:\\dev\\full";
    OsFileApi files;
    File output = File::CreateOutput(files, full);
    if (!output) {
        GTEST_SKIP() << "no full device here (not under Wine)";
    }
    const std::string block(65536, 'x');
    EXPECT_FALSE(output.Write(block.data(), block.size()));
    EXPECT_EQ(output.ErrorText(), full + ": No space left on device");
}

}  // namespace
}  // namespace vantrel
