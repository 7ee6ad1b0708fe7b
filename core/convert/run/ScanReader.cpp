// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/ScanReader.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "convert/run/SampleSource.h"
#include "convert/scaling/SampleDecoding.h"
#include "convert/scaling/SampleScaler.h"
#include "convert/scaling/WidenCodes.h"
#include "recording/CardTable.h"
#include "recording/LoadRecording.h"
#include "recording/PresentHeader.h"

namespace vantrel {

namespace {

// Samples read from the file at a time: large reads, a buffer that stays in the cache.
constexpr std::uint64_t kReadChunkSamples = std::uint64_t{1} << 18;

// The scaled values' arrays could not be had: the scaled binary output's message.
Outcome OutOfMemory(MessageSink& messages) {
    return Shown(messages, OutcomeKind::kFailed,
                 std::string(FormatInfo(OutputFormat::kScaledBinary).allocationMessage));
}

}  // namespace

std::uint64_t ScanRecording::channels() const {
    return static_cast<std::uint64_t>(std::max<std::int16_t>(recording.header.channelCount(), 0));
}

std::uint64_t ScanRecording::scans() const {
    return static_cast<std::uint64_t>(std::max<std::int32_t>(recording.header.scanCount(), 0));
}

int ScanRecording::elementSize() const {
    return CardFacts(recording.header.cardType()).elementSize;
}

Result<ScanRecording> OpenScanRecording(const std::string& path, const Platform& platform) {
    OpenedRecording opened = OpenRecordingSamples(path, platform);
    if (!opened.load.outcome.done()) {
        return std::move(opened.load.outcome);
    }
    // The samples are read by each ScanReader; the file closes here.
    LoadedRecording& recording = opened.load.recording;
    DisplayTexts display = PresentHeader(recording.header);
    return ScanRecording{std::move(recording), std::move(display), opened.sampleBytes, {}};
}

struct ScanReader::State {
    State(const ScanRecording& recording, MessageSink& sink, ScanValues kind, File input)
        : opened(recording),
          messages(sink),
          values(kind),
          file(std::move(input)),
          source(file, recording.sampleBytes, false) {}

