// SPDX-License-Identifier: BSD-3-Clause
// The SHA-256 a file source gives of its recording file: hashed ahead by its helper where
// the file can be read at places, chunk by chunk behind the reads elsewhere.

#include "convert/run/SampleSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/Sha256.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::FaultyFileApi;
using test::TempDir;

constexpr std::uint64_t kHead = 60;  // read before the block, as a load reads its header

struct Recording {
    std::vector<std::uint8_t> bytes;
    std::uint64_t block = 0;  // the sample block's bytes, after kHead; the rest trails it
    std::string sha256;
};

Recording RandomRecording(std::uint64_t block, std::uint64_t trailing) {
    Recording made;
    made.block = block;
    made.bytes.resize(kHead + block + trailing);
    std::mt19937 random(static_cast<std::uint32_t>(block + trailing));
    for (std::uint8_t& byte : made.bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    Sha256 whole;
    whole.Update(made.bytes.data(), made.bytes.size());
    made.sha256 = whole.FinishHex();
    return made;
}

// The file as a load leaves it: its digest taking every byte read, the head read.
File OpenAfterHead(FaultyFileApi& files, const std::string& path) {
    File file = File::OpenForRead(files, path);
    file.StartDigest();
    std::vector<std::uint8_t> head(kHead);
    EXPECT_EQ(file.Read(head.data(), kHead), static_cast<std::int64_t>(kHead));
    return file;
}

// Whether the system's files offer reads at places beside the owner's (pread; not on
// Windows): the hash then runs ahead.
bool SystemReadsAtPlaces(const std::string& path) {
    FaultyFileApi files;
    const bool offered = File::OpenForRead(files, path).Position().has_value();
#ifdef _WIN32
    EXPECT_FALSE(offered);
#else
    EXPECT_TRUE(offered);
#endif
    return offered;
}

// Reads the head into a digest, then the block through a source, in `chunk`s; returns
// what the source gives as the file's SHA-256. Checks every chunk's bytes on the way.
std::string ReadThrough(FaultyFileApi& files, const std::string& path, const Recording& made,
                        std::uint64_t chunk, std::uint64_t lead) {
    File file = OpenAfterHead(files, path);
    FileSampleSource source(file, made.block, true, lead);
    for (std::uint64_t at = 0; at < made.block;) {
        const std::uint64_t count = std::min(chunk, made.block - at);
        const auto got = source.Next(count);
        EXPECT_TRUE(got.has_value());
        if (!got) {
            return "unread";
        }
        EXPECT_TRUE(std::equal(got->begin(), got->end(), made.bytes.begin() + kHead + at))
            << "chunk at " << at;
        at += count;
    }
    return source.SourceSha256();
}

TEST(FileSampleSource, givesTheWholeFilesSha256_ahead_orBehindTheReads) {
    TempDir dir;
    const std::string path = dir.File("recording.daq");
    const std::uint64_t lead = FileSampleSource::kHashBlock;
    struct Case {
        std::uint64_t block, trailing, chunk;
        bool readsAtPlaces;
    };
    // Blocks of many hash blocks and of part of one, chunks that divide neither, trailing
    // bytes (after the block) longer than the lead, and none.
    for (const Case& c : {Case{3'000'001, 17, 100'003, true}, Case{3'000'001, 17, 100'003, false},
                          Case{5'000'000, 0, 1 << 20, true}, Case{1'000, 900'000, 333, true},
                          Case{1'000, 900'000, 333, false}, Case{0, 5, 1, true}}) {
        SCOPED_TRACE(testing::Message()
                     << "block " << c.block << ", trailing " << c.trailing << ", chunk " << c.chunk
                     << ", at places " << c.readsAtPlaces);
        const Recording made = RandomRecording(c.block, c.trailing);
        test::WriteFileBytes(path, made.bytes);
        FaultyFileApi files;
        files.readsAtPlaces = c.readsAtPlaces;
        EXPECT_EQ(ReadThrough(files, path, made, c.chunk, lead), made.sha256);
        // Never more than the lead (and the block it then reads) past what was read, but
        // for what trails the block, which is hashed once the block has been read.
        if (c.trailing < lead) {
            EXPECT_LE(files.furthestAhead.load(), lead + FileSampleSource::kHashBlock);
        }
        // Hashed by the helper's own reads (its last asks past the file's end) or not.
        EXPECT_EQ(files.furthestAhead.load() > 0, c.readsAtPlaces && SystemReadsAtPlaces(path));
    }
}

TEST(FileSampleSource, givesNoSha256_whereTheHashCouldNotReadOrTheBlockWasPassedOver) {
    TempDir dir;
    const std::string path = dir.File("recording.daq");
    const Recording made = RandomRecording(2'000'000, 10);
    test::WriteFileBytes(path, made.bytes);
    if (SystemReadsAtPlaces(path)) {
        // The hash's read fails; the block itself reads, and so does the conversion.
        FaultyFileApi files;
        files.failReadsAtFrom = kHead + 1'500'000;
        EXPECT_EQ(ReadThrough(files, path, made, 65536, FileSampleSource::kHashLead), "");
    }
    for (const bool readsAtPlaces : {true, false}) {
        SCOPED_TRACE(readsAtPlaces);
        FaultyFileApi files;
        files.readsAtPlaces = readsAtPlaces;
        File file = OpenAfterHead(files, path);
        FileSampleSource source(file, made.block, true, FileSampleSource::kHashBlock);
        ASSERT_TRUE(source.Next(1000));
        ASSERT_TRUE(source.Skip(made.block - 2000));
        ASSERT_TRUE(source.Next(1000));
        EXPECT_EQ(source.SourceSha256(), "");
    }
}

TEST(FileSampleSource, endsItsHashAtOnce_whenLeftBeforeTheBlockIsRead) {
    TempDir dir;
    const std::string path = dir.File("recording.daq");
    const Recording made = RandomRecording(4'000'000, 0);
    test::WriteFileBytes(path, made.bytes);
    FaultyFileApi files;
    File file = OpenAfterHead(files, path);
    {
        // A refused conversion: the helper waits at its lead for reads that never come; the
        // source must not wait for it in turn.
        FileSampleSource source(file, made.block, true, FileSampleSource::kHashBlock);
        ASSERT_TRUE(source.Next(1000));
    }
    EXPECT_LE(files.furthestAhead.load(), 2 * FileSampleSource::kHashBlock + 1000);
}

}  // namespace
}  // namespace vantrel
