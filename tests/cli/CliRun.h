// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Runs vantrel-convert's command line in-process, as the program would with these
// arguments, and keeps what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace vantrel::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun RunCli(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"vantrel-convert"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.status = cli::RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace vantrel::test
