// SPDX-License-Identifier: BSD-3-Clause
#include "FuzzChecks.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "convert/formats/OutputFormats.h"
#include "convert/formats/ScanTime.h"
#include "convert/run/ConvertRun.h"
#include "convert/text/Separators.h"
#include "recording/CardCatalogue.h"
#include "recording/LoadRecording.h"

namespace vantrel::fuzz {

namespace {

constexpr std::size_t kHeaderSize = RecordingHeader::kSize;
// The first byte of the two the header holds for no reader: the fuzz targets' choices.
constexpr std::size_t kChunkByte = RecordingHeader::kCardSettingsOffset + 4;

// A byte of the input, or 0 past its end (a short file has no header to hold choices).
std::uint8_t ChoiceByte(const LoadedInput& input, std::size_t at) {
    return at < input.recording.size() ? input.recording[at] : 0;
}

// Load: a file without the 60-byte header and magic is refused by name; any other failure
// has one of the load messages; a success holds exactly the bytes after the queue.
void CheckLoad(const LoadedInput& input) {
    const std::span<const std::uint8_t> file = input.recording;
    const Messages& messages = input.messages;
    Require(input.files.openHandles() == 0, "a load closes the recording on every way out");
    const bool isRecording =
        file.size() >= kHeaderSize && std::memcmp(file.data(), RecordingHeader::kMagic.data(),
                                                  RecordingHeader::kMagic.size()) == 0;
    if (!isRecording) {
        Require(!input.loaded && messages.texts.size() == 1 &&
                    messages.texts.front() == kNotRecordingMessage,
                "a file without header or magic is refused as not a recording");
        return;
    }
    if (!input.loaded) {
        Require(IsOneOf(OnlyMessage(messages, "a failed load"),
                        {kQueueAllocationMessage, kFileTooLargeMessage, kReadErrorMessage}),
                "a failed load names its cause");
        return;
    }
    Require(messages.texts.empty(), "a successful load shows nothing");
    const LoadedRecording& recording = input.state.recording;
    Require(recording.samples.has_value(), "a successful load holds a sample block");
    const auto size = SampleBlockSize(recording.header);
    Require(size && *size == recording.samples->size(), "the block has the size the header gives");
    const std::size_t queueBytes = recording.header.queueCount() > 0
                                       ? 2 * static_cast<std::size_t>(recording.header.queueCount())
                                       : 0;
    // A file may end inside its queue when the block is empty; the missing entries read 0.
    if (*size == 0) {
        return;
    }
    Require(kHeaderSize + queueBytes + *size <= file.size(), "the block lies inside the file");
    Require(
        std::memcmp(recording.samples->data(), file.data() + kHeaderSize + queueBytes, *size) == 0,
        "the block holds the file's bytes after the queue");
}

std::size_t Count(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string_view::npos;
         at = text.find(what, at + what.size())) {
        ++n;
    }
    return n;
}

// A written text output: ASCII lines, each ending in CR LF, two title lines when asked, one
// line per scan, and channelCount cells joined by the separator.
void CheckTextOutput(const ConversionState& state, const Bytes& out) {
    const std::string_view text(reinterpret_cast<const char*>(out.data()), out.size());
    for (unsigned char c : text) {
        Require(c < 0x80 && (c >= 0x20 || c == '\r' || c == '\n' || c == '\t'),
                "text output is printable ASCII");
    }
    const RecordingHeader& header = state.recording.header;
    const std::int64_t scans = header.scanCount();
    const std::int64_t lines = scans + (state.options.title ? 2 : 0);
    Require(Count(text, "\r\n") == static_cast<std::size_t>(lines) &&
                Count(text, "\n") == static_cast<std::size_t>(lines) &&
                Count(text, "\r") == static_cast<std::size_t>(lines),
            "one CR LF line per scan, plus two title lines when asked");
    Require(text.empty() || text.ends_with("\r\n"), "the last line ends in CR LF too");

    std::size_t at = 0;
    auto nextLine = [&]() {
        const auto end = text.find("\r\n", at);
        const auto line = text.substr(at, end - at);
        at = end + 2;
        return line;
    };
    if (state.options.title) {
        const std::string expected =
            ";Mervik DAQ Data of Card " + std::string(CardName(header.cardType()));
        Require(nextLine() == expected, "title line 1 names the card");
        nextLine();
    }
    // With two blanks as separator, cells and padding cannot be told apart.
    if (state.options.separator == Separator::kSpace) {
        return;
    }
    const std::string_view separator = SeparatorText(state.options.separator);
    const std::int64_t channels = header.channelCount();
    for (std::int64_t s = 0; s < scans; ++s) {
        const auto line = nextLine();
        const std::size_t cells = line.empty() ? 0 : Count(line, separator) + 1;
        Require(static_cast<std::int64_t>(cells) == channels, "a line holds one cell per channel");
    }
}

// A clock time of a time column: "YYYY-MM-DDTHH:MM:SS.nnnnnnnnn".
bool IsClockText(std::string_view cell) {
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd.ddddddddd";
    if (cell.size() != kShape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (kShape[i] == 'd' ? !(cell[i] >= '0' && cell[i] <= '9') : cell[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}

// Every number after the header row is std::to_chars' text of the double it reads as; with
// clock times, each row starts with one, never earlier than the row before's.
void CheckCsvNumbers(std::string_view text, bool clocked) {
    std::size_t at = text.find("\r\n") + 2;
    std::string_view previousClock;
    while (at < text.size()) {
        if (clocked && text.compare(at - 2, 2, "\r\n") == 0) {
            const std::string_view clock = text.substr(at, kClockTextLength);
            Require(IsClockText(clock) && clock >= previousClock,
                    "a CSV row starts with its scan's clock time, in order");
            previousClock = clock;
            at += kClockTextLength;
            if (text.compare(at, 2, "\r\n") == 0) {
                at += 2;  // a row without channels
                continue;
            }
            Require(text[at] == ',', "a comma follows the clock time");
            ++at;
        }
        const std::size_t end = std::min(text.find(',', at), text.find("\r\n", at));
        const std::string_view number = text.substr(at, end - at);
        const bool rowStart = text.compare(at - 2, 2, "\r\n") == 0;
        if (number.empty() && rowStart && end == text.find("\r\n", at)) {
            at += 2;  // a row without channels or time
            continue;
        }
        double value = 0.0;
        const auto read = std::from_chars(number.data(), number.data() + number.size(), value);
        Require(read.ec == std::errc{} && read.ptr == number.data() + number.size(),
                "a CSV number reads back");
        char shortest[32];
        const auto written = std::to_chars(shortest, shortest + sizeof shortest, value).ptr;
        Require(number == std::string_view(shortest, static_cast<std::size_t>(written - shortest)),
                "a CSV number is the shortest text of its value");
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

// The fewest bytes a complete output of a convertible recording can take: 8 per sample
// (and a header) in the binary formats, or per line its cells (at least 11 characters each),
// separators and CR LF.
std::uint64_t MinimumOutputSize(const ConversionState& state) {
    const RecordingHeader& header = state.recording.header;
    const std::uint64_t channels =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, header.channelCount()));
    const std::uint64_t scans =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, header.scanCount()));
    if (state.options.format == OutputFormat::kCsv) {
        return scans * (2 * channels + 1);  // a character and a separator a cell, CR LF
    }
    if (!FormatInfo(state.options.format).options.Has(FormatOption::kSeparator)) {
        return 8 * channels * scans;
    }
    const std::uint64_t separator = SeparatorText(state.options.separator).size();
    const std::uint64_t line = channels * 11 + (channels > 0 ? (channels - 1) * separator : 0) + 2;
    return line * scans;
}

}  // namespace

void Broken(std::string_view promise) {
    std::fprintf(stderr, "Broken promise: %.*s\n", static_cast<int>(promise.size()),
                 promise.data());
    std::abort();
}

bool IsOneOf(const std::string& text, std::initializer_list<const char*> texts) {
    for (const char* t : texts) {
        if (text == t) {
            return true;
        }
    }
    return false;
}

const std::string& OnlyMessage(const Messages& messages, const char* operation) {
    if (messages.texts.size() != 1) {
        Broken(std::string(operation) + " shows exactly one message");
    }
    return messages.texts.front();
}

// No output takes more than 64 bytes for a byte of samples (a CSV row of one 8-bit channel:
// its time, its value and their separators); the rest is headers and title lines.
LoadedInput::LoadedInput(std::span<const std::uint8_t> data)
    : recording(data.begin(), data.end()),
      diskSize((std::uint64_t{256} << 10) + 64 * std::uint64_t{data.size()}) {
    files.capacity = diskSize;
    files.SetFile(kInput, recording);
    state.inputPath = kInput;
    Load load = LoadRecording(kInput, platform);
    loaded = load.outcome.done();
    TakeLoad(state, std::move(load));
    CheckLoad(*this);
}

std::uint64_t ChunkSamplesOf(const LoadedInput& input, std::uint64_t maxChunks) {
    const RecordingHeader& header = input.state.recording.header;
    const std::uint64_t chosen = (std::uint64_t{ChoiceByte(input, kChunkByte)} + 1)
                                 << ((ChoiceByte(input, kChunkByte + 1) & 0x0F) % 11);
    // Without channels a chunk counts scans (empty lines). Otherwise only the samples the
    // file holds are ever read, each at least a byte.
    const std::uint64_t channels =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, header.channelCount()));
    const std::uint64_t scans =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, header.scanCount()));
    const std::uint64_t units =
        channels == 0 ? scans : std::min<std::uint64_t>(channels * scans, input.recording.size());
    return std::max(chosen, (units + maxChunks - 1) / maxChunks);
}

