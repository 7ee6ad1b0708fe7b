#pragma once

// The conversion run behind "Start Convert": checks, output file creation, the writer of
// the chosen format, closing, and the one message that reports the outcome.

#include <optional>
#include <string>

#include "convert/SampleSource.h"
#include "platform/DataExchange.h"
#include "platform/FileApi.h"
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
// "Write to %s successful!" with the output path exactly as held.
std::string SuccessMessage(const std::string& outputPath);

// Creates `path` (or truncates it) for writing; kNoFile on failure.
FileApi::Handle CreateOutputFile(FileApi& files, const std::string& path);

// The refusal message for a recording that cannot be converted soundly, or nullopt when it
// can: a card type without rules, an element size that differs from the card's, a block
// shorter than N elements, a custom-order queue shorter than channelCount, or (card type 4,
// custom order) a channel number above 7.
std::optional<std::string> CheckConvertible(const RecordingHeader& header,
                                            const ChannelGainQueue& queue,
                                            std::uint64_t sampleBytes);

// The run from the output path check on: refuses an empty path, an unconvertible recording
// and an output that is the loaded recording itself; creates the file; lets the writer of
// formatIndex write it from `samples`; closes; and reports success, or removes an
// incomplete regular output file and reports the failure. Returns true on success.
bool ConvertToOutput(ConversionState& state, SampleSource& samples, const Platform& platform);

// "Start Convert": "No source data!" unless a sample block is held; then the data exchange
// in; then ConvertToOutput over the held block.
void StartConvert(ConversionState& state, const Platform& platform, DataExchange& exchange);

}  // namespace vantrel
