// SPDX-License-Identifier: BSD-3-Clause
// --list-formats: the format table for people and scripts, one format a line.

#include <algorithm>
#include <ostream>
#include <string>

#include "Commands.h"
#include "convert/formats/OutputFormats.h"

namespace vantrel::cli {

int RunListFormats(std::ostream& out) {
    std::size_t nameWidth = 0;
    std::size_t extensionWidth = 0;
    for (const OutputFormatInfo* info : OutputFormats()) {
        nameWidth = std::max(nameWidth, info->name.size());
        extensionWidth = std::max(extensionWidth, info->extension.size());
    }
    // Columns apart by two blanks at least, so a script may split on runs of blanks.
    for (const OutputFormatInfo* info : OutputFormats()) {
        out << info->name << std::string(nameWidth + 2 - info->name.size(), ' ') << info->extension
            << std::string(extensionWidth + 2 - info->extension.size(), ' ') << info->description
            << '\n';
    }
    out.flush();
    return kExitOk;
}

}  // namespace vantrel::cli
