// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Runs vantrel-convert as a process (POSIX: a shell and /dev/null), for what only main
// shows: the exit status the system gets and which stream each report takes.

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "support/TestPlatform.h"

namespace vantrel::test {

struct ProcessRun {
    int status = -1;  // -1: the process did not exit by itself
    std::string out;
    std::string err;
};

inline std::string ShellQuoted(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The converter (`program`, where not the build's) run with `args`, `environment` (such as
// "LD_DEBUG=files") and standard input from /dev/null; its standard output and error are
// kept in the files "stdout" and "stderr" of `streams`.
inline ProcessRun RunConverterProcess(const TempDir& streams, const std::vector<std::string>& args,
                                      const std::string& environment = "",
                                      const std::string& program = VANTREL_CONVERT_EXE) {
    std::string command = environment + " " + ShellQuoted(program);
    for (const auto& arg : args) {
        command += " " + ShellQuoted(arg);
    }
    command += " >" + ShellQuoted(streams.File("stdout")) + " 2>" +
               ShellQuoted(streams.File("stderr")) + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileText(streams.File("stdout")),
            ReadFileText(streams.File("stderr"))};
}

}  // namespace vantrel::test
