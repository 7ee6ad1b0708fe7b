// SPDX-License-Identifier: BSD-3-Clause
#include "convert/output/OutputBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::FaultyFileApi;
using test::ReadFileText;
using test::TempDir;

// Writes `text` through Room and Commit, in pieces of `piece` bytes.
void PutThroughRoom(OutputBuffer& out, const std::string& text, std::size_t piece) {
    for (std::size_t at = 0; at < text.size(); at += piece) {
        const std::size_t n = std::min(piece, text.size() - at);
        char* room = out.Room(n);
        std::memcpy(room, text.data() + at, n);
        out.Commit(n);
    }
}

// Written at once, and with blocks after the first written on a second thread.
class OutputBufferTest : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Writes, OutputBufferTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "overlapped" : "atOnce"; });

TEST_P(OutputBufferTest, roomAndWriteThroughKeepTheOrderAndWriteWholeBlocks) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    FaultyFileApi files;
    File file = File::CreateOutput(files, path);
    {
        OutputBuffer out(file, 8, GetParam());
        PutThroughRoom(out, "abcdefghij", 3);         // "abcdef" written, "ghij" gathered
        out.WriteThrough("0123456789", 10);           // "ghij", then the piece as it is
        PutThroughRoom(out, "KLMNOPQRSTUVWXYZ", 12);  // a room larger than the block
        EXPECT_TRUE(out.Flush());
        EXPECT_EQ(out.written(), 36u);
    }
    EXPECT_TRUE(file.Finish());
    EXPECT_EQ(ReadFileText(path), "abcdefghij0123456789KLMNOPQRSTUVWXYZ");
    // "abcdef", "ghij" before the piece, the piece, "KLMNOPQRSTUV", "WXYZ".
    EXPECT_EQ(files.writeCalls, 5);
}

TEST_P(OutputBufferTest, afterAFailedWrite_nothingMoreIsWritten) {
    TempDir dir;
    FaultyFileApi files;
    files.failWritesAfterBytes = 4;
    File file = File::CreateOutput(files, dir.File("out.txt"));
    OutputBuffer out(file, 8, GetParam());
    PutThroughRoom(out, "abcdefghijklmnop", 5);
    EXPECT_FALSE(out.ok());
    const int calls = files.writeCalls;
    PutThroughRoom(out, "more text than a block", 7);
    out.WriteThrough("piece", 5);
    EXPECT_FALSE(out.Flush());
    EXPECT_EQ(files.writeCalls, calls);
}

// Many blocks: every byte in order; a write that fails on the second thread is reported by
// the next hand-over or Flush, and nothing is written after it.
TEST_P(OutputBufferTest, manyBlocks_inOrder_andAFailureOnTheWayIsReported) {
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += std::to_string(i) + ',';
    }
    for (const std::uint64_t failAfter : {std::uint64_t{0}, std::uint64_t{9000}}) {
        SCOPED_TRACE(failAfter);
        TempDir dir;
        const std::string path = dir.File("out.txt");
        FaultyFileApi files;
        if (failAfter != 0) {
            files.failWritesAfterBytes = failAfter;
        }
        File file = File::CreateOutput(files, path);
        OutputBuffer out(file, 64, GetParam());
        PutThroughRoom(out, text, 7);
        EXPECT_EQ(out.Flush(), failAfter == 0);
        if (failAfter == 0) {
            EXPECT_TRUE(file.Finish());
            EXPECT_EQ(ReadFileText(path), text);
        } else {
            // Pieces of 7 fill 63 bytes of each block: the write that fails is the one that
            // reaches byte 9000, and none follows it.
            EXPECT_EQ(static_cast<std::uint64_t>(files.writeCalls), (failAfter + 62) / 63);
        }
    }
}

}  // namespace
}  // namespace vantrel
