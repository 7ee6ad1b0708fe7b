// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The shortest text of a double that reads back as the same double, in the layout of
// std::to_chars(first, last, value): fixed or scientific, whichever is shorter, fixed on a
// tie; at least two exponent digits. The digits come from fmt's Dragonbox, which finds
// them in about a third of the time std::to_chars takes; only the layout is ours.

#include <cstddef>

namespace vantrel {

// The longest such text: "-2.2250738585072014e-308".
inline constexpr std::size_t kShortestLength = 24;
// Bytes FormatShortest may store from `out`: past the text it writes whole 16-byte groups.
inline constexpr std::size_t kShortestRoom = 40;

// Writes the bytes std::to_chars(out, out + kShortestLength, value) writes and returns
// their count; out has room for kShortestRoom bytes.
std::size_t FormatShortest(char* out, double value);

}  // namespace vantrel
