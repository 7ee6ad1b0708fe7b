// SPDX-License-Identifier: BSD-3-Clause
// The MATLAB 5 matrices the converter writes itself must be the bytes matio writes for the
// same matrix: each shape, class and name length is written by matio and compared.

#include "convert/formats/Mat5Matrix.h"

#include <gtest/gtest.h>
#include <matio.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "recording/LittleEndian.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

struct Case {
    const char* name;
    Mat5Numeric type;
    std::uint32_t rows;
    std::uint32_t columns;
};

// The values i * 3 - 7 as the matrix's class: doubles, words, or signed codes.
std::vector<std::uint8_t> Values(const Case& c, std::vector<std::uint8_t>& little) {
    const std::uint64_t count = std::uint64_t{c.rows} * c.columns;
    const std::uint64_t width = Mat5ValueBytes(c.type);
    std::vector<std::uint8_t> native(count * width);
    little.resize(count * width);
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto value = static_cast<std::int64_t>(i) * 3 - 7;
        if (c.type == Mat5Numeric::kDouble) {
            const double d = static_cast<double>(value) / 4;
            std::memcpy(native.data() + i * 8, &d, 8);
            StoreLe64(little.data() + i * 8, std::bit_cast<std::uint64_t>(d));
        } else if (c.type == Mat5Numeric::kUint16) {
            const auto w = static_cast<std::uint16_t>(value);
            std::memcpy(native.data() + i * 2, &w, 2);
            StoreLe16(little.data() + i * 2, w);
        } else {
            const auto code = static_cast<std::int32_t>(value);
            std::memcpy(native.data() + i * 4, &code, 4);
            StoreLe32(little.data() + i * 4, static_cast<std::uint32_t>(code));
        }
    }
    return native;
}

TEST(Mat5Matrix, isTheElementMatioWritesForTheSameMatrix) {
    if (std::endian::native != std::endian::little) {
        GTEST_SKIP() << "matio writes in the machine's byte order";
    }
    const Case cases[] = {
        {"a", Mat5Numeric::kDouble, 1, 1},      // a name in its tag's 8 bytes
        {"abcd", Mat5Numeric::kUint16, 3, 1},   // longest such name; 6 value bytes
        {"codes", Mat5Numeric::kUint16, 1, 1},  // 2 value bytes and 6 of padding
        {"codes", Mat5Numeric::kInt32, 7, 5},   // 35 codes, 4 bytes of padding
        {"scaled", Mat5Numeric::kDouble, 1000, 17},
        {"abcdefgh", Mat5Numeric::kInt32, 2, 2},    // a name of 8 bytes, no padding
        {"abcdefghi", Mat5Numeric::kUint16, 5, 3},  // 9 bytes, padded to 16
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.rows) + "x" +
                     std::to_string(c.columns));
        std::vector<std::uint8_t> little;
        std::vector<std::uint8_t> native = Values(c, little);
        const std::string path = dir.File("matio.mat");
        mat_t* file = Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT5);
        ASSERT_NE(file, nullptr);
        std::size_t dims[2] = {c.rows, c.columns};
        const matio_classes kind = c.type == Mat5Numeric::kDouble   ? MAT_C_DOUBLE
                                   : c.type == Mat5Numeric::kUint16 ? MAT_C_UINT16
                                                                    : MAT_C_INT32;
        const matio_types type = c.type == Mat5Numeric::kDouble   ? MAT_T_DOUBLE
                                 : c.type == Mat5Numeric::kUint16 ? MAT_T_UINT16
                                                                  : MAT_T_INT32;
        matvar_t* var =
            Mat_VarCreate(c.name, kind, type, 2, dims, native.data(), MAT_F_DONT_COPY_DATA);
        ASSERT_EQ(Mat_VarWrite(file, var, MAT_COMPRESSION_NONE), 0);
        Mat_VarFree(var);
        Mat_Close(file);

        const std::vector<std::uint8_t> written = test::ReadFileBytes(path);
        const Mat5Matrix matrix = Mat5MatrixOf(c.name, c.type, c.rows, c.columns);
        std::vector<std::uint8_t> ours(written.begin(), written.begin() + 128);
        ours.insert(ours.end(), matrix.head.begin(), matrix.head.end());
        ours.insert(ours.end(), little.begin(), little.end());
        ours.resize(ours.size() + matrix.padding);
        EXPECT_EQ(matrix.valueBytes, little.size());
        EXPECT_EQ(written.size(), 128 + matrix.size());
        EXPECT_TRUE(ours == written)
            << "the first difference is at byte "
            << std::mismatch(ours.begin(), ours.end(), written.begin(), written.end()).first -
                   ours.begin();
    }
}

}  // namespace
}  // namespace vantrel
