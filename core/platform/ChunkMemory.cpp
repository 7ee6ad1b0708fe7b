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

#include <algorithm>
#include <mutex>
#include <vector>
#endif

namespace vantrel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
[[maybe_unused]] constexpr std::size_t kMappedFrom = std::size_t{192} << 10;
// Buffers up to a huge page share huge pages, each at a cache line's alignment; larger ones
// are mappings of their own.
[[maybe_unused]] constexpr std::size_t kSharedAlignment = 64;

enum class Source { kHeap, kShared, kOwn };

Source SourceOf([[maybe_unused]] std::size_t bytes) {
#ifdef VANTREL_CHUNKS_MAPPED
    if (bytes >= kMappedFrom) {
        return bytes <= kHugePage ? Source::kShared : Source::kOwn;
    }
#endif
    return Source::kHeap;
}

[[maybe_unused]] std::size_t RoundUp(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

#ifdef VANTREL_CHUNKS_MAPPED
// `length` bytes (a whole number of huge pages) at a huge page's alignment, where the
// system's huge pages go: a huge page longer than asked, trimmed at both ends.
void* MapHugePages(std::size_t length) {
    const std::size_t mappedLength = length + kHugePage;
    void* const mapped =
        mmap(nullptr, mappedLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = RoundUp(start, kHugePage);
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

// The huge pages that buffers share: each hands out its bytes from its start, takes back
// the room of the last buffer it handed out, and is unmapped once its every buffer is freed
// (a conversion frees them all when it ends). Other room freed stays unused until then, so
// a page holds at least one live buffer of 192 KiB or more: at most ten times their bytes.
class SharedPages {
  public:
    void* Allocate(std::size_t bytes) {
        const std::size_t size = RoundUp(bytes, kSharedAlignment);
        const std::lock_guard lock(mutex_);
        for (Page& page : pages_) {
            if (kHugePage - page.used >= size) {
                void* const memory = reinterpret_cast<void*>(page.start + page.used);
                page.used += size;
                ++page.buffers;
                return memory;
            }
        }
        void* const memory = MapHugePages(kHugePage);
        try {
            pages_.push_back({reinterpret_cast<std::uintptr_t>(memory), size, 1});
        } catch (...) {
            munmap(memory, kHugePage);
            throw;
        }
        return memory;
    }

    void Free(void* memory, std::size_t bytes) noexcept {
        const auto at = reinterpret_cast<std::uintptr_t>(memory);
        const std::lock_guard lock(mutex_);
        const auto page = std::find_if(pages_.begin(), pages_.end(), [at](const Page& p) {
            return at >= p.start && at < p.start + kHugePage;
        });
        if (page == pages_.end()) {
            return;
        }
        if (at + RoundUp(bytes, kSharedAlignment) == page->start + page->used) {
            page->used = at - page->start;
        }
        if (--page->buffers == 0) {
            munmap(reinterpret_cast<void*>(page->start), kHugePage);
            pages_.erase(page);
        }
    }

  private:
    struct Page {
        std::uintptr_t start;
        std::size_t used;
        std::size_t buffers;
    };
    std::mutex mutex_;
    std::vector<Page> pages_;
};

// Never destroyed: a buffer may outlive every other static object.
SharedPages& TheSharedPages() {
    static SharedPages* const pages = new SharedPages;
    return *pages;
}
#endif

}  // namespace

std::size_t ChunkMemoryAlignment(std::size_t bytes) {
    switch (SourceOf(bytes)) {
        case Source::kOwn:
            return kHugePage;
        case Source::kShared:
            return kSharedAlignment;
        case Source::kHeap:
            break;
    }
    return alignof(std::max_align_t);
}

void* AllocateChunkMemory(std::size_t bytes) {
    // No object is larger, and the rounding up below must not wrap.
    if (bytes > static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
        throw std::bad_alloc();
    }
#ifdef VANTREL_CHUNKS_MAPPED
    switch (SourceOf(bytes)) {
        case Source::kOwn:
            return MapHugePages(RoundUp(bytes, kHugePage));
        case Source::kShared:
            return TheSharedPages().Allocate(bytes);
        case Source::kHeap:
            break;
    }
#endif
    return ::operator new(bytes);
}

void FreeChunkMemory(void* memory, [[maybe_unused]] std::size_t bytes) noexcept {
#ifdef VANTREL_CHUNKS_MAPPED
    switch (SourceOf(bytes)) {
        case Source::kOwn:
            munmap(memory, RoundUp(bytes, kHugePage));
            return;
        case Source::kShared:
            TheSharedPages().Free(memory, bytes);
            return;
        case Source::kHeap:
            break;
    }
#endif
    ::operator delete(memory);
}

}  // namespace vantrel
