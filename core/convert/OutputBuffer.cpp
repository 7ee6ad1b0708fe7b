#include "convert/OutputBuffer.h"

#include <cstring>

namespace vantrel {

OutputBuffer::OutputBuffer(File& file, std::size_t capacity) : file_(file), buffer_(capacity) {}

void OutputBuffer::Append(const void* data, std::size_t size) {
    if (!ok_) {
        return;
    }
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        if (used_ == buffer_.size() && !Flush()) {
            return;
        }
        // Large pieces bypass the buffer once it is empty.
        if (used_ == 0 && size >= buffer_.size()) {
            Write(in, size);
            return;
        }
        const std::size_t take = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, in, take);
        used_ += take;
        in += take;
        size -= take;
    }
}

void OutputBuffer::WriteThrough(const void* data, std::size_t size) {
    if (Flush() && size > 0) {
        Write(data, size);
    }
}

bool OutputBuffer::Flush() {
    if (ok_ && used_ > 0) {
        Write(buffer_.data(), used_);
    }
    used_ = 0;
    return ok_;
}

bool OutputBuffer::Write(const void* data, std::size_t size) {
    ok_ = file_.Write(data, size);
    written_ += size;
    return ok_;
}

}  // namespace vantrel
