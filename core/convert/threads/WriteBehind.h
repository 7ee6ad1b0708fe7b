// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A write of one chunk on a helper thread while this thread prepares the next (decodes,
// scales, transposes): HDF5 writes synchronously, and so do our writes of MATLAB 5 columns
// and of EDF's and BDF's batches of records, so without it the chunk's preparation and its
// write take turns on one core. (EDF's records one by one, 160 KiB at most rates, were
// measured slower with it: the hand-offs cost more than they hid. Its batches of 1 MiB
// gain for BDF and cost nothing for EDF.)
// Two sets of buffers take turns; at most one write is in flight, so the library is
// called from one thread at a time, in chunk order. Declare it after everything its
// writes use (the library's handles and the sets): it then waits for the write in flight
// before those go.

#include <array>
#include <functional>
#include <optional>

#include "convert/threads/HelperThread.h"

namespace vantrel {

template <typename Buffers>
class WriteBehind {
  public:
    explicit WriteBehind(std::array<Buffers, 2>& sets) : sets_(sets) {}

    // The set to prepare the next chunk into: never the one being written.
    Buffers& Next() { return sets_[next_]; }

    // Hands the prepared set to `write(Buffers&)` -> bool, run on the helper once the
    // write before it has finished. Returns false, and starts nothing, when that one failed.
    bool Hand(std::function<bool(Buffers&)> write) {
        if (!Finish()) {
            return false;
        }
        if (!helper_) {
            helper_.emplace();
        }
        Buffers& set = sets_[next_];
        pending_ = true;
        helper_->Start([this, &set, write = std::move(write)] { written_ = write(set); });
        next_ ^= 1;
        return true;
    }

    // Waits for the write in flight; false when any write failed. Rethrows what it threw.
    bool Finish() {
        if (pending_) {
            pending_ = false;
            helper_->Wait();
        }
        return written_;
    }

  private:
    std::array<Buffers, 2>& sets_;
    std::size_t next_ = 0;
    bool pending_ = false;
    bool written_ = true;
    std::optional<HelperThread> helper_;
};

}  // namespace vantrel
