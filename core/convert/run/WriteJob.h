// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What a writer works with and how it ends. A writer takes its samples from a SampleSource
// chunk by chunk of whole scans and writes through an OutputBuffer; the run creates the
// output, finishes or discards it and shows the message.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

#include "convert/formats/RecordingFacts.h"
#include "convert/output/OutputBuffer.h"
#include "convert/run/ConversionOptions.h"
#include "convert/run/Progress.h"
#include "convert/run/SampleSource.h"
#include "convert/run/Selection.h"
#include "platform/File.h"
#include "recording/LoadedRecording.h"

namespace vantrel {

enum class WriteResult {
    kWritten,           // the whole body went to the buffer (the run still checks the flush)
    kAllocationFailed,  // its conversion arrays or tables could not be had; nothing written
    kReadFailed,        // the sample source could not supply its bytes
    kWriteFailed,       // a write of the output failed
    kCancelled,         // the progress callback asked to stop
    kRefused,           // the format cannot hold a sample it met; WriteJob::refusal says why
};

struct WriteJob {
    const LoadedRecording& recording;  // header and queue; the samples come from `samples`
    const ConversionOptions& options;
    const SelectedPart& part;     // the scans and columns written
    const RecordingFacts& facts;  // of what is written: the part's columns and scans
    SampleSource& samples;        // whole scans of the part, from its first
    OutputBuffer& out;            // where a format writes its bytes
    std::string outputName;       // formats written by a library: the file it creates by name
    File* namedFile;              // and that file, open, for writes of the format's own (WriteAt)
    ProgressReporter& progress;
    std::string* refusal;  // set with kRefused: the message
    // Per position of a scan, the transducer of its scaled values; empty for none.
    std::span<const Transducer> transducers;
};

// Samples a writer converts per chunk (rounded down to whole scans, at least one scan), so
// memory stays bounded whatever the recording's size.
inline constexpr std::uint64_t kChunkSamples = std::uint64_t{1} << 16;

// The table's shape in 64 bits. Negative counts (never loaded) read as empty.
struct TableShape {
    std::uint64_t channels;  // samples per scan read
    std::uint64_t scans;
    std::uint64_t scansPerChunk;  // whole scans per chunk, at least one
    std::uint64_t columns;        // columns written per scan: `channels` unless some are selected

    std::uint64_t chunkSamples() const { return scansPerChunk * channels; }
};

// `chunkSamples`: samples a chunk may hold at most (whole scans, at least one). Of `scans`
// scans and `columns` columns where given (a selected part), else the header's.
TableShape ShapeOf(const RecordingHeader& header, std::uint64_t chunkSamples = kChunkSamples,
                   const SelectedPart* part = nullptr);

// The shape a writer converts in: the job's part, in chunks of `formatChunkSamples` unless
// the job's options ask for another size.
TableShape ShapeOf(const WriteJob& job, std::uint64_t formatChunkSamples = kChunkSamples);

// The sample bytes of `scans` whole scans of the recording `header` describes.
std::uint64_t SampleBytesOfScans(const RecordingHeader& header, std::uint64_t scans);

// The samples a writer converts: every sample of the part's scans.
inline std::uint64_t ConvertedSamples(const WriteJob& job) {
    const std::int16_t channels = job.recording.header.channelCount();
    return job.part.scans * static_cast<std::uint64_t>(std::max<std::int16_t>(channels, 0));
}

// Pulls the recording's samples chunk by chunk of whole scans and hands each chunk, with the
// number of samples and scans it holds, to `emit`, which may return false when it could not
// write the chunk. Stops at the first failure of the source or of the output, or when the
// progress callback asks to stop.
template <typename Emit>
WriteResult ForEachChunk(const WriteJob& job, const TableShape& shape, int elementSize, Emit emit) {
    std::uint64_t bytesDone = 0;
    for (std::uint64_t done = 0; done < shape.scans;) {
        const std::uint64_t scans = std::min(shape.scansPerChunk, shape.scans - done);
        const std::uint64_t samples = scans * shape.channels;
        const std::uint64_t bytes = samples * static_cast<std::uint64_t>(elementSize);
        const auto chunk = job.samples.Next(bytes);
        if (!chunk) {
            return job.progress.StopAsked(bytesDone) ? WriteResult::kCancelled
                                                     : WriteResult::kReadFailed;
        }
        bool emitted = true;
        if constexpr (std::is_same_v<decltype(emit(*chunk, samples, scans)), bool>) {
            emitted = emit(*chunk, samples, scans);
        } else {
            emit(*chunk, samples, scans);
        }
        if (!emitted || !job.out.ok()) {
            return WriteResult::kWriteFailed;
        }
        done += scans;
        bytesDone += bytes;
        if (!job.progress.Advance(bytesDone, job.out.written())) {
            return WriteResult::kCancelled;
        }
    }
    return job.out.ok() ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

}  // namespace vantrel
