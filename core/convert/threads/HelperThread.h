// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A thread that runs one task at a time for the thread that owns it: an output block's
// write (BlockWriter), half of a chunk's rows while the owner formats the other half
// (ChunkSplitter), or a recording file's SHA-256 (FileSampleSource). It is started once per
// output, not once per block, so a task costs a wake-up, not a thread.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace vantrel {

class HelperThread {
  public:
    HelperThread();
    ~HelperThread();  // waits for the task in flight
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Runs `task` on the helper; what it uses must outlive the next Wait().
    void Start(std::function<void()> task);

    // Waits until the task has run, and throws what it threw.
    void Wait();

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    std::exception_ptr failure_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;  // last: it starts once everything above is set
};

}  // namespace vantrel
