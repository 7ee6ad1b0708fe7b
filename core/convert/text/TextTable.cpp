// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/TextTable.h"

#include "convert/formats/RecordingFacts.h"
#include "convert/scaling/SampleDecoding.h"
#include "recording/CardCatalogue.h"

namespace vantrel {

std::vector<int> TitleChannels(const RecordingHeader& header, const ChannelGainQueue& queue) {
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
    } else if (header.isCustomOrder()) {
        // The run refuses a queue shorter than n; never read past the one held.
        const std::size_t count = std::min(queue.size(), static_cast<std::size_t>(std::max(n, 0)));
        for (std::size_t i = 0; i < count; ++i) {
            channels.push_back(queue[i].channel);
        }
    }
    return channels;
}

std::string ChannelLabel(int channel) {
    std::string label = ColumnName(channel);
    const std::size_t width = 8 + 3;  // "Channel_" and a field of at least 3 characters
    if (label.size() < width) {
        label.append(width - label.size(), ' ');
    }
    return label;
}

void WriteTitleLines(const LoadedRecording& recording, const std::vector<std::uint32_t>& columns,
                     Separator separator, OutputBuffer& out,
                     const std::vector<ColumnFacts>* named) {
    std::string line = ";Mervik DAQ Data of Card " + CardName(recording.header.cardType());
    line.append(kLineEnd);
    out.Append(line);

    if (named != nullptr) {
        line.clear();
        for (std::size_t c = 0; c < named->size(); ++c) {
            if (c > 0) {
                line.append(SeparatorText(separator));
            }
            line.append((*named)[c].name);
        }
        line.append(kLineEnd);
        out.Append(line);
        return;
    }

    // An order that names no channels labels no column.
    const std::vector<int> channels = TitleChannels(recording.header, recording.queue);
    line.clear();
    bool first = true;
    for (const std::uint32_t position : columns) {
        if (position >= channels.size()) {
            continue;
        }
        if (!first) {
            line.append(SeparatorText(separator));
        }
        first = false;
        line.append(ChannelLabel(channels[position]));
    }
    line.append(kLineEnd);
    out.Append(line);
}

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

}  // namespace vantrel
