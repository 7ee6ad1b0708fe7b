#include "recording/LoadRecording.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "recording/PresentHeader.h"

namespace vantrel {

namespace {

// Reads the queue that follows the header. Entries a short file does not supply stay zero.
bool ReadQueue(LoadedRecording& recording, File& file) {
    const std::int16_t count = recording.header.queueCount();
    if (count < 1) {
        return true;
    }
    std::vector<std::uint8_t> raw;
    try {
        raw.assign(ChannelGainEntry::kSize * static_cast<std::size_t>(count), 0);
        recording.queue.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        recording.queue = {};
        return false;
    }
    // A short read is not an error here: the sample read that follows catches it. After a
    // read error the buffer may hold part of a chunk; clear it so no entry is half-read.
    if (file.Read(raw.data(), raw.size()) < 0) {
        std::fill(raw.begin(), raw.end(), std::uint8_t{0});
    }
    for (std::size_t i = 0; i < recording.queue.size(); ++i) {
        recording.queue[i] = {raw[2 * i], raw[2 * i + 1]};
    }
    return true;
}

// How a sample read ended.
enum class BlockRead { kComplete, kShort, kCancelled };

// Reads `size` bytes into `block` from `held` on, one chunk per request, reporting after
// each chunk.
BlockRead ReadChunks(File& file, SampleBlock& block, std::uint64_t held, std::uint64_t size,
                     const ProgressCallback& progress) {
    while (held < block.size()) {
        const std::uint64_t want = std::min(kLoadChunk, block.size() - held);
        if (file.Read(block.data() + held, want) != static_cast<std::int64_t>(want)) {
            return BlockRead::kShort;
        }
        held += want;
        if (progress && !progress(held, size)) {
            return BlockRead::kCancelled;
        }
    }
    return BlockRead::kComplete;
}

// Reads a block from a file that cannot tell its size ahead (a pipe or device). The
// buffer grows with the bytes that arrive, so a header cannot make the load reserve
// memory the file does not back.
BlockRead ReadGrowing(File& file, std::uint64_t size, std::optional<SampleBlock>& samples,
                      const ProgressCallback& progress) {
    constexpr std::uint64_t kFirstStep = std::uint64_t{1} << 20;
    SampleBlock block(std::min(size, kFirstStep));
    std::uint64_t held = 0;
    for (;;) {
        const BlockRead read = ReadChunks(file, block, held, size, progress);
        if (read != BlockRead::kComplete) {
            return read;
        }
        held = block.size();
        if (held == size) {
            samples = std::move(block);
            return BlockRead::kComplete;
        }
        SampleBlock larger(std::min(size, 2 * held));
        std::memcpy(larger.data(), block.data(), held);
        block = std::move(larger);
    }
}

}  // namespace

File OpenRecording(ConversionState& state, const std::string& path, const Platform& platform) {
    File file = File::OpenForRead(platform.files, path);
    if (!file) {
        return file;
    }
    // Outputs that record their source name the file by its SHA-256, taken as it is read.
    file.StartDigest();
    // Read into a separate record: a rejected file must not replace the held header.
    RecordingHeader candidate;
    const auto got = file.Read(candidate.bytes().data(), RecordingHeader::kSize);
    if (got != static_cast<std::int64_t>(RecordingHeader::kSize) || !candidate.HasMagic()) {
        platform.messages.ShowMessage(kNotRecordingMessage);
        return {};
    }
    LoadedRecording& recording = state.recording;
    recording.header = candidate;
    recording.queue = {};
    if (!ReadQueue(recording, file)) {
        platform.messages.ShowMessage(kQueueAllocationMessage);
        return {};
    }
    recording.loadedPath = path;
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

std::optional<std::uint64_t> OpenRecordingSamples(ConversionState& state, const Platform& platform,
                                                  ViewSwitch& view) {
    File file = OpenRecording(state, state.inputPath, platform);
    if (!file) {
        state.inputFile = std::move(file);  // empty; says why a file could not be opened
        return std::nullopt;
    }
    view.SetViewEnabled(PresentHeader(state));

    state.recording.samples.reset();
    const auto size = SampleBlockSize(state.recording.header);
    if (!size) {
        platform.messages.ShowMessage(kFileTooLargeMessage);
        return std::nullopt;
    }
    // A header that claims more than the file holds fails before anything is allocated.
    const auto remaining = file.RemainingSize();
    if (remaining && *size > *remaining) {
        platform.messages.ShowMessage(kReadErrorMessage);
        return std::nullopt;
    }
    state.inputFile = std::move(file);
    return size;
}

bool LoadRecording(ConversionState& state, const Platform& platform, ViewSwitch& view,
                   SourceDigest digest, const ProgressCallback& progress) {
    const auto size = OpenRecordingSamples(state, platform, view);
    if (!size) {
        return false;
    }
    // The file is closed on every way out.
    File file = std::exchange(state.inputFile, File{});
    if (digest == SourceDigest::kSkip) {
        file.StopDigest();
    }
    std::optional<SampleBlock>& samples = state.recording.samples;
    BlockRead read = BlockRead::kShort;
    try {
        if (file.RemainingSize()) {
            samples.emplace(*size);
            read = ReadChunks(file, *samples, 0, *size, progress);
        } else {
            read = ReadGrowing(file, *size, samples, progress);
        }
    } catch (const std::bad_alloc&) {
        samples.reset();
        platform.messages.ShowMessage(kFileTooLargeMessage);
        return false;
    }
    if (read != BlockRead::kComplete) {
        // A partly filled block does not match its header: drop it. A cancelled load was
        // stopped by the user, who needs no message for it.
        samples.reset();
        if (read == BlockRead::kShort) {
            platform.messages.ShowMessage(kReadErrorMessage);
        }
        return false;
    }
    // Whatever follows the block counts for the digest only (empty when skipped).
    state.recording.sourceSha256 = file.FinishDigest();
    return true;
}

}  // namespace vantrel
