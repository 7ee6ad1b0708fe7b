#pragma once

#include "recording/ConversionState.h"

namespace vantrel {

// Fills the ten display texts of `state` from its header. Returns whether the queue can be
// viewed (queueCount > 0), which the window applies to its "View" button at once.
bool PresentHeader(ConversionState& state);

}  // namespace vantrel
