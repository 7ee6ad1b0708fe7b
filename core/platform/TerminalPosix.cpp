// SPDX-License-Identifier: BSD-3-Clause
#include "platform/Terminal.h"

#include <unistd.h>

namespace vantrel {

bool IsTerminal(StandardStream stream) {
    switch (stream) {
        case StandardStream::kInput:
            return ::isatty(STDIN_FILENO) == 1;
        case StandardStream::kOutput:
            return ::isatty(STDOUT_FILENO) == 1;
        case StandardStream::kError:
            return ::isatty(STDERR_FILENO) == 1;
    }
    return false;
}

}  // namespace vantrel
