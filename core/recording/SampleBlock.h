// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The raw sample codes of a loaded recording: one contiguous, owned byte buffer. The bytes
// are left uninitialised on allocation because the loader overwrites them as it reads,
// and recordings can be gigabytes long.

#include <cstdint>
#include <memory>
#include <span>

namespace vantrel {

class SampleBlock {
  public:
    SampleBlock() = default;
    // Allocates `size` bytes; throws std::bad_alloc when they cannot be had.
    explicit SampleBlock(std::uint64_t size);

    SampleBlock(SampleBlock&&) noexcept = default;
    SampleBlock& operator=(SampleBlock&&) noexcept = default;
    SampleBlock(const SampleBlock&) = delete;
    SampleBlock& operator=(const SampleBlock&) = delete;

    std::uint64_t size() const { return size_; }
    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

  private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::uint64_t size_ = 0;
};

}  // namespace vantrel
