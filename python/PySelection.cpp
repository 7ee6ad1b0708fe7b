// SPDX-License-Identifier: BSD-3-Clause
#include "PySelection.h"

#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace vantrel::python {

namespace {

std::string TypeName(const py::handle& value) {
    return py::str(py::type::handle_of(value).attr("__name__"));
}

// An end of a slice, as Python's own slicing takes it: an integer (anything with __index__),
// one past the 64 bits clipped, as slicing clips it.
std::optional<std::int64_t> SliceEnd(const py::handle& end) {
    if (end.is_none()) {
        return std::nullopt;
    }
    if (PyIndex_Check(end.ptr()) == 0) {
        throw py::type_error("slice indices must be integers or None or have an __index__ method");
    }
    const Py_ssize_t value = PyNumber_AsSsize_t(end.ptr(), nullptr);
    if (value == -1 && PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return static_cast<std::int64_t>(value);
}

ScanBounds ScansOf(const py::handle& scans) {
    if (PySlice_Check(scans.ptr()) == 0) {
        throw py::type_error("scans must be a slice of scan numbers, e.g. slice(100, 200), not " +
                             TypeName(scans));
    }
    const std::optional<std::int64_t> step = SliceEnd(scans.attr("step"));
    if (step && *step != 1) {
        throw py::value_error("scans must be consecutive: a slice with step 1 or None, not " +
                              std::to_string(*step));
    }
    return {SliceEnd(scans.attr("start")), SliceEnd(scans.attr("stop"))};
}

std::optional<double> Seconds(const py::handle& end) {
    if (end.is_none()) {
        return std::nullopt;
    }
    const double value = PyFloat_AsDouble(end.ptr());
    if (value == -1.0 && PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return value;
}

TimeBounds TimesOf(const py::handle& time) {
    const bool pair =
        (py::isinstance<py::tuple>(time) || py::isinstance<py::list>(time)) && py::len(time) == 2;
    if (!pair) {
        throw py::type_error(
            "time must be a (start, end) pair of seconds, either of them None, not " +
            (py::isinstance<py::tuple>(time) || py::isinstance<py::list>(time)
                 ? "a " + TypeName(time) + " of length " + std::to_string(py::len(time))
                 : TypeName(time)));
    }
    const auto ends = py::reinterpret_borrow<py::sequence>(time);
    return {Seconds(ends[0]), Seconds(ends[1])};
}

// Channel or column numbers, in order: any iterable of integers but a text.
std::vector<std::int64_t> NumbersOf(const char* what, const py::handle& numbers) {
    if (py::isinstance<py::str>(numbers) || py::isinstance<py::bytes>(numbers) ||
        !py::isinstance<py::iterable>(numbers)) {
        throw py::type_error(std::string(what) + " must be a list of numbers, not " +
                             TypeName(numbers));
    }
    std::vector<std::int64_t> held;
    for (const py::handle item : numbers) {
        if (PyIndex_Check(item.ptr()) == 0) {
            throw py::type_error(std::string(what) + " must be a list of numbers, not of " +
                                 TypeName(item));
        }
        const auto number = py::reinterpret_steal<py::object>(PyNumber_Index(item.ptr()));
        const long long value = number ? PyLong_AsLongLong(number.ptr()) : -1;
        if (value == -1 && PyErr_Occurred() != nullptr) {
            throw py::error_already_set();  // OverflowError past 64 bits
        }
        held.push_back(value);
    }
    return held;
}

}  // namespace

Selection SelectionOf(const py::handle& scans, const py::handle& time, const py::handle& channels,
                      const py::handle& columns) {
    Selection selection;
    if (!scans.is_none()) {
        selection.scans = ScansOf(scans);
    }
    if (!time.is_none()) {
        selection.time = TimesOf(time);
    }
    if (!channels.is_none()) {
        selection.channels = NumbersOf("channels", channels);
    }
    if (!columns.is_none()) {
        selection.columns = NumbersOf("columns", columns);
    }
    return selection;
}

}  // namespace vantrel::python
