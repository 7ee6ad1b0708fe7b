// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A header as the window, `--info` and the outputs' facts present it.

#include "recording/DisplayTexts.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

// The ten display texts of `header`.
DisplayTexts PresentHeader(const RecordingHeader& header);

// Whether the header's queue can be viewed (queueCount > 0), which the window applies to
// its "View" button once the header is presented.
bool QueueViewable(const RecordingHeader& header);

}  // namespace vantrel
