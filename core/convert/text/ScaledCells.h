// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Where a text writer takes each scaled cell from: a table of every word's cell per column,
// for long 16-bit recordings where every column has one, or else the values of each chunk,
// scaled then formatted cell by cell.

#include <optional>
#include <vector>

#include "convert/run/WriteJob.h"
#include "convert/scaling/SampleScaler.h"
#include "convert/scaling/WordTables.h"

namespace vantrel {

template <typename Cell>
struct ScaledCells {
    PositionTables<Cell> tables;
    std::vector<const Cell*> columns;  // per column its table; empty: scale each chunk
    std::vector<double> values;        // a chunk's values, when scaled
    std::optional<SampleScaler> scaler;

    bool tabled() const { return !columns.empty(); }

    // `makeTable(rangeCode)` gives the table of a range code (empty without a rule).
    // Throws std::bad_alloc.
    template <typename MakeTable>
    void Prepare(const WriteJob& job, const TableShape& shape, MakeTable makeTable) {
        const LoadedRecording& recording = job.recording;
        // A transducer's values are not the tables' (a table per range, not per column).
        if (job.transducers.empty() && UsesWordTables(recording.header, ConvertedSamples(job))) {
            tables = TablesByPosition<Cell>(recording.header, recording.queue, makeTable);
            columns = TablesOfEveryColumn(tables, shape.channels);
        }
        if (!tabled()) {
            values.resize(shape.chunkSamples());
            scaler.emplace(recording.header, recording.queue, job.part.carried,
                           ConvertedSamples(job), job.transducers);
        }
    }

    // Scales a chunk's values where cells do not come from tables.
    void Scale(std::span<const std::uint8_t> bytes, std::uint64_t samples) {
        if (!tabled()) {
            scaler->Scale(bytes, std::span<double>(values.data(), samples));
        }
    }
};

}  // namespace vantrel
