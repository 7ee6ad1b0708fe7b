// SPDX-License-Identifier: BSD-3-Clause
#include "recording/CardCatalogue.h"

#include "recording/CardTable.h"

namespace vantrel {

namespace {

std::string Unknown(std::int32_t code) {
    return "Unknown (" + std::to_string(code) + ")";
}

}  // namespace

std::string CardName(std::int32_t cardType) {
    const CardInfo& card = CardFacts(cardType);
    return &card == &kUnknownCard ? Unknown(cardType) : std::string(card.name);
}

std::string RangeLabel(std::int32_t rangeCode) {
    if (rangeCode >= 0 && static_cast<std::size_t>(rangeCode) < RangeLabels.size()) {
        return std::string(RangeLabels[static_cast<std::size_t>(rangeCode)]);
    }
    return Unknown(rangeCode);
}

std::string_view WidthName(std::int32_t widthCode) {
    return widthCode == 0 ? WidthNames[0] : widthCode == 1 ? WidthNames[1] : WidthNames[2];
}

std::string_view OrderName(std::int32_t orderCode) {
    return orderCode == 0 ? OrderNames[0] : orderCode == 1 ? OrderNames[1] : OrderNames[2];
}

}  // namespace vantrel
