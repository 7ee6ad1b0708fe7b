// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Whether this build writes a format: one without a library (Windows has no HDF5, matio or
// EDFlib) leaves its formats out of the table, and their tests out of the run.

#include <algorithm>

#include "convert/formats/OutputFormats.h"

namespace vantrel::test {

inline bool FormatIsBuilt(OutputFormat format) {
    const auto formats = OutputFormats();
    return std::any_of(formats.begin(), formats.end(),
                       [format](const OutputFormatInfo* info) { return info->format == format; });
}

}  // namespace vantrel::test
