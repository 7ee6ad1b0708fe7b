#include "convert/OutputBuffer.h"

#include <cstring>

namespace vantrel {

OutputBuffer::OutputBuffer(FileApi& files, FileApi::Handle file, std::size_t capacity)
    : files_(files), file_(file), capacity_(capacity) {
    buffer_.reserve(capacity);
}

void OutputBuffer::Append(const void* data, std::size_t size) {
    if (!ok_) {
        return;
    }
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        if (buffer_.size() == capacity_ && !Flush()) {
            return;
        }
        // Large pieces bypass the buffer once it is empty.
        if (buffer_.empty() && size >= capacity_) {
            ok_ = files_.Write(file_, in, size);
            return;
        }
        const std::size_t take = std::min(size, capacity_ - buffer_.size());
        buffer_.insert(buffer_.end(), in, in + take);
        in += take;
        size -= take;
    }
}

bool OutputBuffer::Flush() {
    if (ok_ && !buffer_.empty()) {
        ok_ = files_.Write(file_, buffer_.data(), buffer_.size());
    }
    buffer_.clear();  // keeps the reserved block
    return ok_;
}

}  // namespace vantrel
