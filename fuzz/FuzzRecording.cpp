// SPDX-License-Identifier: BSD-3-Clause
// libFuzzer entry: arbitrary bytes as a recording file (and as a channels.tsv sidecar). The bytes
// are loaded as the window loads them, from a file and from a pipe, and, when the load succeeds,
// converted into every format a library does not write (those have a target of their own,
// FuzzLibraryFormats.cpp): with the reference text options and one other choice the input makes (a
// separator, the title, the time base), from the held block and streamed, at each format's own
// chunk size and at the one the input chooses, and onto a disk that fills up halfway. Besides the
// sanitizers' own reports, every promise the program makes about a load or a conversion is checked
// here; a broken one aborts, so the fuzzer records the input like a crash.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "FuzzChecks.h"
#include "MemoryFileApi.h"
#include "convert/formats/OutputFormats.h"
#include "convert/names/ChannelNames.h"
#include "convert/overview/Envelope.h"
#include "convert/run/ConvertRun.h"
#include "convert/run/ScanReader.h"
#include "convert/scaling/ScaleSample.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/scaling/WordTables.h"
#include "convert/text/Separators.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"
#include "recording/LoadRecording.h"

namespace {

using vantrel::ConversionState;
using vantrel::FormatInfo;
using vantrel::OutputFormat;
using vantrel::fuzz::Bytes;
using vantrel::fuzz::CheckConversion;
using vantrel::fuzz::Convert;
using vantrel::fuzz::ConvertStreamed;
using vantrel::fuzz::kInput;
using vantrel::fuzz::kOutput;
using vantrel::fuzz::LoadedInput;
using vantrel::fuzz::MemoryFileApi;
using vantrel::fuzz::Messages;
using vantrel::fuzz::OnlyMessage;
using vantrel::fuzz::Require;

constexpr std::size_t kHeaderSize = vantrel::RecordingHeader::kSize;
// Chunks a conversion at the input's chunk size is cut into at most: enough for a chunk of
// one scan in every recording of a few hundred scans.
constexpr std::uint64_t kMaxChunks = 512;

// Long recordings of 16-bit cards take their values and text cells from tables of all 65536
// words rather than scaling and formatting each sample. A short input cannot reach that
// length, so a loaded one is tiled: its scans repeated past it. The long outputs must then
// be the short ones with the same scans repeated.
constexpr std::int64_t kLongSamples = static_cast<std::int64_t>(vantrel::kWordTableSamples) + 1;

// Whether every sample of the recording gets a value of its own, so that repeating scans
// repeats values (a sample without a rule would carry its predecessor across the seam).
bool EverySampleScales(const vantrel::LoadedRecording& recording) {
    const vantrel::RecordingHeader& header = recording.header;
    const std::int16_t card = header.cardType();
    if (!header.isCustomOrder()) {
        return vantrel::ScaleSample(card, static_cast<std::uint16_t>(header.rangeCode()), 0, 0)
            .has_value();
    }
    for (std::int64_t p = 0; p < header.channelCount(); ++p) {
        if (!vantrel::ScaleSample(card, recording.queue[static_cast<std::size_t>(p)].rangeCode, 0,
                                  0)) {
            return false;
        }
    }
    return true;
}

// `head`, then `unit` `times` times over, then `tail`: built by doubling what is there, in
// a few copies however many times the unit repeats.
Bytes Repeated(std::span<const std::uint8_t> head, std::span<const std::uint8_t> unit,
               std::uint64_t times, std::span<const std::uint8_t> tail) {
    Bytes out(head.size() + unit.size() * times + tail.size());
    std::ranges::copy(head, out.begin());
    std::uint8_t* const units = out.data() + head.size();
    if (times > 0 && !unit.empty()) {
        std::ranges::copy(unit, units);
        for (std::uint64_t made = 1; made < times;) {
            const std::uint64_t more = std::min(made, times - made);
            std::memcpy(units + made * unit.size(), units, more * unit.size());
            made += more;
        }
    }
    std::ranges::copy(tail, units + unit.size() * times);
    return out;
}

// The reference outputs of a recording by format: tab separator, title on.
using ReferenceOutputs = std::map<OutputFormat, Bytes>;

void CheckLongRecording(const vantrel::LoadedRecording& loaded, std::span<const std::uint8_t> file,
                        const ReferenceOutputs& shortOuts) {
    const std::int64_t channels = loaded.header.channelCount();
    const std::int64_t scans = loaded.header.scanCount();
    const std::int64_t longScans = (kLongSamples + channels - 1) / channels;
    if (scans >= longScans) {
        return;
    }
    // Whole repeats of the short recording's scans, and the first scans once more.
    const auto times = static_cast<std::uint64_t>(longScans / scans);
    const auto rest = static_cast<std::size_t>(longScans % scans);
    vantrel::RecordingHeader header = loaded.header;
    header.SetScanCount(static_cast<std::int32_t>(longScans));
    Bytes head(header.bytes().begin(), header.bytes().end());
    const std::size_t queueBytes = 2 * loaded.queue.size();
    head.insert(head.end(), file.begin() + kHeaderSize,
                file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + queueBytes));
    const auto block = loaded.samples->bytes();
    const std::size_t scanBytes = static_cast<std::size_t>(channels) * 2;
    LoadedInput input(Repeated(head, block, times, block.first(rest * scanBytes)));
    Require(input.loaded, "a tiled recording loads");
    ConversionState& state = input.state;
    state.outputPath = kOutput;
    state.options.separator = vantrel::Separator::kTab;
    state.options.title = true;
    for (const auto& [format, shortOut] : shortOuts) {
        if (format != OutputFormat::kScaledText && format != OutputFormat::kScaledBinary &&
            format != OutputFormat::kCodesText) {
            continue;  // the other formats hold the same values; the readers' tests compare them
        }
        state.options.format = format;
        const Bytes out = Convert(input);
        Require(
            OnlyMessage(input.messages, "a long conversion") == vantrel::SuccessMessage(kOutput),
            "a tiled recording converts");
        const std::span<const std::uint8_t> whole(shortOut);
        std::size_t titleBytes = 0;  // the binary output has no title lines
        std::size_t restBytes = rest * static_cast<std::size_t>(channels) * 8;
        if (FormatInfo(format).options.Has(vantrel::FormatOption::kTitle)) {
            // Line starts: the two title lines, then one line per scan.
            std::vector<std::size_t> starts{0};
            for (std::size_t i = 0; i + 1 < shortOut.size(); ++i) {
                if (shortOut[i] == '\r' && shortOut[i + 1] == '\n') {
                    starts.push_back(i + 2);
                }
            }
            titleBytes = starts[2];
            restBytes = starts[2 + rest] - starts[2];
        }
        const auto lines = whole.subspan(titleBytes);
        Require(out == Repeated(whole.first(titleBytes), lines, times, lines.first(restBytes)),
                "a long recording converts as its scans do in a short one");
    }
}

