// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/TransposeColumns.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>

namespace vantrel {
namespace {

struct Case {
    std::uint64_t stride;
    std::uint64_t rows;
    std::vector<std::uint32_t> columns;
    std::uint64_t first;
    std::uint64_t height;
};

// Transposes the samples 0, 1, 2... of `c` as T and counts the matrix's cells that do not
// hold their sample (or, outside the rows written, their -1 or 0xffff).
template <typename T>
std::uint64_t WrongCells(const Case& c) {
    std::vector<T> in(c.stride * c.rows);
    std::iota(in.begin(), in.end(), T{0});
    const T untouched = static_cast<T>(-1);
    std::vector<T> out(c.columns.size() * c.height, untouched);
    TransposeColumns(in.data(), c.rows, c.stride, c.columns, out.data(), c.first, c.height);
    std::uint64_t wrong = 0;
    for (std::size_t j = 0; j < c.columns.size(); ++j) {
        for (std::uint64_t r = 0; r < c.height; ++r) {
            const bool written = r >= c.first && r < c.first + c.rows;
            const T expected =
                written ? static_cast<T>((r - c.first) * c.stride + c.columns[j]) : untouched;
            wrong += out[j * c.height + r] != expected;
        }
    }
    return wrong;
}

// Every sample lands at its column's row, about the tiles' edges (a tile holds 16 KiB of
// scans: 256 scans of 8 doubles, 1024 of 8 words) and with selected, reordered and repeated
// columns, at an offset into a taller matrix; nothing else of the matrix is touched.
TEST(TransposeColumns, EachSelectedSampleGoesToItsColumnsRowAndNothingElseIsWritten) {
    const std::vector<Case> cases = {
        {1, 1, {0}, 0, 1},
        {8, 0, {0, 1}, 0, 4},                          // no scans
        {8, 10, {}, 0, 10},                            // no columns
        {8, 256, {0, 1, 2, 3, 4, 5, 6, 7}, 0, 256},    // one tile of doubles
        {8, 257, {0, 1, 2, 3, 4, 5, 6, 7}, 0, 257},    // one scan into the next
        {8, 1025, {0, 1, 2, 3, 4, 5, 6, 7}, 0, 1025},  // past a tile of words
        {3, 3000, {2, 0}, 7, 3100},                    // a part of the columns, lower
        {32, 1000, {31, 0, 31, 5}, 0, 1000},           // repeated, from a wide scan
        {5000, 3, {4999, 0, 2500}, 1, 4},              // a scan larger than a tile
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stride << " x " << c.rows);
        EXPECT_EQ(WrongCells<double>(c), 0u);
        EXPECT_EQ(WrongCells<std::uint16_t>(c), 0u);
    }
}

}  // namespace
}  // namespace vantrel