unsigned VariantOf(const LoadedInput& input) {
    return ChoiceByte(input, kChunkByte + 1) >> 4;
}

void StartConvertHeld(LoadedInput& input) {
    input.messages.texts.clear();
    const auto request = StartConvert(input.state, input.messages, [] {});
    Require(request.has_value(), "a loaded recording starts converting");
    input.outcome = RunConversion(*request, input.platform);
}

Bytes Convert(LoadedInput& input) {
    ConversionState& state = input.state;
    input.files.RemoveFile(state.outputPath);
    StartConvertHeld(input);
    const Bytes* out = input.files.File(state.outputPath);
    return out != nullptr ? *out : Bytes{};
}

Bytes ConvertStreamed(LoadedInput& input, const ConversionOptions& options, bool pipe) {
    MemoryFileApi& files = input.files;
    Messages& messages = input.messages;
    // The header and queue as the load read them: the checks of the output need them.
    ConversionState state;
    state.recording.header = input.state.recording.header;
    state.recording.queue = input.state.recording.queue;
    state.inputPath = kInput;
    state.outputPath = kOutput;
    state.options = options;
    files.RemoveFile(state.outputPath);
    messages.texts.clear();
    files.sizeUnknown = pipe;
    ConversionRequest request;
    request.inputPath = state.inputPath;
    request.outputPath = state.outputPath;
    request.options = state.options;
    input.outcome = RunConversion(request, input.platform);
    files.sizeUnknown = false;
    Require(files.openHandles() == 0, "a streamed conversion closes the recording");
    CheckConversion(input, state);
    const Bytes* out = files.File(state.outputPath);
    return out != nullptr ? *out : Bytes{};
}

