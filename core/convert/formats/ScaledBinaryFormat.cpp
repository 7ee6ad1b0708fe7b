// SPDX-License-Identifier: BSD-3-Clause
// Scaled data to binary file (double): N little-endian IEEE 754 doubles in sample order,
// with no header; the text options do not apply.

#include "convert/formats/OutputFormats.h"
#include "convert/scaling/ScaledDoubles.h"

namespace vantrel {

const OutputFormatInfo kScaledBinaryFormat = {
    .format = OutputFormat::kScaledBinary,
    .name = NameOf(OutputFormat::kScaledBinary),
    .listText = "Scaled data to binary file (double)",
    .description = "scaled values as little-endian 64-bit doubles, no header",
    .extension = ".cvt",
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteScaledDoubles,
};

}  // namespace vantrel