// Scans read as arrays (the Python module's reads): a loaded recording opens with the same
// header and queue; a reader is refused exactly where the run refuses; the scaled values of
// the whole recording and of its second half are the scaled binary output's doubles, and
// the codes are the block's codes.
void CheckScanReads(MemoryFileApi& files, const ConversionState& loaded, const Bytes* binary) {
    Messages messages;
    const vantrel::Platform platform{files, messages};
    const auto opened = vantrel::OpenScanRecording(kInput, platform);
    Require(opened && messages.texts.empty(), "a loadable recording opens for reads");
    Require(opened->recording.header == loaded.recording.header &&
                opened->recording.queue == loaded.recording.queue,
            "reads see the header and queue the load saw");
    const vantrel::SampleBlock& block = *loaded.recording.samples;
    const auto refusal =
        vantrel::CheckConvertible(loaded.recording.header, loaded.recording.queue, block.size());
    auto scaled = vantrel::ScanReader::Open(*opened, platform, vantrel::ScanValues::kScaled);
    Require(static_cast<bool>(scaled) == !refusal.has_value() &&
                (scaled || OnlyMessage(messages, "a refused read") == *refusal),
            "a read is refused exactly where the run refuses, with its message");
    if (!scaled) {
        return;
    }
    const std::uint64_t channels = opened->channels();
    const std::uint64_t scans = opened->scans();
    std::vector<double> values(channels * scans);
    Require(scaled->ReadScaled(scans, values).done() && scaled->position() == scans,
            "a reader reads every scan");
    if (binary != nullptr) {
        Bytes doubles(values.size() * 8);
        for (std::size_t i = 0; i < values.size(); ++i) {
            vantrel::StoreLeDouble(doubles.data() + 8 * i, values[i]);
        }
        Require(doubles == *binary, "scaled reads are the scaled binary output");
        auto half = vantrel::ScanReader::Open(*opened, platform, vantrel::ScanValues::kScaled);
        std::vector<double> tail(channels * (scans - scans / 2));
        const auto middle = values.begin() + static_cast<std::ptrdiff_t>(channels * (scans / 2));
        Require(half && half->SkipTo(scans / 2).done() && half->ReadScaled(scans, tail).done() &&
                    std::equal(tail.begin(), tail.end(), middle, values.end(),
                               [](double a, double b) {
                                   return std::bit_cast<std::uint64_t>(a) ==
                                          std::bit_cast<std::uint64_t>(b);
                               }),
                "a read from the middle carries the value the whole read has there");
    }
    auto codes = vantrel::ScanReader::Open(*opened, platform, vantrel::ScanValues::kCodes);
    std::vector<std::int32_t> read(values.size());
    std::vector<std::int32_t> widened(values.size());
    vantrel::WidenCodes(block.bytes(), widened, widened.size(), loaded.recording.header.cardType());
    Require(codes && codes->ReadCodes(scans, read).done() && read == widened,
            "code reads are the block's codes");

    // The envelope of the whole recording in a few buckets: each bucket's extremes are those
    // of its scaled values, whichever way (codes or values) it was folded.
    if (scans > 0) {
        const std::uint64_t buckets = 1 + values.size() % 7;
        const auto whole = vantrel::WholeRecording(opened->recording.header);
        const auto envelope = vantrel::ReadEnvelope(*opened, platform, whole, buckets);
        Require(static_cast<bool>(envelope) && envelope->split.buckets == std::min(buckets, scans),
                "a readable recording has its envelope");
        for (std::uint64_t b = 0; b < envelope->split.buckets; ++b) {
            for (std::uint64_t c = 0; c < channels; ++c) {
                double low = INFINITY;
                double high = -INFINITY;
                for (std::uint64_t s = envelope->split.Start(b); s < envelope->split.Start(b + 1);
                     ++s) {
                    low = std::min(low, values[s * channels + c]);
                    high = std::max(high, values[s * channels + c]);
                }
                Require(envelope->min[b * channels + c] == low &&
                            envelope->max[b * channels + c] == high,
                        "a bucket's extremes are its values' own");
            }
        }
    }
}

