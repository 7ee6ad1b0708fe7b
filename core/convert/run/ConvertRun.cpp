// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/ConvertRun.h"

#include <filesystem>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "convert/formats/OutputFormats.h"
#include "convert/formats/ScanTime.h"
#include "convert/scaling/SampleScaler.h"
#include "platform/Utf8Path.h"
#include "recording/CardTable.h"
#include "recording/LoadRecording.h"

namespace vantrel {

namespace {

// Bytes a library's file is copied in when it goes to a device or pipe.
constexpr std::uint64_t kCopyBlock = std::uint64_t{1} << 20;

// A library writes its file by name; a device or pipe has none it could seek in, so such a
// file is written in the temporary folder and copied to the output after.
WriteResult WriteByName(const WriteJob& job, const OutputFormatInfo& format, FileApi& files,
                        File& output) {
    // The libraries keep process-wide state without locks of their own (HDF5 as Debian
    // builds it, matio on top of it, EDFlib's table of open files): one such file at a time,
    // whichever thread converts.
    static std::mutex libraryLock;
    const std::lock_guard<std::mutex> held(libraryLock);
    if (const std::string name = output.outputName(); !name.empty()) {
        WriteJob named = job;
        named.outputName = name;
        named.namedFile = &output;
        return format.write(named);
    }
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    File scratch = File::CreateScratch(files, ec ? std::string("/tmp") : Utf8FromPath(folder));
    if (!scratch || scratch.outputName().empty()) {
        return WriteResult::kWriteFailed;
    }
    WriteJob named = job;
    named.outputName = scratch.outputName();
    named.namedFile = &scratch;
    const WriteResult result = format.write(named);
    if (result != WriteResult::kWritten) {
        return result;  // the scratch file goes with its owner
    }
    File written = File::OpenForRead(files, named.outputName);
    std::vector<std::uint8_t> block(kCopyBlock);
    for (std::int64_t got = 1; got > 0;) {
        got = written ? written.Read(block.data(), block.size()) : -1;
        if (got < 0) {
            return WriteResult::kWriteFailed;
        }
        job.out.Append(block.data(), static_cast<std::size_t>(got));
    }
    return job.out.ok() ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

// Lets the writer of the chosen format write the body into `output`.
WriteResult WriteBody(const LoadedRecording& recording, const ConversionOptions& options,
                      const ChannelNames& names, const SelectedPart& part, File& output,
                      SampleSource& samples, const OutputFormatInfo& format,
                      const Platform& platform, const ProgressCallback& progress,
                      std::string& refusal) {
    try {
        // Blocks are written on the second core while the next is formatted.
        OutputBuffer out(output, OutputBuffer::kDefaultCapacity, true);
        ProgressReporter reporter(progress, part.narrowed
                                                ? SampleBytesOfScans(recording.header, part.scans)
                                                : samples.size());
        const RecordingFacts facts = FactsOf(recording, part, names);
        const std::vector<Transducer> transducers =
            TransducersByPosition(FactsOf(recording, names));
        const WriteJob job{recording, options, part,     facts,    samples,    out,
                           {},        nullptr, reporter, &refusal, transducers};
        const WriteResult result =
            format.byName ? WriteByName(job, format, platform.files, output) : format.write(job);
        if (result == WriteResult::kWritten && !out.Flush()) {
            return WriteResult::kWriteFailed;
        }
        return result;
    } catch (const std::bad_alloc&) {
        // Memory ran out outside the writer's own arrays (the output block, a line).
        return WriteResult::kAllocationFailed;
    }
}

// Moves `samples` on to the part's first scan, taking the scan before it for the carried
// value there: the rest before it is passed over unread where the source can seek. kWritten
// when the part's first scan comes next; else why it cannot.
WriteResult StartAt(const LoadedRecording& recording, SelectedPart& part, SampleSource& samples) {
    if (part.firstScan == 0) {
        return WriteResult::kWritten;
    }
    const std::uint64_t scanBytes = SampleBytesOfScans(recording.header, 1);
    if (!samples.Skip((part.firstScan - 1) * scanBytes)) {
        return WriteResult::kReadFailed;
    }
    const auto before = samples.Next(scanBytes);
    if (!before) {
        return WriteResult::kReadFailed;
    }
    try {
        part.carried = CarriedValueAfter(recording.header, recording.queue, *before);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }
    return WriteResult::kWritten;
}

// The outcome of a writer's result, with its message.
Outcome EndOf(WriteResult result, const ConversionRequest& request, const OutputFormatInfo& format,
              std::string refusal, const Platform& platform) {
    switch (result) {
        case WriteResult::kWritten:
            return Shown(platform.messages, OutcomeKind::kDone, SuccessMessage(request.outputPath));
        case WriteResult::kAllocationFailed:
            return Shown(platform.messages, OutcomeKind::kFailed,
                         std::string(format.allocationMessage));
        case WriteResult::kReadFailed:
            return Shown(platform.messages, OutcomeKind::kUnreadable, kReadErrorMessage);
        case WriteResult::kWriteFailed:
            break;
        case WriteResult::kCancelled:
            return Shown(platform.messages, OutcomeKind::kCancelled, kCancelledMessage);
        case WriteResult::kRefused:
            return Shown(platform.messages, OutcomeKind::kRefused, std::move(refusal));
    }
    return Shown(platform.messages, OutcomeKind::kFailed, kWriteOutputErrorMessage);
}

}  // namespace

std::string SuccessMessage(const std::string& outputPath) {
    return "Write to " + outputPath + " successful!";
}

std::optional<std::string> CheckConvertible(const RecordingHeader& header,
                                            const ChannelGainQueue& queue,
                                            std::uint64_t sampleBytes) {
    const CardInfo& card = CardFacts(header.cardType());
    if (!card.converts()) {
        return kUnsupportedCardMessage;
    }
    const std::int64_t channels = header.channelCount();
    const std::int64_t scans = header.scanCount();
    // A negative count never reaches here (the load refuses it), but stay safe.
    if (header.elementSize() != card.elementSize || channels < 0 || scans < 0 ||
        static_cast<std::uint64_t>(channels * scans) *
                static_cast<std::uint64_t>(card.elementSize) >
            sampleBytes) {
        return kWidthMismatchMessage;
    }
    if (header.isCustomOrder()) {
        if (static_cast<std::int64_t>(queue.size()) < channels) {
            return kQueueTooShortMessage;
        }
        // Input kinds are held for channels 0 to 7 only.
        if (card.inputKinds) {
            for (std::int64_t p = 0; p < channels; ++p) {
                if (queue[static_cast<std::size_t>(p)].channel > 7) {
                    return kChannelOutOfRangeMessage;
                }
            }
        }
    }
    return std::nullopt;
}

Outcome ConvertToOutput(const LoadedRecording& recording, const ConversionRequest& request,
                        SampleSource& samples, const Platform& platform,
                        const ProgressCallback& progress) {
    if (request.outputPath.empty()) {
        return Shown(platform.messages, OutcomeKind::kFailed, kNoOutputNameMessage);
    }
    const OutputFormatInfo& format = FormatInfo(request.options.format);
    auto unconvertible = CheckConvertible(recording.header, recording.queue, samples.size());
    if (unconvertible) {
        return Shown(platform.messages, OutcomeKind::kRefused, std::move(*unconvertible));
    }
    Result<SelectedPart> part = ResolveSelection(recording, request.selection);
    if (!part) {
        return Shown(platform.messages, part.failure().kind, part.failure().message);
    }
    if (format.refuse != nullptr) {
        unconvertible = format.refuse(recording.header, *part);
    }
    if (!unconvertible && format.options.Has(FormatOption::kTimeBase) &&
        request.options.timeBase == TimeBase::kAbsolute) {
        unconvertible = RefuseClockTimes(recording.header);
    }
    if (unconvertible) {
        return Shown(platform.messages, OutcomeKind::kRefused, std::move(*unconvertible));
    }
    // Names of channels the recording does not have, as a selection of them would be.
    if (!request.names.empty()) {
        std::vector<std::int32_t> channels;
        for (const ColumnFacts& column : FactsOf(recording).columns) {
            channels.push_back(column.channel);
        }
        if (auto unknown = RefuseUnknownChannels(request.names, channels)) {
            return Shown(platform.messages, OutcomeKind::kNotInRecording, std::move(*unknown));
        }
    }
    // Writing the output would destroy the recording itself.
    if (platform.files.IsSameFile(request.outputPath, recording.loadedPath)) {
        return Shown(platform.messages, OutcomeKind::kRefused, kOutputIsInputMessage);
    }

    File output = format.byName ? File::CreateNamedOutput(platform.files, request.outputPath)
                                : File::CreateOutput(platform.files, request.outputPath);
    if (!output) {
        return Shown(platform.messages, OutcomeKind::kFailed, kOpenOutputErrorMessage);
    }
    std::string refusal;
    WriteResult result = StartAt(recording, *part, samples);
    if (result == WriteResult::kWritten) {
        result = WriteBody(recording, request.options, request.names, *part, output, samples,
                           format, platform, progress, refusal);
    }
    // Finishing puts a complete output in place; an unfinished one is discarded as it goes.
    if (result == WriteResult::kWritten && !output.Finish()) {
        result = WriteResult::kWriteFailed;
    }
    output = {};
    return EndOf(result, request, format, std::move(refusal), platform);
}

Outcome RunConversion(const ConversionRequest& request, const Platform& platform,
                      const ProgressCallback& progress) {
    if (request.loaded != nullptr) {
        const LoadedRecording& recording = *request.loaded;
        if (!recording.samples) {
            return Shown(platform.messages, OutcomeKind::kRefused, kNoSourceDataMessage);
        }
        // A selected part names no digest: the command line, which reads only the part,
        // has none to give, and both give the same file.
        MemorySampleSource source(recording.samples->bytes(),
                                  TakesWholeRecording(recording, request.selection)
                                      ? recording.sourceSha256
                                      : std::string());
        return ConvertToOutput(recording, request, source, platform, progress);
    }
    OpenedRecording opened = OpenRecordingSamples(request.inputPath, platform);
    if (!opened.load.outcome.done()) {
        return std::move(opened.load.outcome);
    }
    // The recording is read while converting and closed on every way out.
    File input = std::move(opened.file);
    for (const std::string& other : request.otherInputs) {
        if (platform.files.IsSameFile(request.outputPath, other)) {
            return Shown(platform.messages, OutcomeKind::kRefused, kOutputIsInputMessage);
        }
    }
    FileSampleSource source(input, opened.sampleBytes,
                            FormatInfo(request.options.format).recordsSource &&
                                TakesWholeRecording(opened.load.recording, request.selection));
    return ConvertToOutput(opened.load.recording, request, source, platform, progress);
}

}  // namespace vantrel
