// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Recordings held in a ConversionState without a file, and a conversion run into a file.

#include <algorithm>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"
#include "support/WindowRun.h"

namespace vantrel::test {

// The state a successful load of `builder`'s file would leave.
inline ConversionState StateFrom(const RecordingBuilder& builder, const std::string& path = "") {
    const std::vector<std::uint8_t> bytes = builder.Bytes();
    ConversionState state;
    LoadedRecording& recording = state.recording;
    std::copy_n(bytes.begin(), RecordingHeader::kSize, recording.header.bytes().begin());
    std::size_t offset = RecordingHeader::kSize;
    for (int i = 0; i < recording.header.queueCount(); ++i, offset += 2) {
        recording.queue.push_back({bytes[offset], bytes[offset + 1]});
    }
    recording.samples.emplace(bytes.size() - offset);
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end(),
              recording.samples->data());
    state.inputPath = path;
    recording.loadedPath = path;
    return state;
}

struct RunOutcome {
    bool ok;
    std::vector<std::string> messages;
};

// Runs the conversion of the held block to `outputPath` with the Format list index
// `formatIndex` and the state's separator and title choice.
inline RunOutcome ConvertHeld(ConversionState& state, const std::string& outputPath,
                              std::int32_t formatIndex, FileApi& files) {
    RecordedMessages messages;
    state.outputPath = outputPath;
    state.options.format = FormatOfIndex(formatIndex);
    MemorySampleSource source(state.recording.samples->bytes());
    const Outcome outcome =
        ConvertToOutput(state.recording, HeldRequest(state), source, Platform{files, messages});
    return {outcome.done(), messages.texts};
}

inline RunOutcome ConvertHeld(ConversionState& state, const std::string& outputPath,
                              std::int32_t formatIndex) {
    OsFileApi files;
    return ConvertHeld(state, outputPath, formatIndex, files);
}

}  // namespace vantrel::test
