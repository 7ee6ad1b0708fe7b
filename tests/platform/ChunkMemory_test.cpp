// SPDX-License-Identifier: BSD-3-Clause
#include "platform/ChunkMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace vantrel {
namespace {

// Sizes about the boundary between heap and mapped buffers (half a MiB), and about a huge
// page's.
constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(ChunkMemory, EveryByteOfEverySizeHoldsWhatWasWrittenAtItsAlignment) {
    for (const std::size_t bytes :
         {std::size_t{1}, std::size_t{4096}, kMiB / 2 - 1, kMiB / 2, kMiB - 16, kMiB, 2 * kMiB - 8,
          2 * kMiB, 2 * kMiB + 8, 5 * kMiB + 3}) {
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
