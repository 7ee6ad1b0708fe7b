// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What a conversion is asked to do, as one value: which recording, into which output, with
// which options.

#include <string>
#include <vector>

#include "convert/names/ChannelNames.h"
#include "convert/run/ConversionOptions.h"
#include "convert/run/Selection.h"
#include "recording/LoadedRecording.h"

namespace vantrel {

struct ConversionRequest {
    // A recording a load holds with its sample block (the window's), which must outlive the
    // run; without one, the file at inputPath, read chunk by chunk while converting so that
    // memory stays bounded whatever its size.
    const LoadedRecording* loaded = nullptr;
    std::string inputPath;
    std::string outputPath;
    ConversionOptions options;
    Selection selection;  // the part of the recording converted: all of it by default
    ChannelNames names;   // what the user calls each channel: none by default
    // Recordings a batch has still to read: the output may be none of them.
    std::vector<std::string> otherInputs;
};

}  // namespace vantrel
