// libFuzzer entry: arbitrary bytes as a recording file. The bytes are loaded as the window
// loads them and, when the load succeeds, converted into every format, separator and title
// choice through in-memory file calls. Besides the sanitizers' own reports, every promise
// the program makes about a load or a conversion is checked here; a broken one aborts, so
// the fuzzer records the input like a crash.

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "MemoryFileApi.h"
#include "convert/ConvertRun.h"
#include "convert/OutputFormats.h"
#include "convert/ScaleSample.h"
#include "convert/ScanReader.h"
#include "convert/Separators.h"
#include "convert/WidenCodes.h"
#include "convert/WordTables.h"
#include "platform/DataExchange.h"
#include "platform/ViewSwitch.h"
#include "recording/CardCatalogue.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"
#include "recording/LoadRecording.h"

namespace {

using vantrel::ConversionState;
using vantrel::FormatInfo;
using vantrel::OutputFormat;
using vantrel::fuzz::MemoryFileApi;
using Bytes = MemoryFileApi::Bytes;

constexpr const char* kInput = "recording.daq";
constexpr const char* kOutput = "out.cvt";
constexpr std::size_t kHeaderSize = vantrel::RecordingHeader::kSize;
// The memory disk's size. Outputs of inputs up to the fuzzer's length limit fit; a header
// with no channels and billions of scans (a line each) does not, and must stop at the
// first failed write instead of running through every scan.
constexpr std::uint64_t kDiskSize = std::uint64_t{256} << 10;

class Messages final : public vantrel::MessageSink {
  public:
    void ShowMessage(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

[[noreturn]] void Broken(const std::string& promise) {
    std::fprintf(stderr, "Broken promise: %s\n", promise.c_str());
    std::abort();
}

void Require(bool kept, const std::string& promise) {
    if (!kept) {
        Broken(promise);
    }
}

bool IsOneOf(const std::string& text, std::initializer_list<const char*> texts) {
    for (const char* t : texts) {
        if (text == t) {
            return true;
        }
    }
    return false;
}

// The one message a finished operation showed.
const std::string& OnlyMessage(const Messages& messages, const char* operation) {
    Require(messages.texts.size() == 1, std::string(operation) + " shows exactly one message");
    return messages.texts.front();
}

// Load: a file without the 60-byte header and magic is refused by name; any other failure
// has one of the load messages; a success holds exactly the bytes after the queue.
void CheckLoad(std::span<const std::uint8_t> file, const ConversionState& state, bool loaded,
               const Messages& messages, const MemoryFileApi& files) {
    Require(files.openHandles() == 0, "a load closes the recording on every way out");
    const bool isRecording = file.size() >= kHeaderSize &&
                             std::memcmp(file.data(), vantrel::RecordingHeader::kMagic.data(),
                                         vantrel::RecordingHeader::kMagic.size()) == 0;
    if (!isRecording) {
        Require(!loaded && messages.texts.size() == 1 &&
                    messages.texts.front() == vantrel::kNotRecordingMessage,
                "a file without header or magic is refused as not a recording");
        return;
    }
    if (!loaded) {
        Require(IsOneOf(OnlyMessage(messages, "a failed load"),
                        {vantrel::kQueueAllocationMessage, vantrel::kFileTooLargeMessage,
                         vantrel::kReadErrorMessage}),
                "a failed load names its cause");
        return;
    }
    Require(messages.texts.empty(), "a successful load shows nothing");
    const vantrel::LoadedRecording& recording = state.recording;
    Require(recording.samples.has_value(), "a successful load holds a sample block");
    const auto size = vantrel::SampleBlockSize(recording.header);
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
    const vantrel::RecordingHeader& header = state.recording.header;
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
            ";Mervik DAQ Data of Card " + std::string(vantrel::CardName(header.cardType()));
        Require(nextLine() == expected, "title line 1 names the card");
        nextLine();
    }
    // With two blanks as separator, cells and padding cannot be told apart.
    if (state.options.separator == vantrel::Separator::kSpace) {
        return;
    }
    const std::string_view separator = vantrel::SeparatorText(state.options.separator);
    const std::int64_t channels = header.channelCount();
    for (std::int64_t s = 0; s < scans; ++s) {
        const auto line = nextLine();
        const std::size_t cells = line.empty() ? 0 : Count(line, separator) + 1;
        Require(static_cast<std::int64_t>(cells) == channels, "a line holds one cell per channel");
    }
}

// The fewest bytes a complete output of a convertible recording can take: 8 per sample
// (and a header) in the binary formats, or per line its cells (at least 11 characters each),
// separators and CR LF.
// Every number after the header row is std::to_chars' text of the double it reads as.
void CheckCsvNumbers(std::string_view text) {
    std::size_t at = text.find("\r\n") + 2;
    while (at < text.size()) {
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

std::uint64_t MinimumOutputSize(const ConversionState& state) {
    const vantrel::RecordingHeader& header = state.recording.header;
    const std::uint64_t channels =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, header.channelCount()));
    const std::uint64_t scans =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, header.scanCount()));
    if (state.options.format == OutputFormat::kCsv) {
        return scans * (2 * channels + 1);  // a character and a separator a cell, CR LF
    }
    if (!FormatInfo(state.options.format).textOptions) {
        return 8 * channels * scans;
    }
    const std::uint64_t separator = vantrel::SeparatorText(state.options.separator).size();
    const std::uint64_t line = channels * 11 + (channels > 0 ? (channels - 1) * separator : 0) + 2;
    return line * scans;
}

