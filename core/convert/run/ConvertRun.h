#pragma once

// The conversion run: checks, the output's creation, the writer of the chosen format, and
// the one message that reports the outcome. Two entry points share it: "Start Convert" over
// the block a load holds, and StreamConvert, which reads the recording while converting.

#include <optional>
#include <span>
#include <string>

#include "convert/run/Progress.h"
#include "convert/run/SampleSource.h"
#include "platform/DataExchange.h"
#include "platform/Platform.h"
#include "recording/ConversionState.h"

namespace vantrel {

inline constexpr const char* kNoSourceDataMessage = "No source data!";
inline constexpr const char* kNoOutputNameMessage = "No output file name!";
inline constexpr const char* kOpenOutputErrorMessage = "Open Output File Error!";
inline constexpr const char* kWriteOutputErrorMessage = "Write Output File Error!";
inline constexpr const char* kUnsupportedCardMessage = "Unsupported card type!";
inline constexpr const char* kWidthMismatchMessage = "Data width doesn't match card type!";
inline constexpr const char* kQueueTooShortMessage = "Channel-Gain-Queue is too short!";
inline constexpr const char* kChannelOutOfRangeMessage = "Channel number out of range!";
inline constexpr const char* kOutputIsInputMessage = "Output file is the input file!";
inline constexpr const char* kCancelledMessage = "Conversion cancelled!";
// "Write to %s successful!" with the output path exactly as held.
std::string SuccessMessage(const std::string& outputPath);

// The refusal message for a recording that cannot be converted soundly, or nullopt when it
// can: a card type without rules, an element size that differs from the card's, a block
// shorter than N elements, a custom-order queue shorter than channelCount, or (card type 4,
// custom order) a channel number above 7.
std::optional<std::string> CheckConvertible(const RecordingHeader& header,
                                            const ChannelGainQueue& queue,
                                            std::uint64_t sampleBytes);

// The run from the output path check on: refuses an empty path, an unconvertible recording
// and an output that is the loaded recording itself; creates the output; lets the writer of
// state.options.format write it from `samples`; and puts it in place and reports success,
// or discards it (an earlier file at the path keeps its bytes) and reports the failure or
// the cancellation. Shows exactly one message; returns true on success.
bool ConvertToOutput(ConversionState& state, SampleSource& samples, const Platform& platform,
                     const ProgressCallback& progress = {});

// "Start Convert": "No source data!" unless a sample block is held; then the data exchange
// in; then ConvertToOutput over the held block.
void StartConvert(ConversionState& state, const Platform& platform, DataExchange& exchange,
                  const ProgressCallback& progress = {});

// The conversion of state.inputPath into state.outputPath with state.options, reading the
// samples chunk by chunk while converting, so memory stays bounded whatever the size: the
// load's checks and messages up to the sample read, then the refusal of an output that is
// one of `otherInputs` (recordings a batch has still to read), then ConvertToOutput. The
// recording is closed at the end. Returns true on success.
bool StreamConvert(ConversionState& state, const Platform& platform,
                   std::span<const std::string> otherInputs = {},
                   const ProgressCallback& progress = {});

}  // namespace vantrel
