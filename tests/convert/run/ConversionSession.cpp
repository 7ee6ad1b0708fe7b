// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/ConversionSession.h"

#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "recording/LoadRecording.h"
#include "support/WindowRun.h"

namespace vantrel::test {

bool ConversionSession::Load(const std::string& path) {
    messages.texts.clear();
    state.inputPath = path;
    return LoadInto(state, platform, view);
}

void ConversionSession::Convert(const std::string& outputPath, std::int32_t formatIndex,
                                const ProgressCallback& progress) {
    messages.texts.clear();
    state.outputPath = outputPath;
    state.options = {FormatOfIndex(formatIndex), Separator::kTab, true};
    StartConvertRun(
        state, platform, [] {}, progress);
}

}  // namespace vantrel::test
