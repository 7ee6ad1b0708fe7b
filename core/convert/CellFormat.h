#pragma once

// The cells of the text outputs: a scaled value in its card type's fixed-point format
// ("%11.7f", "%11.6f" or "%11.9f"), or a widened code as "%11d". Cells are right-aligned
// in 11 characters and grow wider when the value needs it; they are never cut.

#include <cstddef>
#include <cstdint>

#include "convert/FixedCellFormat.h"

namespace vantrel {

// Room for any cell: the widest double in fixed-point notation with 9 decimals has 309
// integer digits, a sign, a point and the decimals.
inline constexpr std::size_t kCellCapacity = kMaxFixedCellSize;

// Decimals of the scaled cell format of a card type: 7 for 1, 3 and 7; 6 for 2 and 8; 9 for
// 4. -1 for card types without a cell format (5, 6 and every value outside 1..8).
int ScaledCellDecimals(std::int16_t cardType);

// Writes the cell of `value` to `out` (at least kCellCapacity bytes, not terminated) and
// returns its length; 0 when the card type has no cell format.
std::size_t FormatScaledCell(char* out, double value, std::int16_t cardType);

// Codes cells ("%11d") are FormatCodeCell of FixedCellFormat.h.

}  // namespace vantrel
