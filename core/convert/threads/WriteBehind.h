// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Writes of chunks on a helper thread while this thread prepares the next ones (decodes,
// scales, transposes): HDF5 writes synchronously, and so do our writes of MATLAB 5 columns
// and of EDF's and BDF's batches of records, so without it the chunk's preparation and its
// write take turns on one core. (EDF's records one by one, 160 KiB at most rates, were
// measured slower with it: the hand-offs cost more than they hid. Its batches of 1 MiB
// gain for BDF and cost nothing for EDF.)
// N sets of buffers take turns. Up to N - 1 prepared sets wait for the helper, which writes
// them one after the other, in chunk order, so the library is called from one thread at a
// time. The writes are what a conversion waits for: with a set queued behind the one being
// written the helper goes straight on to it, instead of idling until this thread wakes to
// hand it over (a wake-up took a fifth of each 1.5 MiB write's time). Declare it after
// everything its writes use (the library's handles and the sets): it then waits for the
// write in flight before those go.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace vantrel {

template <typename Buffers, std::size_t N>
class WriteBehind {
    static_assert(N >= 2, "a set is prepared while another is written");

  public:
    explicit WriteBehind(std::array<Buffers, N>& sets) : sets_(sets) {}
    ~WriteBehind() {
        if (!thread_) {
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            done_ += queued_.size();  // a write that was not finished drops what follows
            queued_.clear();
        }
        changed_.notify_all();
        thread_->join();
    }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // The set to prepare the next chunk into: never one that is queued or being written.
    Buffers& Next() { return sets_[handed_ % N]; }

    // Queues the prepared set for `write(Buffers&)` -> bool on the helper, and returns once
    // the set after it is free. Returns false once a write has failed (this one, or one
    // before it); the writes queued after a failed one are not run.
    bool Hand(std::function<bool(Buffers&)> write) {
        if (!thread_) {
            thread_.emplace([this] { Run(); });
        }
        std::unique_lock lock(mutex_);
        if (Failed()) {
            return false;
        }
        queued_.emplace_back(&sets_[handed_ % N], std::move(write));
        ++handed_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return handed_ - done_ < N || Failed(); });
        return !Failed();
    }

    // Waits for every queued write; false when any write failed. Rethrows what one threw.
    bool Finish() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_ == handed_; });
        if (failure_) {
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
        return !failed_;
    }

  private:
    bool Failed() const { return failed_ || failure_ != nullptr; }

    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !queued_.empty() || stop_; });
            if (queued_.empty()) {
                return;
            }
            auto [set, write] = std::move(queued_.front());
            queued_.pop_front();
            if (!Failed()) {
                lock.unlock();
                bool written = false;
                std::exception_ptr failure;
                try {
                    written = write(*set);
                } catch (...) {
                    failure = std::current_exception();
                }
                lock.lock();
                failed_ = failed_ || !written;
                if (failure && !failure_) {
                    failure_ = failure;
                }
            }
            ++done_;
            changed_.notify_all();
        }
    }

    std::array<Buffers, N>& sets_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<Buffers*, std::function<bool(Buffers&)>>> queued_;
    std::uint64_t handed_ = 0;  // writes queued so far
    std::uint64_t done_ = 0;    // of those, written or dropped
    bool failed_ = false;
    std::exception_ptr failure_;
    bool stop_ = false;
    std::optional<std::thread> thread_;  // last: it stops before what it uses goes
};

}  // namespace vantrel
