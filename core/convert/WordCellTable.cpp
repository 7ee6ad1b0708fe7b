#include "convert/WordCellTable.h"

#include <cstring>

#include "convert/CellFormat.h"
#include "convert/ScaleSample.h"

namespace vantrel {

namespace {

// Fills the table from `format(word, buffer)`; empty when a cell does not fit.
template <typename Format>
WordCellTable Tabulate(Format format) {
    WordCellTable table(kWordCount);
    char cell[kCellCapacity];
    for (std::size_t w = 0; w < kWordCount; ++w) {
        const std::size_t length = format(static_cast<std::uint16_t>(w), cell);
        if (length > CellText::kMaxLength) {
            return {};
        }
        std::memcpy(table[w].text, cell, length);
        table[w].length = static_cast<std::uint8_t>(length);
    }
    return table;
}

}  // namespace

WordCellTable ScaledWordCells(std::int16_t cardType, std::uint16_t rangeCode) {
    if (!ScaleSample(cardType, rangeCode, 0, 0)) {
        return {};
    }
    return Tabulate([&](std::uint16_t word, char* cell) {
        return FormatScaledCell(cell, *ScaleSample(cardType, rangeCode, 0, word), cardType);
    });
}

WordCellTable CodeWordCells() {
    return Tabulate([](std::uint16_t word, char* cell) { return FormatCodeCell(cell, word); });
}

}  // namespace vantrel
