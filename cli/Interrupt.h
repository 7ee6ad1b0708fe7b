#pragma once

// Ctrl-C during a batch. The first SIGINT only sets a flag, which the conversions' progress
// callbacks read: the running conversion stops as a cancel does (its earlier output keeps
// its bytes) and no further input starts. The handler then gives SIGINT back its default
// action, so that a second Ctrl-C ends a program that no callback reaches (waiting on a
// terminal or a pipe for input that does not come).

namespace vantrel::cli {

// The exit status of a batch that Ctrl-C stopped, as a shell reports a program SIGINT ended.
inline constexpr int kExitInterrupted = 130;

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

}  // namespace vantrel::cli
