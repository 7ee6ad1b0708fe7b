#pragma once

// Output gathered in large blocks and written one block per call. Every write is checked;
// after the first failure the buffer drops further output and reports failure.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/FileApi.h"

namespace vantrel {

class OutputBuffer {
  public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

    OutputBuffer(FileApi& files, FileApi::Handle file, std::size_t capacity = kDefaultCapacity);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void Append(std::string_view text) { Append(text.data(), text.size()); }
    void Append(std::span<const std::uint8_t> bytes) { Append(bytes.data(), bytes.size()); }
    void Append(const void* data, std::size_t size);

    // Writes what is gathered. Returns false when this or any earlier write failed.
    bool Flush();
    bool ok() const { return ok_; }

  private:
    FileApi& files_;
    FileApi::Handle file_;
    // Reserved, not filled: only what is gathered is ever touched, and most outputs use a
    // small part of it.
    std::vector<char> buffer_;
    std::size_t capacity_;
    bool ok_ = true;
};

}  // namespace vantrel
