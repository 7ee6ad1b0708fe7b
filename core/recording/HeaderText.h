// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The header's texts (start date and time) are bytes as the recording's Windows software
// wrote them: Windows-1252. Every front end shows them through these two calls, so the
// window, `--info --json` and the Python module agree on every byte.

#include <string>
#include <string_view>

#include "recording/RecordingHeader.h"

namespace vantrel {

// The start date as the header holds it, up to its first NUL (the field is not
// terminated): the bytes the window shows, before HeaderTextAsUtf8.
std::string StartDateText(const RecordingHeader& header);

// The start time, '.' and the milliseconds as one text that ends at its first NUL: a time
// cut short by a NUL has neither the '.' nor the milliseconds.
std::string StartTimeText(const RecordingHeader& header);

// `bytes` as UTF-8 text. Each byte is one character; the five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D hex) are the C1 controls of the same value, as browsers
// decode them, so no two texts decode alike and nothing is lost.
std::string HeaderTextAsUtf8(std::string_view bytes);

// The bytes that HeaderTextAsUtf8 turns into `utf8`. A character Windows-1252 has no byte
// for, or a byte that is not part of valid UTF-8, becomes '?'.
std::string HeaderTextFromUtf8(std::string_view utf8);

}  // namespace vantrel
