// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The format a -f word chooses: a name in any case, or a number, the format's OutputFormat
// value, which is the same in every build.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "convert/formats/OutputFormats.h"

namespace vantrel::cli {

struct FormatChoice {
    std::optional<OutputFormat> format;  // none: `error` says why
    std::string error;
};

// The format of `word` among `built`, the formats of this build. A word that names a format
// of another build gives "Format "WORD" is not in this build: use one of a, b, c" (its name
// in brackets after a number); any other word "Unknown format "WORD": use one of a, b, c",
// each listing the names of `built`.
FormatChoice ChooseFormat(std::string_view word,
                          std::span<const OutputFormatInfo* const> built = OutputFormats());

}  // namespace vantrel::cli
