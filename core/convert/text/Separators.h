// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The column separators of the text outputs: the name the command line takes and the
// characters put between two cells.

#include <array>
#include <cstdint>
#include <string_view>

#include "convert/run/ConversionOptions.h"

namespace vantrel {

struct SeparatorInfo {
    Separator separator;
    std::string_view name;         // command-line name
    std::string_view text;         // what stands between two cells
    std::string_view description;  // one line for the command line's help
};

inline constexpr std::array<SeparatorInfo, 3> kSeparators = {{
    {Separator::kSpace, "space", "  ", "two blanks"},
    {Separator::kTab, "tab", "\t", "a tab"},
    {Separator::kComma, "comma", ", ", "a comma and a blank"},
}};

// The characters of a separator.
std::string_view SeparatorText(Separator separator);

// The separator of the window's radio index; an index without a button (none checked)
// falls back to the default, two blanks.
Separator SeparatorOfIndex(std::int32_t separatorIndex);

}  // namespace vantrel
