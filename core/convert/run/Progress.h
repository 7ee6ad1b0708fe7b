// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Progress of a conversion, and the way to stop one. A front end passes a callback; the run
// calls it with the sample bytes converted so far and the block's size, at least every
// 64 MiB of output and every 100 ms, and once at the end. Returning false asks the run to
// stop: it then removes what it wrote and reports "Conversion cancelled!".

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

#include "platform/ProgressCallback.h"

namespace vantrel {

// Paces the callback of one run. Without a callback it costs one test per chunk.
class ProgressReporter {
  public:
    static constexpr std::uint64_t kOutputStep = std::uint64_t{64} << 20;
    static constexpr std::chrono::milliseconds kTimeStep{100};

    ProgressReporter(ProgressCallback callback, std::uint64_t total)
        : callback_(std::move(callback)), total_(total) {}

    // After a chunk: `done` sample bytes converted, `written` output bytes so far. Calls the
    // callback when a step has passed, and once when `done` reaches the total. Returns false
    // once the callback asked to stop.
    bool Advance(std::uint64_t done, std::uint64_t written) {
        if (!callback_) {
            return true;
        }
        return Report(done, written);
    }

    // Asks the callback now, whatever the pace, whether the run should stop: a failed read
    // that a cancel caused (Ctrl-C reaching a pipe's writer too) is the cancel.
    bool StopAsked(std::uint64_t done) const { return callback_ && !callback_(done, total_); }

  private:
    bool Report(std::uint64_t done, std::uint64_t written);

    ProgressCallback callback_;
    std::uint64_t total_;
    std::uint64_t reportedWritten_ = 0;
    bool reportedLast_ = false;
    std::chrono::steady_clock::time_point reportedAt_ = std::chrono::steady_clock::now();
};

}  // namespace vantrel