// Every conversion ends with one message. On success the output is complete; on failure
// the path holds what it held before the run (`before`: nothing, or an earlier output).
void CheckConversion(const ConversionState& state, const Messages& messages,
                     const MemoryFileApi& files, const Bytes& recording,
                     const Bytes* before = nullptr) {
    Require(files.openHandles() == 0, "a conversion closes its output");
    const Bytes* input = files.File(kInput);
    Require(input != nullptr && *input == recording, "a conversion leaves the recording alone");
    const std::string& message = OnlyMessage(messages, "a conversion");
    const Bytes* out = files.File(state.outputPath);
    const vantrel::OutputFormatInfo& format = FormatInfo(state.options.format);
    // A library writes by name into a real file, which the memory disk's limit does not bound.
    const bool fits = format.byName || MinimumOutputSize(state) <= files.capacity;
    if (message != vantrel::SuccessMessage(state.outputPath)) {
        Require(!message.starts_with("Write to "), "a failed conversion claims no success");
        Require(before == nullptr ? out == nullptr : out != nullptr && *out == *before,
                "a failed conversion leaves the path as it was");
        Require(
            fits || IsOneOf(message,
                            {vantrel::kWriteOutputErrorMessage, vantrel::kReadErrorMessage,
                             vantrel::kUnsupportedCardMessage, vantrel::kWidthMismatchMessage,
                             vantrel::kQueueTooShortMessage, vantrel::kChannelOutOfRangeMessage}),
            "an output larger than the disk is a write error, unless refused or cut short");
        return;
    }
    Require(fits, "an output larger than the disk is never reported as written");
    Require(out != nullptr, "a successful conversion leaves its output");
    const vantrel::RecordingHeader& header = state.recording.header;
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
            CheckCsvNumbers(text);
            break;
        }
        default:
            CheckTextOutput(state, *out);
            break;
    }
}

// Converts the loaded recording with the state's options onto a path that holds nothing;
// returns the output (empty when none was written) and leaves the message in `messages`.
Bytes Convert(ConversionState& state, const vantrel::Platform& platform, MemoryFileApi& files,
              Messages& messages) {
    files.RemoveFile(state.outputPath);
    messages.texts.clear();
    vantrel::NoDataExchange exchange;
    vantrel::StartConvert(state, platform, exchange);
    const Bytes* out = files.File(state.outputPath);
    return out != nullptr ? *out : Bytes{};
}

// The conversion as the command-line tool runs it, without a held block: the loader's
// checks, then the samples streamed from the file (or from a pipe, whose size is unknown).
Bytes ConvertStreamed(const ConversionState& loaded, const vantrel::Platform& platform,
                      MemoryFileApi& files, Messages& messages, bool pipe = false) {
    ConversionState state;
    state.inputPath = loaded.inputPath;
    state.outputPath = loaded.outputPath;
    state.options = loaded.options;
    files.RemoveFile(state.outputPath);
    messages.texts.clear();
    files.sizeUnknown = pipe;
    const bool converted = vantrel::StreamConvert(state, platform);
    files.sizeUnknown = false;
    Require(files.openHandles() == 0, "a streamed conversion closes the recording");
    if (!converted && files.File(state.outputPath) == nullptr && messages.texts.size() == 1 &&
        IsOneOf(messages.texts.front(),
                {vantrel::kNotRecordingMessage, vantrel::kQueueAllocationMessage,
                 vantrel::kFileTooLargeMessage})) {
        return {};  // refused at the open, as a load would be
    }
    CheckConversion(state, messages, files, *files.File(kInput));
    const Bytes* out = files.File(state.outputPath);
    return out != nullptr ? *out : Bytes{};
}

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

