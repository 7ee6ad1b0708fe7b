// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Memory for a conversion's large buffers: chunks, batches of records, word tables, the
// recording's bytes as they are read. On Linux these come from mappings aligned so that the
// system can back them with 2 MiB pages: a fresh 4 KiB page costs a fault when first
// touched (about 10 us each in a virtual machine, more than filling it), and every
// conversion fills fresh buffers before its first write. Buffers from 192 KiB up to 2 MiB
// share such pages (a chunk of hdf5 or MATLAB holds 1 MiB of doubles and a quarter of a MiB
// of 16-bit codes, each a little less for whole scans); larger ones are mappings of their
// own; smaller ones come from the heap, which reuses its pages from one buffer to the next.

#include <cstddef>
#include <limits>
#include <new>
#include <vector>

namespace vantrel {

// Throws std::bad_alloc. FreeChunkMemory takes the size that was asked for.
void* AllocateChunkMemory(std::size_t bytes);
void FreeChunkMemory(void* memory, std::size_t bytes) noexcept;
// The alignment of a buffer of `bytes`: a huge page's where it is a mapping of its own, a
// cache line's where it shares one.
std::size_t ChunkMemoryAlignment(std::size_t bytes);

template <typename T>
struct ChunkAllocator {
    using value_type = T;
    ChunkAllocator() = default;
    template <typename U>
    ChunkAllocator(const ChunkAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(AllocateChunkMemory(count * sizeof(T)));
    }
    void deallocate(T* memory, std::size_t count) noexcept {
        FreeChunkMemory(memory, count * sizeof(T));
    }
    template <typename U>
    bool operator==(const ChunkAllocator<U>&) const noexcept {
        return true;
    }
};

template <typename T>
using ChunkVector = std::vector<T, ChunkAllocator<T>>;

}  // namespace vantrel
