#pragma once

// The text cell of every 16-bit word under one setting, made once by the cell formatters
// themselves: for a long recording of a 16-bit card, looking a cell up costs a fraction of
// scaling and formatting it, and gives exactly the same bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

struct CellText {
    static constexpr std::size_t kMaxLength = 15;

    char text[kMaxLength];
    std::uint8_t length;
};

// 65536 cells indexed by the word, or empty.
using WordCellTable = std::vector<CellText>;

inline constexpr std::size_t kWordCount = std::size_t{1} << 16;

// The scaled cell of each word of a 16-bit card (1, 2, 3 or 8) under rangeCode. Empty when
// the rule yields nothing (then the carried value shows, which a table cannot know) or a
// cell is longer than CellText::kMaxLength. Throws std::bad_alloc.
WordCellTable ScaledWordCells(std::int16_t cardType, std::uint16_t rangeCode);

// The "%11d" cell of each word read as unsigned, as the codes output of 16-bit cards shows
// it. Throws std::bad_alloc.
WordCellTable CodeWordCells();

}  // namespace vantrel
