// SPDX-License-Identifier: BSD-3-Clause
#include "PyErrors.h"

#include <cerrno>
#include <string>

#include "PyFiles.h"

namespace py = pybind11;

namespace vantrel::python {

namespace {

// Owned by the module for the interpreter's life, as every extension's exception types are.
PyObject* error = nullptr;
PyObject* loadError = nullptr;
PyObject* refusedError = nullptr;
PyObject* cancelledError = nullptr;

PyObject* AddError(py::module_& module, const char* name, PyObject* base, const char* doc) {
    const std::string qualified = std::string("vantrel.") + name;
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base, nullptr);
    if (type == nullptr) {
        throw py::error_already_set();
    }
    module.add_object(name, py::reinterpret_borrow<py::object>(type));
    return type;
}

// OSError(errno, text, filename) becomes the subclass of that errno.
[[noreturn]] void RaiseOpenError(const std::error_code& cause, const std::string& path) {
    const int number = cause ? cause.value() : EIO;
    const py::object raised =
        py::module_::import("builtins")
            .attr("OSError")(number, std::system_category().message(number), PathObject(path));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(raised.ptr())), raised.ptr());
    throw py::error_already_set();
}

}  // namespace

void AddErrors(py::module_& module) {
    error = AddError(module, "Error", PyExc_Exception,
                     "A conversion or read that failed. str(e) is the converter's message, "
                     "exactly as the window and vantrel-convert show it.");
    loadError = AddError(module, "LoadError", error,
                         "The file is not a recording, its header or samples cannot be read, "
                         "or it is no longer the file open() read (\"Isn't Mervik DAQ File!\", "
                         "\"Read Input File Error!\", \"Recording changed since it was "
                         "opened!\", ...).");
    refusedError = AddError(module, "RefusedError", error,
                            "The recording cannot be converted soundly, or not into the chosen "
                            "format (\"Channel-Gain-Queue is too short!\", ...).");
    cancelledError = AddError(module, "CancelledError", error,
                              "The progress callback returned False (\"Conversion cancelled!\").");
}

void Raise(const Outcome& outcome, const std::string& path) {
    PyObject* type = error;
    switch (outcome.kind) {
        case OutcomeKind::kUnopened:
            RaiseOpenError(outcome.openError, path);
        case OutcomeKind::kUnreadable:
            type = loadError;
            break;
        case OutcomeKind::kRefused:
            type = refusedError;
            break;
        case OutcomeKind::kCancelled:
            type = cancelledError;
            break;
        // A selection that names what the recording does not hold is an index error, one
        // that holds nothing a value error, as Python's own sequences raise them.
        case OutcomeKind::kNotInRecording:
            type = PyExc_IndexError;
            break;
        case OutcomeKind::kEmptySelection:
            type = PyExc_ValueError;
            break;
        case OutcomeKind::kDone:
        case OutcomeKind::kFailed:
            break;
    }
    PyErr_SetString(type, outcome.message.c_str());
    throw py::error_already_set();
}

void RaiseLoadError(const std::string& message) {
    Raise({OutcomeKind::kUnreadable, message, {}}, {});
}

}  // namespace vantrel::python
