// SPDX-License-Identifier: BSD-3-Clause
#include "platform/LiveTemporaries.h"

#include <array>
#include <atomic>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vantrel {

namespace {

// Enough for every job of a batch and the window; a path fits a Linux PATH_MAX.
constexpr int kSlots = 64;
constexpr std::size_t kPathBytes = 4096;

enum SlotState : int { kFree, kBusy, kHeld };

struct Slot {
    std::atomic<int> state{kFree};
    std::array<char, kPathBytes> path{};
};
static_assert(std::atomic<int>::is_always_lock_free);

// Static storage: a signal handler may not allocate.
std::array<Slot, kSlots> slots;

}  // namespace

int NoteLiveTemporary(const std::string& path) {
    if (path.empty() || path.size() >= kPathBytes) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        Slot& slot = slots[static_cast<std::size_t>(i)];
        int expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kBusy, std::memory_order_acquire)) {
            std::memcpy(slot.path.data(), path.c_str(), path.size() + 1);
            slot.state.store(kHeld, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void ForgetLiveTemporary(int ticket) {
    if (ticket >= 0 && ticket < kSlots) {
        slots[static_cast<std::size_t>(ticket)].state.store(kFree, std::memory_order_release);
    }
}

void RemoveLiveTemporaries() noexcept {
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kHeld) {
#ifdef _WIN32
            ::_unlink(slot.path.data());
#else
            ::unlink(slot.path.data());
#endif
        }
    }
}

}  // namespace vantrel
