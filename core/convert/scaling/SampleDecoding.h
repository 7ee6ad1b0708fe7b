// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Reading one sample element from the block. 16-bit cards store little-endian words; cards
// 4 and 7 store 32-bit words that carry 24-bit codes.

#include <cstdint>
#include <type_traits>

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

// The code outputs keep of a word (Code: std::uint16_t, a 16-bit card's word as it stands;
// std::int32_t, a 24-bit card's code), its width in the file, and its signed code, the
// one scaling multiplies: the word read as signed, or the 24-bit code.
template <typename Code>
inline constexpr std::uint64_t kWordBytesOf = sizeof(Code) == 2 ? 2 : 4;

template <typename Code>
inline std::int32_t SignedCodeAt(const std::uint8_t* word) {
    static_assert(std::is_same_v<Code, std::uint16_t> || std::is_same_v<Code, std::int32_t>);
    if constexpr (std::is_same_v<Code, std::uint16_t>) {
        return static_cast<std::int16_t>(LoadLe16(word));
    } else {
        return Decode24(LoadLe32(word));
    }
}

// `count` words of `block` into their codes and, for recordings whose every value is its
// signed code x `step`, their values: one pass, where scaling and widening took one each.
template <typename Code>
void DecodeLinearWords(const std::uint8_t* block, std::uint64_t count, double step, Code* codes,
                       double* values) {
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::int32_t code = SignedCodeAt<Code>(block + i * kWordBytesOf<Code>);
        codes[i] = static_cast<Code>(code);
        values[i] = static_cast<double>(code) * step;
    }
}

}  // namespace vantrel
