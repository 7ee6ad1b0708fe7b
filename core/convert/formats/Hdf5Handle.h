// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// An HDF5 identifier, owned: closed by its own close call when the owner goes. HDF5
// reports failures as negative identifiers and results; they become our write errors where
// the writers meet the library.

#include <hdf5.h>

#include <cstdint>
#include <utility>

namespace vantrel {

// Keeps the library from printing its error stack on this thread (the stack is per thread):
// its failures become our messages instead. Called where a writer starts its work, before
// any other call into the library (matio's included).
//
// The first call also keeps the library from closing its files when the process exits: a
// file whose close failed (a full disk, a size limit) stays registered although the
// library has freed it, and closing it again at exit crashes. Every file we write is closed
// before that, and this must precede the library's initialisation to take effect.
inline void QuietHdf5() {
    [[maybe_unused]] static const herr_t keptAtExit = H5dont_atexit();
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

// The deflate level of compressed chunks, those of hdf5 and of mat alike (after the shuffle
// filter, which puts each value's bytes of like weight together).
inline constexpr unsigned kHdf5DeflateLevel = 4;

// What the library may write beyond a chunk's samples before the file is closed (its
// indexes, headers and the facts), asked for with every chunk: a file's close must not fail.
inline std::uint64_t Hdf5Margin(std::uint64_t columns) {
    return (std::uint64_t{1} << 20) + 256 * columns;
}

class Hdf5Handle {
  public:
    using CloseCall = herr_t (*)(hid_t);

    Hdf5Handle() = default;
    Hdf5Handle(hid_t id, CloseCall close) : id_(id), close_(close) {}
    ~Hdf5Handle() { Close(); }
    Hdf5Handle(Hdf5Handle&& other) noexcept
        : id_(std::exchange(other.id_, H5I_INVALID_HID)), close_(other.close_) {}
    Hdf5Handle& operator=(Hdf5Handle&& other) noexcept {
        if (this != &other) {
            Close();
            id_ = std::exchange(other.id_, H5I_INVALID_HID);
            close_ = other.close_;
        }
        return *this;
    }
    Hdf5Handle(const Hdf5Handle&) = delete;
    Hdf5Handle& operator=(const Hdf5Handle&) = delete;

    hid_t get() const { return id_; }
    explicit operator bool() const { return id_ >= 0; }

    // Closes now; false when the library reported an error (for a file: a late write).
    bool Close() {
        if (id_ < 0) {
            return true;
        }
        return close_(std::exchange(id_, H5I_INVALID_HID)) >= 0;
    }

  private:
    hid_t id_ = H5I_INVALID_HID;
    CloseCall close_ = nullptr;
};

// Properties of a chunked dataset: chunks of `chunk`, shuffled and deflated when
// compressed, and no chunk cache: the library writes each chunk as soon as it has it,
// instead of holding it in a cache of fresh memory until the next one comes.
inline bool SetChunks(hid_t creation, hid_t access, int rank, const hsize_t* chunk, bool compress) {
    return H5Pset_chunk(creation, rank, chunk) >= 0 &&
           (!compress ||
            (H5Pset_shuffle(creation) >= 0 && H5Pset_deflate(creation, kHdf5DeflateLevel) >= 0)) &&
           H5Pset_chunk_cache(access, 0, 0, H5D_CHUNK_CACHE_W0_DEFAULT) >= 0;
}

// Properties of a dataset written chunk by chunk, each chunk whole and once: SetChunks', and
// uncompressed no fill value: with one, the library fills each new chunk in a buffer of its
// own and copies our values into it before writing them. Without either, it writes each
// chunk from our buffer.
inline bool SetWholeChunks(hid_t creation, hid_t access, int rank, const hsize_t* chunk,
                           bool compress) {
    return SetChunks(creation, access, rank, chunk, compress) &&
           (compress || H5Pset_fill_time(creation, H5D_FILL_TIME_NEVER) >= 0);
}

// Writes `data`, a block of `count` values in C order, to the block of a 2-D dataset that
// starts at `start`.
inline bool WriteBlock(hid_t dataset, hid_t memoryType, const hsize_t (&start)[2],
                       const hsize_t (&count)[2], const void* data) {
    const Hdf5Handle fileSpace{H5Dget_space(dataset), &H5Sclose};
    const Hdf5Handle memorySpace{H5Screate_simple(2, count, nullptr), &H5Sclose};
    return fileSpace && memorySpace &&
           H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) >=
               0 &&
           H5Dwrite(dataset, memoryType, memorySpace.get(), fileSpace.get(), H5P_DEFAULT, data) >=
               0;
}

}  // namespace vantrel
