// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <pybind11/pybind11.h>

namespace vantrel::python {

// Adds convert() and formats() to the module.
void AddConvert(pybind11::module_& module);

}  // namespace vantrel::python
