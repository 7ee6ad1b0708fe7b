// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The window's Load and "Start Convert" as its handlers run them, without a window: the
// core's load and conversion, and what each leaves in the window's state.

#include <functional>
#include <optional>
#include <string>

#include "ConversionState.h"
#include "convert/run/ConvertRun.h"
#include "platform/Platform.h"
#include "recording/LoadRecording.h"
#include "support/TestPlatform.h"

namespace vantrel::test {

// Loads state.inputPath into `state`; `view` records the "View" button's switches. True
// when the whole sample block is held.
bool LoadInto(ConversionState& state, const Platform& platform, RecordedView& view,
              SourceDigest digest = SourceDigest::kTake, const ProgressCallback& progress = {});

// "Start Convert": "No source data!" or the data exchange in (`exchangeIn`), then the run
// of the held recording. nullopt where the run did not start.
std::optional<Outcome> StartConvertRun(
    ConversionState& state, const Platform& platform,
    const std::function<void()>& exchangeIn = [] {}, const ProgressCallback& progress = {});

// The request of the held recording into state.outputPath with state.options.
ConversionRequest HeldRequest(const ConversionState& state);

// The request of the file at state.inputPath, read while converting.
ConversionRequest StreamRequest(const ConversionState& state);

}  // namespace vantrel::test
