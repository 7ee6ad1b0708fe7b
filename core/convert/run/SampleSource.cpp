// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/SampleSource.h"

#include <algorithm>

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

FileSampleSource::FileSampleSource(File& file, std::uint64_t size, bool digest)
    : file_(file), size_(size), sized_(file.RemainingSize().has_value()) {
    if (!digest) {
        file_.StopDigest();
        return;
    }
    digest_ = file_.TakeDigest();
    if (digest_) {
        hasher_.emplace();
    }
}

FileSampleSource::~FileSampleSource() {
    if (hasher_ && hashing_) {
        try {
            hasher_->Wait();
        } catch (...) {  // the digest is dropped with the source
        }
    }
}

void FileSampleSource::WaitForDigest() {
    if (hashing_) {
        hashing_ = false;
        hasher_->Wait();
    }
}

std::optional<std::span<const std::uint8_t>> FileSampleSource::Next(std::uint64_t count) {
    // The caller is done with the previous chunk; so must the hash be before it is reused.
    WaitForDigest();
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
    if (digest_) {
        hashing_ = true;
        hasher_->Start([this, chunk] { digest_->Update(chunk.data(), chunk.size()); });
    }
    return chunk;
}

bool FileSampleSource::Skip(std::uint64_t count) {
    WaitForDigest();
    digest_.reset();
    if (count > size_ - offset_ || !file_.Skip(count)) {
        return false;
    }
    offset_ += count;
    return true;
}

std::string FileSampleSource::SourceSha256() {
    if (!sha256_) {
        WaitForDigest();
        if (digest_) {
            file_.ResumeDigest(std::move(digest_));
        }
        sha256_ = offset_ == size_ ? file_.FinishDigest() : std::string();
    }
    return *sha256_;
}

}  // namespace vantrel