// The short output with its data part repeated scan by scan: `head` bytes (the title
// lines) once, then `scanBytes(s)` for scan s mod `scans`, for `longScans` scans.
template <typename ScanOf>
Bytes Tiled(const Bytes& shortOut, std::size_t head, std::int64_t scans, std::int64_t longScans,
            ScanOf scanOf) {
    Bytes out(shortOut.begin(), shortOut.begin() + static_cast<std::ptrdiff_t>(head));
    for (std::int64_t s = 0; s < longScans; ++s) {
        const auto [begin, end] = scanOf(s % scans);
        out.insert(out.end(), shortOut.begin() + static_cast<std::ptrdiff_t>(begin),
                   shortOut.begin() + static_cast<std::ptrdiff_t>(end));
    }
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
    vantrel::RecordingHeader header = loaded.header;
    header.SetScanCount(static_cast<std::int32_t>(longScans));
    const std::size_t queueBytes = 2 * loaded.queue.size();
    Bytes longFile(header.bytes().begin(), header.bytes().end());
    longFile.insert(longFile.end(), file.begin() + kHeaderSize,
                    file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + queueBytes));
    const auto block = loaded.samples->bytes();
    const std::size_t scanBytes = static_cast<std::size_t>(channels) * 2;
    for (std::int64_t s = 0; s < longScans; ++s) {
        const auto first = block.begin() + static_cast<std::ptrdiff_t>((s % scans) * scanBytes);
        longFile.insert(longFile.end(), first, first + static_cast<std::ptrdiff_t>(scanBytes));
    }

    MemoryFileApi files;
    files.capacity = std::uint64_t{64} << 20;
    files.SetFile(kInput, std::move(longFile));
    Messages messages;
    const vantrel::Platform platform{files, messages};
    vantrel::NoViewSwitch view;
    ConversionState state;
    state.inputPath = kInput;
    Require(vantrel::LoadRecording(state, platform, view), "a tiled recording loads");
    state.outputPath = kOutput;
    state.options.separator = vantrel::Separator::kTab;
    state.options.title = true;
    for (const auto& [format, shortOut] : shortOuts) {
        if (format != OutputFormat::kScaledText && format != OutputFormat::kScaledBinary &&
            format != OutputFormat::kCodesText) {
            continue;  // the other formats hold the same values; the readers' tests compare them
        }
        state.options.format = format;
        const Bytes out = Convert(state, platform, files, messages);
        Require(OnlyMessage(messages, "a long conversion") == vantrel::SuccessMessage(kOutput),
                "a tiled recording converts");
        Bytes expected;
        if (!FormatInfo(format).textOptions) {
            const std::size_t scanDoubles = static_cast<std::size_t>(channels) * 8;
            expected = Tiled(shortOut, 0, scans, longScans, [&](std::int64_t s) {
                const std::size_t begin = static_cast<std::size_t>(s) * scanDoubles;
                return std::pair{begin, begin + scanDoubles};
            });
        } else {
            // Line starts: the two title lines, then one line per scan.
            std::vector<std::size_t> starts{0};
            for (std::size_t i = 0; i + 1 < shortOut.size(); ++i) {
                if (shortOut[i] == '\r' && shortOut[i + 1] == '\n') {
                    starts.push_back(i + 2);
                }
            }
            expected = Tiled(shortOut, starts[2], scans, longScans, [&](std::int64_t s) {
                const auto line = static_cast<std::size_t>(s) + 2;
                return std::pair{starts[line], starts[line + 1]};
            });
        }
        Require(out == expected, "a long recording converts as its scans do in a short one");
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
    Require(opened.has_value() && messages.texts.empty(), "a loadable recording opens for reads");
    Require(opened->recording.header == loaded.recording.header &&
                opened->recording.queue == loaded.recording.queue,
            "reads see the header and queue the load saw");
    const vantrel::SampleBlock& block = *loaded.recording.samples;
    const auto refusal =
        vantrel::CheckConvertible(loaded.recording.header, loaded.recording.queue, block.size());
    auto scaled = vantrel::ScanReader::Open(*opened, platform, vantrel::ScanValues::kScaled);
    Require(scaled.has_value() == !refusal.has_value() &&
                (scaled || OnlyMessage(messages, "a refused read") == *refusal),
            "a read is refused exactly where the run refuses, with its message");
    if (!scaled) {
        return;
    }
    const std::uint64_t channels = opened->channels();
    const std::uint64_t scans = opened->scans();
    std::vector<double> values(channels * scans);
    Require(scaled->ReadScaled(scans, values) && scaled->position() == scans,
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
        Require(half && half->SkipTo(scans / 2) && half->ReadScaled(scans, tail) &&
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
    Require(codes && codes->ReadCodes(scans, read) && read == widened,
            "code reads are the block's codes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes recording(data, data + size);
    MemoryFileApi files;
    files.capacity = kDiskSize;
    files.SetFile(kInput, recording);
    Messages messages;
    const vantrel::Platform platform{files, messages};
    vantrel::NoViewSwitch view;

    ConversionState state;
    state.inputPath = kInput;
    const bool loaded = vantrel::LoadRecording(state, platform, view);
    CheckLoad(recording, state, loaded, messages, files);

    // The same bytes through a pipe, whose size is not known before reading, load alike.
    {
        Messages pipeMessages;
        const vantrel::Platform pipe{files, pipeMessages};
        files.sizeUnknown = true;
        ConversionState piped;
        piped.inputPath = kInput;
        const bool pipeLoaded = vantrel::LoadRecording(piped, pipe, view);
        files.sizeUnknown = false;
        Require(pipeLoaded == loaded && pipeMessages.texts == messages.texts,
                "a pipe loads like a regular file");
        Require(!loaded || std::ranges::equal(piped.recording.samples->bytes(),
                                              state.recording.samples->bytes()),
                "a pipe delivers the same block");
    }
    if (!loaded) {
        // Streamed from a pipe, a recording that ends early is only found out while
        // converting: it must still end in one failure message and leave no output.
        ConversionState options;
        options.inputPath = kInput;
        options.outputPath = kOutput;
        ConvertStreamed(options, platform, files, messages, true);
        Require(files.File(kOutput) == nullptr, "a recording that cannot load converts nothing");
        return 0;
    }

    const vantrel::RecordingHeader& header = state.recording.header;
    state.outputPath = kOutput;
    Bytes binary;
    bool haveBinary = false;
    ReferenceOutputs referenceOuts;  // tab separator, title on
    bool allWritten = true;
    // No channels and many scans: each text conversion writes a megabyte of empty lines
    // before the disk is found full, and each binary one runs through every scan to write
    // nothing. One conversion of each kind shows that; more would only slow the fuzzer.
    const bool emptyLines = header.channelCount() == 0 && header.scanCount() > 4096;
    for (const vantrel::OutputFormatInfo* format : vantrel::OutputFormats()) {
        for (const vantrel::SeparatorInfo& separator : vantrel::kSeparators) {
            for (const bool title : {true, false}) {
                const bool reference = separator.separator == vantrel::Separator::kTab && title;
                // A library's file takes no text options, and the empty lines show their
                // point in the scaled text and binary outputs: once is enough for those.
                const bool once = format->byName || emptyLines;
                const bool emptyLinesShown = format->format == OutputFormat::kScaledText ||
                                             format->format == OutputFormat::kScaledBinary;
                if ((once && !reference) || (emptyLines && !emptyLinesShown)) {
                    continue;
                }
                state.options = {format->format, separator.separator, title};
                const Bytes out = Convert(state, platform, files, messages);
                CheckConversion(state, messages, files, recording);
                const bool written = messages.texts.front() == vantrel::SuccessMessage(kOutput);
                if (reference) {
                    referenceOuts[format->format] = out;
                    allWritten = allWritten && written;
                }
                if (format->format == OutputFormat::kScaledBinary && written) {
                    // Title and separator do not apply to the binary output.
                    Require(!haveBinary || out == binary, "the binary output ignores text options");
                    binary = out;
                    haveBinary = true;
                }
                // MATLAB 7.3 files carry the time their objects were made; every other
                // output is the same bytes however it is made.
                if (reference && !emptyLines && format->format != OutputFormat::kMat) {
                    const std::string memoryMessage = messages.texts.front();
                    for (const bool pipe : {false, true}) {
                        const Bytes streamed =
                            ConvertStreamed(state, platform, files, messages, pipe);
                        Require(messages.texts.front() == memoryMessage && streamed == out,
                                "streaming from the file converts exactly as the held block does");
                    }
                }
                if (written && !out.empty() && !format->byName &&
                    separator.separator == vantrel::Separator::kSpace && title) {
                    // A disk that fills up halfway, over an earlier output: it stays whole.
                    const Bytes earlier = {'o', 'l', 'd'};
                    files.SetFile(kOutput, earlier);
                    files.capacity = out.size() / 2;
                    messages.texts.clear();
                    vantrel::NoDataExchange exchange;
                    vantrel::StartConvert(state, platform, exchange);
                    files.capacity = kDiskSize;
                    Require(OnlyMessage(messages, "a conversion to a full disk") ==
                                vantrel::kWriteOutputErrorMessage,
                            "a full disk is reported");
                    CheckConversion(state, messages, files, recording, &earlier);
                }
            }
        }
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
    messages.texts.clear();
    vantrel::NoDataExchange exchange;
    vantrel::StartConvert(state, platform, exchange);
    const std::string& message = OnlyMessage(messages, "a conversion onto the recording");
    Require(!message.starts_with("Write to "), "the recording is never its own output");
    Require(*files.File(kInput) == recording, "the recording survives being named as output");
    return 0;
}
