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
    return bytes;
}

bool SignalRaised() {
    const py::gil_scoped_acquire gil;
    return PyErr_CheckSignals() != 0;
}

}  // namespace vantrel::python
