#include "convert/ConversionSession.h"

#include "RecordingBuilder.h"
#include "convert/ConvertRun.h"
#include "platform/DataExchange.h"
#include "recording/LoadRecording.h"

namespace vantrel::test {

bool ConversionSession::Load(const std::string& path) {
    messages.texts.clear();
    state.inputPath = path;
    return LoadRecording(state, platform, view);
}

void ConversionSession::Convert(const std::string& outputPath, int format) {
    messages.texts.clear();
    state.outputPath = outputPath;
    state.formatIndex = format;
    state.separatorIndex = 1;
    state.titleFlag = 1;
    NoDataExchange exchange;
    StartConvert(state, platform, exchange);
}

std::vector<std::uint8_t> TwoChannelRecording(int scans) {
    RecordingBuilder b;
    b.header().SetChannelCount(2);
    b.header().SetScanCount(scans);
    for (int s = 0; s < scans; ++s) {
        b.AddWord16(0x1000).AddWord16(0xF800);
    }
    return b.Bytes();
}

}  // namespace vantrel::test
