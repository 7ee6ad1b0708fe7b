// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <pybind11/pybind11.h>

namespace vantrel::python {

// Adds open(), Recording, Column and the chunk iterator to the module.
void AddRecording(pybind11::module_& module);

}  // namespace vantrel::python
