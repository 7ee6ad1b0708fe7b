#include "convert/BlockWriter.h"

namespace vantrel {

BlockWriter::BlockWriter(File& file) : file_(file), thread_([this] { Run(); }) {}

BlockWriter::~BlockWriter() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockWriter::Start(const char* data, std::size_t size) {
    {
        const std::lock_guard lock(mutex_);
        data_ = data;
        size_ = size;
        busy_ = true;
    }
    changed_.notify_all();
}

bool BlockWriter::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return ok_;
}

void BlockWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stop_; });
        if (busy_) {
            const char* data = data_;
            const std::size_t size = size_;
            const bool write = ok_;  // after a failure the rest is dropped
            lock.unlock();
            const bool written = !write || file_.Write(data, size);
            lock.lock();
            ok_ = ok_ && written;
            busy_ = false;
            changed_.notify_all();
        } else if (stop_) {
            return;
        }
    }
}

}  // namespace vantrel
