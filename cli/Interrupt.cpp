// SPDX-License-Identifier: BSD-3-Clause
#include "Interrupt.h"

#include <atomic>
#include <csignal>

#include "platform/ProcessSignals.h"

namespace vantrel::cli {

namespace {

// Only lock-free atomics may be touched by a signal handler while other threads read them.
std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int signal) {
    if (interrupts.fetch_add(1, std::memory_order_relaxed) > 0) {
        EndBySignal(signal);
    }
#ifdef _WIN32
    // Windows puts the default back before calling a handler: the second Ctrl-C ends the
    // program by it.
    std::signal(signal, SIG_DFL);
#endif
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
    interrupts.store(0);
    previous_ = std::signal(SIGINT, OnInterrupt);
    // A program started with SIGINT ignored (in the background, under nohup) keeps it so.
    if (previous_ == SIG_IGN) {
        std::signal(SIGINT, SIG_IGN);
    }
}

InterruptCatcher::~InterruptCatcher() {
    std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_);
}

bool InterruptCatcher::Requested() {
    return interrupts.load(std::memory_order_relaxed) > 0;
}

StallHint::StallHint(std::function<void()> say)
    : watcher_([this, say = std::move(say)] {
          // A signal handler cannot wake a thread: look at the flag a few times a second.
          constexpr std::chrono::milliseconds kLook{100};
          std::unique_lock lock(mutex_);
          while (!stopping_ && !InterruptCatcher::Requested()) {
              stopped_.wait_for(lock, kLook);
          }
          if (!stopping_ && !stopped_.wait_for(lock, kWait, [this] { return stopping_; })) {
              say();
          }
      }) {}

StallHint::~StallHint() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_one();
    watcher_.join();
}

}  // namespace vantrel::cli
