#include "recording/LoadRecording.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "recording/PresentHeader.h"

namespace vantrel {

namespace {

void CloseInput(ConversionState& state, FileApi& files, FileApi::Handle file) {
    files.Close(file);
    state.inputFile = FileApi::kNoFile;
}

// Reads the queue that follows the header. Entries a short file does not supply stay zero.
bool ReadQueue(ConversionState& state, FileApi& files, FileApi::Handle file) {
    const std::int16_t count = state.header.queueCount();
    if (count < 1) {
        return true;
    }
    std::vector<std::uint8_t> raw;
    try {
        raw.assign(ChannelGainEntry::kSize * static_cast<std::size_t>(count), 0);
        state.queue.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        state.queue = {};
        return false;
    }
    // A short read is not an error here: the sample read that follows catches it. After a
    // read error the buffer may hold part of a chunk; clear it so no entry is half-read.
    if (files.Read(file, raw.data(), raw.size()) < 0) {
        std::fill(raw.begin(), raw.end(), std::uint8_t{0});
    }
    for (std::size_t i = 0; i < state.queue.size(); ++i) {
        state.queue[i] = {raw[2 * i], raw[2 * i + 1]};
    }
    return true;
}

// Reads a block from a file that cannot tell its size ahead (a pipe or device). The
// buffer grows with the bytes that arrive, so a header cannot make the load reserve
// memory the file does not back. nullopt when the data ends early or a read fails.
std::optional<SampleBlock> ReadGrowing(FileApi& files, FileApi::Handle file, std::uint64_t size) {
    constexpr std::uint64_t kFirstStep = std::uint64_t{1} << 20;
    SampleBlock block(std::min(size, kFirstStep));
    std::uint64_t held = 0;
    for (;;) {
        const std::uint64_t want = block.size() - held;
        if (files.Read(file, block.data() + held, want) != static_cast<std::int64_t>(want)) {
            return std::nullopt;
        }
        held += want;
        if (held == size) {
            return block;
        }
        SampleBlock larger(std::min(size, 2 * held));
        std::memcpy(larger.data(), block.data(), held);
        block = std::move(larger);
    }
}

}  // namespace

std::optional<FileApi::Handle> OpenRecording(ConversionState& state, const std::string& path,
                                             const Platform& platform) {
    FileApi& files = platform.files;
    const FileApi::Handle file = files.OpenForRead(path);
    if (file == FileApi::kNoFile) {
        return std::nullopt;
    }

    // Read into a separate record: a rejected file must not replace the held header.
    RecordingHeader candidate;
    const auto got = files.Read(file, candidate.bytes().data(), RecordingHeader::kSize);
    if (got != static_cast<std::int64_t>(RecordingHeader::kSize) || !candidate.HasMagic()) {
        platform.messages.ShowMessage(kNotRecordingMessage);
        files.Close(file);
        return std::nullopt;
    }
    state.header = candidate;

    state.queue = {};
    if (!ReadQueue(state, files, file)) {
        platform.messages.ShowMessage(kQueueAllocationMessage);
        files.Close(file);
        return std::nullopt;
    }

    state.loadedPath = path;
    state.inputFile = file;
    return file;
}

std::optional<std::uint64_t> SampleBlockSize(const RecordingHeader& header) {
    const std::int64_t channels = header.channelCount();
    const std::int64_t scans = header.scanCount();
    if (channels < 0 || scans < 0) {
        return std::nullopt;
    }
    // At most 32767 * (2^31 - 1) * 4 bytes: well inside 64 bits.
    return static_cast<std::uint64_t>(channels * scans * header.elementSize());
}

std::optional<OpenedRecording> OpenRecordingSamples(ConversionState& state,
                                                    const Platform& platform, ViewSwitch& view) {
    const auto file = OpenRecording(state, state.inputPath, platform);
    if (!file) {
        return std::nullopt;
    }
    view.SetViewEnabled(PresentHeader(state));

    state.samples.reset();
    const auto size = SampleBlockSize(state.header);
    if (!size) {
        platform.messages.ShowMessage(kFileTooLargeMessage);
        CloseInput(state, platform.files, *file);
        return std::nullopt;
    }
    // A header that claims more than the file holds fails before anything is allocated.
    const auto remaining = platform.files.RemainingSize(*file);
    if (remaining && *size > *remaining) {
        platform.messages.ShowMessage(kReadErrorMessage);
        CloseInput(state, platform.files, *file);
        return std::nullopt;
    }
    return OpenedRecording{*file, *size};
}

bool LoadRecording(ConversionState& state, const Platform& platform, ViewSwitch& view) {
    const auto opened = OpenRecordingSamples(state, platform, view);
    if (!opened) {
        return false;
    }
    FileApi& files = platform.files;
    const bool sizeKnown = files.RemainingSize(opened->file).has_value();

    bool complete = false;
    try {
        if (sizeKnown) {
            state.samples.emplace(opened->sampleBytes);
            const auto got = files.Read(opened->file, state.samples->data(), opened->sampleBytes);
            complete = got == static_cast<std::int64_t>(opened->sampleBytes);
        } else if (auto block = ReadGrowing(files, opened->file, opened->sampleBytes)) {
            state.samples = std::move(block);
            complete = true;
        }
    } catch (const std::bad_alloc&) {
        state.samples.reset();
        platform.messages.ShowMessage(kFileTooLargeMessage);
        CloseInput(state, files, opened->file);
        return false;
    }

    if (!complete) {
        // A partly filled block does not match its header: drop it.
        state.samples.reset();
        platform.messages.ShowMessage(kReadErrorMessage);
        CloseInput(state, files, opened->file);
        return false;
    }
    CloseInput(state, files, opened->file);
    return true;
}

}  // namespace vantrel
