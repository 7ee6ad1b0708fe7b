#pragma once

// Text gathered in memory by a formatter that cannot write to the output itself (a helper
// thread); the same Room/Commit interface as OutputBuffer, growing instead of writing.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vantrel {

class TextBlock {
  public:
    // Room for `size` bytes at the end; grows (throwing std::bad_alloc) when there is less.
    char* Room(std::size_t size) {
        if (buffer_.size() - used_ < size) {
            buffer_.resize(std::max(used_ + size, buffer_.size() + buffer_.size() / 2));
        }
        return buffer_.data() + used_;
    }
    void Commit(std::size_t size) { used_ += size; }

    void Reserve(std::size_t size) {
        if (buffer_.size() < size) {
            buffer_.resize(size);
        }
    }
    void Clear() { used_ = 0; }
    const char* data() const { return buffer_.data(); }
    std::size_t size() const { return used_; }

  private:
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

}  // namespace vantrel