    const ScanRecording& opened;
    MessageSink& messages;
    ScanValues values;
    File file;
    FileSampleSource source;
    std::optional<SampleScaler> scaler;  // made at the first scaled read
    std::uint64_t position = 0;
};

Result<ScanReader> ScanReader::Open(const ScanRecording& opened, const Platform& platform,
                                    ScanValues values) {
    const LoadedRecording& held = opened.recording;
    if (auto refusal = CheckConvertible(held.header, held.queue, opened.sampleBytes)) {
        return Shown(platform.messages, OutcomeKind::kRefused, std::move(*refusal));
    }
    MessageLog unshown;
    OpenedRecording again =
        OpenRecordingSamples(held.loadedPath, Platform{platform.files, unshown});
    const Outcome& reopened = again.load.outcome;
    if (!reopened.done()) {
        // Gone, unreadable or cut short (a readable header that claims more than the file
        // holds) reads as a read error; anything else as a change.
        const bool unread = reopened.kind == OutcomeKind::kUnopened ||
                            (again.load.reached == LoadStage::kQueue &&
                             SampleBlockSize(again.load.recording.header).has_value());
        return Shown(platform.messages, OutcomeKind::kUnreadable,
                     unread ? kReadErrorMessage : kRecordingChangedMessage);
    }
    const LoadedRecording& now = again.load.recording;
    if (now.header != held.header || now.queue != held.queue ||
        again.sampleBytes != opened.sampleBytes) {
        return Shown(platform.messages, OutcomeKind::kUnreadable, kRecordingChangedMessage);
    }
    return ScanReader(
        std::make_unique<State>(opened, platform.messages, values, std::move(again.file)));
}

ScanReader::ScanReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
ScanReader::ScanReader(ScanReader&&) noexcept = default;
ScanReader& ScanReader::operator=(ScanReader&&) noexcept = default;
ScanReader::~ScanReader() = default;

std::uint64_t ScanReader::position() const {
    return state_->position;
}

// Reads up to `scans` scans chunk by chunk and hands each chunk's bytes to
// convert(bytes, first sample, samples).
template <typename Convert>
Outcome ScanReader::ReadChunks(std::uint64_t scans, Convert convert) {
    State& s = *state_;
    const std::uint64_t channels = s.opened.channels();
    const auto elementSize = static_cast<std::uint64_t>(s.opened.elementSize());
    scans = std::min(scans, s.opened.scans() - s.position);
    const std::uint64_t perChunk = channels == 0
                                       ? std::max<std::uint64_t>(scans, 1)
                                       : std::max<std::uint64_t>(kReadChunkSamples / channels, 1);
    for (std::uint64_t done = 0; done < scans;) {
        const std::uint64_t count = std::min(perChunk, scans - done);
        const std::uint64_t samples = count * channels;
        const auto bytes = s.source.Next(samples * elementSize);
        if (!bytes) {
            return Shown(s.messages, OutcomeKind::kUnreadable, kReadErrorMessage);
        }
        convert(*bytes, done * channels, samples);
        done += count;
        s.position += count;
    }
    return {};
}

Outcome ScanReader::ReadScaled(std::uint64_t scans, std::span<double> out) {
    State& s = *state_;
    if (!s.scaler) {
        try {
            s.scaler.emplace(s.opened.recording.header, s.opened.recording.queue, 0.0, std::nullopt,
                             s.opened.transducers);
        } catch (const std::bad_alloc&) {
            return OutOfMemory(s.messages);
        }
    }
    return ReadChunks(
        scans, [&](std::span<const std::uint8_t> bytes, std::uint64_t first,
                   std::uint64_t samples) { s.scaler->Scale(bytes, out.subspan(first, samples)); });
}

Outcome ScanReader::ReadWords(std::uint64_t scans, std::span<std::uint16_t> out) {
    return ReadChunks(scans, [&](std::span<const std::uint8_t> bytes, std::uint64_t first,
                                 std::uint64_t samples) {
        std::uint16_t* words = out.data() + first;
        for (std::uint64_t i = 0; i < samples; ++i) {
            words[i] = Word16At(bytes.data(), i);
        }
    });
}

Outcome ScanReader::ReadCodes(std::uint64_t scans, std::span<std::int32_t> out) {
    const std::int16_t cardType = state_->opened.recording.header.cardType();
    return ReadChunks(scans, [&](std::span<const std::uint8_t> bytes, std::uint64_t first,
                                 std::uint64_t samples) {
        WidenCodes(bytes, out.subspan(first, samples), samples, cardType);
    });
}

Outcome ScanReader::SkipTo(std::uint64_t scan) {
    State& s = *state_;
    const std::uint64_t channels = s.opened.channels();
    scan = std::min(scan, s.opened.scans());
    if (scan <= s.position) {
        return {};
    }
    const std::uint64_t scanBytes = channels * static_cast<std::uint64_t>(s.opened.elementSize());
    // Codes carry nothing from one sample to the next; scaled values carry the value of the
    // scan before (CarriedValueAfter), so that one is read and the rest passed over.
    const bool carries = s.values == ScanValues::kScaled;
    const std::uint64_t passed = scan - s.position - (carries ? 1 : 0);
    if (!s.source.Skip(passed * scanBytes)) {
        return Shown(s.messages, OutcomeKind::kUnreadable, kReadErrorMessage);
    }
    s.position += passed;
    if (!carries) {
        return {};
    }
    const auto before = s.source.Next(scanBytes);
    if (!before) {
        return Shown(s.messages, OutcomeKind::kUnreadable, kReadErrorMessage);
    }
    ++s.position;
    try {
        const LoadedRecording& held = s.opened.recording;
        s.scaler.emplace(held.header, held.queue,
                         CarriedValueAfter(held.header, held.queue, *before), std::nullopt,
                         s.opened.transducers);
    } catch (const std::bad_alloc&) {
        return OutOfMemory(s.messages);
    }
    return {};
}

}  // namespace vantrel
