// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Writes output blocks on a thread of its own, one at a time and in order, so that the next
// block is formatted while the last one goes to the file: the second core's share of a
// conversion.

#include <cstddef>

#include "convert/threads/HelperThread.h"
#include "platform/File.h"

namespace vantrel {

class BlockWriter {
  public:
    explicit BlockWriter(File& file) : file_(file) {}
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Hands `size` bytes at `data` over to be written; the caller leaves them alone until
    // Wait() returns. Call Wait() first when a block may be in flight.
    void Start(const char* data, std::size_t size);

    // Waits until the block in flight is written. False once any write failed.
    bool Wait();

  private:
    File& file_;
    bool ok_ = true;       // written by the helper only, read after its task ended
    HelperThread thread_;  // last: its destructor waits for the block in flight
};

}  // namespace vantrel
