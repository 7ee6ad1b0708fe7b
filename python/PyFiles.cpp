// SPDX-License-Identifier: BSD-3-Clause
#include "PyFiles.h"

namespace py = pybind11;

namespace vantrel::python {

OsFileApi& Files() {
    static OsFileApi files;
    return files;
}

std::string PathText(const py::handle& path) {
    // The file system's bytes (undecodable names included), as the core passes them on.
    const py::bytes bytes = py::module_::import("os").attr("fsencode")(path);
    std::string text = bytes;
    // The system reads a path up to its first NUL: "a.daq\0x" would open a.daq.
    if (text.find('\0') != std::string::npos) {
        throw py::value_error("embedded null byte");
    }
    return text;
}

py::str PathObject(const std::string& path) {
    return py::module_::import("os").attr("fsdecode")(py::bytes(path));
}

bool SignalRaised() {
    const py::gil_scoped_acquire gil;
    return PyErr_CheckSignals() != 0;
}

}  // namespace vantrel::python
