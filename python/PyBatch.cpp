// SPDX-License-Identifier: BSD-3-Clause
// The command line's batch, an input at a time: the plan is made where the batch is asked
// for, each conversion where a worker runs it, and each ends with the messages the command
// line prints for its input.

#include "PyBatch.h"

#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "PyConvert.h"
#include "PyFiles.h"
#include "convert/output/OutputPath.h"
#include "convert/run/BatchPlan.h"
#include "convert/run/ConvertRun.h"
#include "recording/LoadRecording.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace vantrel::python {

namespace {

std::vector<std::string> PathsOf(const py::iterable& paths) {
    std::vector<std::string> texts;
    for (const py::handle path : paths) {
        texts.push_back(PathText(path));
    }
    return texts;
}

// [(input, output, refusal or None, the skip's message or None)], in the inputs' order.
py::list PlanOf(const py::iterable& inputs, const std::string& format, const py::object& outputDir,
                bool noClobber) {
    const OutputFormatInfo& info = FormatNamed(format);
    BatchOutputs outputs;
    outputs.outputDir = outputDir.is_none() ? std::string() : PathText(outputDir);
    outputs.noClobber = noClobber;
    const std::vector<std::string> paths = PathsOf(inputs);
    for (const std::string& path : paths) {
        if (IsStandardStream(path)) {
            throw py::value_error("\"-\" is standard input, which a batch's tasks cannot read");
        }
    }
    std::vector<PlannedInput> planned;
    {
        const py::gil_scoped_release free;  // resolves every path on the file system
        planned = PlanBatch(paths, outputs, info.extension);
    }
    py::list plan;
    for (const PlannedInput& p : planned) {
        plan.append(
            py::make_tuple(PathObject(p.input), PathObject(p.output),
                           p.refusal ? py::object(py::str(*p.refusal)) : py::none(),
                           p.skipped ? py::object(py::str(SkippedMessage(p.output))) : py::none()));
    }
    return plan;
}

// How a conversion ended, in the batch table's words.
const char* EndOf(OutcomeKind kind) {
    switch (kind) {
        case OutcomeKind::kDone:
            return "written";
        case OutcomeKind::kRefused:
        case OutcomeKind::kNotInRecording:
        case OutcomeKind::kEmptySelection:
            return "refused";
        case OutcomeKind::kUnopened:
        case OutcomeKind::kUnreadable:
        case OutcomeKind::kFailed:
        case OutcomeKind::kCancelled:
            break;
    }
    return "failed";
}

// (end, messages): "written", "refused" or "failed", and the lines the command line prints
// for the input (without its "INPUT: " before a failure's).
py::tuple ConvertInBatch(const py::handle& input, const py::object& output,
                         const py::iterable& batch, const ConvertOptions& options) {
    ConversionRequest request = RequestOf(input, output, options);
    // Another recording of the batch would be replaced before its turn.
    request.otherInputs = PathsOf(batch);
    MessageLog messages;
    Outcome outcome;
    {
        const py::gil_scoped_release free;
        outcome = RunConversion(request, Platform{Files(), messages});
    }
    return py::make_tuple(EndOf(outcome.kind), ReportedMessages(outcome.kind, messages.texts()));
}

}  // namespace

void AddBatch(py::module_& module) {
    module.def(
        "_plan_batch", &PlanOf, "inputs"_a, "format"_a, "output_dir"_a = py::none(),
        "no_clobber"_a = false,
        "The output of each input as vantrel-convert's batch names it: a list of "
        "(input, output, refusal or None, the message of its skip under no_clobber or None).");
    module.def(
        "_convert_in_batch",
        [](const py::handle& input, const py::object& output, const py::iterable& batch,
           const std::string& format, const std::string& separator, bool title, bool compress,
           bool decimalComma, py::object scans, py::object time, py::object channels,
           py::object columns, const std::string& timeBase, py::object names, bool titleNames) {
            return ConvertInBatch(input, output, batch,
                                  {format, separator, title, compress, decimalComma,
                                   std::move(scans), std::move(time), std::move(channels),
                                   std::move(columns), timeBase, std::move(names), titleNames});
        },
        "input"_a, "output"_a, "batch"_a, py::kw_only(), "format"_a = "scaled-text",
        "separator"_a = "space", "title"_a = true, "compress"_a = false, "decimal_comma"_a = false,
        "scans"_a = py::none(), "time"_a = py::none(), "channels"_a = py::none(),
        "columns"_a = py::none(), "time_base"_a = "relative", "names"_a = py::none(),
        "title_names"_a = false,
        "Converts one input of a batch as vantrel-convert does, the batch's other inputs kept "
        "from being written over; returns (\"written\" | \"refused\" | \"failed\", the "
        "messages the command line prints for it).");
}

}  // namespace vantrel::python
