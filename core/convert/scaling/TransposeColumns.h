// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Scan-major samples into MATLAB's column-major order, a run of scans per column.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vantrel {

// Of `rows` scans of `stride` samples, the samples at `columns` into rows [first, first +
// rows) of a matrix of `height` rows, one matrix column each: out[j * height + first + r] =
// in[r * stride + columns[j]].
//
// Column after column over tiles of 16 KiB of scans: each column's run is written in
// order while the tile stays in the first-level cache. Scan after scan, every sample went
// to another column's run, whose addresses lie a power of two apart: from 16 columns up
// they evicted each other, and 32 columns took 17 times as long.
template <typename T>
void TransposeColumns(const T* in, std::uint64_t rows, std::uint64_t stride,
                      const std::vector<std::uint32_t>& columns, T* out, std::uint64_t first,
                      std::uint64_t height) {
    constexpr std::uint64_t kTileBytes = std::uint64_t{16} << 10;
    const std::uint64_t tile =
        std::max<std::uint64_t>(1, kTileBytes / sizeof(T) / std::max<std::uint64_t>(stride, 1));
    for (std::uint64_t start = 0; start < rows; start += tile) {
        const std::uint64_t end = std::min(rows, start + tile);
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const T* from = in + columns[j];
            T* to = out + j * height + first;
            for (std::uint64_t r = start; r < end; ++r) {
                to[r] = from[r * stride];
            }
        }
    }
}

}  // namespace vantrel
