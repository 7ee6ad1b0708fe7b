// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What each of the 65536 words of a 16-bit card gives under one rule: its scaled value, its
// scaled cell, its codes cell. For a long recording, looking a word up costs a fraction of
// scaling and formatting it, and gives exactly the same bytes: each table is made by the
// scaling rule and the cell formatter themselves.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "convert/scaling/ScanPositionSettings.h"
#include "platform/ChunkMemory.h"
#include "recording/CardTable.h"
#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

inline constexpr std::size_t kWordCount = std::size_t{1} << 16;

// A table of every word: half a MiB of values, 1 MiB of cells, made fresh by every long
// conversion, so it takes chunk memory (2 MiB pages where the system has them).
template <typename Entry>
using WordTable = ChunkVector<Entry>;

// Recordings of 16-bit cards with at least this many samples take their values and cells
// from tables: making a table of cells costs about as much as formatting 65536 of them.
inline constexpr std::uint64_t kWordTableSamples = 4 * kWordCount;

// True for a recording of a 16-bit card with at least kWordTableSamples samples to convert.
// `samples`: those converted, where fewer than the recording's.
bool UsesWordTables(const RecordingHeader& header,
                    std::optional<std::uint64_t> samples = std::nullopt);

// Every word's scaled value under one range code; empty when the rule yields nothing (then
// the carried value stands, which no table can know). Throws std::bad_alloc.
WordTable<double> ScaledWordValues(ScalingRules rules, std::uint16_t rangeCode);

// One text cell, at most kMaxLength characters.
struct CellText {
    static constexpr std::size_t kMaxLength = 15;

    char text[kMaxLength];
    std::uint8_t length;
};

// Every word's scaled cell under one range code; empty when the rule yields nothing or a cell
// is longer than CellText::kMaxLength. Throws std::bad_alloc.
WordTable<CellText> ScaledWordCells(const CardInfo& card, std::uint16_t rangeCode);

// Every word's "%11d" cell read as unsigned, as the codes output of 16-bit cards shows it.
// Throws std::bad_alloc.
WordTable<CellText> CodeWordCells();

// Per scan position (one per channel), the table its range code selects: one table per
// range code in use. A position without a setting (custom order: past the queue), or whose
// table is empty, has none (null).
template <typename Entry>
struct PositionTables {
    std::vector<WordTable<Entry>> tables;
    std::vector<const Entry*> positions;
};

// Builds the tables with `make(rangeCode)`, which returns a table or an empty one.
template <typename Entry, typename Make>
PositionTables<Entry> TablesByPosition(const RecordingHeader& header, const ChannelGainQueue& queue,
                                       Make make) {
    PositionTables<Entry> result;
    const std::vector<PositionSetting> settings = ScanPositionSettings(header, queue);
    const std::size_t channels =
        header.channelCount() > 0 ? static_cast<std::size_t>(header.channelCount()) : 0;
    std::vector<int> tableOfPosition(channels, -1);
    std::map<std::uint16_t, int> tableOfRange;
    for (std::size_t p = 0; p < settings.size(); ++p) {
        const std::uint16_t range = settings[p].ruleRange();
        const auto [at, added] =
            tableOfRange.try_emplace(range, static_cast<int>(result.tables.size()));
        if (added) {
            result.tables.push_back(make(range));
        }
        tableOfPosition[p] = at->second;
    }
    // Pointers once every table is made: adding tables moves them.
    for (const int index : tableOfPosition) {
        const auto* table = index < 0 ? nullptr : &result.tables[static_cast<std::size_t>(index)];
        result.positions.push_back(table == nullptr || table->empty() ? nullptr : table->data());
    }
    return result;
}

// Per column the table of its position; empty unless every column has one.
template <typename Entry>
std::vector<const Entry*> TablesOfEveryColumn(const PositionTables<Entry>& tables,
                                              std::uint64_t channels) {
    const std::vector<const Entry*>& columns = tables.positions;
    const bool complete = columns.size() == channels &&
                          std::find(columns.begin(), columns.end(), nullptr) == columns.end();
    return complete ? columns : std::vector<const Entry*>{};
}

}  // namespace vantrel
