#pragma once

// The choices a conversion is made with, typed. The window's Format list index, separator
// radio index and title check box turn into these where its data exchange meets the state
// (OutputFormats.h and Separators.h hold the tables behind each).

#include <cstdint>

namespace vantrel {

// Output formats; the value is the item's index in the window's Format list.
enum class OutputFormat : std::int32_t {
    kScaledText = 0,
    kScaledBinary = 1,
    kCodesText = 2,
    kHdf5 = 3,
    kMat = 4,
    kMat5 = 5,
    kNpy = 6,
    kCsv = 7,
    kEdf = 8,
    kBdf = 9,
};

// Column separators of the text outputs; the value is the window's radio button index.
enum class Separator : std::int32_t {
    kSpace = 0,
    kTab = 1,
    kComma = 2,
};

struct ConversionOptions {
    OutputFormat format = OutputFormat::kScaledText;
    Separator separator = Separator::kSpace;
    bool title = true;          // the two title lines of the text outputs
    bool compress = false;      // deflate the datasets of the HDF5-based and MATLAB outputs
    bool decimalComma = false;  // CSV: semicolons between cells, ',' for the decimal point
    // Samples a writer takes per chunk (rounded down to whole scans, at least one scan); 0
    // takes the format's own. Tests and the fuzz target set it to put chunk boundaries
    // everywhere: every output is the same whatever it is.
    std::uint64_t chunkSamples = 0;
};

}  // namespace vantrel
