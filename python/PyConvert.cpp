// SPDX-License-Identifier: BSD-3-Clause
// vantrel.convert: the command line's conversion of one recording, from a script. The run
// goes on without the GIL; the progress callback and Ctrl-C are served between chunks.

#include "PyConvert.h"

#include <optional>
#include <string>

#include "PyErrors.h"
#include "PyFiles.h"
#include "PyNames.h"
#include "PySelection.h"
#include "PyTimes.h"
#include "convert/formats/OutputFormats.h"
#include "convert/output/OutputPath.h"
#include "convert/run/ConvertRun.h"
#include "convert/text/Separators.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace vantrel::python {

namespace {

std::string FormatNames() {
    std::string names;
    for (const OutputFormatInfo* info : OutputFormats()) {
        names += (names.empty() ? "" : ", ") + std::string(info->name);
    }
    return names;
}

Separator SeparatorNamed(const std::string& name) {
    for (const SeparatorInfo& info : kSeparators) {
        if (info.name == name) {
            return info.separator;
        }
    }
    throw py::value_error("unknown separator \"" + name + "\"; one of: space, tab, comma");
}

py::str Convert(const py::handle& input, const py::object& output, const std::string& format,
                const std::string& separator, bool title, const py::object& progress, bool compress,
                bool decimalComma, const py::object& scans, const py::object& time,
                const py::object& channels, const py::object& columns, const std::string& timeBase,
                const py::object& names, bool titleNames) {
    const ConversionRequest request =
        RequestOf(input, output,
                  {format, separator, title, compress, decimalComma, scans, time, channels, columns,
                   timeBase, names, titleNames});

    // What the callback or a signal handler raised; rethrown once the run has stopped.
    std::optional<py::error_already_set> raised;
    const ProgressCallback report = [&](std::uint64_t done, std::uint64_t total) {
        const py::gil_scoped_acquire gil;
        try {
            if (PyErr_CheckSignals() != 0) {
                throw py::error_already_set();
            }
            // Only False cancels: a callback that returns nothing goes on.
            return progress.is_none() || progress(done, total).ptr() != Py_False;
        } catch (py::error_already_set& e) {
            raised.emplace(std::move(e));
            return false;
        }
    };
    MessageLog log;
    Outcome outcome;
    {
        const py::gil_scoped_release free;
        outcome = RunConversion(request, Platform{Files(), log}, report);
    }
    const bool converted = outcome.done();
    if (raised && !converted) {
        throw std::move(*raised);  // the run stopped: an earlier output keeps its bytes
    }
    if (raised) {
        // Raised too late to cancel: the output is in place, so the call returns it. Ctrl-C
        // is handled again as soon as the call has returned; anything else goes where Python
        // puts an exception nobody can catch (sys.unraisablehook).
        if (raised->matches(PyExc_KeyboardInterrupt)) {
            PyErr_SetInterrupt();
        } else {
            raised->discard_as_unraisable("vantrel.convert progress");
        }
    }
    if (!converted) {
        Raise(outcome, request.inputPath);
    }
    return PathObject(request.outputPath);
}

py::list FormatTable() {
    py::list formats;
    for (const OutputFormatInfo* info : OutputFormats()) {
        formats.append(py::make_tuple(std::string(info->name), std::string(info->extension),
                                      std::string(info->description)));
    }
    return formats;
}

// convert's docstring, with where each option applies from the format table.
std::string ConvertDoc() {
    return "Converts a recording file as vantrel-convert does and returns the output path "
           "(by default the input's with the format's extension). format is a name of "
           "formats(); separator \"space\", \"tab\" or \"comma\" " +
           AppliesTo(FormatOption::kSeparator) + "; title " + AppliesTo(FormatOption::kTitle) +
           "; compress deflates the datasets and " + AppliesTo(FormatOption::kCompress) +
           "; decimal_comma gives semicolons between cells and a decimal comma, for "
           "spreadsheets so set, and " +
           AppliesTo(FormatOption::kDecimalComma) +
           "; time_base \"relative\" (seconds from the start, time_s), \"absolute\" (each "
           "scan's clock time, ISO 8601 to the nanosecond) or \"none\" says what the time "
           "column holds and " +
           AppliesTo(FormatOption::kTimeBase) +
           "; names (a channels.tsv sidecar's path or a dict of channel numbers to names, as "
           "open() takes it) names the columns and scales them as --names and --name do, and "
           "title_names gives the names in title line 2 of the formats whose title it is"
           "; any format takes each of them, and one that does not apply changes nothing. "
           "scans=slice(first, stop) (scan numbers as a slice takes them) or time=(start, end) "
           "(seconds; the scans whose scan / rate lies in [start, end)) converts that range, "
           "channels=[...] (as title line 2 numbers them) or columns=[...] (positions in a "
           "scan) those columns, in that order, as --scans, --time, --channels and --columns "
           "do; what the recording does not hold raises IndexError, a selection of nothing "
           "ValueError. "
           "progress(done_bytes, total_bytes) is called as the conversion goes on; returning False "
           "cancels it "
           "(CancelledError), and an earlier file at the output path keeps its bytes. Ctrl-C "
           "cancels it the same way (KeyboardInterrupt); one that comes once the output is in "
           "place is raised after the call has returned. Runs without the GIL, so threads "
           "convert at once. Raises LoadError, RefusedError or Error with the converter's "
           "message, OSError for an input that cannot be opened, ValueError for a path with a "
           "NUL in it.";
}

}  // namespace

const OutputFormatInfo& FormatNamed(const std::string& name) {
    if (const OutputFormatInfo* info = FindFormat(name)) {
        return *info;
    }
    throw py::value_error("unknown format \"" + name + "\"; one of: " + FormatNames());
}

ConversionRequest RequestOf(const py::handle& input, const py::object& output,
                            const ConvertOptions& o) {
    const OutputFormatInfo& info = FormatNamed(o.format);
    ConversionRequest request;
    request.inputPath = PathText(input);
    request.outputPath =
        output.is_none() ? DeriveOutputPath(request.inputPath, info.extension) : PathText(output);
    request.options = {info.format,    SeparatorNamed(o.separator), o.title, o.compress,
                       o.decimalComma, TimeBaseArgument(o.timeBase)};
    request.selection = SelectionOf(o.scans, o.time, o.channels, o.columns);
    request.names = NamesArgument(o.names);
    request.options.titleNames = o.titleNames;
    return request;
}

void AddConvert(py::module_& module) {
    module.def("convert", &Convert, "input"_a, "output"_a = py::none(), "format"_a = "scaled-text",
               "separator"_a = "space", "title"_a = true, "progress"_a = py::none(), py::kw_only(),
               "compress"_a = false, "decimal_comma"_a = false, "scans"_a = py::none(),
               "time"_a = py::none(), "channels"_a = py::none(), "columns"_a = py::none(),
               "time_base"_a = "relative", "names"_a = py::none(), "title_names"_a = false,
               ConvertDoc().c_str());
    module.def("formats", &FormatTable,
               "Every output format as (name, extension, description), in the order of the "
               "window's Format list.");
}

}  // namespace vantrel::python
