// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Bringing a recording file into memory: header, channel-gain queue and sample block, as a
// value. Every failure shows its message (where it has one) and says how far the load got;
// the file is closed on every way out by its owner.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Platform.h"
#include "platform/ProgressCallback.h"
#include "recording/LoadedRecording.h"
#include "recording/Outcome.h"

namespace vantrel {

// Load messages, exactly as the user sees them.
inline constexpr const char* kNotRecordingMessage = "Isn't Mervik DAQ File!";
inline constexpr const char* kQueueAllocationMessage =
    " Failed to allocate the Channel-Gain-Queue array";
inline constexpr const char* kFileTooLargeMessage = "File size is too large";
inline constexpr const char* kReadErrorMessage = "Read Input File Error!";
// What the command line, and the window for a file it is started with, say after the path
// of a file that could not be opened (the Load button says nothing then).
inline constexpr const char* kCannotOpenMessage = "Cannot open input file!";

// The lines the command line reports for a file whose handling ended as `kind`, having
// shown `shown`: kCannotOpenMessage alone for one that could not be opened.
inline std::vector<std::string> ReportedMessages(OutcomeKind kind,
                                                 const std::vector<std::string>& shown) {
    return kind == OutcomeKind::kUnopened ? std::vector<std::string>{kCannotOpenMessage} : shown;
}

// How far a load got, and so what of Load::recording holds the file's.
enum class LoadStage {
    kNothing,  // the file could not be opened or is not a recording: nothing of it
    kHeader,   // its header passed the magic test, but its queue could not be had
    kQueue,    // header, queue and loadedPath: the header can be presented
    kSamples,  // and the whole sample block, with the file's SHA-256 where taken
};

struct Load {
    LoadedRecording recording;
    LoadStage reached = LoadStage::kNothing;
    Outcome outcome;  // kDone exactly when reached is kSamples
};

// Size in bytes of the sample block the header announces, computed in 64 bits, or nullopt
// when channelCount or scanCount is negative.
std::optional<std::uint64_t> SampleBlockSize(const RecordingHeader& header);

// A load up to its sample read: the file positioned at its sample block and the block's
// size (never more than the file still holds, where its size is known).
struct OpenedRecording {
    Load load;  // reached kQueue at most; outcome kDone when `file` is ready
    File file;  // empty unless outcome is kDone
    std::uint64_t sampleBytes = 0;
};

// Everything of a load of `path` up to the sample read: the magic test, the queue and the
// size checks, each failure with its message.
OpenedRecording OpenRecordingSamples(const std::string& path, const Platform& platform);

// Whether a load takes the SHA-256 of the whole file (recording.sourceSha256), which the
// analysis formats record: it costs a pass over the block and reading what follows it.
enum class SourceDigest { kTake, kSkip };

// Bytes of the sample block read per request, so that a long load reports its progress.
inline constexpr std::uint64_t kLoadChunk = std::uint64_t{1} << 20;

// The whole load of `path`. `progress`, where given, is called with the sample bytes read
// so far and the block's size after each chunk; when it returns false the load stops at
// kQueue, cancelled, without a message. `replaced`, where given, is the block the caller
// holds of the recording this load replaces: it is released once the new header and queue
// have been taken, before the new block is allocated, so memory never holds both.
Load LoadRecording(const std::string& path, const Platform& platform,
                   SourceDigest digest = SourceDigest::kTake, const ProgressCallback& progress = {},
                   std::optional<SampleBlock>* replaced = nullptr);

}  // namespace vantrel
