// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// An uncompressed MATLAB 5 numeric matrix element, little-endian, in the layout matio
// writes one: the element's tag, its array flags, dimensions and name, the tag of its real
// part, the values column by column, and zeros to the next multiple of 8 bytes. Its size is
// known from its shape alone, so a writer can place the values of each column as the rows
// arrive instead of holding the matrix.

#include <cstdint>
#include <string_view>
#include <vector>

namespace vantrel {

enum class Mat5Numeric { kDouble, kUint16, kInt32 };

struct Mat5Matrix {
    std::vector<std::uint8_t> head;  // every byte before the first value
    std::uint64_t valueBytes = 0;    // rows x columns values, column-major
    std::uint64_t padding = 0;       // zeros after the values

    std::uint64_t size() const { return head.size() + valueBytes + padding; }
};

// Bytes of one value of `type`.
std::uint64_t Mat5ValueBytes(Mat5Numeric type);

// A `rows` x `columns` matrix of `type` named `name` (ASCII, 1 to 63 characters). Its size
// must stay below 4 GiB, which a MATLAB 5 element cannot exceed.
Mat5Matrix Mat5MatrixOf(std::string_view name, Mat5Numeric type, std::uint32_t rows,
                        std::uint32_t columns);

}  // namespace vantrel
