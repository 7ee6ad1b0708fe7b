// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/SampleSource.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

namespace vantrel {

std::optional<std::span<const std::uint8_t>> MemorySampleSource::Next(std::uint64_t count) {
    if (count > bytes_.size() - offset_) {
        return std::nullopt;
    }
    const auto slice = bytes_.subspan(offset_, count);
    offset_ += count;
    return slice;
}

bool SampleSource::Skip(std::uint64_t count) {
    constexpr std::uint64_t kStep = std::uint64_t{1} << 20;
    for (; count > 0; count -= std::min(count, kStep)) {
        if (!Next(std::min(count, kStep))) {
            return false;
        }
    }
    return true;
}

bool MemorySampleSource::Skip(std::uint64_t count) {
    if (count > bytes_.size() - offset_) {
        return false;
    }
    offset_ += count;
    sha256_.clear();
    return true;
}

FileSampleSource::FileSampleSource(File& file, std::uint64_t size, bool digest,
                                   std::uint64_t hashLead)
    : file_(file), size_(size), sized_(file.RemainingSize().has_value()), hashLead_(hashLead) {
    if (!digest) {
        file_.StopDigest();
        return;
    }
    // The digest has taken every byte before the position: the load hashed what it read.
    const std::optional<std::uint64_t> position = file_.Position();
    digest_ = file_.TakeDigest();
    if (!digest_) {
        return;
    }
    hasher_.emplace();
    if (position) {
        ahead_ = true;
        hashing_ = true;
        readTo_ = *position;
        hasher_->Start([this, from = *position] { HashAhead(from); });
    }
}

FileSampleSource::~FileSampleSource() {
    try {
        StopHashingAhead();
    } catch (...) {  // the digest is dropped with the source
    }
}

void FileSampleSource::HashAhead(std::uint64_t from) {
    std::vector<std::uint8_t> block;
    try {
        block.resize(kHashBlock);
    } catch (const std::bad_alloc&) {
        return;  // no digest, as where the rest of the file cannot be read
    }
    for (std::uint64_t at = from;;) {
        for (std::uint64_t reached = readTo_.load(); reached < at && at - reached > hashLead_;
             reached = readTo_.load()) {
            readTo_.wait(reached);
        }
        if (stopAhead_.load()) {
            return;
        }
        const std::int64_t got = file_.ReadAt(at, block.data(), block.size());
        if (got < 0) {
            return;
        }
        digest_->Update(block.data(), static_cast<std::size_t>(got));
        at += static_cast<std::uint64_t>(got);
        if (static_cast<std::uint64_t>(got) < block.size()) {
            aheadHashed_ = true;
            return;
        }
    }
}

void FileSampleSource::LetHashReach(std::uint64_t offset) {
    readTo_ = offset;
    readTo_.notify_all();
}

void FileSampleSource::StopHashingAhead() {
    if (ahead_) {
        stopAhead_ = true;
        LetHashReach(UINT64_MAX);
    }
    WaitForDigest();
}

void FileSampleSource::WaitForDigest() {
    if (hashing_) {
        hashing_ = false;
        hasher_->Wait();
    }
}

std::optional<std::span<const std::uint8_t>> FileSampleSource::Next(std::uint64_t count) {
    // The caller is done with the previous chunk; so must the hash be before it is reused.
    if (!ahead_) {
        WaitForDigest();
    }
    if (count > size_ - offset_) {
        return std::nullopt;
    }
    if (buffer_.size() < count) {
        buffer_.resize(count);
    }
    const auto got = file_.Read(buffer_.data(), count);
    if (got != static_cast<std::int64_t>(count)) {
        return std::nullopt;
    }
    offset_ += count;
    const std::span<const std::uint8_t> chunk(buffer_.data(), count);
    if (ahead_ && !stopAhead_.load()) {
        // The whole block read, the hash may run to the file's end.
        LetHashReach(offset_ == size_ ? UINT64_MAX : readTo_.load() + count);
    } else if (digest_) {
        hashing_ = true;
        hasher_->Start([this, chunk] { digest_->Update(chunk.data(), chunk.size()); });
    }
    return chunk;
}

bool FileSampleSource::Skip(std::uint64_t count) {
    StopHashingAhead();
    digest_.reset();
    if (count > size_ - offset_ || !file_.Skip(count)) {
        return false;
    }
    offset_ += count;
    return true;
}

std::string FileSampleSource::SourceSha256() {
    if (!sha256_) {
        if (ahead_) {
            // The hash goes on to the file's end, whatever the caller read.
            LetHashReach(UINT64_MAX);
            WaitForDigest();
            sha256_ =
                digest_ && aheadHashed_ && offset_ == size_ ? digest_->FinishHex() : std::string();
            digest_.reset();
            return *sha256_;
        }
        WaitForDigest();
        if (digest_) {
            file_.ResumeDigest(std::move(digest_));
        }
        sha256_ = offset_ == size_ ? file_.FinishDigest() : std::string();
    }
    return *sha256_;
}

}  // namespace vantrel
