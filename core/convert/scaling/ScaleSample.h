// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Scaling one raw element to volts (or the card's unit) by the rule its card type, range
// code and, for card type 4, input kind select. Each formula is evaluated one double
// operation at a time in the order written; the build forbids contraction into FMA. Defined
// here so that the chunk scalers inline them.

#include <cstdint>
#include <optional>

#include "convert/scaling/SampleDecoding.h"
#include "recording/CardTable.h"

namespace vantrel {

// Each formula below is written as one operation per statement, in the order the values
// were defined, so that every intermediate result is rounded to double exactly once.

// Card types 1, 3 and 8 (16-bit words, signed code). Card 8 knows only ranges 1 and 23.
inline std::optional<double> ScaleCard138(bool allRanges, std::uint16_t rangeCode,
                                          std::uint16_t word) {
    const double c = static_cast<double>(static_cast<std::int16_t>(word));
    switch (rangeCode) {
        case 1: {
            const double q = c / 32768.0;
            return q * 10.0;
        }
        case 23: {
            const double q = c / 32768.0;
            return q + q;
        }
        case 10:
            if (!allRanges) {
                return std::nullopt;
            }
            {
                const double q = c / 32768.0;
                return q * 1.0;
            }
        case 25:
            if (!allRanges) {
                return std::nullopt;
            }
            {
                const double q = c / 32768.0;
                return q * 0.2;
            }
        default:
            return std::nullopt;
    }
}

// Card type 2 (16-bit words, signed code).
inline std::optional<double> ScaleCard2(std::uint16_t rangeCode, std::uint16_t word) {
    if (rangeCode != 1) {
        return std::nullopt;
    }
    const double c = static_cast<double>(static_cast<std::int16_t>(word));
    const double product = c * 100.0;
    const double q = product / 32768.0;
    return q / 248.93536376953125;
}

// Card type 7 (32-bit words, 24-bit rule).
inline std::optional<double> ScaleCard7(std::uint16_t rangeCode, std::uint32_t word) {
    if (rangeCode != 1) {
        return std::nullopt;
    }
    const double c = static_cast<double>(Decode24(word));
    const double q = c / 8388608.0;
    return q * 10.0;
}

namespace detail {

// c x factor / 2^23, one operation at a time.
inline double Times24(double c, double factor) {
    const double product = c * factor;
    return product / 8388608.0;
}

}  // namespace detail

// Card type 4 (32-bit words, 24-bit rule): the input kind is looked at first.
inline std::optional<double> ScaleCard4(std::int8_t inputKind, std::uint16_t rangeCode,
                                        std::uint32_t word) {
    const double c = static_cast<double>(Decode24(word));
    switch (inputKind) {
        case 0:
            if (rangeCode == 35) {
                return detail::Times24(c, 25.0);
            }
            if (rangeCode == 36) {
                return detail::Times24(c, 12.5);
            }
            return std::nullopt;
        case 1:
            if (rangeCode == 3) {
                return detail::Times24(c, 2.5);
            }
            if (rangeCode == 6) {
                return detail::Times24(c, 0.3125);
            }
            return std::nullopt;
        case 2:
            return detail::Times24(c, 2.5) / 18.6701527;
        case 3:
        case 4:
        case 5:
            return detail::Times24(c, 2.5) / 0.00052;
        case 6:
            return detail::Times24(c, 2.5) / 0.000052;
        case 7:
        case 8:
        case 9:
        case 11:
        case 12:
        case 13:
        case 14:
            return detail::Times24(c, 78.125);
        default:  // 10, 15 and above, and every negative kind
            return std::nullopt;
    }
}

// One rule per group of card types. `element` is the raw little-endian element (a 16-bit
// word for 16-bit cards, a 32-bit word for the 24-bit ones). Range codes compare as unsigned
// 16-bit. Returns nothing when the range code or input kind has no rule, or the group none.
inline std::optional<double> ScaleSample(ScalingRules rules, std::uint16_t rangeCode,
                                         std::int8_t inputKind, std::uint32_t element) {
    switch (rules) {
        case ScalingRules::kCard1_3:
            return ScaleCard138(true, rangeCode, static_cast<std::uint16_t>(element));
        case ScalingRules::kCard8:
            return ScaleCard138(false, rangeCode, static_cast<std::uint16_t>(element));
        case ScalingRules::kCard2:
            return ScaleCard2(rangeCode, static_cast<std::uint16_t>(element));
        case ScalingRules::kCard4:
            return ScaleCard4(inputKind, rangeCode, element);
        case ScalingRules::kCard7:
            return ScaleCard7(rangeCode, element);
        case ScalingRules::kNone:
            break;
    }
    return std::nullopt;
}

// The same by card type (the rule group its table entry names).
inline std::optional<double> ScaleSample(std::int16_t cardType, std::uint16_t rangeCode,
                                         std::int8_t inputKind, std::uint32_t element) {
    return ScaleSample(CardFacts(cardType).rules, rangeCode, inputKind, element);
}

}  // namespace vantrel
