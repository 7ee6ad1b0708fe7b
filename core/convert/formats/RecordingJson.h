// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

#include "convert/formats/RecordingFacts.h"
#include "recording/LoadedRecording.h"

namespace vantrel {

// The recording as one JSON object: the raw header fields, the display texts by label, the
// queue, `facts` (those of the recording at the top level, a column's in "columns") and
// whether it can be converted, judged with `sampleBytes` of samples after its header and
// queue. Header texts are decoded as the window shows them (HeaderText.h), the path is
// given as PathAsText gives it; source_sha256 is there where `sourceSha256` holds it.
nlohmann::json DescribeRecording(const LoadedRecording& recording, std::uint64_t sampleBytes,
                                 const RecordingFacts& facts,
                                 const std::optional<std::string>& sourceSha256);

}  // namespace vantrel