// A part of the recording that the input's bytes choose (a range of scans and columns,
// some repeated), streamed from the file or a pipe: its scaled binary output is the slice
// of the whole one, carried values at its start included.
void CheckPart(LoadedInput& input, const Bytes& whole, bool pipe) {
    const vantrel::RecordingHeader& header = input.state.recording.header;
    const auto channels = static_cast<std::uint64_t>(header.channelCount());
    const auto scans = static_cast<std::uint64_t>(header.scanCount());
    std::uint64_t hash = 14695981039346656037u;  // FNV-1a
    for (const std::uint8_t byte : input.recording) {
        hash = (hash ^ byte) * 1099511628211u;
    }
    const std::uint64_t first = hash % scans;
    const std::uint64_t stop = first + 1 + (hash >> 20) % (scans - first);
    std::vector<std::int64_t> columns(1 + (hash >> 40) % (channels + 1));
    for (std::size_t j = 0; j < columns.size(); ++j) {
        columns[j] = static_cast<std::int64_t>(((hash >> (5 * j % 60)) + j) % channels);
    }
    Bytes expected;
    for (std::uint64_t s = first; s < stop; ++s) {
        for (const std::int64_t c : columns) {
            const auto at = whole.begin() + static_cast<std::ptrdiff_t>(
                                                8 * (s * channels + static_cast<std::uint64_t>(c)));
            expected.insert(expected.end(), at, at + 8);
        }
    }
    vantrel::ConversionRequest request;
    request.inputPath = kInput;
    request.outputPath = kOutput;
    request.options.format = OutputFormat::kScaledBinary;
    request.selection.scans =
        vantrel::ScanBounds{static_cast<std::int64_t>(first), static_cast<std::int64_t>(stop)};
    request.selection.columns = columns;
    input.files.RemoveFile(kOutput);
    input.messages.texts.clear();
    input.files.sizeUnknown = pipe;
    input.outcome = vantrel::RunConversion(request, input.platform);
    input.files.sizeUnknown = false;
    Require(input.outcome.done(), "a part of a recording that converts converts");
    Require(input.files.openHandles() == 0, "a conversion of a part closes its files");
    const Bytes* out = input.files.File(kOutput);
    Require(out != nullptr && *out == expected, "a part is the slice of the whole conversion");
}

}  // namespace

