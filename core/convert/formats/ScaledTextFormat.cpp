// SPDX-License-Identifier: BSD-3-Clause
// Scaled data to text file: the title lines when asked, then one line per scan, one cell
// per channel in the card type's fixed-point format.

#include <new>
#include <optional>
#include <vector>

#include "convert/formats/OutputFormats.h"
#include "convert/scaling/SampleDecoding.h"
#include "convert/text/DyadicCells.h"
#include "convert/text/FixedCellFormat.h"
#include "convert/text/ScaledCells.h"
#include "convert/text/TextTable.h"

namespace vantrel {

namespace {

WriteResult WriteScaledText(const WriteJob& job) {
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const TableShape shape = ShapeOf(job);
    ScaledCells<CellText> cells;
    std::optional<std::vector<DyadicStep>> steps;
    try {
        // Cells from the codes themselves, where no transducer changes the values.
        if (job.transducers.empty()) {
            steps = DyadicStepsOf(header, job.recording.queue);
        }
        if (!steps) {
            cells.Prepare(job, shape,
                          [&](std::uint16_t range) { return ScaledWordCells(card, range); });
        }
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    if (job.options.title) {
        WriteTitleLines(job.recording, job.part.columns, job.options.separator, job.out,
                        job.options.titleNames ? &job.facts.columns : nullptr);
    }
    if (steps) {
        // 24-bit codes whose every value is code x step: each cell from the code itself.
        const auto write = [&]<int Decimals>() {
            return WriteTextChunks(job, shape, card.elementSize, kCellCapacity,
                                   [&](std::span<const std::uint8_t> bytes, std::uint64_t) {
                                       return [words = bytes.data(), positions = steps->data()](
                                                  std::uint64_t k, std::uint64_t c, char* cell) {
                                           return FormatDyadicCellAs<Decimals>(
                                               cell, positions[c], Decode24(Word32At(words, k)));
                                       };
                                   });
        };
        switch (card.cellDecimals) {
            case 6:
                return write.template operator()<6>();
            case 7:
                return write.template operator()<7>();
            default:
                return write.template operator()<9>();
        }
    }
    if (cells.tabled()) {
        return WriteTableCells(job, shape, cells.columns);
    }
    const int decimals = card.cellDecimals;
    return WriteTextChunks(job, shape, card.elementSize, kCellCapacity,
                           [&](std::span<const std::uint8_t> bytes, std::uint64_t samples) {
                               cells.Scale(bytes, samples);
                               return [chunk = cells.values.data(), decimals](
                                          std::uint64_t k, std::uint64_t, char* cell) {
                                   return FormatFixedCell(cell, chunk[k], decimals);
                               };
                           });
}

}  // namespace

const OutputFormatInfo kScaledTextFormat = {
    .format = OutputFormat::kScaledText,
    .name = NameOf(OutputFormat::kScaledText),
    .listText = "Scaled data to text file",
    .description = "scaled values as text, one line per scan, one column per channel",
    .extension = ".cvt",
    .options = {FormatOption::kSeparator, FormatOption::kTitle},
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteScaledText,
};

}  // namespace vantrel
