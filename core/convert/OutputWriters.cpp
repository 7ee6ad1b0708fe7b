#include "convert/OutputWriters.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "convert/CellFormat.h"
#include "convert/SampleDecoding.h"
#include "convert/ScaleSampleBlock.h"
#include "convert/WidenCodes.h"
#include "convert/WordCellTable.h"
#include "recording/CardCatalogue.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The table's shape in 64 bits. Negative counts (never loaded) read as empty.
struct TableShape {
    std::uint64_t channels;
    std::uint64_t scans;
    std::uint64_t scansPerChunk;  // whole scans per chunk, at least one

    std::uint64_t chunkSamples() const { return scansPerChunk * channels; }
};

TableShape ShapeOf(const RecordingHeader& header) {
    const std::int64_t channels = header.channelCount();
    const std::int64_t scans = header.scanCount();
    TableShape shape{channels > 0 ? static_cast<std::uint64_t>(channels) : 0,
                     scans > 0 ? static_cast<std::uint64_t>(scans) : 0, 1};
    // Without channels a scan is an empty line: many of them make one chunk.
    shape.scansPerChunk = shape.channels > 0
                              ? std::max<std::uint64_t>(1, kChunkSamples / shape.channels)
                              : kChunkSamples;
    shape.scansPerChunk = std::min(shape.scansPerChunk, std::max<std::uint64_t>(1, shape.scans));
    return shape;
}

// Recordings of 16-bit cards with at least this many samples take their cells from word
// tables: building one costs about as much as formatting 65536 cells.
constexpr std::uint64_t kWordTableSamples = 4 * kChunkSamples;

// Per scan position, the table of cells its words give.
struct PositionCells {
    std::vector<WordCellTable> tables;
    std::vector<const CellText*> positions;  // channels entries, or none: format each cell
};

bool PaysForWordTables(const TableShape& shape, int elementSize) {
    return elementSize == 2 && shape.channels > 0 &&
           shape.channels * shape.scans >= kWordTableSamples;
}

// Scaled cells by table where every position has a rule that gives short cells.
PositionCells ScaledPositionCells(const ConversionState& state, const TableShape& shape) {
    const RecordingHeader& header = state.header;
    const std::int16_t card = header.cardType();
    PositionCells cells;
    if (!header.isCustomOrder()) {
        cells.tables.push_back(
            ScaledWordCells(card, static_cast<std::uint16_t>(header.rangeCode())));
        if (!cells.tables[0].empty()) {
            cells.positions.assign(shape.channels, cells.tables[0].data());
        }
        return cells;
    }
    if (state.queue.size() < shape.channels) {
        return cells;
    }
    // One table per range code in use.
    std::array<int, 256> tableOf;
    tableOf.fill(-1);
    for (std::uint64_t p = 0; p < shape.channels; ++p) {
        int& index = tableOf[state.queue[p].rangeCode];
        if (index < 0) {
            index = static_cast<int>(cells.tables.size());
            cells.tables.push_back(ScaledWordCells(card, state.queue[p].rangeCode));
            if (cells.tables.back().empty()) {
                return {};
            }
        }
    }
    for (std::uint64_t p = 0; p < shape.channels; ++p) {
        cells.positions.push_back(
            cells.tables[static_cast<std::size_t>(tableOf[state.queue[p].rangeCode])].data());
    }
    return cells;
}

