#pragma once

// The module's exceptions: vantrel.Error and its subclasses carry the converter's own
// message; a recording that cannot be opened raises the OSError subclass of its cause.

#include <pybind11/pybind11.h>

#include <string>
#include <system_error>
#include <vector>

namespace vantrel::python {

// When the path a recording was opened from names no file any more.
inline constexpr const char* kRecordingGoneMessage =
    "Recording deleted or moved since it was opened!";

// Adds Error, LoadError, RefusedError and CancelledError to the module.
void AddErrors(pybind11::module_& module);

// Raises the exception for the message an operation ended with (the last of `texts`):
// LoadError for the load's messages, CancelledError for a cancelled conversion, Error for
// an output that could not be created or written, RefusedError for the rest (a recording
// or format that cannot be converted). Needs the GIL.
[[noreturn]] void RaiseMessage(const std::vector<std::string>& texts);

// Raises OSError for `path` with the cause `error` (FileNotFoundError, PermissionError,
// IsADirectoryError... as Python picks by errno). Needs the GIL.
[[noreturn]] void RaiseOpenError(const std::error_code& error, const std::string& path);

}  // namespace vantrel::python
