// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "convert/formats/OutputFormats.h"
#include "convert/run/ConversionRequest.h"

namespace vantrel::python {

// convert()'s options, as its keywords give them.
struct ConvertOptions {
    std::string format;
    std::string separator;
    bool title;
    bool compress;
    bool decimalComma;
    pybind11::object scans;
    pybind11::object time;
    pybind11::object channels;
    pybind11::object columns;
    std::string timeBase;
    pybind11::object names;
    bool titleNames;
};

// The format of that name; ValueError naming every format for another name.
const OutputFormatInfo& FormatNamed(const std::string& name);

// The conversion of `input` into `output` (None: beside the input, with the format's
// extension) that the options ask for; ValueError, IndexError or TypeError for an option
// that is not one, with the command line's message.
ConversionRequest RequestOf(const pybind11::handle& input, const pybind11::object& output,
                            const ConvertOptions& options);

// Adds convert() and formats() to the module.
void AddConvert(pybind11::module_& module);

}  // namespace vantrel::python
