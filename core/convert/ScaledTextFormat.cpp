// Scaled data to text file: the title lines when asked, then one line per scan, one cell
// per channel in the card type's fixed-point format.

#include <new>
#include <optional>
#include <vector>

#include "convert/FixedCellFormat.h"
#include "convert/OutputFormats.h"
#include "convert/SampleScaler.h"
#include "convert/TextTable.h"

namespace vantrel {

namespace {

WriteResult WriteScaledText(const WriteJob& job) {
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const TableShape shape = ShapeOf(header);
    PositionTables<CellText> tables;
    std::vector<const CellText*> columns;
    std::vector<double> values;
    std::optional<SampleScaler> scaler;
    try {
        // Long 16-bit recordings take each cell from a table where every column has one.
        if (UsesWordTables(header)) {
            tables = TablesByPosition<CellText>(header, job.recording.queue, [&](auto range) {
                return ScaledWordCells(card, range);
            });
            columns = TablesOfEveryColumn(tables, shape.channels);
        }
        if (columns.empty()) {
            values.resize(shape.chunkSamples());
            scaler.emplace(header, job.recording.queue);
        }
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    if (job.options.title) {
        WriteTitleLines(job.recording, job.options.separator, job.out);
    }
    if (!columns.empty()) {
        return WriteTableCells(job, shape, columns);
    }
    const int decimals = card.cellDecimals;
    return WriteTextChunks(job, shape, card.elementSize, kCellCapacity,
                           [&](std::span<const std::uint8_t> bytes, std::uint64_t samples) {
                               scaler->Scale(bytes, std::span<double>(values.data(), samples));
                               return [chunk = values.data(), decimals](std::uint64_t k,
                                                                        std::uint64_t, char* cell) {
                                   return FormatFixedCell(cell, chunk[k], decimals);
                               };
                           });
}

}  // namespace

const OutputFormatInfo kScaledTextFormat = {
    OutputFormat::kScaledText,
    "scaled-text",
    "Scaled data to text file",
    "scaled values as text, one line per scan, one column per channel",
    ".cvt",
    true,
    false,
    false,
    "Failed to allocate scaled data-array",
    &WriteScaledText,
};

}  // namespace vantrel
