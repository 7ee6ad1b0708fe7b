// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Reading one sample element from the block. 16-bit cards store little-endian words; cards
// 4 and 7 store 32-bit words that carry 24-bit codes.

#include <cstdint>

#include "recording/LittleEndian.h"

namespace vantrel {

// The 24-bit rule: with bit 23 set, bits 24..31 become ones (sign extension from bit 23);
// with bit 23 clear the word stays as it is, its upper byte included.
constexpr std::int32_t Decode24(std::uint32_t word) {
    if (word & 0x00800000u) {
        word |= 0xFF000000u;
    }
    return static_cast<std::int32_t>(word);
}

inline std::uint16_t Word16At(const std::uint8_t* block, std::uint64_t i) {
    return LoadLe16(block + 2 * i);
}

inline std::uint32_t Word32At(const std::uint8_t* block, std::uint64_t i) {
    return LoadLe32(block + 4 * i);
}

}  // namespace vantrel