// Pulls the recording's samples chunk by chunk of whole scans and hands each chunk, with the
// number of scans it holds, to `emit`. Stops at the first failure of the source or of `emit`.
template <typename Emit>
WriteResult ForEachChunk(const WriteJob& job, const TableShape& shape, int elementSize, Emit emit) {
    for (std::uint64_t done = 0; done < shape.scans;) {
        const std::uint64_t scans = std::min(shape.scansPerChunk, shape.scans - done);
        const std::uint64_t samples = scans * shape.channels;
        const auto bytes = job.samples.Next(samples * static_cast<std::uint64_t>(elementSize));
        if (!bytes) {
            return WriteResult::kReadFailed;
        }
        emit(*bytes, samples, scans);
        if (!job.out.ok()) {
            return WriteResult::kWriteFailed;
        }
        done += scans;
    }
    return job.out.ok() ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

// How a text table's lines are laid out.
struct LineLayout {
    std::uint64_t channels;
    std::string_view separator;
    std::size_t cellRoom;  // bytes a cell may need: kCellCapacity, or less for table cells

    // A line at its longest.
    std::size_t lineRoom() const {
        return static_cast<std::size_t>(channels) * (cellRoom + separator.size()) + kLineEnd.size();
    }
};

// Lines are formatted into one room of up to this many bytes at a time, with plain pointer
// stores; only unusually long lines take a room per cell.
constexpr std::size_t kRoomBytes = std::size_t{64} << 10;

// Formats the `scans` scans of a chunk as lines of cells joined by the separator
// straight into the output block. `cell(k, c, out)` formats cell k of the
// chunk, at scan position c, into out (room for layout.cellRoom bytes) and returns its
// length.
template <typename Cell>
void FormatRows(OutputBuffer& sink, const LineLayout& layout, std::uint64_t scans,
                const Cell& cell) {
    const std::uint64_t channels = layout.channels;
    const std::string_view separator = layout.separator;
    const std::size_t lineRoom = layout.lineRoom();
    std::uint64_t k = 0;
    if (lineRoom > kRoomBytes) {
        const std::size_t room = layout.cellRoom + std::max(separator.size(), kLineEnd.size());
        for (std::uint64_t s = 0; s < scans; ++s) {
            for (std::uint64_t c = 0; c < channels; ++c) {
                char* out = sink.Room(room);
                char* end = out + cell(k++, c, out);
                const std::string_view after = c + 1 < channels ? separator : kLineEnd;
                std::memcpy(end, after.data(), after.size());
                sink.Commit(static_cast<std::size_t>(end - out) + after.size());
            }
        }
        return;
    }
    // The separator is at most two bytes in every format: stored as two, advanced by its
    // length. Longer ones take the copy.
    char pair[2] = {' ', ' '};
    const bool shortSeparator = separator.size() <= 2;
    std::memcpy(pair, separator.data(), std::min<std::size_t>(separator.size(), 2));
    const std::size_t separatorSize = separator.size();
    const std::uint64_t linesPerRoom = kRoomBytes / lineRoom;
    for (std::uint64_t s = 0; s < scans;) {
        const std::uint64_t lines = std::min(linesPerRoom, scans - s);
        char* const start = sink.Room(static_cast<std::size_t>(lines) * lineRoom);
        char* out = start;
        for (std::uint64_t line = 0; line < lines; ++line) {
            for (std::uint64_t c = 0; c + 1 < channels; ++c) {
                out += cell(k++, c, out);
                if (shortSeparator) {
                    std::memcpy(out, pair, 2);
                } else {
                    std::memcpy(out, separator.data(), separatorSize);
                }
                out += separatorSize;
            }
            // The last cell ends the line; without channels a scan is an empty line.
            if (channels > 0) {
                out += cell(k++, channels - 1, out);
            }
            std::memcpy(out, kLineEnd.data(), 2);
            out += 2;
        }
        sink.Commit(static_cast<std::size_t>(out - start));
        s += lines;
    }
}

// Writes the text lines of every chunk. `prepare(bytes, samples)` turns a chunk's bytes into
// what its cells show and returns the chunk's cell function (see FormatRows). One thread
// does it all: a helper thread formatting half of each chunk was measured on the shared
// 2-core machine and brought nothing (its short tasks were woken on the busy core) or cost
// up to twice the time, so there is none.
template <typename Prepare>
WriteResult WriteTextChunks(const WriteJob& job, const TableShape& shape, int elementSize,
                            std::size_t cellRoom, Prepare prepare) {
    static_assert(kLineEnd.size() == 2);
    const LineLayout layout{shape.channels, Separator(job.state.separatorIndex), cellRoom};
    return ForEachChunk(
        job, shape, elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            FormatRows(job.out, layout, scans, prepare(bytes, samples));
        });
}

// The text of 16-bit words by table: cell k at position c is positions[c][word k].
WriteResult WriteTableCells(const WriteJob& job, const TableShape& shape,
                            const std::vector<const CellText*>& positions) {
    return WriteTextChunks(
        job, shape, 2, sizeof(CellText),
        [table = positions.data()](std::span<const std::uint8_t> bytes, std::uint64_t) {
            return [table, words = bytes.data()](std::uint64_t k, std::uint64_t c, char* cell) {
                const CellText& text = table[c][Word16At(words, k)];
                // The whole entry: a fixed-size copy, of which `length` bytes count.
                std::memcpy(cell, &text, sizeof text);
                return static_cast<std::size_t>(text.length);
            };
        });
}

}  // namespace

std::string ChannelLabel(int channel) {
    std::string label = "Channel_" + std::to_string(channel);
    const std::size_t width = 8 + 3;  // "Channel_" and a field of at least 3 characters
    if (label.size() < width) {
        label.append(width - label.size(), ' ');
    }
    return label;
}

void WriteTitleLines(const ConversionState& state, OutputBuffer& out) {
    const RecordingHeader& header = state.header;
    std::string line = ";Mervik DAQ Data of Card " + CardName(header.cardType());
    line.append(kLineEnd);
    out.Append(line);

    const std::string_view separator = Separator(state.separatorIndex);
    const int n = header.channelCount();
    std::vector<int> channels;
    if (n == 1) {
        channels.push_back(header.singleChannel());
    } else if (header.orderCode() == 0) {
        for (int i = 0; i < n; ++i) {
            channels.push_back(i);
        }
    } else if (header.orderCode() == 1) {
        for (int i = n - 1; i >= 0; --i) {
            channels.push_back(i);
        }
    } else if (header.orderCode() == 2) {
        // The run refuses a queue shorter than n; never read past the one held.
        const std::size_t count =
            std::min(state.queue.size(), static_cast<std::size_t>(std::max(n, 0)));
        for (std::size_t i = 0; i < count; ++i) {
            channels.push_back(state.queue[i].channel);
        }
    }
    line.clear();
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (i > 0) {
            line.append(separator);
        }
        line.append(ChannelLabel(channels[i]));
    }
    line.append(kLineEnd);
    out.Append(line);
}

