#pragma once

// Scaling one raw element to volts (or the card's unit) by the rule its card type, range
// code and, for card type 4, input kind select. Each formula is evaluated one double
// operation at a time in the order written; the build forbids contraction into FMA.

#include <cstdint>
#include <optional>

namespace vantrel {

// Card types 1, 3 and 8 (16-bit words, signed code). Card 8 knows only ranges 1 and 23.
std::optional<double> ScaleCard138(std::int16_t cardType, std::uint16_t rangeCode,
                                   std::uint16_t word);
// Card type 2 (16-bit words, signed code).
std::optional<double> ScaleCard2(std::uint16_t rangeCode, std::uint16_t word);
// Card type 7 (32-bit words, 24-bit rule).
std::optional<double> ScaleCard7(std::uint16_t rangeCode, std::uint32_t word);
// Card type 4 (32-bit words, 24-bit rule): the input kind is looked at first.
std::optional<double> ScaleCard4(std::int8_t inputKind, std::uint16_t rangeCode,
                                 std::uint32_t word);

// One rule per card-type group. `element` is the raw little-endian element (a 16-bit word
// for cards 1, 2, 3, 8; a 32-bit word for 4, 7). Range codes compare as unsigned 16-bit.
// Returns nothing when the card type, range code or input kind has no rule.
std::optional<double> ScaleSample(std::int16_t cardType, std::uint16_t rangeCode,
                                  std::int8_t inputKind, std::uint32_t element);

// True for the card types that have scaling rules: 1, 2, 3, 4, 7, 8.
constexpr bool HasScalingRules(std::int32_t cardType) {
    return cardType == 1 || cardType == 2 || cardType == 3 || cardType == 4 || cardType == 7 ||
           cardType == 8;
}

}  // namespace vantrel
