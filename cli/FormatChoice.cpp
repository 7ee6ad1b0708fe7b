// SPDX-License-Identifier: BSD-3-Clause
#include "FormatChoice.h"

#include <algorithm>
#include <cctype>

namespace vantrel::cli {

FormatChoice ChooseFormat(std::string_view word, std::span<const OutputFormatInfo* const> built) {
    std::string lower(word);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string listed;
    for (const OutputFormatInfo* info : built) {
        listed += (listed.empty() ? "" : ", ") + std::string(info->name);
    }
    const std::string quoted = "\"" + std::string(word) + "\"";
    for (const FormatName& known : kFormatNames) {
        const std::string number = std::to_string(static_cast<int>(known.format));
        if (lower != known.name && lower != number) {
            continue;
        }
        const auto info = std::find_if(built.begin(), built.end(), [&](const OutputFormatInfo* i) {
            return i->format == known.format;
        });
        if (info != built.end()) {
            return {(*info)->format, {}};
        }
        const std::string which = lower == number ? " (" + std::string(known.name) + ")" : "";
        return {std::nullopt,
                "Format " + quoted + which + " is not in this build: use one of " + listed};
    }
    return {std::nullopt, "Unknown format " + quoted + ": use one of " + listed};
}

}  // namespace vantrel::cli
