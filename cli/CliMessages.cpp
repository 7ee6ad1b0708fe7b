// SPDX-License-Identifier: BSD-3-Clause
#include "CliMessages.h"

#include <ostream>

namespace vantrel::cli {

void PrintFailure(std::ostream& err, const std::string& file, OutcomeKind kind,
                  const std::vector<std::string>& messages) {
    for (const auto& text : ReportedMessages(kind, messages)) {
        err << file << ": " << text << '\n';
    }
}

}  // namespace vantrel::cli
