// SPDX-License-Identifier: BSD-3-Clause
#include "CliMessages.h"

#include <ostream>

namespace vantrel::cli {

void PrintFailure(std::ostream& err, const std::string& file, OutcomeKind kind,
                  const std::vector<std::string>& messages) {
    if (kind == OutcomeKind::kUnopened) {
        err << file << ": " << kCannotOpenMessage << '\n';
        return;
    }
    for (const auto& text : messages) {
        err << file << ": " << text << '\n';
    }
}

}  // namespace vantrel::cli
