#include "convert/run/ConversionSession.h"

#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "platform/DataExchange.h"
#include "recording/LoadRecording.h"

namespace vantrel::test {

bool ConversionSession::Load(const std::string& path) {
    messages.texts.clear();
    state.inputPath = path;
    return LoadRecording(state, platform, view);
}

void ConversionSession::Convert(const std::string& outputPath, std::int32_t formatIndex,
                                const ProgressCallback& progress) {
    messages.texts.clear();
    state.outputPath = outputPath;
    state.options = {FormatOfIndex(formatIndex), Separator::kTab, true};
    NoDataExchange exchange;
    StartConvert(state, platform, exchange, progress);
}

}  // namespace vantrel::test
