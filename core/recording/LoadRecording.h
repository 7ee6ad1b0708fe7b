#pragma once

// Bringing a recording file into a ConversionState: header, channel-gain queue and sample
// block. Every failure shows its message (where it has one) and returns false; the file is
// closed on every way out.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileApi.h"
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
// takes the header, reads the queue, sets loadedPath and keeps the handle in inputFile.
// Returns the open handle, or nullopt when the load is to stop; then any message has been
// shown, the file is closed, and a rejected file has left header, queue and samples alone.
std::optional<FileApi::Handle> OpenRecording(ConversionState& state, const std::string& path,
                                             const Platform& platform);

// Size in bytes of the sample block the header announces, computed in 64 bits, or nullopt
// when channelCount or scanCount is negative.
std::optional<std::uint64_t> SampleBlockSize(const RecordingHeader& header);

// A recording whose header has been taken and presented, positioned at its sample block.
struct OpenedRecording {
    FileApi::Handle file;
    std::uint64_t sampleBytes;  // never more than the file still holds, where its size is known
};

// Everything of a load up to the sample read: the open phase, the header presentation and
// the "View" switch, and the size checks. Releases any held sample block. On success the
// caller owns the handle (also in state.inputFile) and must close it; on failure the
// message has been shown and the file is closed.
std::optional<OpenedRecording> OpenRecordingSamples(ConversionState& state,
                                                    const Platform& platform, ViewSwitch& view);

// The whole load of state.inputPath. True when the whole sample block is held in
// state.samples; false when the load stopped early.
bool LoadRecording(ConversionState& state, const Platform& platform, ViewSwitch& view);

}  // namespace vantrel
