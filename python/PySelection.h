// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The part of a recording the module's functions take, from their keyword arguments: scans a
// slice of scan numbers, time a (start, end) pair of seconds, channels and columns lists of
// numbers. The core checks the part against the recording, with the command line's messages.

#include <pybind11/pybind11.h>

#include "convert/run/Selection.h"

namespace vantrel::python {

// The selection the arguments name; None leaves each out. Raises TypeError for an argument of
// the wrong kind, ValueError for a slice with a step other than 1.
Selection SelectionOf(const pybind11::handle& scans, const pybind11::handle& time,
                      const pybind11::handle& channels, const pybind11::handle& columns);

}  // namespace vantrel::python
