// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The text tables of the scaled and codes outputs: the two title lines, and one line per
// scan of cells joined by the separator, each line ending in CR LF. Lines are formatted
// straight into the output block.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "convert/run/WriteJob.h"
#include "convert/scaling/WordTables.h"
#include "convert/text/Separators.h"

namespace vantrel {

inline constexpr std::string_view kLineEnd = "\r\n";

// The channel each column holds, as title line 2 names it: for one channel the single
// channel; for ascending, descending and custom order the channel of each position (custom
// order: of queue entries 0 to n - 1, never past the queue held); for any other order none.
std::vector<int> TitleChannels(const RecordingHeader& header, const ChannelGainQueue& queue);

// The label of a channel in title line 2: "Channel_%-3d".
std::string ChannelLabel(int channel);

// ";Mervik DAQ Data of Card %s" and the labels of the channels `columns` hold (positions in
// a scan), each line ending in CR LF; where `named` is given, the names of its columns
// (the written columns' facts) instead of the labels.
void WriteTitleLines(const LoadedRecording& recording, const std::vector<std::uint32_t>& columns,
                     Separator separator, OutputBuffer& out,
                     const std::vector<ColumnFacts>* named = nullptr);

// How a text table's lines are laid out.
struct LineLayout {
    std::uint64_t channels;  // cells per line
    std::string_view separator;
    std::size_t cellRoom;  // bytes a cell may need: kCellCapacity, or less for table cells
    // The positions in a scan that the cells show, in order, and the samples a scan holds;
    // null: every position in scan order (then `stride` is `channels`).
    const std::uint32_t* columns = nullptr;
    std::uint64_t stride = 0;

    // A line at its longest.
    std::size_t lineRoom() const {
        return static_cast<std::size_t>(channels) * (cellRoom + separator.size()) + kLineEnd.size();
    }
};

// Lines are formatted into one room of up to this many bytes at a time, with plain pointer
// stores; only unusually long lines take a room per cell.
inline constexpr std::size_t kRoomBytes = std::size_t{64} << 10;

// FormatRows with the position of cell j of a line given by `position(j)`.
template <typename Cell, typename Position>
void FormatRowsAt(OutputBuffer& sink, const LineLayout& layout, std::uint64_t scans,
                  const Cell& cell, std::uint64_t stride, Position position) {
    static_assert(kLineEnd.size() == 2);
    const std::uint64_t channels = layout.channels;
    const std::string_view separator = layout.separator;
    const std::size_t lineRoom = layout.lineRoom();
    if (lineRoom > kRoomBytes) {
        const std::size_t room = layout.cellRoom + std::max(separator.size(), kLineEnd.size());
        for (std::uint64_t s = 0; s < scans; ++s) {
            for (std::uint64_t c = 0; c < channels; ++c) {
                char* out = sink.Room(room);
                const std::uint64_t p = position(c);
                char* end = out + cell(s * stride + p, p, out);
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
    std::uint64_t base = 0;  // the line's first sample
    for (std::uint64_t s = 0; s < scans;) {
        const std::uint64_t lines = std::min(linesPerRoom, scans - s);
        char* const start = sink.Room(static_cast<std::size_t>(lines) * lineRoom);
        char* out = start;
        for (std::uint64_t line = 0; line < lines; ++line, base += stride) {
            for (std::uint64_t c = 0; c + 1 < channels; ++c) {
                const std::uint64_t p = position(c);
                out += cell(base + p, p, out);
                if (shortSeparator) {
                    std::memcpy(out, pair, 2);
                } else {
                    std::memcpy(out, separator.data(), separatorSize);
                }
                out += separatorSize;
            }
            // The last cell ends the line; without channels a scan is an empty line.
            if (channels > 0) {
                const std::uint64_t p = position(channels - 1);
                out += cell(base + p, p, out);
            }
            std::memcpy(out, kLineEnd.data(), 2);
            out += 2;
        }
        sink.Commit(static_cast<std::size_t>(out - start));
        s += lines;
    }
}

// Formats the `scans` scans of a chunk as lines of cells joined by the separator straight
// into the output block. `cell(k, c, out)` formats sample k of the chunk, at scan position
// c, into out (room for layout.cellRoom bytes) and returns its length.
template <typename Cell>
void FormatRows(OutputBuffer& sink, const LineLayout& layout, std::uint64_t scans,
                const Cell& cell) {
    if (layout.columns == nullptr) {
        FormatRowsAt(sink, layout, scans, cell, layout.channels, [](std::uint64_t c) { return c; });
    } else {
        FormatRowsAt(
            sink, layout, scans, cell, layout.stride,
            [columns = layout.columns](std::uint64_t c) -> std::uint64_t { return columns[c]; });
    }
}

// Writes the text lines of every chunk. `prepare(bytes, samples)` turns a chunk's bytes into
// what its cells show and returns the chunk's cell function (see FormatRows). One thread
// does it all: a helper thread formatting half of each chunk (SplitChunk.h) was measured on
// the 2-core machine and brought nothing for 16-bit cells (their tables make them a matter
// of memory traffic) and cost 5-15% for 24-bit ones, whose formatting and the writing
// thread's copying into the file already keep both cores busy.
template <typename Prepare>
WriteResult WriteTextChunks(const WriteJob& job, const TableShape& shape, int elementSize,
                            std::size_t cellRoom, Prepare prepare) {
    LineLayout layout{shape.columns, SeparatorText(job.options.separator), cellRoom};
    if (!job.part.everyColumn) {
        layout.columns = job.part.columns.data();
        layout.stride = shape.channels;
    }
    return ForEachChunk(
        job, shape, elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            FormatRows(job.out, layout, scans, prepare(bytes, samples));
        });
}

// The text of 16-bit words by table: cell k at position c is positions[c][word k]; every
// position has a table.
WriteResult WriteTableCells(const WriteJob& job, const TableShape& shape,
                            const std::vector<const CellText*>& positions);

}  // namespace vantrel
