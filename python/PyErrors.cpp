#include "PyErrors.h"

#include <cerrno>
#include <string_view>

#include "PyFiles.h"
#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "convert/run/ScanReader.h"
#include "recording/LoadRecording.h"

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

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> texts) {
    for (const std::string_view t : texts) {
        if (text == t) {
            return true;
        }
    }
    return false;
}

// The output could not be had or written: the output's side, not the recording's.
bool IsOutputFailure(std::string_view text) {
    if (IsOneOf(text, {kNoOutputNameMessage, kOpenOutputErrorMessage, kWriteOutputErrorMessage})) {
        return true;
    }
    for (const OutputFormatInfo* format : OutputFormats()) {
        if (text == format->allocationMessage) {
            return true;
        }
    }
    return false;
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

void RaiseMessage(const std::vector<std::string>& texts) {
    const std::string text = texts.empty() ? std::string(kReadErrorMessage) : texts.back();
    PyObject* type = refusedError;
    if (IsOneOf(text, {kNotRecordingMessage, kQueueAllocationMessage, kFileTooLargeMessage,
                       kReadErrorMessage, kRecordingChangedMessage, kRecordingGoneMessage})) {
        type = loadError;
    } else if (text == kCancelledMessage) {
        type = cancelledError;
    } else if (IsOutputFailure(text)) {
        type = error;
    }
    PyErr_SetString(type, text.c_str());
    throw py::error_already_set();
}

void RaiseOpenError(const std::error_code& cause, const std::string& path) {
    // OSError(errno, text, filename) becomes the subclass of that errno.
    const int number = cause ? cause.value() : EIO;
    const py::object raised =
        py::module_::import("builtins")
            .attr("OSError")(number, std::system_category().message(number), PathObject(path));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(raised.ptr())), raised.ptr());
    throw py::error_already_set();
}

}  // namespace vantrel::python
