#include "convert/OutputBuffer.h"

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

TEST(OutputBuffer, roomAndWriteThroughKeepTheOrderAndWriteWholeBlocks) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    FaultyFileApi files;
    File file = File::CreateOutput(files, path);
    {
        OutputBuffer out(file, 8);
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

TEST(OutputBuffer, afterAFailedWrite_nothingMoreIsWritten) {
    TempDir dir;
    FaultyFileApi files;
    files.failWritesAfterBytes = 4;
    File file = File::CreateOutput(files, dir.File("out.txt"));
    OutputBuffer out(file, 8);
    PutThroughRoom(out, "abcdefghijklmnop", 5);
    EXPECT_FALSE(out.ok());
    const int calls = files.writeCalls;
    PutThroughRoom(out, "more text than a block", 7);
    out.WriteThrough("piece", 5);
    EXPECT_FALSE(out.Flush());
    EXPECT_EQ(files.writeCalls, calls);
}

}  // namespace
}  // namespace vantrel
