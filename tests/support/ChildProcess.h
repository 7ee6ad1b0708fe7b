// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Runs a piece of a test in a forked child, for faults that must not touch the test process
// itself: resource limits, signals, peak memory. The child reports back as text.

#include <functional>
#include <string>

namespace vantrel::test {

struct ChildResult {
    bool exitedNormally = false;  // false: killed by a signal (a crash) or could not fork
    int exitCode = -1;
    std::string report;  // what the child's body returned
};

// Forks, runs `body` in the child and sends its result back through a pipe. The child ends
// with _exit, so nothing of the test process runs twice.
ChildResult RunInChild(const std::function<std::string()>& body);

}  // namespace vantrel::test
