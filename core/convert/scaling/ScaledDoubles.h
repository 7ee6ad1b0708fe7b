// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include "convert/run/WriteJob.h"

namespace vantrel {

// Every scaled value as a little-endian IEEE 754 double, in sample order, appended to the
// output: the body of the scaled binary output and of the NumPy file.
WriteResult WriteScaledDoubles(const WriteJob& job);

}  // namespace vantrel
