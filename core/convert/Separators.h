#pragma once

// The column separators of the text outputs: the name the command line takes and the
// characters put between two cells.

#include <array>
#include <cstdint>
#include <string_view>

#include "convert/ConversionOptions.h"

namespace vantrel {

struct SeparatorInfo {
    Separator separator;
    std::string_view name;  // command-line name
    std::string_view text;  // what stands between two cells
};

inline constexpr std::array<SeparatorInfo, 3> kSeparators = {{
    {Separator::kSpace, "space", "  "},
    {Separator::kTab, "tab", "\t"},
    {Separator::kComma, "comma", ", "},
}};

// The characters of a separator.
std::string_view SeparatorText(Separator separator);

// The separator of the window's radio index; an index without a button (none checked)
// falls back to the default, two blanks.
Separator SeparatorOfIndex(std::int32_t separatorIndex);

}  // namespace vantrel
