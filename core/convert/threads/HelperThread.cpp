// SPDX-License-Identifier: BSD-3-Clause
#include "convert/threads/HelperThread.h"

#include <utility>

namespace vantrel {

HelperThread::HelperThread() : thread_([this] { Run(); }) {}

HelperThread::~HelperThread() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void HelperThread::Start(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        task_ = std::move(task);
        failure_ = nullptr;
        busy_ = true;
    }
    changed_.notify_all();
}

void HelperThread::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
}

void HelperThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stop_; });
        if (busy_) {
            std::function<void()> task = std::move(task_);
            lock.unlock();
            std::exception_ptr failure;
            try {
                task();
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            failure_ = failure;
            busy_ = false;
            changed_.notify_all();
        } else if (stop_) {
            return;
        }
    }
}

}  // namespace vantrel
