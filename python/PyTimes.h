// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The time of each scan, for rec.times() and to_pandas()'s index: seconds from the start as
// float64 (CSV's time_s, the same division), or the clock time as datetime64[ns], exact to
// the nanosecond.

#include <cstdint>
#include <string>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "convert/run/ConversionOptions.h"
#include "recording/RecordingHeader.h"

namespace vantrel::python {

// The time base of `name`; ValueError for another word.
TimeBase TimeBaseArgument(const std::string& name);

// The times of scans [first, first + count) of a recording with `header`, relative or
// absolute; ValueError with the reason where the header gives none.
pybind11::array ScanTimes(const RecordingHeader& header, TimeBase base, std::uint64_t first,
                          std::uint64_t count);

}  // namespace vantrel::python
