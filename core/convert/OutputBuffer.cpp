#include "convert/OutputBuffer.h"

#include <cstring>

namespace vantrel {

OutputBuffer::OutputBuffer(FileApi& files, FileApi::Handle file, std::size_t capacity)
    : files_(files),
      file_(file),
      buffer_(std::make_unique_for_overwrite<char[]>(capacity)),
      capacity_(capacity) {}

void OutputBuffer::Append(const void* data, std::size_t size) {
    if (!ok_) {
        return;
    }
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        if (used_ == capacity_ && !Flush()) {
            return;
        }
        // Large pieces bypass the buffer once it is empty.
        if (used_ == 0 && size >= capacity_) {
            ok_ = files_.Write(file_, in, size);
            return;
        }
        const std::size_t take = std::min(size, capacity_ - used_);
        std::memcpy(buffer_.get() + used_, in, take);
        used_ += take;
        in += take;
        size -= take;
    }
}

bool OutputBuffer::Flush() {
    if (ok_ && used_ > 0) {
        ok_ = files_.Write(file_, buffer_.get(), used_);
    }
    used_ = 0;
    return ok_;
}

}  // namespace vantrel
