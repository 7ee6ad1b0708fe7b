// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Ctrl-C during a batch. The first SIGINT only sets a flag, which the conversions' progress
// callbacks read: the running conversion stops as a cancel does (its earlier output keeps
// its bytes) and no further input starts. A second Ctrl-C ends a program that no callback
// reaches (waiting on a terminal or a pipe for input that does not come) at once, after
// removing the temporaries it was writing.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vantrel::cli {

// The exit status of a batch that Ctrl-C stopped, as a shell reports a program SIGINT ended.
inline constexpr int kExitInterrupted = 130;

// Said when the first Ctrl-C has not stopped the batch within StallHint::kWait.
inline constexpr const char* kPressAgainMessage = "press Ctrl-C again to stop at once";

// Catches SIGINT while it lives; puts the earlier handler back when it goes.
class InterruptCatcher {
  public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    // Whether SIGINT arrived since this catcher was made. Safe from any thread.
    static bool Requested();

  private:
    using Handler = void (*)(int);
    Handler previous_;
};

// While it lives, calls `say` once, from a thread of its own, when Ctrl-C was pressed and
// the owner is still running kWait later: a conversion stalled on its input hears nothing
// of the first Ctrl-C.
class StallHint {
  public:
    static constexpr std::chrono::milliseconds kWait{1000};

    explicit StallHint(std::function<void()> say);
    ~StallHint();
    StallHint(const StallHint&) = delete;
    StallHint& operator=(const StallHint&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::thread watcher_;
};

}  // namespace vantrel::cli
