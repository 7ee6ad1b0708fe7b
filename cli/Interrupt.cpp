#include "Interrupt.h"

#include <atomic>
#include <csignal>

namespace vantrel::cli {

namespace {

// Only lock-free atomics may be touched by a signal handler while other threads read them.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int signal) {
    interrupted.store(true, std::memory_order_relaxed);
    std::signal(signal, SIG_DFL);
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
    interrupted.store(false);
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
    return interrupted.load(std::memory_order_relaxed);
}

}  // namespace vantrel::cli
