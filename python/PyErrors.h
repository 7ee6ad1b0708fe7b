// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The module's exceptions: vantrel.Error and its subclasses carry the converter's own
// message; a recording that cannot be opened raises the OSError subclass of its cause.

#include <pybind11/pybind11.h>

#include <string>

#include "recording/Outcome.h"

namespace vantrel::python {

// When the path a recording was opened from names no file any more.
inline constexpr const char* kRecordingGoneMessage =
    "Recording deleted or moved since it was opened!";

// Adds Error, LoadError, RefusedError and CancelledError to the module.
void AddErrors(pybind11::module_& module);

// Raises the exception for how an operation on the recording at `path` ended: OSError for
// one that could not be opened, LoadError for one that is not a recording or cannot be
// read, RefusedError for one that cannot be converted (soundly, or into the chosen
// format), CancelledError for a cancelled conversion, and Error for an output that could
// not be created or written. Needs the GIL.
[[noreturn]] void Raise(const Outcome& outcome, const std::string& path);

// Raises LoadError with `message`: the module's own findings about a recording's file.
[[noreturn]] void RaiseLoadError(const std::string& message);

}  // namespace vantrel::python
