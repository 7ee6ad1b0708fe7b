// SPDX-License-Identifier: BSD-3-Clause
#include "recording/LoadRecording.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

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

std::optional<std::uint64_t> SampleBlockSize(const RecordingHeader& header) {
    const std::int64_t channels = header.channelCount();
    const std::int64_t scans = header.scanCount();
    if (channels < 0 || scans < 0) {
        return std::nullopt;
    }
    // At most 32767 * (2^31 - 1) * 4 bytes: well inside 64 bits.
    return static_cast<std::uint64_t>(channels * scans * header.elementSize());
}

OpenedRecording OpenRecordingSamples(const std::string& path, const Platform& platform) {
    OpenedRecording opened;
    Load& load = opened.load;
    File file = File::OpenForRead(platform.files, path);
    if (!file) {
        load.outcome = {OutcomeKind::kUnopened, {}, file.error()};
        return opened;
    }
    // Outputs that record their source name the file by its SHA-256, taken as it is read.
    file.StartDigest();
    LoadedRecording& recording = load.recording;
    const auto got = file.Read(recording.header.bytes().data(), RecordingHeader::kSize);
    if (got != static_cast<std::int64_t>(RecordingHeader::kSize) || !recording.header.HasMagic()) {
        recording.header = {};
        load.outcome = Shown(platform.messages, OutcomeKind::kUnreadable, kNotRecordingMessage);
        return opened;
    }
    load.reached = LoadStage::kHeader;
    if (!ReadQueue(recording, file)) {
        load.outcome = Shown(platform.messages, OutcomeKind::kUnreadable, kQueueAllocationMessage);
        return opened;
    }
    recording.loadedPath = path;
    load.reached = LoadStage::kQueue;

    const auto size = SampleBlockSize(recording.header);
    if (!size) {
        load.outcome = Shown(platform.messages, OutcomeKind::kUnreadable, kFileTooLargeMessage);
        return opened;
    }
    // A header that claims more than the file holds fails before anything is allocated.
    const auto remaining = file.RemainingSize();
    if (remaining && *size > *remaining) {
        load.outcome = Shown(platform.messages, OutcomeKind::kUnreadable, kReadErrorMessage);
        return opened;
    }
    opened.file = std::move(file);
    opened.sampleBytes = *size;
    return opened;
}

Load LoadRecording(const std::string& path, const Platform& platform, SourceDigest digest,
                   const ProgressCallback& progress, std::optional<SampleBlock>* replaced) {
    OpenedRecording opened = OpenRecordingSamples(path, platform);
    Load& load = opened.load;
    if (replaced != nullptr && load.reached == LoadStage::kQueue) {
        replaced->reset();
    }
    if (!load.outcome.done()) {
        return std::move(load);
    }
    // The file is closed on every way out.
    File file = std::move(opened.file);
    if (digest == SourceDigest::kSkip) {
        file.StopDigest();
    }
    const std::uint64_t size = opened.sampleBytes;
    std::optional<SampleBlock>& samples = load.recording.samples;
    BlockRead read = BlockRead::kShort;
    try {
        if (file.RemainingSize()) {
            samples.emplace(size);
            read = ReadChunks(file, *samples, 0, size, progress);
        } else {
            read = ReadGrowing(file, size, samples, progress);
        }
    } catch (const std::bad_alloc&) {
        samples.reset();
        load.outcome = Shown(platform.messages, OutcomeKind::kUnreadable, kFileTooLargeMessage);
        return std::move(load);
    }
    if (read != BlockRead::kComplete) {
        // A partly filled block does not match its header: drop it. A cancelled load was
        // stopped by the user, who needs no message for it.
        samples.reset();
        load.outcome = read == BlockRead::kShort
                           ? Shown(platform.messages, OutcomeKind::kUnreadable, kReadErrorMessage)
                           : Outcome{OutcomeKind::kCancelled, {}, {}};
        return std::move(load);
    }
    // Whatever follows the block counts for the digest only (empty when skipped).
    load.recording.sourceSha256 = file.FinishDigest();
    load.reached = LoadStage::kSamples;
    return std::move(load);
}

}  // namespace vantrel
