// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// How a front end follows a long operation and stops it: the operation calls the callback
// with the bytes done so far and the total; returning false asks it to stop.

#include <cstdint>
#include <functional>

namespace vantrel {

using ProgressCallback = std::function<bool(std::uint64_t done, std::uint64_t total)>;

}  // namespace vantrel