WriteResult WriteScaledText(const WriteJob& job) {
    const RecordingHeader& header = job.state.header;
    const std::int16_t card = header.cardType();
    const int elementSize = CardElementSize(card);
    const int decimals = ScaledCellDecimals(card);
    if (elementSize == 0 || decimals < 0) {
        return WriteResult::kUnsupportedCard;
    }
    const TableShape shape = ShapeOf(header);
    std::vector<double> values;
    std::optional<SampleScaler> scaler;
    PositionCells cells;
    try {
        if (PaysForWordTables(shape, elementSize)) {
            cells = ScaledPositionCells(job.state, shape);
        }
        if (cells.positions.empty()) {
            values.resize(shape.chunkSamples());
            scaler.emplace(header, job.state.queue);
        }
    } catch (const std::bad_alloc&) {
        job.messages.ShowMessage(kScaledAllocationMessage);
        return WriteResult::kAllocationFailed;
    }

    if (job.state.titleFlag == 1) {
        WriteTitleLines(job.state, job.out);
    }
    if (!cells.positions.empty()) {
        return WriteTableCells(job, shape, cells.positions);
    }
    return WriteTextChunks(job, shape, elementSize, kCellCapacity,
                           [&](std::span<const std::uint8_t> bytes, std::uint64_t samples) {
                               scaler->Scale(bytes, std::span<double>(values.data(), samples));
                               return [chunk = values.data(), decimals](std::uint64_t k,
                                                                        std::uint64_t, char* cell) {
                                   return FormatFixedCell(cell, chunk[k], decimals);
                               };
                           });
}

WriteResult WriteScaledBinary(const WriteJob& job) {
    const RecordingHeader& header = job.state.header;
    const int elementSize = CardElementSize(header.cardType());
    if (elementSize == 0) {
        return WriteResult::kUnsupportedCard;
    }
    // A little-endian host writes its doubles as they are; any other stores each one.
    constexpr bool kStoreEach = std::endian::native != std::endian::little;
    const TableShape shape = ShapeOf(header);
    std::vector<double> values;
    std::vector<std::uint8_t> bytesOut;
    std::optional<SampleScaler> scaler;
    try {
        values.resize(shape.chunkSamples());
        if (kStoreEach) {
            bytesOut.resize(shape.chunkSamples() * 8);
        }
        scaler.emplace(header, job.state.queue);
    } catch (const std::bad_alloc&) {
        job.messages.ShowMessage(kScaledAllocationMessage);
        return WriteResult::kAllocationFailed;
    }

    return ForEachChunk(
        job, shape, elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t) {
            const std::span<double> chunk(values.data(), samples);
            scaler->Scale(bytes, chunk);
            const auto size = static_cast<std::size_t>(samples * 8);
            if constexpr (kStoreEach) {
                for (std::uint64_t i = 0; i < samples; ++i) {
                    StoreLeDouble(bytesOut.data() + 8 * i, chunk[i]);
                }
                job.out.Append(bytesOut.data(), size);
            } else {
                // Straight from the array: a chunk is a large write already.
                job.out.WriteThrough(values.data(), size);
            }
        });
}

WriteResult WriteCodesText(const WriteJob& job) {
    const RecordingHeader& header = job.state.header;
    const std::int16_t card = header.cardType();
    const int elementSize = CardElementSize(card);
    if (elementSize == 0) {
        return WriteResult::kUnsupportedCard;
    }
    const TableShape shape = ShapeOf(header);
    std::vector<std::int32_t> codes;
    WordCellTable table;
    try {
        if (PaysForWordTables(shape, elementSize)) {
            table = CodeWordCells();
        } else {
            codes.resize(shape.chunkSamples());
        }
    } catch (const std::bad_alloc&) {
        job.messages.ShowMessage(kCodesAllocationMessage);
        return WriteResult::kAllocationFailed;
    }

    if (job.state.titleFlag == 1) {
        WriteTitleLines(job.state, job.out);
    }
    if (!table.empty()) {
        return WriteTableCells(job, shape,
                               std::vector<const CellText*>(shape.channels, table.data()));
    }
    return WriteTextChunks(
        job, shape, elementSize, kCellCapacity,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples) {
            WidenCodes(bytes, std::span<std::int32_t>(codes.data(), samples), samples, card);
            return [chunk = codes.data()](std::uint64_t k, std::uint64_t, char* cell) {
                return FormatCodeCell(cell, chunk[k]);
            };
        });
}

}  // namespace vantrel
