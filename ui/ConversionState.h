// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Everything the main window holds between two handler calls: the loaded recording, the
// paths, the conversion options and the ten display texts. The window moves its controls in
// and out of it (its data exchange); the core's load and conversion take and give values,
// which the operations below bring into and out of it.

#include <functional>
#include <optional>
#include <string>

#include "convert/run/ConversionRequest.h"
#include "platform/MessageSink.h"
#include "recording/DisplayTexts.h"
#include "recording/LoadRecording.h"
#include "recording/LoadedRecording.h"

namespace vantrel {

struct ConversionState {
    LoadedRecording recording;  // header, queue, samples, loadedPath
    std::string inputPath;
    std::string outputPath;
    ConversionOptions options;
    DisplayTexts display;
};

// What a Load leaves in the state, by how far it got: nothing of a file that could not be
// opened or is not a recording; the header alone, with an empty queue, of one whose queue
// could not be had; else header, queue and loadedPath with their display texts presented
// and no sample block, and the block too where the load completed. Returns the "View"
// button's state after it, or nullopt where the load leaves the button as it was.
std::optional<bool> TakeLoad(ConversionState& state, Load load);

// The request of the held recording into the state's output path with its options.
ConversionRequest RequestOf(const ConversionState& state);

// "Start Convert" up to its run: "No source data!" unless a sample block is held, then the
// data exchange in; then the request of the held recording into the state's output path
// with its options. nullopt when the message has been shown instead.
std::optional<ConversionRequest> StartConvert(ConversionState& state, MessageSink& messages,
                                              const std::function<void()>& exchangeIn);

}  // namespace vantrel
