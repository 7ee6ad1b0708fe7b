// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/WriteJob.h"

#include "recording/CardTable.h"

namespace vantrel {

TableShape ShapeOf(const RecordingHeader& header, std::uint64_t chunkSamples,
                   const SelectedPart* part) {
    const std::int64_t channels = header.channelCount();
    const std::int64_t scans = header.scanCount();
    TableShape shape{channels > 0 ? static_cast<std::uint64_t>(channels) : 0,
                     scans > 0 ? static_cast<std::uint64_t>(scans) : 0, 1, 0};
    shape.columns = shape.channels;
    if (part != nullptr) {
        shape.scans = part->scans;
        shape.columns = part->columns.size();
    }
    // Without channels a scan is an empty line: many of them make one chunk.
    shape.scansPerChunk = shape.channels > 0
                              ? std::max<std::uint64_t>(1, chunkSamples / shape.channels)
                              : chunkSamples;
    shape.scansPerChunk = std::min(shape.scansPerChunk, std::max<std::uint64_t>(1, shape.scans));
    return shape;
}

std::uint64_t SampleBytesOfScans(const RecordingHeader& header, std::uint64_t scans) {
    return scans * ShapeOf(header).channels *
           static_cast<std::uint64_t>(CardFacts(header.cardType()).elementSize);
}

TableShape ShapeOf(const WriteJob& job, std::uint64_t formatChunkSamples) {
    const std::uint64_t asked = job.options.chunkSamples;
    return ShapeOf(job.recording.header, asked > 0 ? asked : formatChunkSamples, &job.part);
}

}  // namespace vantrel
