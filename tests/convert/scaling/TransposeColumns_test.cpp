// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/TransposeColumns.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <numeric>

#include "recording/LittleEndian.h"

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

// The cases of TransposeLinearColumns against the scan order: `words` of the card's width,
// little-endian, and the matrices TransposeColumns makes of their codes and values. Counts
// the cells of either matrix that differ (values by their bits), untouched ones included.
template <typename Code>
std::uint64_t WrongLinearCells(const Case& c, const std::vector<std::uint32_t>& words,
                               double step) {
    constexpr std::size_t kWordBytes = sizeof(Code) == 2 ? 2 : 4;
    const std::uint64_t samples = c.stride * c.rows;
    std::vector<std::uint8_t> bytes(samples * kWordBytes);
    std::vector<Code> scanCodes(samples);
    std::vector<double> scanValues(samples);
    for (std::uint64_t i = 0; i < samples; ++i) {
        const std::uint32_t word = words[i % words.size()];
        if constexpr (kWordBytes == 2) {
            StoreLe16(bytes.data() + 2 * i, static_cast<std::uint16_t>(word));
            scanCodes[i] = static_cast<std::uint16_t>(word);
            scanValues[i] = static_cast<std::int16_t>(word) * step;
        } else {
            StoreLe32(bytes.data() + 4 * i, word);
            scanCodes[i] = Decode24(word);
            scanValues[i] = Decode24(word) * step;
        }
    }
    const std::size_t cells = c.columns.size() * c.height;
    std::vector<Code> codes(cells, 7), expectedCodes(cells, 7);
    std::vector<double> values(cells, -1.5), expectedValues(cells, -1.5);
    TransposeLinearColumns(bytes.data(), c.rows, c.stride, c.columns, step, codes.data(),
                           values.data(), c.first, c.height);
    TransposeColumns(scanCodes.data(), c.rows, c.stride, c.columns, expectedCodes.data(), c.first,
                     c.height);
    TransposeColumns(scanValues.data(), c.rows, c.stride, c.columns, expectedValues.data(), c.first,
                     c.height);
    std::uint64_t wrong = 0;
    for (std::size_t i = 0; i < cells; ++i) {
        wrong += codes[i] != expectedCodes[i];
        wrong += std::bit_cast<std::uint64_t>(values[i]) !=
                 std::bit_cast<std::uint64_t>(expectedValues[i]);
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
        // Decoded on the way: the signs of both widths, and 24-bit words whose upper byte is
        // set with bit 23 clear (kept) or with it set (ones).
        const std::vector<std::uint32_t> words = {
            0,        1,          0x7fff,     0x8000,     0xffff,     0x7fffff,  0x800000,
            0xffffff, 0x12345678, 0x00abcdef, 0xff000001, 0x80000000, 0x01800000};
        EXPECT_EQ(WrongLinearCells<std::uint16_t>(c, words, 10.0 / 32768), 0u);
        EXPECT_EQ(WrongLinearCells<std::int32_t>(c, words, 10.0 / 8388608), 0u);
    }
}

}  // namespace
}  // namespace vantrel
