// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <pybind11/pybind11.h>

namespace vantrel::python {

// Adds what vantrel.dask's convert_many runs the command line's batch with: _plan_batch (the
// output of each input, and which are refused or skipped) and _convert_in_batch (one input's
// conversion, ending as the command line reports it).
void AddBatch(pybind11::module_& module);

}  // namespace vantrel::python
