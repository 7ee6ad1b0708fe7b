// SPDX-License-Identifier: BSD-3-Clause
#include "convert/threads/SplitChunk.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <type_traits>

#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::FaultyFileApi;
using test::ReadFileText;
using test::TempDir;

// One line per scan naming the scan, so a lost, repeated or misplaced scan shows.
template <typename Sink>
void PutScans(Sink& sink, std::uint64_t first, std::uint64_t count) {
    for (std::uint64_t s = first; s < first + count; ++s) {
        const std::string line = std::to_string(s) + "\r\n";
        std::memcpy(sink.Room(line.size()), line.data(), line.size());
        sink.Commit(line.size());
    }
}

std::string ScanLines(std::uint64_t from, std::uint64_t to) {
    std::string text;
    for (std::uint64_t s = from; s < to; ++s) {
        text += std::to_string(s) + "\r\n";
    }
    return text;
}

TEST(ChunkSplitter, chunksSplitOrNot_giveTheLinesOfOneThreadInOrder) {
    // Chunks below, at and above the split size, odd and even, one scan, and a second use
    // of the same splitter after a large chunk.
    const struct {
        std::uint64_t scans;
        std::uint64_t channels;
    } chunks[] = {{1, 1}, {3, 8}, {2048, 8}, {2049, 8}, {kSplitSamples + 1, 1}, {7, 3}, {1, 40000}};
    TempDir dir;
    const std::string path = dir.File("out.txt");
    FaultyFileApi files;
    File file = File::CreateOutput(files, path);
    std::string expected;
    {
        OutputBuffer out(file, 4096, true);
        ChunkSplitter splitter;
        std::uint64_t start = 0;
        for (const auto& chunk : chunks) {
            splitter.Run(out, chunk.scans, chunk.channels,
                         [&](auto& sink, std::uint64_t first, std::uint64_t count) {
                             PutScans(sink, start + first, count);
                         });
            expected += ScanLines(start, start + chunk.scans);
            start += chunk.scans;
        }
        EXPECT_TRUE(out.Flush());
    }
    EXPECT_TRUE(file.Finish());
    EXPECT_EQ(ReadFileText(path), expected);
}

TEST(ChunkSplitter, aFailureOnEitherThread_reachesTheCaller) {
    for (const bool onHelper : {false, true}) {
        SCOPED_TRACE(onHelper ? "helper" : "caller");
        TempDir dir;
        FaultyFileApi files;
        File file = File::CreateOutput(files, dir.File("out.txt"));
        OutputBuffer out(file);
        ChunkSplitter splitter;
        const auto format = [&](auto& sink, std::uint64_t first, std::uint64_t count) {
            const bool helperSide = std::is_same_v<std::decay_t<decltype(sink)>, RowBlock>;
            if (helperSide == onHelper) {
                throw std::bad_alloc();
            }
            PutScans(sink, first, count);
        };
        EXPECT_THROW(splitter.Run(out, kSplitSamples, 2, format), std::bad_alloc);
        // The helper is free again: the next chunk goes through whole.
        splitter.Run(out, kSplitSamples, 2, [&](auto& sink, std::uint64_t first, std::uint64_t n) {
            PutScans(sink, first, n);
        });
        EXPECT_TRUE(out.Flush());
    }
}

}  // namespace
}  // namespace vantrel
