#include "recording/CardCatalogue.h"

namespace vantrel {

namespace {

template <std::size_t N>
std::string LookUp(const std::array<std::string_view, N>& table, std::int32_t code) {
    if (code >= 0 && static_cast<std::size_t>(code) < N) {
        return std::string(table[static_cast<std::size_t>(code)]);
    }
    return "Unknown (" + std::to_string(code) + ")";
}

}  // namespace

std::string CardName(std::int32_t cardType) {
    return LookUp(CardNames, cardType);
}

std::string RangeLabel(std::int32_t rangeCode) {
    return LookUp(RangeLabels, rangeCode);
}

std::string_view WidthName(std::int32_t widthCode) {
    return widthCode == 0 ? WidthNames[0] : widthCode == 1 ? WidthNames[1] : WidthNames[2];
}

std::string_view OrderName(std::int32_t orderCode) {
    return orderCode == 0 ? OrderNames[0] : orderCode == 1 ? OrderNames[1] : OrderNames[2];
}

std::string_view Separator(std::int32_t separatorIndex) {
    if (separatorIndex >= 0 && separatorIndex < static_cast<std::int32_t>(Separators.size())) {
        return Separators[static_cast<std::size_t>(separatorIndex)];
    }
    return Separators[0];
}

}  // namespace vantrel
