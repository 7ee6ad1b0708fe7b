// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The choices a conversion is made with, typed. The window's Format list index, separator
// radio index and title check box turn into these where its data exchange meets the state
// (OutputFormats.h and Separators.h hold the tables behind each).

#include <cstdint>

namespace vantrel {

// Output formats; the value is the format's number, the same in every build (-f takes it).
// A build without a format's library leaves a gap; the window's Format list holds the
// build's formats in this order and maps its items to them through the format table.
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

// Column separators; the value is the window's radio button index.
enum class Separator : std::int32_t {
    kSpace = 0,
    kTab = 1,
    kComma = 2,
};

// What a time column holds: seconds from the start, the clock time of each scan, or
// nothing (no time column).
enum class TimeBase : std::uint8_t {
    kRelative,
    kAbsolute,
    kNone,
};

struct ConversionOptions {
    OutputFormat format = OutputFormat::kScaledText;
    // Each of these counts for the formats whose FormatOptions hold it (OutputFormats.h)
    // and changes no other format's output.
    Separator separator = Separator::kSpace;
    bool title = true;          // the two title lines
    bool compress = false;      // deflated datasets
    bool decimalComma = false;  // semicolons between cells, ',' for the decimal point
    TimeBase timeBase = TimeBase::kRelative;
    bool titleNames = false;  // title line 2 gives the columns' names, not channel numbers
    // Samples a writer takes per chunk (rounded down to whole scans, at least one scan); 0
    // takes the format's own. Tests and the fuzz target set it to put chunk boundaries
    // everywhere: every output is the same whatever it is.
    std::uint64_t chunkSamples = 0;
    // Tests: every EDF and BDF data record written by EDFlib itself (the header always is),
    // to compare the records our own code writes with.
    bool edfRecordsByEdflib = false;
};

}  // namespace vantrel
