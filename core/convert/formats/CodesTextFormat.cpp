// SPDX-License-Identifier: BSD-3-Clause
// Binary codes to text file: laid out like the scaled text, each cell "%11d" of the
// sample's widened code.

#include <new>
#include <vector>

#include "convert/formats/OutputFormats.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/text/FixedCellFormat.h"
#include "convert/text/TextTable.h"

namespace vantrel {

namespace {

WriteResult WriteCodesText(const WriteJob& job) {
    const RecordingHeader& header = job.recording.header;
    const std::int16_t cardType = header.cardType();
    const CardInfo& card = CardFacts(cardType);
    const TableShape shape = ShapeOf(job);
    WordTable<CellText> table;
    std::vector<std::int32_t> codes;
    try {
        if (UsesWordTables(header, ConvertedSamples(job))) {
            table = CodeWordCells();
        } else {
            codes.resize(shape.chunkSamples());
        }
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    if (job.options.title) {
        WriteTitleLines(job.recording, job.part.columns, job.options.separator, job.out,
                        job.options.titleNames ? &job.facts.columns : nullptr);
    }
    if (!table.empty()) {
        return WriteTableCells(job, shape,
                               std::vector<const CellText*>(shape.channels, table.data()));
    }
    return WriteTextChunks(
        job, shape, card.elementSize, kCellCapacity,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples) {
            WidenCodes(bytes, std::span<std::int32_t>(codes.data(), samples), samples, cardType);
            return [chunk = codes.data()](std::uint64_t k, std::uint64_t, char* cell) {
                return FormatCodeCell(cell, chunk[k]);
            };
        });
}

}  // namespace

const OutputFormatInfo kCodesTextFormat = {
    .format = OutputFormat::kCodesText,
    .name = NameOf(OutputFormat::kCodesText),
    .listText = "Binary codes to text file",
    .description = "the raw sample codes as decimal integers, laid out like scaled-text",
    .extension = ".cvt",
    .options = {FormatOption::kSeparator, FormatOption::kTitle},
    .allocationMessage = "Failed to allocate binary data-array",
    .write = &WriteCodesText,
};

}  // namespace vantrel
