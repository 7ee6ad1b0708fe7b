// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The selected columns of a chunk of whole scans, gathered scan by scan: the writers that
// hand their values on in arrays convert whole scans, then keep what was selected.

#include <cstdint>
#include <vector>

namespace vantrel {

// out[s * columns.size() + j] = in[s * stride + columns[j]] for the `scans` scans.
template <typename T>
void PickColumns(const T* in, std::uint64_t scans, std::uint64_t stride,
                 const std::vector<std::uint32_t>& columns, T* out) {
    const std::size_t width = columns.size();
    for (std::uint64_t s = 0; s < scans; ++s, in += stride, out += width) {
        for (std::size_t j = 0; j < width; ++j) {
            out[j] = in[columns[j]];
        }
    }
}

}  // namespace vantrel
