// Scaled data to binary file (double): N little-endian IEEE 754 doubles in sample order,
// with no header; the text options do not apply.

#include "convert/formats/OutputFormats.h"
#include "convert/scaling/ScaledDoubles.h"

namespace vantrel {

const OutputFormatInfo kScaledBinaryFormat = {
    OutputFormat::kScaledBinary,
    "scaled-binary",
    "Scaled data to binary file (double)",
    "scaled values as little-endian 64-bit doubles, no header",
    ".cvt",
    false,
    false,
    false,
    "Failed to allocate scaled data-array",
    &WriteScaledDoubles,
};

}  // namespace vantrel
