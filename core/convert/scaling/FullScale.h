// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The values a column's range reaches at its ends: what its lowest and highest codes scale
// to. Writers that store a scale (EDF/BDF) and the preview's value axes take them from here.

#include <cstdint>
#include <optional>

#include "convert/scaling/ScaleSample.h"
#include "recording/CardTable.h"

namespace vantrel {

struct FullScale {
    double low;
    double high;
    bool volts;  // card type 4's input kinds beyond 0 and 1 scale to other quantities
};

// The elements that decode to a card's extreme codes.
inline constexpr std::uint32_t LowestElement(const CardInfo& card) {
    return card.elementSize == 2 ? 0x8000u : 0x00800000u;
}
inline constexpr std::uint32_t HighestElement(const CardInfo& card) {
    return card.elementSize == 2 ? 0x7FFFu : 0x007FFFFFu;
}

// nullopt where the range code or input kind has no rule.
inline std::optional<FullScale> FullScaleOf(const CardInfo& card, std::uint16_t rangeCode,
                                            std::int8_t inputKind) {
    const auto low = ScaleSample(card.rules, rangeCode, inputKind, LowestElement(card));
    const auto high = ScaleSample(card.rules, rangeCode, inputKind, HighestElement(card));
    if (!low || !high) {
        return std::nullopt;
    }
    return FullScale{*low, *high, !card.inputKinds || inputKind == 0 || inputKind == 1};
}

}  // namespace vantrel
