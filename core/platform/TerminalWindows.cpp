// SPDX-License-Identifier: BSD-3-Clause
#include "platform/Terminal.h"

#include <windows.h>

namespace vantrel {

bool IsTerminal(StandardStream stream) {
    DWORD id = STD_INPUT_HANDLE;
    switch (stream) {
        case StandardStream::kInput:
            id = STD_INPUT_HANDLE;
            break;
        case StandardStream::kOutput:
            id = STD_OUTPUT_HANDLE;
            break;
        case StandardStream::kError:
            id = STD_ERROR_HANDLE;
            break;
    }
    // A console answers GetConsoleMode; a pipe, a file or the NUL device do not.
    DWORD mode = 0;
    const HANDLE handle = GetStdHandle(id);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

}  // namespace vantrel
