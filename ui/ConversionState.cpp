// SPDX-License-Identifier: BSD-3-Clause
#include "ConversionState.h"

#include <utility>

#include "convert/run/ConvertRun.h"
#include "recording/PresentHeader.h"

namespace vantrel {

std::optional<bool> TakeLoad(ConversionState& state, Load load) {
    LoadedRecording& held = state.recording;
    switch (load.reached) {
        case LoadStage::kNothing:
            return std::nullopt;
        case LoadStage::kHeader:
            held.header = load.recording.header;
            held.queue = {};
            return std::nullopt;
        case LoadStage::kQueue:
        case LoadStage::kSamples:
            break;
    }
    held = std::move(load.recording);
    state.display = PresentHeader(held.header);
    return QueueViewable(held.header);
}

ConversionRequest RequestOf(const ConversionState& state) {
    ConversionRequest request;
    request.loaded = &state.recording;
    request.inputPath = state.inputPath;
    request.outputPath = state.outputPath;
    request.options = state.options;
    return request;
}

std::optional<ConversionRequest> StartConvert(ConversionState& state, MessageSink& messages,
                                              const std::function<void()>& exchangeIn) {
    if (!state.recording.samples) {
        messages.ShowMessage(kNoSourceDataMessage);
        return std::nullopt;
    }
    exchangeIn();
    return RequestOf(state);
}

}  // namespace vantrel
