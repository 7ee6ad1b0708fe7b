// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Powers of ten and the decimal digit count of a 64-bit number, for the cell and number
// formatters.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace vantrel {

// 10^0 to 10^19: every power of ten a 64-bit number holds.
inline constexpr std::array<std::uint64_t, 20> kPowersOf10 = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t p = 1;
    for (auto& entry : powers) {
        entry = p;
        p *= 10;
    }
    return powers;
}();

// Decimal digits of v, at least 1.
inline int CountDigits(std::uint64_t v) {
    v |= 1;  // same digit count (every power of 10 is even), and 0 counts as one digit
    const int estimate = (static_cast<int>(std::bit_width(v)) * 1233) >> 12;  // ~log10
    return estimate + 1 - (v < kPowersOf10[static_cast<std::size_t>(estimate)] ? 1 : 0);
}

}  // namespace vantrel
