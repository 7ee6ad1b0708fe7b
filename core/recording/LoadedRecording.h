// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A recording as a load leaves it in memory: the header, the channel-gain queue, the sample
// block, and the path they were read from.

#include <optional>
#include <string>

#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"
#include "recording/SampleBlock.h"

namespace vantrel {

struct LoadedRecording {
    RecordingHeader header;              // the header of the last file that passed the magic test
    ChannelGainQueue queue;              // empty: none held
    std::optional<SampleBlock> samples;  // none: no recording loaded
    std::string loadedPath;              // the input path the held header and queue came from
    std::string sourceSha256;            // of the whole file the held block was loaded from
};

}  // namespace vantrel
