#include "convert/HelperThread.h"

#include <utility>

namespace vantrel {

HelperThread::HelperThread() : thread_([this](const std::stop_token& stop) { Loop(stop); }) {}

void HelperThread::Start(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        task_ = std::move(task);
        busy_ = true;
    }
    changed_.notify_all();
}

void HelperThread::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (error_) {
        std::rethrow_exception(std::exchange(error_, nullptr));
    }
}

bool HelperThread::HasSecondCore() {
    return std::thread::hardware_concurrency() >= 2;
}

void HelperThread::Loop(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    // A stop request ends the loop only once no task is pending.
    while (changed_.wait(lock, stop, [this] { return task_ != nullptr; })) {
        const std::function<void()> task = std::exchange(task_, nullptr);
        lock.unlock();
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        error_ = error;
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace vantrel
