// SPDX-License-Identifier: BSD-3-Clause
#include "recording/SampleBlock.h"

#include <limits>
#include <new>

namespace vantrel {

SampleBlock::SampleBlock(std::uint64_t size) : size_(size) {
    if (size > std::numeric_limits<std::size_t>::max()) {
        throw std::bad_alloc();
    }
    // Never a zero-length new[]: an empty block still counts as a present block.
    data_ = std::make_unique_for_overwrite<std::uint8_t[]>(size == 0 ? 1 : size);
}

}  // namespace vantrel
