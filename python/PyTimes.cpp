// SPDX-License-Identifier: BSD-3-Clause
#include "PyTimes.h"

#include "convert/formats/ScanTime.h"

namespace py = pybind11;

namespace vantrel::python {

TimeBase TimeBaseArgument(const std::string& name) {
    if (const auto base = TimeBaseNamed(name)) {
        return *base;
    }
    std::string names;
    for (const TimeBaseName& known : kTimeBaseNames) {
        names += (names.empty() ? "\"" : ", \"") + std::string(known.name) + "\"";
    }
    throw py::value_error("the time base must be one of " + names + ", not \"" + name + "\"");
}

py::array ScanTimes(const RecordingHeader& header, TimeBase base, std::uint64_t first,
                    std::uint64_t count) {
    const auto length = static_cast<py::ssize_t>(count);
    const double rate = header.scanRate();
    if (base == TimeBase::kRelative) {
        if (!ScanOffsets::At(rate)) {
            throw py::value_error(
                "The scan rate is not a positive number, so the scans have "
                "no time!");
        }
        py::array_t<double> seconds(length);
        double* out = seconds.mutable_data();
        for (std::uint64_t i = 0; i < count; ++i) {
            out[i] = ScanSeconds(first + i, rate);
        }
        return seconds;
    }
    if (base == TimeBase::kAbsolute) {
        if (const auto refusal = RefuseClockTimes(header)) {
            throw py::value_error(*refusal);
        }
        const std::int64_t start = EpochNanos(*RecordingStart(header));
        const ScanOffsets offsets = *ScanOffsets::At(rate);
        py::array_t<std::int64_t> nanos(length);
        std::int64_t* out = nanos.mutable_data();
        for (std::uint64_t i = 0; i < count; ++i) {
            out[i] = start + offsets.Nanos(first + i).value_or(0);
        }
        return nanos.attr("view")("datetime64[ns]");
    }
    throw py::value_error("the time base \"none\" gives no times");
}

}  // namespace vantrel::python
