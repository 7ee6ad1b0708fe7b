// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A chunk's rows formatted on two threads, for cells that cost far more arithmetic than
// writing their bytes does (the shortest text of a double): the helper formats the second
// half of the chunk's scans into a block of its own while this thread formats the first
// half into the output, which then takes the helper's block. The bytes are those of one
// thread formatting it all.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "convert/output/OutputBuffer.h"
#include "convert/threads/HelperThread.h"

namespace vantrel {

// Text gathered in memory, written into as an OutputBuffer is (Room, Commit).
class RowBlock {
  public:
    // Throws std::bad_alloc when the block cannot grow.
    char* Room(std::size_t size) {
        if (allocated_ - used_ < size) {
            const std::size_t want = std::max(used_ + size, 2 * allocated_);
            auto block = std::make_unique_for_overwrite<char[]>(want);
            if (used_ > 0) {
                std::memcpy(block.get(), block_.get(), used_);
            }
            block_ = std::move(block);
            allocated_ = want;
        }
        return block_.get() + used_;
    }
    void Commit(std::size_t size) { used_ += size; }
    void Clear() { used_ = 0; }
    const char* data() const { return block_.get(); }
    std::size_t size() const { return used_; }

  private:
    std::unique_ptr<char[]> block_;
    std::size_t allocated_ = 0;
    std::size_t used_ = 0;
};

// Chunks of fewer samples are formatted on one thread: their halves would cost less than
// waking the helper.
inline constexpr std::uint64_t kSplitSamples = std::uint64_t{1} << 14;

class ChunkSplitter {
  public:
    // Formats a chunk of `scans` scans of `channels` samples into `out`. `format(sink,
    // firstScan, count)` formats scans firstScan to firstScan + count - 1 of the chunk into
    // sink (an OutputBuffer or a RowBlock), and may run on the helper.
    template <typename Format>
    void Run(OutputBuffer& out, std::uint64_t scans, std::uint64_t channels, const Format& format) {
        const std::uint64_t first = scans / 2;
        if (first == 0 || scans * channels < kSplitSamples) {
            format(out, std::uint64_t{0}, scans);
            return;
        }
        if (!helper_) {
            helper_.emplace();
        }
        second_.Clear();
        helper_->Start([&] { format(second_, first, scans - first); });
        try {
            format(out, std::uint64_t{0}, first);
        } catch (...) {
            WaitQuietly();
            throw;
        }
        helper_->Wait();
        out.Append(second_.data(), second_.size());
    }

  private:
    void WaitQuietly() {
        try {
            helper_->Wait();
        } catch (...) {  // the first failure is the one reported
        }
    }

    RowBlock second_;
    std::optional<HelperThread> helper_;  // after the block it formats into
};

}  // namespace vantrel
