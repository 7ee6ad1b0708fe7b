// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What each card type is: its model name, the sample element its decoding reads, the cell
// format of its scaled text and the group of scaling rules it follows. Every fact about a
// card type is read from this one table.

#include <array>
#include <cstdint>
#include <string_view>

namespace vantrel {

// The scaling rules a card type follows (one rule per group).
enum class ScalingRules {
    kNone,     // not decoded: 0, 5, 6 and every value outside the table
    kCard1_3,  // 16-bit words; ranges 1, 10, 23, 25
    kCard8,    // 16-bit words; ranges 1 and 23 of the same rule
    kCard2,    // 16-bit words; range 1
    kCard4,    // 24-bit codes in 32-bit words, by input kind and range
    kCard7,    // 24-bit codes in 32-bit words; range 1
};

struct CardInfo {
    std::int16_t cardType;
    std::string_view name;  // the card model, as title lines and the window show it
    int elementSize;        // bytes per sample the decoding reads; 0: not decoded
    int cellDecimals;       // decimals of a scaled text cell ("%11.Nf"); -1: none
    ScalingRules rules;
    bool inputKinds;  // the header's card settings hold input kinds that select the rule

    bool converts() const { return rules != ScalingRules::kNone; }
};

inline constexpr std::array<CardInfo, 9> kCards = {{
    {0, " ", 0, -1, ScalingRules::kNone, false},
    {1, "MODEL_A", 2, 7, ScalingRules::kCard1_3, false},
    {2, "MODEL_B", 2, 6, ScalingRules::kCard2, false},
    {3, "MODEL_C", 2, 7, ScalingRules::kCard1_3, false},
    {4, "MODEL_D", 4, 9, ScalingRules::kCard4, true},
    {5, "MODEL_E", 0, -1, ScalingRules::kNone, false},
    {6, "MODEL_F", 0, -1, ScalingRules::kNone, false},
    {7, "MODEL_G", 4, 7, ScalingRules::kCard7, false},
    {8, "MODEL_H", 2, 6, ScalingRules::kCard8, false},
}};

// Card types outside the table have no name of their own and convert nothing.
inline constexpr CardInfo kUnknownCard = {-1, "", 0, -1, ScalingRules::kNone, false};

// The facts of `cardType`: its table entry, or kUnknownCard outside 0..8.
constexpr const CardInfo& CardFacts(std::int32_t cardType) {
    if (cardType >= 0 && static_cast<std::size_t>(cardType) < kCards.size()) {
        return kCards[static_cast<std::size_t>(cardType)];
    }
    return kUnknownCard;
}

}  // namespace vantrel
