// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Scan-major samples into MATLAB's column-major order, a run of scans per column.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "convert/scaling/SampleDecoding.h"

namespace vantrel {

// Calls visit(start, end) for tiles [start, end) of `rows` scans of `scanBytes` each, of
// 16 KiB together: each column's run is written in order while the tile stays in the
// first-level cache. Scan after scan, every sample went to another column's run, whose
// addresses lie a power of two apart: from 16 columns up they evicted each other, and 32
// columns took 17 times as long.
template <typename Visit>
void ForEachScanTile(std::uint64_t rows, std::uint64_t scanBytes, Visit visit) {
    constexpr std::uint64_t kTileBytes = std::uint64_t{16} << 10;
    const std::uint64_t tile =
        std::max<std::uint64_t>(1, kTileBytes / std::max<std::uint64_t>(scanBytes, 1));
    for (std::uint64_t start = 0; start < rows; start += tile) {
        visit(start, std::min(rows, start + tile));
    }
}

// Of `rows` scans of `stride` samples, the samples at `columns` into rows [first, first +
// rows) of a matrix of `height` rows, one matrix column each: out[j * height + first + r] =
// in[r * stride + columns[j]].
template <typename T>
void TransposeColumns(const T* in, std::uint64_t rows, std::uint64_t stride,
                      const std::vector<std::uint32_t>& columns, T* out, std::uint64_t first,
                      std::uint64_t height) {
    ForEachScanTile(rows, stride * sizeof(T), [&](std::uint64_t start, std::uint64_t end) {
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const T* from = in + columns[j];
            T* to = out + j * height + first;
            for (std::uint64_t r = start; r < end; ++r) {
                to[r] = from[r * stride];
            }
        }
    });
}

// TransposeColumns of a card's little-endian sample words (Code as SignedCodeAt takes it),
// decoded on the way into two matrices: their codes, and the values of recordings whose
// every value is its signed code x `step`. One pass reads each word once, where scaling and
// widening in scan order and transposing both took three passes over twice the bytes.
template <typename Code>
void TransposeLinearColumns(const std::uint8_t* in, std::uint64_t rows, std::uint64_t stride,
                            const std::vector<std::uint32_t>& columns, double step, Code* codes,
                            double* values, std::uint64_t first, std::uint64_t height) {
    const std::uint64_t scanBytes = stride * kWordBytesOf<Code>;
    ForEachScanTile(rows, scanBytes, [&](std::uint64_t start, std::uint64_t end) {
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const std::uint8_t* from = in + columns[j] * kWordBytesOf<Code>;
            Code* codeRun = codes + j * height + first;
            double* valueRun = values + j * height + first;
            for (std::uint64_t r = start; r < end; ++r) {
                const std::int32_t code = SignedCodeAt<Code>(from + r * scanBytes);
                codeRun[r] = static_cast<Code>(code);
                valueRun[r] = static_cast<double>(code) * step;
            }
        }
    });
}

}  // namespace vantrel
