#pragma once

// Everything the main window holds between two handler calls: the loaded recording, the
// paths and options, and the ten display texts. The core operations take it as argument,
// so they run without a window; the window moves its controls in and out of it.

#include <cstdint>
#include <optional>
#include <string>

#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"
#include "recording/SampleBlock.h"

namespace vantrel {

// Output formats, by their index in the window's Format list.
enum class OutputFormat : int {
    kScaledText = 0,
    kScaledBinary = 1,
    kCodesText = 2,
};

struct ConversionState {
    RecordingHeader header;              // the header of the last file that passed the magic test
    std::int32_t inputFile = -1;         // the recording file while a load runs, else -1
    std::int32_t outputFile = -1;        // the output file while a conversion writes it, else -1
    ChannelGainQueue queue;              // empty: none held
    std::optional<SampleBlock> samples;  // none: no recording loaded
    std::string loadedPath;              // the input path the held header and queue came from
    std::int32_t formatIndex = 0;        // OutputFormat; any value but 0 and 1 writes codes

    std::string inputPath;
    std::string outputPath;

    // Display texts, one per header label of the window.
    std::string rangeText;
    std::string cardText;
    std::string channelText;
    std::string orderText;
    std::string widthText;
    std::string scanText;
    std::string rateText;
    std::string dateText;
    std::string timeText;

    std::int32_t titleFlag = 1;       // 1: write the two title lines in text outputs
    std::int32_t separatorIndex = 0;  // index into Separators
    std::string queueText;
    std::int32_t digitalIndex = 0;  // Decimal/Hexadecimal choice; no output depends on it

    // Sets the ten display texts to empty, as when the loaded data is dropped.
    void ClearDisplayTexts();
};

}  // namespace vantrel
