#pragma once

// Everything the main window holds between two handler calls: the loaded recording, the
// files while an operation runs, the paths, the conversion options and the ten display
// texts. The core operations take it as argument, so they run without a window; the window
// moves its controls in and out of it.

#include <string>

#include "convert/run/ConversionOptions.h"
#include "platform/File.h"
#include "recording/DisplayTexts.h"
#include "recording/LoadedRecording.h"

namespace vantrel {

struct ConversionState {
    LoadedRecording recording;  // header, queue, samples, loadedPath
    File inputFile;             // the recording while a load opens it; empty otherwise
    File outputFile;            // the output while a conversion writes it; empty otherwise

    std::string inputPath;
    std::string outputPath;
    ConversionOptions options;
    DisplayTexts display;
};

}  // namespace vantrel
