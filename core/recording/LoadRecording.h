#pragma once

// Bringing a recording file into a ConversionState: header, channel-gain queue and sample
// block. Every failure shows its message (where it has one) and returns false; the file is
// closed on every way out by its owner.

#include <cstdint>
#include <optional>
#include <string>

#include "convert/run/Progress.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "platform/ViewSwitch.h"
#include "recording/ConversionState.h"

namespace vantrel {

// Load messages, exactly as the user sees them.
inline constexpr const char* kNotRecordingMessage = "Isn't Mervik DAQ File!";
inline constexpr const char* kQueueAllocationMessage =
    " Failed to allocate the Channel-Gain-Queue array";
inline constexpr const char* kFileTooLargeMessage = "File size is too large";
inline constexpr const char* kReadErrorMessage = "Read Input File Error!";

// The open phase. Opens `path`, checks the 60-byte header and its magic, and on success
// takes the header, reads the queue and sets loadedPath. Returns the open file, positioned
// after the queue, or an empty File when the load is to stop; then any message has been
// shown and a rejected file has left header, queue and samples alone.
File OpenRecording(ConversionState& state, const std::string& path, const Platform& platform);

// Size in bytes of the sample block the header announces, computed in 64 bits, or nullopt
// when channelCount or scanCount is negative.
std::optional<std::uint64_t> SampleBlockSize(const RecordingHeader& header);

// Everything of a load up to the sample read: the open phase, the header presentation and
// the "View" switch, and the size checks. Releases any held sample block. On success the
// open recording is in state.inputFile, positioned at its sample block, and the block's
// size is returned (never more than the file still holds, where its size is known); on
// failure the message has been shown and inputFile is empty (where the file could not be
// opened, its error() says why).
std::optional<std::uint64_t> OpenRecordingSamples(ConversionState& state, const Platform& platform,
                                                  ViewSwitch& view);

// Whether a load takes the SHA-256 of the whole file (recording.sourceSha256), which the
// analysis formats record: it costs a pass over the block and reading what follows it.
enum class SourceDigest { kTake, kSkip };

// Bytes of the sample block read per request, so that a long load reports its progress.
inline constexpr std::uint64_t kLoadChunk = std::uint64_t{1} << 20;

// The whole load of state.inputPath. True when the whole sample block is held in
// state.recording.samples; false when the load stopped early. `progress`, where given, is
// called with the sample bytes read so far and the block's size after each chunk; when it
// returns false the load stops as one whose sample read failed (header, queue, loadedPath
// and display texts of the new file, no samples) but shows no message.
bool LoadRecording(ConversionState& state, const Platform& platform, ViewSwitch& view,
                   SourceDigest digest = SourceDigest::kTake,
                   const ProgressCallback& progress = {});

}  // namespace vantrel
