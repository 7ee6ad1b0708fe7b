// SPDX-License-Identifier: BSD-3-Clause
#include "convert/formats/Mat5Matrix.h"

#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

// MATLAB 5's data types and array classes.
constexpr std::uint32_t kMiInt8 = 1;
constexpr std::uint32_t kMiUint16 = 4;
constexpr std::uint32_t kMiInt32 = 5;
constexpr std::uint32_t kMiUint32 = 6;
constexpr std::uint32_t kMiDouble = 9;
constexpr std::uint32_t kMiMatrix = 14;
constexpr std::uint32_t kMxDoubleClass = 6;
constexpr std::uint32_t kMxUint16Class = 11;
constexpr std::uint32_t kMxInt32Class = 12;

std::uint64_t PaddingTo8(std::uint64_t bytes) {
    return (8 - bytes % 8) % 8;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    const std::size_t at = out.size();
    out.resize(at + 4);
    StoreLe32(out.data() + at, value);
}

}  // namespace

std::uint64_t Mat5ValueBytes(Mat5Numeric type) {
    switch (type) {
        case Mat5Numeric::kDouble:
            return 8;
        case Mat5Numeric::kUint16:
            return 2;
        case Mat5Numeric::kInt32:
            return 4;
    }
    return 0;
}

Mat5Matrix Mat5MatrixOf(std::string_view name, Mat5Numeric type, std::uint32_t rows,
                        std::uint32_t columns) {
    const std::uint32_t dataType = type == Mat5Numeric::kDouble   ? kMiDouble
                                   : type == Mat5Numeric::kUint16 ? kMiUint16
                                                                  : kMiInt32;
    const std::uint32_t arrayClass = type == Mat5Numeric::kDouble   ? kMxDoubleClass
                                     : type == Mat5Numeric::kUint16 ? kMxUint16Class
                                                                    : kMxInt32Class;
    Mat5Matrix matrix;
    matrix.valueBytes = std::uint64_t{rows} * columns * Mat5ValueBytes(type);
    matrix.padding = PaddingTo8(matrix.valueBytes);
    std::vector<std::uint8_t>& head = matrix.head;
    Put32(head, kMiMatrix);
    Put32(head, 0);          // the element's size, once the head is complete
    Put32(head, kMiUint32);  // array flags: the class, no complex, global or logical bit
    Put32(head, 8);
    Put32(head, arrayClass);
    Put32(head, 0);
    Put32(head, kMiInt32);  // dimensions
    Put32(head, 8);
    Put32(head, rows);
    Put32(head, columns);
    const auto length = static_cast<std::uint32_t>(name.size());
    if (length <= 4) {
        // A name of up to 4 bytes shares its tag's 8 bytes: the length in the upper half.
        Put32(head, length << 16 | kMiInt8);
    } else {
        Put32(head, kMiInt8);
        Put32(head, length);
    }
    head.insert(head.end(), name.begin(), name.end());
    head.resize(head.size() + (length <= 4 ? 4 - length : PaddingTo8(length)));
    Put32(head, dataType);
    Put32(head, static_cast<std::uint32_t>(matrix.valueBytes));
    StoreLe32(head.data() + 4,
              static_cast<std::uint32_t>(head.size() - 8 + matrix.valueBytes + matrix.padding));
    return matrix;
}

}  // namespace vantrel
