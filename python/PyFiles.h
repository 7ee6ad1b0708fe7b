// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What the module's functions share: the file calls, path arguments as Python gives them,
// and Ctrl-C while the work runs without the GIL.

#include <pybind11/pybind11.h>

#include <string>

#include "platform/OsFileApi.h"

namespace vantrel::python {

// One set of file calls for every thread (it is safe to share).
OsFileApi& Files();

// A str, bytes or os.PathLike argument as the path the core opens. Raises ValueError
// ("embedded null byte", as open() does) for a path with a NUL in it.
std::string PathText(const pybind11::handle& path);

// A path the core holds as the str Python gives for it (os.fsdecode: a name that is not
// UTF-8 comes back as os.fsencode takes it).
pybind11::str PathObject(const std::string& path);

// From a thread without the GIL: takes it and runs the interpreter's signal handlers (Ctrl-C
// raises KeyboardInterrupt there). True when one raised; the exception is then pending.
bool SignalRaised();

}  // namespace vantrel::python
