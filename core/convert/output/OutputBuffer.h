// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Output gathered in large blocks and written one block per call. Every write is checked;
// after the first failure the buffer drops further output and reports failure. The block is
// taken at its first use and never cleared: an output written straight through, or a
// library's file, costs no block. With `overlap`, blocks after the first are written on a
// second thread while the next one is gathered (a failure then shows one block later).

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "convert/output/BlockWriter.h"
#include "platform/File.h"

namespace vantrel {

class OutputBuffer {
  public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

    explicit OutputBuffer(File& file, std::size_t capacity = kDefaultCapacity,
                          bool overlap = false);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void Append(std::string_view text) { Append(text.data(), text.size()); }
    void Append(std::span<const std::uint8_t> bytes) { Append(bytes.data(), bytes.size()); }
    // Throws std::bad_alloc when the block cannot be had.
    void Append(const void* data, std::size_t size);

    // Writes what is gathered, then `data` as it is in one more call: for a large piece
    // gathered elsewhere, which a copy into the block would only delay.
    void WriteThrough(const void* data, std::size_t size);

    // Room for `size` bytes at the end of the gathered output, for a formatter to write into
    // directly; the block is written first when it has less (and grows when even the whole
    // block is too small). After a failure the room is scratch space. Commit(n) then keeps
    // the first n bytes written.
    // Throws std::bad_alloc when the block cannot be had.
    char* Room(std::size_t size) {
        if (allocated_ - used_ < size) {
            HandOver();
            Reserve(size);
        }
        return block_.get() + used_;
    }
    void Commit(std::size_t size) { used_ += size; }

    // Writes what is gathered, and waits for every block handed over. Returns false when this
    // or any earlier write failed.
    bool Flush();
    bool ok() const { return ok_; }
    // Bytes handed to the file so far.
    std::uint64_t written() const { return written_; }

  private:
    bool Write(const void* data, std::size_t size);
    // Passes the gathered block on to be written: at once, or to the second thread.
    void HandOver();
    // A block of at least `size` bytes (and of the capacity), keeping what is gathered.
    void Reserve(std::size_t size);

    File& file_;
    std::uint64_t written_ = 0;
    std::size_t capacity_;
    std::unique_ptr<char[]> block_;
    std::size_t allocated_ = 0;
    std::size_t used_ = 0;
    bool ok_ = true;
    bool overlap_;
    std::unique_ptr<char[]> spare_;  // the block in flight, with overlap
    std::size_t spareAllocated_ = 0;
    std::optional<BlockWriter> writer_;  // after the blocks: it may still read one
};

}  // namespace vantrel
