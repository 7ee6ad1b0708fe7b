#pragma once

// One helper thread that runs one task at a time: the caller hands a task over, does its
// own share of the work meanwhile, and then waits for the task to finish.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace vantrel {

class HelperThread {
  public:
    HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;
    // Lets a task still running finish, then stops the thread.
    ~HelperThread() = default;

    // Runs `task` on the helper. The previous task must have been waited for.
    void Start(std::function<void()> task);
    // Blocks until the task has finished; rethrows what it threw.
    void Wait();

    // True when the machine has a second core for a helper to run on.
    static bool HasSecondCore();

  private:
    void Loop(const std::stop_token& stop);

    // The helper sleeps between tasks rather than spinning: when the other core is taken
    // by another program, a spinning helper would only take time from the caller.
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::function<void()> task_;
    bool busy_ = false;
    std::exception_ptr error_;
    std::jthread thread_;  // last: starts after, and stops before, what it uses
};

}  // namespace vantrel