// The same bytes as a channels.tsv sidecar: read, or refused with a message that names the
// file; what is read names each channel once, from a line of the file, and no name twice.
void CheckSidecar(std::span<const std::uint8_t> data) {
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    const auto read = vantrel::ReadChannelNames(text, "s.tsv");
    if (const auto* message = std::get_if<std::string>(&read)) {
        Require(message->starts_with("s.tsv:") && message->size() > 6,
                "a sidecar's fault names the file");
        return;
    }
    std::map<std::string, std::int32_t> named;
    for (const auto& [channel, naming] : std::get<vantrel::ChannelNames>(read).channels) {
        Require(channel >= 0 && naming.line > 1, "a sidecar's channel comes from a line");
        Require(!naming.gain || (std::isfinite(*naming.gain) && *naming.gain != 0.0),
                "a sidecar's gain is a finite number other than zero");
        Require(!naming.name || named.emplace(*naming.name, channel).second,
                "a sidecar names no two channels alike");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckSidecar(std::span(data, size));
    LoadedInput input(std::span(data, size));
    MemoryFileApi& files = input.files;
    Messages& messages = input.messages;
    ConversionState& state = input.state;
    const Bytes& recording = input.recording;

    // The same bytes through a pipe, whose size is not known before reading, load alike.
    {
        Messages pipeMessages;
        const vantrel::Platform pipe{files, pipeMessages};
        files.sizeUnknown = true;
        const vantrel::Load piped = vantrel::LoadRecording(kInput, pipe);
        files.sizeUnknown = false;
        Require(piped.outcome.done() == input.loaded && pipeMessages.texts == messages.texts,
                "a pipe loads like a regular file");
        Require(!input.loaded || std::ranges::equal(piped.recording.samples->bytes(),
                                                    state.recording.samples->bytes()),
                "a pipe delivers the same block");
    }
    const std::uint64_t chunkSamples = vantrel::fuzz::ChunkSamplesOf(input, kMaxChunks);
    if (!input.loaded) {
        // Streamed from a pipe, a recording that ends early is only found out while
        // converting, in whichever chunk it ends: it must still end in one failure message
        // and leave no output.
        vantrel::ConversionOptions options;
        options.chunkSamples = chunkSamples;
        ConvertStreamed(input, options, true);
        Require(files.File(kOutput) == nullptr, "a recording that cannot load converts nothing");
        return 0;
    }

    const vantrel::RecordingHeader& header = state.recording.header;
    state.outputPath = kOutput;
    Bytes binary;
    bool haveBinary = false;
    ReferenceOutputs referenceOuts;  // tab separator, title on
    bool allWritten = true;
    // No channels and many scans: each text conversion writes empty lines until the disk is
    // full, and each binary one runs through every scan to write nothing. One conversion of
    // each kind shows that; more would only slow the fuzzer.
    const bool emptyLines = header.channelCount() == 0 && header.scanCount() > 4096;
    // Besides the reference choice (tab, title), each input makes one other text-option
    // choice in every format, which must not matter where the format takes none; and it is
    // streamed from the file or from a pipe.
    std::vector<std::pair<vantrel::Separator, bool>> otherChoices;
    for (const vantrel::SeparatorInfo& separator : vantrel::kSeparators) {
        for (const bool title : {true, false}) {
            if (separator.separator != vantrel::Separator::kTab || !title) {
                otherChoices.emplace_back(separator.separator, title);
            }
        }
    }
    const unsigned variant = vantrel::fuzz::VariantOf(input);
    const auto [otherSeparator, otherTitle] = otherChoices[variant % otherChoices.size()];
    const bool pipe = variant / otherChoices.size() % 2 == 1;
    // The time column's other bases: clock times, refused where the header gives none.
    const vantrel::TimeBase otherBase = variant / otherChoices.size() / 2 % 2 == 1
                                            ? vantrel::TimeBase::kAbsolute
                                            : vantrel::TimeBase::kNone;
    for (const vantrel::OutputFormatInfo* format : vantrel::OutputFormats()) {
        // The empty lines show their point in the scaled text and binary outputs.
        const bool emptyLinesShown = format->format == OutputFormat::kScaledText ||
                                     format->format == OutputFormat::kScaledBinary;
        if (format->byName || (emptyLines && !emptyLinesShown)) {
            continue;
        }
        const vantrel::ConversionOptions reference{format->format, vantrel::Separator::kTab, true};
        state.options = reference;
        const Bytes out = Convert(input);
        CheckConversion(input, state);
        const std::string message = messages.texts.front();
        const bool written = input.outcome.done();
        referenceOuts[format->format] = out;
        allWritten = allWritten && written;
        if (format->format == OutputFormat::kScaledBinary && written) {
            binary = out;
            haveBinary = true;
        }
        if (emptyLines) {
            continue;
        }

        state.options = {format->format, otherSeparator, otherTitle};
        state.options.timeBase = otherBase;
        const Bytes otherOut = Convert(input);
        CheckConversion(input, state);
        const bool takesOthers = format->options.Has(vantrel::FormatOption::kSeparator) ||
                                 format->options.Has(vantrel::FormatOption::kTitle) ||
                                 format->options.Has(vantrel::FormatOption::kTimeBase);
        Require(takesOthers || (otherOut == out && messages.texts.front() == message),
                "a format without text options ignores them");

        // Every output is the same bytes however it is made: from the held block or
        // streamed, at the format's own chunk size or at the input's.
        state.options = reference;
        state.options.chunkSamples = chunkSamples;
        Require(
            ConvertStreamed(input, state.options, pipe) == out && messages.texts.front() == message,
            pipe ? "a pipe in chunks of any size converts exactly as the held block does"
                 : "streaming from the file in chunks of any size converts exactly as the "
                   "held block does");
        const Bytes chunked = Convert(input);
        CheckConversion(input, state);
        Require(chunked == out && messages.texts.front() == message,
                "chunks of any size convert exactly as the format's own do");
        if (written && !out.empty()) {
            // A disk that fills up halfway, over an earlier output: it stays whole.
            const Bytes earlier = {'o', 'l', 'd'};
            files.SetFile(kOutput, earlier);
            files.capacity = out.size() / 2;
            vantrel::fuzz::StartConvertHeld(input);
            files.capacity = input.diskSize;
            Require(OnlyMessage(messages, "a conversion to a full disk") ==
                        vantrel::kWriteOutputErrorMessage,
                    "a full disk is reported");
            CheckConversion(input, state, &earlier);
        }
    }
    if (haveBinary && header.channelCount() > 0 && header.scanCount() > 0) {
        CheckPart(input, binary, pipe);
    }
    // The NumPy file is the scaled binary output behind its header.
    if (haveBinary && referenceOuts.count(OutputFormat::kNpy) != 0) {
        const Bytes& npy = referenceOuts[OutputFormat::kNpy];
        Require(npy.size() >= binary.size() &&
                    std::equal(binary.begin(), binary.end(),
                               npy.end() - static_cast<std::ptrdiff_t>(binary.size())),
                "the NumPy file holds the doubles of the scaled binary output");
    }

    CheckScanReads(files, state, haveBinary ? &binary : nullptr);

    // One input in eight that qualifies is tiled into a long recording: enough to reach the
    // word tables often without slowing every input down.
    const std::int64_t channels = header.channelCount();
    const std::int64_t scans = header.scanCount();
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : recording) {
        hash = (hash ^ b) * 16777619u;
    }
    if (allWritten && hash % 8 == 0 && vantrel::CardFacts(header.cardType()).elementSize == 2 &&
        channels > 0 && scans > 0 && EverySampleScales(state.recording)) {
        CheckLongRecording(state.recording, recording, referenceOuts);
    }

    // The recording itself as output: refused before anything is created.
    state.outputPath = kInput;
    vantrel::fuzz::StartConvertHeld(input);
    const std::string& message = OnlyMessage(messages, "a conversion onto the recording");
    Require(!message.starts_with("Write to "), "the recording is never its own output");
    Require(*files.File(kInput) == recording, "the recording survives being named as output");
    return 0;
}