void CheckConversion(const LoadedInput& input, const ConversionState& state, const Bytes* before) {
    const MemoryFileApi& files = input.files;
    Require(files.openHandles() == 0, "a conversion closes its output");
    const Bytes* recording = files.File(kInput);
    Require(recording != nullptr && *recording == input.recording,
            "a conversion leaves the recording alone");
    const std::string& message = OnlyMessage(input.messages, "a conversion");
    const Bytes* out = files.File(state.outputPath);
    const OutputFormatInfo& format = FormatInfo(state.options.format);
    // A library writes by name into a real file, which the memory disk's limit does not bound.
    const bool fits = format.byName || MinimumOutputSize(state) <= files.capacity;
    const RecordingHeader& header = state.recording.header;
    const std::optional<std::string> clockRefusal =
        format.options.Has(FormatOption::kTimeBase) && state.options.timeBase == TimeBase::kAbsolute
            ? RefuseClockTimes(header)
            : std::nullopt;
    Require(!clockRefusal || !input.outcome.done(),
            "clock times are refused where the header gives none");
    Require(input.outcome.message == message, "the outcome carries the message shown");
    Require(input.outcome.done() == (message == SuccessMessage(state.outputPath)),
            "a conversion is done exactly when it says so");
    if (!input.outcome.done()) {
        Require(!message.starts_with("Write to "), "a failed conversion claims no success");
        Require(before == nullptr ? out == nullptr : out != nullptr && *out == *before,
                "a failed conversion leaves the path as it was");
        Require(
            fits ||
                IsOneOf(message,
                        {kWriteOutputErrorMessage, kReadErrorMessage, kUnsupportedCardMessage,
                         kWidthMismatchMessage, kQueueTooShortMessage, kChannelOutOfRangeMessage,
                         kNotRecordingMessage, kQueueAllocationMessage, kFileTooLargeMessage}) ||
                message == clockRefusal,
            "an output larger than the disk is a write error, unless refused or cut short");
        return;
    }
    Require(fits, "an output larger than the disk is never reported as written");
    Require(out != nullptr, "a successful conversion leaves its output");
    const std::int64_t samples =
        std::int64_t{header.channelCount()} * std::int64_t{header.scanCount()};
    switch (state.options.format) {
        case OutputFormat::kScaledBinary:
            Require(static_cast<std::int64_t>(out->size()) == 8 * samples,
                    "the binary output holds one double per sample");
            break;
        case OutputFormat::kNpy:
            Require(out->size() % 8 == 0 &&
                        static_cast<std::int64_t>(out->size()) >= 8 * samples + 64 &&
                        std::memcmp(out->data(), "\x93NUMPY", 6) == 0,
                    "a NumPy file holds its header and one double per sample");
            break;
        case OutputFormat::kHdf5:
        case OutputFormat::kMat:
        case OutputFormat::kMat5:
        case OutputFormat::kEdf:
        case OutputFormat::kBdf:
            Require(out->size() >= 128, "a file a library writes holds at least its header");
            break;
        case OutputFormat::kCsv: {
            const std::string_view text(reinterpret_cast<const char*>(out->data()), out->size());
            Require(Count(text, "\r\n") == static_cast<std::size_t>(header.scanCount()) + 1 &&
                        Count(text, "\n") == Count(text, "\r\n") && text.ends_with("\r\n"),
                    "a CSV file holds a header row and one CR LF row per scan");
            CheckCsvNumbers(text, state.options.timeBase == TimeBase::kAbsolute);
            break;
        }
        default:
            CheckTextOutput(state, *out);
            break;
    }
}

}  // namespace vantrel::fuzz
