// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The whole command line of vantrel-convert: parses the arguments and runs the mode they
// ask for, printing to `out` and `err`. Returns the process exit status: 0 when every file
// was handled, 1 when any failed, 2 for a usage error (0 for --help and --version).

#include <iosfwd>

namespace vantrel::cli {

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace vantrel::cli
