// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The raw codes output: each element widened to a signed 32-bit code without scaling.
// 16-bit cards give the word as unsigned (0..65535); cards 4 and 7 give the 24-bit rule.

#include <cstdint>
#include <span>

namespace vantrel {

// Fills out[0..count) from `block`. Writes nothing for card types that are not decoded.
void WidenCodes(std::span<const std::uint8_t> block, std::span<std::int32_t> out,
                std::uint64_t count, std::int16_t cardType);

}  // namespace vantrel
