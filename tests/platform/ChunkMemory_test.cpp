// SPDX-License-Identifier: BSD-3-Clause
#include "platform/ChunkMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace vantrel {
namespace {

// Sizes about the boundary between heap and mapped buffers (192 KiB), and about a huge
// page's.
constexpr std::size_t kKiB = 1024;
constexpr std::size_t kMiB = kKiB * kKiB;

TEST(ChunkMemory, EveryByteOfEverySizeHoldsWhatWasWrittenAtItsAlignment) {
    for (const std::size_t bytes :
         {std::size_t{1}, std::size_t{4096}, 192 * kKiB - 1, 192 * kKiB, kMiB / 4 - 4, kMiB - 16,
          kMiB, 2 * kMiB - 8, 2 * kMiB, 2 * kMiB + 8, 5 * kMiB + 3}) {
        SCOPED_TRACE(bytes);
        auto* memory = static_cast<std::uint8_t*>(AllocateChunkMemory(bytes));
        ASSERT_NE(memory, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % ChunkMemoryAlignment(bytes), 0u);
        for (std::size_t i = 0; i < bytes; ++i) {
            memory[i] = static_cast<std::uint8_t>(i * 7 + 1);
        }
        // A second buffer of the same size never overlaps the first.
        auto* other = static_cast<std::uint8_t*>(AllocateChunkMemory(bytes));
        std::fill(other, other + bytes, std::uint8_t{0});
        std::size_t kept = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            kept += memory[i] == static_cast<std::uint8_t>(i * 7 + 1);
        }
        EXPECT_EQ(kept, bytes);
        FreeChunkMemory(other, bytes);
        FreeChunkMemory(memory, bytes);
    }
}

// Buffers that share pages: freed in another order than they came (the last one first, then
// one in the middle, whose room is not taken again until its page is empty), others taken
// in between; every live buffer keeps its own bytes.
TEST(ChunkMemory, BuffersSharingPagesKeepTheirBytesWhateverTheOrderTheyAreFreedIn) {
    struct Buffer {
        std::size_t bytes;
        std::uint8_t* memory = nullptr;
        std::uint8_t mark = 0;
    };
    std::vector<Buffer> buffers;
    std::uint8_t mark = 0;
    const auto take = [&](std::size_t bytes) {
        Buffer b{bytes, static_cast<std::uint8_t*>(AllocateChunkMemory(bytes)), ++mark};
        std::fill(b.memory, b.memory + bytes, b.mark);
        buffers.push_back(b);
    };
    const auto free = [&](std::size_t index) {
        FreeChunkMemory(buffers[index].memory, buffers[index].bytes);
        buffers.erase(buffers.begin() + static_cast<std::ptrdiff_t>(index));
    };
    for (const std::size_t bytes :
         {kMiB, 256 * kKiB - 4, 192 * kKiB, kMiB - 8, 300 * kKiB + 1, 2 * kMiB, 200 * kKiB}) {
        take(bytes);
    }
    free(buffers.size() - 1);
    take(250 * kKiB);
    free(2);
    take(kMiB / 2);
    take(192 * kKiB + 3);
    free(0);
    take(kMiB);
    for (const Buffer& b : buffers) {
        SCOPED_TRACE(b.bytes);
        EXPECT_EQ(std::count(b.memory, b.memory + b.bytes, b.mark),
                  static_cast<std::ptrdiff_t>(b.bytes));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.memory) % ChunkMemoryAlignment(b.bytes), 0u);
    }
    while (!buffers.empty()) {
        free(0);
    }
}

TEST(ChunkMemory, AVectorKeepsItsValuesAsItGrowsPastAMappedSizeAndShrinks) {
    ChunkVector<double> values(1000);
    std::iota(values.begin(), values.end(), 0.5);
    values.resize(3 * kMiB / sizeof(double) + 5);  // from the heap into a mapping
    values.back() = -1.0;
    EXPECT_EQ(values[999], 999.5);
    EXPECT_EQ(values[1000], 0.0);
    values.resize(10);
    values.shrink_to_fit();  // and back
    ASSERT_EQ(values.size(), 10u);
    EXPECT_EQ(values[9], 9.5);
}

TEST(ChunkMemory, ASizeBeyondMemoryIsRefused) {
    EXPECT_THROW(AllocateChunkMemory(~std::size_t{0} - 100), std::bad_alloc);
    ChunkAllocator<double> allocator;
    EXPECT_THROW(allocator.allocate(~std::size_t{0} / 4), std::bad_alloc);
}

}  // namespace
}  // namespace vantrel
