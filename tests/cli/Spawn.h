// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// vantrel-convert started as a child process with its standard streams on descriptors the
// test chooses (a pipe, a pseudo-terminal, a fifo), for what only a process shows: signals,
// terminals, standard input and output.

#include <string>
#include <vector>

#include <sys/types.h>

namespace vantrel::test {

// Starts the converter with `args`, its standard input, output and error on `in`, `out` and
// `err`, and SIGINT and SIGPIPE at their default actions. Descriptors the test opened stay
// out of the child as long as they are close-on-exec.
pid_t SpawnConverter(const std::vector<std::string>& args, int in, int out, int err);

// Waits for the child: its exit status, or 128 + the signal that ended it.
int WaitForExit(pid_t pid);

// Reads what is there on `fd` (non-blocking) and appends it to `text`. False at its end.
bool ReadAvailable(int fd, std::string& text);

}  // namespace vantrel::test
