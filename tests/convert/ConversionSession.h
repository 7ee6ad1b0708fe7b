#pragma once

// One window's worth of state for fault tests: real files through FaultyFileApi, recorded
// messages, and the load and "Start Convert" operations as the window runs them.

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "recording/ConversionState.h"
#include "support/TestPlatform.h"

namespace vantrel::test {

class ConversionSession {
  public:
    ConversionSession() = default;
    ConversionSession(const ConversionSession&) = delete;
    ConversionSession& operator=(const ConversionSession&) = delete;

    // Loads `path` as the "Load" button does; the messages are those of this load only.
    bool Load(const std::string& path);
    // Runs "Start Convert" into `outputPath` in `format` (tab separator, title on); the
    // messages are those of this run only.
    void Convert(const std::string& outputPath, int format = 0);

    FaultyFileApi files;
    RecordedMessages messages;
    RecordedView view;
    Platform platform{files, messages};
    ConversionState state;
};

// A small recording every converting card would accept: card type 1, two channels in
// ascending order, "+/-10V", `scans` scans of the words 1000 hex and F800 hex.
std::vector<std::uint8_t> TwoChannelRecording(int scans);

}  // namespace vantrel::test
