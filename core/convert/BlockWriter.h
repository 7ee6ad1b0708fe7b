#pragma once

// Writes output blocks on a thread of its own, one at a time and in order, so that the next
// block is formatted while the last one goes to the file: the second core's share of a
// conversion.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "platform/File.h"

namespace vantrel {

class BlockWriter {
  public:
    explicit BlockWriter(File& file);
    ~BlockWriter();  // waits for the block in flight
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Hands `size` bytes at `data` over to be written; the caller leaves them alone until
    // Wait() returns. Call Wait() first when a block may be in flight.
    void Start(const char* data, std::size_t size);

    // Waits until the block in flight is written. False once any write failed.
    bool Wait();

  private:
    void Run();

    File& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    bool busy_ = false;
    bool stop_ = false;
    bool ok_ = true;
    std::thread thread_;  // last: it starts once everything above is set
};

}  // namespace vantrel
