#include "convert/ConvertRun.h"

#include <new>

#include "convert/OutputFormats.h"
#include "convert/SampleDecoding.h"
#include "convert/ScaleSample.h"
#include "recording/LoadRecording.h"

namespace vantrel {

std::string SuccessMessage(const std::string& outputPath) {
    return "Write to " + outputPath + " successful!";
}

FileApi::Handle CreateOutputFile(FileApi& files, const std::string& path) {
    return files.CreateForWrite(path);
}

std::optional<std::string> CheckConvertible(const RecordingHeader& header,
                                            const ChannelGainQueue& queue,
                                            std::uint64_t sampleBytes) {
    const std::int16_t card = header.cardType();
    if (!HasScalingRules(card)) {
        return kUnsupportedCardMessage;
    }
    const int element = CardElementSize(card);
    const std::int64_t channels = header.channelCount();
    const std::int64_t scans = header.scanCount();
    // A negative count never reaches here (the load refuses it), but stay safe.
    if (header.elementSize() != element || channels < 0 || scans < 0 ||
        static_cast<std::uint64_t>(channels * scans) * static_cast<std::uint64_t>(element) >
            sampleBytes) {
        return kWidthMismatchMessage;
    }
    if (header.isCustomOrder()) {
        if (static_cast<std::int64_t>(queue.size()) < channels) {
            return kQueueTooShortMessage;
        }
        if (card == 4) {
            for (std::int64_t p = 0; p < channels; ++p) {
                if (queue[static_cast<std::size_t>(p)].channel > 7) {
                    return kChannelOutOfRangeMessage;
                }
            }
        }
    }
    return std::nullopt;
}

bool ConvertToOutput(ConversionState& state, SampleSource& samples, const Platform& platform) {
    FileApi& files = platform.files;
    MessageSink& messages = platform.messages;

    if (state.outputPath.empty()) {
        messages.ShowMessage(kNoOutputNameMessage);
        return false;
    }
    if (const auto refusal = CheckConvertible(state.header, state.queue, samples.size())) {
        messages.ShowMessage(*refusal);
        return false;
    }
    // Creating the output would truncate the recording itself.
    if (files.IsSameFile(state.outputPath, state.loadedPath)) {
        messages.ShowMessage(kOutputIsInputMessage);
        return false;
    }

    state.outputFile = CreateOutputFile(files, state.outputPath);
    if (state.outputFile == FileApi::kNoFile) {
        messages.ShowMessage(kOpenOutputErrorMessage);
        return false;
    }

    const OutputFormatInfo& format = OutputFormatFor(state.formatIndex);
    WriteResult result;
    bool outOfMemory = false;
    try {
        OutputBuffer out(files, state.outputFile);
        const WriteJob job{state, samples, out, messages};
        result = format.write(job);
        if (result == WriteResult::kWritten && !out.Flush()) {
            result = WriteResult::kWriteFailed;
        }
    } catch (const std::bad_alloc&) {
        // Memory ran out outside the writer's own array (the output buffer, a line).
        result = WriteResult::kAllocationFailed;
        outOfMemory = true;
    }
    const bool closed = files.Close(state.outputFile);
    state.outputFile = FileApi::kNoFile;
    if (result == WriteResult::kWritten && !closed) {
        result = WriteResult::kWriteFailed;
    }

    switch (result) {
        case WriteResult::kWritten:
            messages.ShowMessage(SuccessMessage(state.outputPath));
            return true;
        case WriteResult::kAllocationFailed:
            if (outOfMemory) {
                // Output may have been written before memory ran out.
                files.RemoveIfRegularFile(state.outputPath);
                messages.ShowMessage(format.format == OutputFormat::kCodesText
                                         ? kCodesAllocationMessage
                                         : kScaledAllocationMessage);
            }
            // Otherwise the writer has shown its message; it wrote nothing, so the file
            // stays empty.
            return false;
        case WriteResult::kUnsupportedCard:
            files.RemoveIfRegularFile(state.outputPath);
            messages.ShowMessage(kUnsupportedCardMessage);
            return false;
        case WriteResult::kReadFailed:
            files.RemoveIfRegularFile(state.outputPath);
            messages.ShowMessage(kReadErrorMessage);
            return false;
        case WriteResult::kWriteFailed:
            // No truncated result may pass for a complete one.
            files.RemoveIfRegularFile(state.outputPath);
            messages.ShowMessage(kWriteOutputErrorMessage);
            return false;
    }
    return false;
}

void StartConvert(ConversionState& state, const Platform& platform, DataExchange& exchange) {
    if (!state.samples) {
        platform.messages.ShowMessage(kNoSourceDataMessage);
        return;
    }
    exchange.ExchangeIn();
    MemorySampleSource source(state.samples->bytes());
    ConvertToOutput(state, source, platform);
}

}  // namespace vantrel
