// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/Separators.h"

namespace vantrel {

std::string_view SeparatorText(Separator separator) {
    for (const SeparatorInfo& info : kSeparators) {
        if (info.separator == separator) {
            return info.text;
        }
    }
    return kSeparators.front().text;
}

Separator SeparatorOfIndex(std::int32_t separatorIndex) {
    for (const SeparatorInfo& info : kSeparators) {
        if (static_cast<std::int32_t>(info.separator) == separatorIndex) {
            return info.separator;
        }
    }
    return Separator::kSpace;
}

}  // namespace vantrel
