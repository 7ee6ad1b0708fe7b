// SPDX-License-Identifier: BSD-3-Clause
#include "platform/ChunkMemory.h"

#include <cstdint>
#include <limits>

#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_ADDRESS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_ADDRESS_SANITIZED 1
#endif
#endif

// Mapped memory is invisible to AddressSanitizer's bounds checks, so its builds take every
// buffer from the heap.
#if defined(__linux__) && !defined(VANTREL_ADDRESS_SANITIZED)
#define VANTREL_CHUNKS_MAPPED 1
#include <sys/mman.h>
#endif

namespace vantrel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Smaller buffers come from the heap, which reuses its pages from one buffer to the next.
[[maybe_unused]] constexpr std::size_t kMappedFrom = std::size_t{1} << 19;

bool IsMapped([[maybe_unused]] std::size_t bytes) {
#ifdef VANTREL_CHUNKS_MAPPED
    return bytes >= kMappedFrom;
#else
    return false;
#endif
}

[[maybe_unused]] std::size_t MappedLength(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

std::size_t ChunkMemoryAlignment(std::size_t bytes) {
    return IsMapped(bytes) ? kHugePage : alignof(std::max_align_t);
}

void* AllocateChunkMemory(std::size_t bytes) {
    // No object is larger, and the rounding up below must not wrap.
    if (bytes > static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
        throw std::bad_alloc();
    }
#ifdef VANTREL_CHUNKS_MAPPED
    if (IsMapped(bytes)) {
        const std::size_t length = MappedLength(bytes);
        // A huge page longer than asked, then trimmed at both ends to a huge page's
        // alignment, where the system's huge pages go.
        const std::size_t mappedLength = length + kHugePage;
        void* const mapped =
            mmap(nullptr, mappedLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) {
            throw std::bad_alloc();
        }
        const auto start = reinterpret_cast<std::uintptr_t>(mapped);
        const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
        const std::uintptr_t end = aligned + length;
        if (aligned > start) {
            munmap(mapped, aligned - start);
        }
        if (start + mappedLength > end) {
            munmap(reinterpret_cast<void*>(end), start + mappedLength - end);
        }
        // Without huge pages to give, the system backs it with plain ones.
        madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
        return reinterpret_cast<void*>(aligned);
    }
#endif
    return ::operator new(bytes);
}

void FreeChunkMemory(void* memory, [[maybe_unused]] std::size_t bytes) noexcept {
#ifdef VANTREL_CHUNKS_MAPPED
    if (IsMapped(bytes)) {
        munmap(memory, MappedLength(bytes));
        return;
    }
#endif
    ::operator delete(memory);
}

}  // namespace vantrel
