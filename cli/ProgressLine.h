// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The progress line of a batch on standard error: how many sample bytes the running
// conversions have done of their total, the rate since the batch began and the time left,
// redrawn in place. It shows only once the batch has run about a second, so quick runs stay
// silent, and only where the caller asks for it (a terminal, or --progress). Messages are
// printed through it, so that none lands in the middle of the line. One object serves
// every thread of a batch.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>

namespace vantrel::cli {

struct ProgressCounts {
    std::uint64_t done = 0;   // sample bytes converted by the running conversions
    std::uint64_t total = 0;  // their sample blocks' sizes
    double bytesPerSecond = 0;
    std::size_t inputsDone = 0;
    std::size_t inputs = 1;
};

// The words of the line, such as "45%  12.3 MiB of 27.4 MiB  5.6 MiB/s  0:03 left", with
// "[3/10] " before them for a batch of several inputs.
std::string ProgressText(const ProgressCounts& counts);

class ProgressLine {
  public:
    static constexpr std::chrono::milliseconds kQuietStart{1000};
    static constexpr std::chrono::milliseconds kRedrawStep{100};

    // Draws on `err` only when `shown`.
    ProgressLine(std::ostream& err, bool shown, std::size_t inputs);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Input `input` has converted `done` of its `total` sample bytes.
    void Update(std::size_t input, std::uint64_t done, std::uint64_t total);

    // Input `input` is through, whatever its outcome.
    void Finished(std::size_t input);

    // Takes the line away, runs `print` (which writes messages) and leaves the line to be
    // drawn again at the next update.
    void PrintAbove(const std::function<void()>& print);

    // Takes the line away for good, at the end of the batch.
    void Clear();

  private:
    struct Running {
        std::uint64_t done = 0;
        std::uint64_t total = 0;
    };

    void DrawLocked(std::chrono::steady_clock::time_point now);
    void EraseLocked();

    std::ostream& err_;
    const bool shown_;
    const std::size_t inputs_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::map<std::size_t, Running> running_;
    std::uint64_t finishedBytes_ = 0;
    std::size_t inputsDone_ = 0;
    std::size_t drawnLength_ = 0;  // 0: nothing on the line
    std::chrono::steady_clock::time_point drawnAt_{};
};

}  // namespace vantrel::cli
