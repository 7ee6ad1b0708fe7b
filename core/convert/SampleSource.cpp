#include "convert/SampleSource.h"

namespace vantrel {

std::optional<std::span<const std::uint8_t>> MemorySampleSource::Next(std::uint64_t count) {
    if (count > bytes_.size() - offset_) {
        return std::nullopt;
    }
    const auto slice = bytes_.subspan(offset_, count);
    offset_ += count;
    return slice;
}

std::optional<std::span<const std::uint8_t>> FileSampleSource::Next(std::uint64_t count) {
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
    return std::span<const std::uint8_t>(buffer_.data(), count);
}

std::string FileSampleSource::SourceSha256() {
    if (!sha256_) {
        sha256_ = offset_ == size_ ? file_.FinishDigest() : std::string();
    }
    return *sha256_;
}

}  // namespace vantrel
