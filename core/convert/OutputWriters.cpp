#include "convert/OutputWriters.h"

#include <algorithm>
#include <new>
#include <vector>

#include "convert/CellFormat.h"
#include "convert/SampleDecoding.h"
#include "convert/ScaleSampleBlock.h"
#include "convert/WidenCodes.h"
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

// Appends `scans` lines of `channels` cells each, joined by the separator, to `line` and
// then to the buffer. `cell(k, buffer)` formats cell k of the chunk and returns its length.
template <typename Cell>
void AppendRows(OutputBuffer& out, std::string& line, std::uint64_t channels, std::uint64_t scans,
                std::string_view separator, Cell cell) {
    char buffer[kCellCapacity];
    std::uint64_t k = 0;
    for (std::uint64_t s = 0; s < scans; ++s) {
        line.clear();
        for (std::uint64_t c = 0; c < channels; ++c) {
            line.append(buffer, cell(k++, buffer));
            if (c + 1 < channels) {
                line.append(separator);
            }
        }
        line.append(kLineEnd);
        out.Append(line);
    }
}

// Room for a typical line, so the line grows only for unusually wide cells.
std::string LineFor(std::uint64_t channels) {
    std::string line;
    line.reserve(static_cast<std::size_t>(channels) * 16 + kLineEnd.size());
    return line;
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
    if (elementSize == 0 || ScaledCellDecimals(card) < 0) {
        return WriteResult::kUnsupportedCard;
    }
    const TableShape shape = ShapeOf(header);
    std::vector<double> values;
    std::string line;
    try {
        values.resize(shape.chunkSamples());
        line = LineFor(shape.channels);
    } catch (const std::bad_alloc&) {
        job.messages.ShowMessage(kScaledAllocationMessage);
        return WriteResult::kAllocationFailed;
    }

    if (job.state.titleFlag == 1) {
        WriteTitleLines(job.state, job.out);
    }
    const std::string_view separator = Separator(job.state.separatorIndex);
    SampleScaler scaler(header, job.state.queue);
    return ForEachChunk(
        job, shape, elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            const std::span<double> chunk(values.data(), samples);
            scaler.Scale(bytes, chunk);
            AppendRows(job.out, line, shape.channels, scans, separator,
                       [&](std::uint64_t k, char* cell) {
                           return FormatScaledCell(cell, chunk[k], card);
                       });
        });
}

WriteResult WriteScaledBinary(const WriteJob& job) {
    const RecordingHeader& header = job.state.header;
    const int elementSize = CardElementSize(header.cardType());
    if (elementSize == 0) {
        return WriteResult::kUnsupportedCard;
    }
    const TableShape shape = ShapeOf(header);
    std::vector<double> values;
    std::vector<std::uint8_t> bytesOut;
    try {
        values.resize(shape.chunkSamples());
        bytesOut.resize(shape.chunkSamples() * 8);
    } catch (const std::bad_alloc&) {
        job.messages.ShowMessage(kScaledAllocationMessage);
        return WriteResult::kAllocationFailed;
    }

    SampleScaler scaler(header, job.state.queue);
    return ForEachChunk(
        job, shape, elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t) {
            const std::span<double> chunk(values.data(), samples);
            scaler.Scale(bytes, chunk);
            // Little-endian whatever the host.
            for (std::uint64_t i = 0; i < samples; ++i) {
                StoreLeDouble(bytesOut.data() + 8 * i, chunk[i]);
            }
            job.out.Append(bytesOut.data(), static_cast<std::size_t>(samples * 8));
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
    std::string line;
    try {
        codes.resize(shape.chunkSamples());
        line = LineFor(shape.channels);
    } catch (const std::bad_alloc&) {
        job.messages.ShowMessage(kCodesAllocationMessage);
        return WriteResult::kAllocationFailed;
    }

    if (job.state.titleFlag == 1) {
        WriteTitleLines(job.state, job.out);
    }
    const std::string_view separator = Separator(job.state.separatorIndex);
    return ForEachChunk(
        job, shape, elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            const std::span<std::int32_t> chunk(codes.data(), samples);
            WidenCodes(bytes, chunk, samples, card);
            AppendRows(job.out, line, shape.channels, scans, separator,
                       [&](std::uint64_t k, char* cell) { return FormatCodeCell(cell, chunk[k]); });
        });
}

}  // namespace vantrel
