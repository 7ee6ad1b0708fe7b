// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The words of --scans, --time, --channels and --columns, read into the selection a
// conversion takes. Each gives nullopt and sets `error` for a word it cannot read; what the
// selection names is checked against each recording when it is converted.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/run/Selection.h"

namespace vantrel::cli {

// "FIRST:LAST", either end left out, as a Python slice of scan numbers: "100:200", ":500",
// "-1000:".
std::optional<ScanBounds> ReadScans(std::string_view word, std::string& error);

// "START:END" in seconds, decimals allowed, either end left out: "1.5:2", "60:".
std::optional<TimeBounds> ReadTimes(std::string_view word, std::string& error);

// Numbers and ranges joined by commas, "0-3,7", in the order given; a range may run down
// ("3-0"). `what` names the option in messages ("--channels").
std::optional<std::vector<std::int64_t>> ReadNumberList(std::string_view what,
                                                        std::string_view word, std::string& error);

}  // namespace vantrel::cli
