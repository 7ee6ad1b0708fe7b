// SPDX-License-Identifier: BSD-3-Clause
// Memory that cannot be had, simulated by a replaced global operator new that refuses
// requests of one chosen size.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "convert/formats/OutputFormats.h"

// The replacement pairs malloc with free throughout; GCC cannot see that across inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::size_t refusedSize = 0;  // 0: every request is served

}  // namespace

void* operator new(std::size_t size) {
    if (refusedSize != 0 && size == refusedSize) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

// Arrays too, which a sanitizer would otherwise serve itself.
void* operator new[](std::size_t size) {
    return operator new(size);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace vantrel {
namespace {

using test::ReadFileBytes;
using test::StateFrom;
using test::TempDir;

// Refuses allocations of exactly `size` bytes while it lives.
class RefuseAllocations {
  public:
    explicit RefuseAllocations(std::size_t size) { refusedSize = size; }
    ~RefuseAllocations() { refusedSize = 0; }
};

// Enough samples for full-size chunks: kChunkSamples elements per conversion array.
RecordingBuilder LargeRecording() {
    RecordingBuilder b;
    b.header().SetScanCount(70000);
    b.AddBytes(std::vector<std::uint8_t>(140000, 0x11));
    return b;
}

struct AllocationCase {
    int format;
    std::size_t refused;  // the size of the allocation that fails
    const char* message;  // null: the run does without it
};

constexpr std::size_t kBlock = OutputBuffer::kDefaultCapacity;

const AllocationCase kCases[] = {
    {0, kChunkSamples * sizeof(double), "Failed to allocate scaled data-array"},
    {0, kBlock, "Failed to allocate scaled data-array"},
    {1, kChunkSamples * sizeof(double), "Failed to allocate scaled data-array"},
    {1, kBlock, nullptr},  // its doubles go straight from their array to the file
    {2, kChunkSamples * sizeof(std::int32_t), "Failed to allocate binary data-array"},
    {2, kBlock, "Failed to allocate binary data-array"},
};

// The writer's arrays and the output block: either refused ends the run with the format's
// message before anything is in place; an earlier output keeps its bytes, and a new path
// stays free.
TEST(AllocationFailure, showsTheFormatsMessageAndLeavesThePathAsItWas) {
    const std::vector<std::uint8_t> earlier = {'k', 'e', 'e', 'p'};
    TempDir dir;
    for (const AllocationCase& c : kCases) {
        {
            const std::size_t refused = c.refused;
            SCOPED_TRACE(testing::Message()
                         << "format " << c.format << ", " << refused << " bytes");
            auto state = StateFrom(LargeRecording());
            const std::string existing = dir.File("existing.cvt");
            const std::string fresh = dir.File("fresh.cvt");
            test::WriteFileBytes(existing, earlier);
            std::filesystem::remove(fresh);
            test::RunOutcome outcome{};
            test::RunOutcome freshOutcome{};
            {
                RefuseAllocations refuse(refused);
                outcome = test::ConvertHeld(state, existing, c.format);
                freshOutcome = test::ConvertHeld(state, fresh, c.format);
            }
            if (c.message == nullptr) {
                EXPECT_TRUE(outcome.ok && freshOutcome.ok);
                continue;
            }
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.messages, std::vector<std::string>{c.message});
            EXPECT_EQ(freshOutcome.messages, std::vector<std::string>{c.message});
            EXPECT_EQ(ReadFileBytes(existing), earlier);
            EXPECT_FALSE(test::FileExists(fresh));
            EXPECT_EQ(FormatInfo(FormatOfIndex(c.format)).allocationMessage, c.message);
        }
    }
}

}  // namespace
}  // namespace vantrel
