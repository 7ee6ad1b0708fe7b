// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A recording header that includes the conversion layer above it: the layer check must
// refuse it (never compiled).

#include "convert/run/ConvertRun.h"
#include "recording/RecordingHeader.h"
