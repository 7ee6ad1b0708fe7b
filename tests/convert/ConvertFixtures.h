#pragma once

// Recordings held in a ConversionState without a file, and a conversion run into a file.

#include <algorithm>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/ConvertRun.h"
#include "support/TestPlatform.h"

namespace vantrel::test {

// The state a successful load of `builder`'s file would leave.
inline ConversionState StateFrom(const RecordingBuilder& builder, const std::string& path = "") {
    const std::vector<std::uint8_t> bytes = builder.Bytes();
    ConversionState state;
    std::copy_n(bytes.begin(), RecordingHeader::kSize, state.header.bytes().begin());
    std::size_t offset = RecordingHeader::kSize;
    for (int i = 0; i < state.header.queueCount(); ++i, offset += 2) {
        state.queue.push_back({bytes[offset], bytes[offset + 1]});
    }
    state.samples.emplace(bytes.size() - offset);
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end(),
              state.samples->data());
    state.inputPath = path;
    state.loadedPath = path;
    return state;
}

struct RunOutcome {
    bool ok;
    std::vector<std::string> messages;
};

// Runs the conversion of the held block to `outputPath` in `formatIndex`.
inline RunOutcome ConvertHeld(ConversionState& state, const std::string& outputPath,
                              int formatIndex, FileApi& files) {
    RecordedMessages messages;
    state.outputPath = outputPath;
    state.formatIndex = formatIndex;
    MemorySampleSource source(state.samples->bytes());
    const bool ok = ConvertToOutput(state, source, Platform{files, messages});
    return {ok, messages.texts};
}

inline RunOutcome ConvertHeld(ConversionState& state, const std::string& outputPath,
                              int formatIndex) {
    OsFileApi files;
    return ConvertHeld(state, outputPath, formatIndex, files);
}

}  // namespace vantrel::test
