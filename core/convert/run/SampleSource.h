// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Where a conversion takes its sample bytes from: the block a load holds in memory, or the
// recording file read chunk by chunk (so memory stays bounded whatever the file's size).

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "convert/threads/HelperThread.h"
#include "platform/ChunkMemory.h"
#include "platform/File.h"
#include "recording/SampleBlock.h"

namespace vantrel {

class SampleSource {
  public:
    virtual ~SampleSource() = default;

    // Total bytes of the sample block.
    virtual std::uint64_t size() const = 0;

    // The next `count` bytes (count must not exceed what is left). The view stays valid
    // until the next call. Returns nullopt when the bytes cannot be read (the file ended
    // early or failed); the conversion then stops with a read error.
    virtual std::optional<std::span<const std::uint8_t>> Next(std::uint64_t count) = 0;

    // Passes over the next `count` bytes (count must not exceed what is left) without
    // handing them out: a file seeks where it can; by default they are taken and dropped.
    // Returns false when they cannot be passed. The source no longer knows its file's
    // SHA-256 afterwards.
    virtual bool Skip(std::uint64_t count);

    // The SHA-256 of the whole recording file in hex, once every byte of the block has been
    // taken (a file source reads what follows the block for it); empty when unknown.
    virtual std::string SourceSha256() { return {}; }

    // Whether size() is that of bytes that are there (a file's, a block in memory), rather
    // than only what a header claims (a pipe's, known once it has all arrived).
    virtual bool sizeIsThere() const { return true; }
};

// A view of a block already in memory; hands out slices without copying.
class MemorySampleSource final : public SampleSource {
  public:
    explicit MemorySampleSource(std::span<const std::uint8_t> bytes, std::string sha256 = {})
        : bytes_(bytes), sha256_(std::move(sha256)) {}

    std::uint64_t size() const override { return bytes_.size(); }
    std::optional<std::span<const std::uint8_t>> Next(std::uint64_t count) override;
    bool Skip(std::uint64_t count) override;
    std::string SourceSha256() override { return sha256_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::string sha256_;
    std::uint64_t offset_ = 0;
};

// Reads `size` bytes from an open file, positioned at the block's start, one request per
// chunk into a reused buffer. The file must outlive the source. Its digest (File) goes on
// only where `digest` asks for it, and then on a helper thread. Where the file can be read
// at places (a file with a size), the helper reads and hashes it on its own from the start:
// while the caller still sets up its output (loading an output library takes a core for
// the first fifth of an HDF5 output's time), and then at most kHashLead ahead of the
// caller's reads (`hashLead`), so that a recording larger than memory is not read from disk
// twice.
// Elsewhere each chunk is hashed while the caller converts it (hashing took a fifth of an
// HDF5 output's time on one thread).
class FileSampleSource final : public SampleSource {
  public:
    // How far the hash may run ahead of the reads, and the bytes it takes at a time.
    static constexpr std::uint64_t kHashLead = std::uint64_t{64} << 20;
    static constexpr std::size_t kHashBlock = std::size_t{256} << 10;

    FileSampleSource(File& file, std::uint64_t size, bool digest,
                     std::uint64_t hashLead = kHashLead);
    ~FileSampleSource() override;

    std::uint64_t size() const override { return size_; }
    std::optional<std::span<const std::uint8_t>> Next(std::uint64_t count) override;
    bool Skip(std::uint64_t count) override;
    std::string SourceSha256() override;
    bool sizeIsThere() const override { return sized_; }

  private:
    void WaitForDigest();
    // The helper's task where it hashes on its own: from `from` to the end of the file.
    void HashAhead(std::uint64_t from);
    // Lets HashAhead run up to its lead past `offset` (UINT64_MAX: to the file's end).
    void LetHashReach(std::uint64_t offset);
    // Ends HashAhead early and waits for it; the digest is then dropped.
    void StopHashingAhead();

    File& file_;
    std::uint64_t size_;
    bool sized_;  // the file has a size (not a pipe): the load checked the block fits it
    std::uint64_t offset_ = 0;
    ChunkVector<std::uint8_t> buffer_;
    std::unique_ptr<Sha256> digest_;  // the file's, while chunks are hashed here
    bool hashing_ = false;            // a chunk of buffer_ is being hashed, or HashAhead runs
    bool ahead_ = false;              // the helper reads for the hash itself (HashAhead)
    std::uint64_t hashLead_;
    // Where the caller's reads have come to in the file, for HashAhead's lead; the most
    // there is once the caller has read the block or stops it.
    std::atomic<std::uint64_t> readTo_{0};
    std::atomic<bool> stopAhead_{false};
    bool aheadHashed_ = false;  // HashAhead reached the file's end
    std::optional<std::string> sha256_;
    std::optional<HelperThread> hasher_;  // last: it stops before what it uses goes
};

}  // namespace vantrel
