// SPDX-License-Identifier: BSD-3-Clause
#include "support/WindowRun.h"

namespace vantrel::test {

bool LoadInto(ConversionState& state, const Platform& platform, RecordedView& view,
              SourceDigest digest, const ProgressCallback& progress) {
    Load load =
        LoadRecording(state.inputPath, platform, digest, progress, &state.recording.samples);
    const bool loaded = load.outcome.done();
    if (const auto enabled = TakeLoad(state, std::move(load))) {
        view.state = *enabled;
    }
    return loaded;
}

std::optional<Outcome> StartConvertRun(ConversionState& state, const Platform& platform,
                                       const std::function<void()>& exchangeIn,
                                       const ProgressCallback& progress) {
    const auto request = StartConvert(state, platform.messages, exchangeIn);
    if (!request) {
        return std::nullopt;
    }
    return RunConversion(*request, platform, progress);
}

ConversionRequest HeldRequest(const ConversionState& state) {
    return RequestOf(state);
}

ConversionRequest StreamRequest(const ConversionState& state) {
    ConversionRequest request = RequestOf(state);
    request.loaded = nullptr;
    return request;
}

}  // namespace vantrel::test
