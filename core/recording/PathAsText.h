// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A path as text for people and scripts (JSON, the terminal). Paths are bytes: on POSIX a
// file name need not be UTF-8, yet JSON holds UTF-8 only.

#include <string>
#include <string_view>

namespace vantrel {

// `path` as valid UTF-8 from which its bytes can be had back: its UTF-8 characters stay as
// they are; each byte that is not part of one becomes the four characters \xHH (lower-case
// hex); and a backslash that would read as the start of such an escape (one followed by x
// and two hex digits) becomes \x5c. Reading every \xHH as the byte HH, left to right, gives
// the path again. A path that is UTF-8 and holds no such backslash comes back unchanged.
std::string PathAsText(std::string_view path);

}  // namespace vantrel
