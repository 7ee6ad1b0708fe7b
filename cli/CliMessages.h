// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The command-line tool's messages: collected while a file is handled (MessageLog) and then
// printed, a success on standard output, a failure as "FILE: text" on standard error.

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/MessageSink.h"
#include "recording/LoadRecording.h"
#include "recording/Outcome.h"

namespace vantrel::cli {

using vantrel::kCannotOpenMessage;

// Writes "FILE: text" for each message to `err`; "FILE: Cannot open input file!" for a
// file that could not be opened (the window is silent then).
void PrintFailure(std::ostream& err, const std::string& file, OutcomeKind kind,
                  const std::vector<std::string>& messages);

}  // namespace vantrel::cli
