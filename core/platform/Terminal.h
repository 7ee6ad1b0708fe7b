// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Whether a standard stream is a terminal a person watches, rather than a pipe or a file.

namespace vantrel {

enum class StandardStream { kInput, kOutput, kError };

bool IsTerminal(StandardStream stream);

}  // namespace vantrel
