// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The text cells of the scaled and codes outputs without printf: the bytes the C library's
// printf writes in the C locale, at a fraction of its cost. The decimal point is always '.'.

#include <cstddef>
#include <cstdint>

namespace vantrel {

// Enough for "%11.9f" of any finite double (309 integer digits, sign, point, 9 decimals),
// and for "-nan"/"inf".
inline constexpr std::size_t kCellCapacity = 400;

// Writes exactly the bytes std::snprintf(buf, n, "%11.*f", precision, value) writes (without
// the NUL) in the C locale, for precision 6, 7 or 9, into out (capacity >= kCellCapacity);
// returns the length and writes nothing past it. Rounding is to nearest with exact ties to
// even; negative values that round to zero and negative zero keep their sign. Magnitudes
// below 2^34 (every value the scaling rules give) are formatted exactly in integer
// arithmetic, larger finite ones by std::to_chars, infinities and NaN by snprintf; none of
// these depends on the process locale. Other precisions are passed to snprintf as they are.
std::size_t FormatFixedCell(char* out, double value, int precision);

// The cell FormatFixedCell writes for a value whose magnitude is exactly n / 10^precision
// (precision 6, 7 or 9), minus where `negative`: for callers that have the rounded
// fixed-point number already.
std::size_t FormatFixedScaled(char* out, bool negative, std::uint64_t n, int precision);

// Exactly "%11d": always 11 bytes, written to out (capacity >= 11); returns 11.
std::size_t FormatCodeCell(char* out, std::int32_t code);

}  // namespace vantrel
