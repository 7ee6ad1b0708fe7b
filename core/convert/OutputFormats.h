#pragma once

// The output formats in one table: the window's Format list and the command-line tool's
// --format names both come from here.

#include <array>
#include <cstdint>
#include <string_view>

#include "convert/OutputWriters.h"
#include "recording/ConversionState.h"

namespace vantrel {

struct OutputFormatInfo {
    OutputFormat format;
    std::string_view name;      // command-line name
    std::string_view listText;  // the window's Format list item
    WriteResult (*write)(const WriteJob&);
};

inline constexpr std::array<OutputFormatInfo, 3> kOutputFormats = {{
    {OutputFormat::kScaledText, "scaled-text", "Scaled data to text file", &WriteScaledText},
    {OutputFormat::kScaledBinary, "scaled-binary", "Scaled data to binary file (double)",
     &WriteScaledBinary},
    {OutputFormat::kCodesText, "codes-text", "Binary codes to text file", &WriteCodesText},
}};

// The format a formatIndex selects: 0 scaled text, 1 scaled binary, any other value codes.
inline const OutputFormatInfo& OutputFormatFor(std::int32_t formatIndex) {
    if (formatIndex == 0) {
        return kOutputFormats[0];
    }
    if (formatIndex == 1) {
        return kOutputFormats[1];
    }
    return kOutputFormats[2];
}

}  // namespace vantrel
