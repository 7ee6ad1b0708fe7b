// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// One window's worth of state for fault tests: real files through FaultyFileApi, recorded
// messages, and the load and "Start Convert" operations as the window runs them.

#include <cstdint>
#include <string>

#include "ConversionState.h"
#include "convert/run/Progress.h"
#include "platform/Platform.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel::test {

class ConversionSession {
  public:
    ConversionSession() = default;
    ConversionSession(const ConversionSession&) = delete;
    ConversionSession& operator=(const ConversionSession&) = delete;

    // Loads `path` as the "Load" button does; the messages are those of this load only.
    bool Load(const std::string& path);
    // Runs "Start Convert" into `outputPath` with the Format list index `formatIndex` (tab
    // separator, title on); the messages are those of this run only.
    void Convert(const std::string& outputPath, std::int32_t formatIndex = 0,
                 const ProgressCallback& progress = {});

    FaultyFileApi files;
    RecordedMessages messages;
    RecordedView view;
    Platform platform{files, messages};
    ConversionState state;
};

}  // namespace vantrel::test
