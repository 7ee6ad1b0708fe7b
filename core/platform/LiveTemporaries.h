// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The named temporaries this process is writing beside outputs, so that a signal that ends
// the process removes them instead of leaving full-size hidden files behind. Unnamed
// temporaries need none of this: they go with the process.

#include <string>

namespace vantrel {

// Notes `path` as being written. Returns a ticket for ForgetLiveTemporary, or -1 when the
// table is full or the path too long: such a temporary is left to the next run's sweep.
int NoteLiveTemporary(const std::string& path);

// The temporary of `ticket` is no longer there to remove (renamed or removed). -1: nothing.
void ForgetLiveTemporary(int ticket);

// Removes every noted temporary. Async-signal-safe: it touches only atomics, fixed arrays
// and unlink.
void RemoveLiveTemporaries() noexcept;

}  // namespace vantrel
