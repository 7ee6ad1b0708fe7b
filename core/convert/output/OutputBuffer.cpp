// SPDX-License-Identifier: BSD-3-Clause
#include "convert/output/OutputBuffer.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

OutputBuffer::OutputBuffer(File& file, std::size_t capacity, bool overlap)
    : file_(file), capacity_(capacity), overlap_(overlap) {}

void OutputBuffer::Append(const void* data, std::size_t size) {
    if (!ok_) {
        return;
    }
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        if (used_ > 0 && used_ == allocated_) {
            HandOver();
            if (!ok_) {
                return;
            }
        }
        // Large pieces bypass the block once it is empty.
        if (used_ == 0 && size >= capacity_) {
            if (Flush()) {
                Write(in, size);
            }
            return;
        }
        Reserve(capacity_);
        const std::size_t take = std::min(size, allocated_ - used_);
        std::memcpy(block_.get() + used_, in, take);
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
    HandOver();
    if (writer_) {
        ok_ = writer_->Wait() && ok_;
    }
    return ok_;
}

void OutputBuffer::HandOver() {
    if (ok_ && used_ > 0) {
        // The first block is written at once: an output of one block needs no thread.
        if (!overlap_ || written_ == 0) {
            Write(block_.get(), used_);
        } else {
            if (!writer_) {
                writer_.emplace(file_);
            }
            ok_ = writer_->Wait();
            if (ok_) {
                writer_->Start(block_.get(), used_);
                written_ += used_;
                std::swap(block_, spare_);
                std::swap(allocated_, spareAllocated_);
            }
        }
    }
    used_ = 0;
}

bool OutputBuffer::Write(const void* data, std::size_t size) {
    ok_ = file_.Write(data, size);
    written_ += size;
    return ok_;
}

void OutputBuffer::Reserve(std::size_t size) {
    if (allocated_ >= size) {
        return;
    }
    const std::size_t want = std::max(size, capacity_);
    auto block = std::make_unique_for_overwrite<char[]>(want);
    if (used_ > 0) {
        std::memcpy(block.get(), block_.get(), used_);
    }
    block_ = std::move(block);
    allocated_ = want;
}

}  // namespace vantrel
