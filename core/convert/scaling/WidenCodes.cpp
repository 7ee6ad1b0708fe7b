// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/WidenCodes.h"

#include <algorithm>

#include "convert/scaling/SampleDecoding.h"
#include "recording/CardTable.h"

namespace vantrel {

void WidenCodes(std::span<const std::uint8_t> block, std::span<std::int32_t> out,
                std::uint64_t count, std::int16_t cardType) {
    const int size = CardFacts(cardType).elementSize;
    if (size == 0) {
        return;
    }
    count = std::min({count, static_cast<std::uint64_t>(block.size() / size),
                      static_cast<std::uint64_t>(out.size())});
    const std::uint8_t* in = block.data();
    if (size == 2) {
        // 16-bit cards: the word as unsigned, although scaling reads it as signed.
        for (std::uint64_t i = 0; i < count; ++i) {
            out[i] = Word16At(in, i);
        }
        return;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        out[i] = Decode24(Word32At(in, i));
    }
}

}  // namespace vantrel
