// SPDX-License-Identifier: BSD-3-Clause
// The compiled part of the Python package `vantrel` (vantrel._vantrel, whose names the
// package gives as its own): recordings as NumPy arrays with the converter's exact values,
// and conversions into every output format, from scripts and notebooks.

#include <pybind11/pybind11.h>

#include "PyBatch.h"
#include "PyConvert.h"
#include "PyErrors.h"
#include "PyRecording.h"
#include "convert/formats/RecordingFacts.h"

PYBIND11_MODULE(_vantrel, module) {
    module.doc() =
        "Recording files of the data-acquisition cards as NumPy arrays, and their conversion.\n\n"
        "    rec = vantrel.open(\"run1.daq\")\n"
        "    volts = rec.scaled()          # float64, shape (scans, channels)\n"
        "    vantrel.convert(\"run1.daq\", format=\"hdf5\")\n";
    module.attr("__version__") = VANTREL_VERSION;
    module.attr("converter") = vantrel::ConverterName();
    vantrel::python::AddErrors(module);
    vantrel::python::AddRecording(module);
    vantrel::python::AddConvert(module);
    vantrel::python::AddBatch(module);
}
