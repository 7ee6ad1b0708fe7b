// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What "Convert selection" in the preview converts, as the command line would ask for it: the
// range as times ("--time"), or as scan numbers ("--scans") where the recording's scans have
// no times, and the shown lanes as channels ("--channels") where the channels name exactly
// those lanes, or else as positions ("--columns"). The conversion then gives what the command
// line gives with these options, byte for byte.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/run/Selection.h"
#include "recording/LoadedRecording.h"

namespace vantrel {

// `lanes`: the positions shown, in scan order; scans [first, end) of `recording`.
Selection PreviewSelection(const LoadedRecording& recording, std::uint64_t first, std::uint64_t end,
                           const std::vector<std::uint32_t>& lanes);

// The command line's options for `selection`: "--time 1.5:3.5 --channels 0,2".
std::string SelectionArguments(const Selection& selection);

// What the output's name gets before its extension: "_1.5-3.5s", "_scans100-200", and
// "_ch0-2" or "_col0-1" where lanes were left out.
std::string SelectionSuffix(const Selection& selection);

}  // namespace vantrel
