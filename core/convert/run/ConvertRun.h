// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The conversion run: checks, the output's creation, the writer of the chosen format, and
// the one message that reports the outcome, which the run also returns as a value. It
// converts the block a load holds (the window's "Start Convert") or reads the recording
// while converting (the command line, the Python module).

#include <optional>
#include <string>

#include "convert/run/ConversionRequest.h"
#include "convert/run/SampleSource.h"
#include "platform/Platform.h"
#include "platform/ProgressCallback.h"
#include "recording/Outcome.h"

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

// The run from the output path check on, over `samples` of `recording`: refuses an empty
// output path, an unconvertible recording and an output that is the recording itself;
// creates the output; lets the writer of request.options.format write it; and puts it in
// place and reports success, or discards it (an earlier file at the path keeps its bytes)
// and reports the failure or the cancellation. Shows exactly one message.
Outcome ConvertToOutput(const LoadedRecording& recording, const ConversionRequest& request,
                        SampleSource& samples, const Platform& platform,
                        const ProgressCallback& progress = {});

// The conversion `request` asks for. Of a loaded recording: "No source data!" unless it
// holds a sample block, then ConvertToOutput over the block. Of the file at inputPath: the
// load's checks and messages up to the sample read, then the refusal of an output that is
// one of otherInputs, then ConvertToOutput reading the samples chunk by chunk; the file is
// closed at the end.
Outcome RunConversion(const ConversionRequest& request, const Platform& platform,
                      const ProgressCallback& progress = {});

}  // namespace vantrel
