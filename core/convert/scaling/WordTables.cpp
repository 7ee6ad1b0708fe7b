// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/WordTables.h"

#include <cstring>

#include "convert/scaling/ScaleSample.h"
#include "convert/text/FixedCellFormat.h"

namespace vantrel {

namespace {

// Fills a table of cells from `format(word, buffer)`; empty when a cell does not fit.
template <typename Format>
WordTable<CellText> Tabulate(Format format) {
    WordTable<CellText> table(kWordCount);
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

bool UsesWordTables(const RecordingHeader& header, std::optional<std::uint64_t> samples) {
    const std::int64_t all = std::int64_t{header.channelCount()} * header.scanCount();
    const std::uint64_t converted = samples.value_or(all > 0 ? static_cast<std::uint64_t>(all) : 0);
    return CardFacts(header.cardType()).elementSize == 2 && header.channelCount() > 0 &&
           converted >= kWordTableSamples;
}

WordTable<double> ScaledWordValues(ScalingRules rules, std::uint16_t rangeCode) {
    WordTable<double> values;
    // Whether a rule yields a value depends on the setting only, never on the word.
    if (!ScaleSample(rules, rangeCode, 0, 0)) {
        return values;
    }
    values.resize(kWordCount);
    for (std::size_t w = 0; w < kWordCount; ++w) {
        values[w] = *ScaleSample(rules, rangeCode, 0, static_cast<std::uint32_t>(w));
    }
    return values;
}

WordTable<CellText> ScaledWordCells(const CardInfo& card, std::uint16_t rangeCode) {
    if (!ScaleSample(card.rules, rangeCode, 0, 0)) {
        return {};
    }
    return Tabulate([&](std::uint16_t word, char* cell) {
        return FormatFixedCell(cell, *ScaleSample(card.rules, rangeCode, 0, word),
                               card.cellDecimals);
    });
}

WordTable<CellText> CodeWordCells() {
    return Tabulate([](std::uint16_t word, char* cell) { return FormatCodeCell(cell, word); });
}

}  // namespace vantrel
