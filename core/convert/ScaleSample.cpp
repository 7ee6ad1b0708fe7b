#include "convert/ScaleSample.h"

#include "convert/SampleDecoding.h"

namespace vantrel {

// Each formula below is written as one operation per statement, in the order the values
// were defined, so that every intermediate result is rounded to double exactly once.

std::optional<double> ScaleCard138(std::int16_t cardType, std::uint16_t rangeCode,
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
            if (cardType == 8) {
                return std::nullopt;
            }
            {
                const double q = c / 32768.0;
                return q * 1.0;
            }
        case 25:
            if (cardType == 8) {
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

std::optional<double> ScaleCard2(std::uint16_t rangeCode, std::uint16_t word) {
    if (rangeCode != 1) {
        return std::nullopt;
    }
    const double c = static_cast<double>(static_cast<std::int16_t>(word));
    const double product = c * 100.0;
    const double q = product / 32768.0;
    return q / 248.93536376953125;
}

std::optional<double> ScaleCard7(std::uint16_t rangeCode, std::uint32_t word) {
    if (rangeCode != 1) {
        return std::nullopt;
    }
    const double c = static_cast<double>(Decode24(word));
    const double q = c / 8388608.0;
    return q * 10.0;
}

namespace {

// c x factor / 2^23, one operation at a time.
double Times24(double c, double factor) {
    const double product = c * factor;
    return product / 8388608.0;
}

}  // namespace

std::optional<double> ScaleCard4(std::int8_t inputKind, std::uint16_t rangeCode,
                                 std::uint32_t word) {
    const double c = static_cast<double>(Decode24(word));
    switch (inputKind) {
        case 0:
            if (rangeCode == 35) {
                return Times24(c, 25.0);
            }
            if (rangeCode == 36) {
                return Times24(c, 12.5);
            }
            return std::nullopt;
        case 1:
            if (rangeCode == 3) {
                return Times24(c, 2.5);
            }
            if (rangeCode == 6) {
                return Times24(c, 0.3125);
            }
            return std::nullopt;
        case 2:
            return Times24(c, 2.5) / 18.6701527;
        case 3:
        case 4:
        case 5:
            return Times24(c, 2.5) / 0.00052;
        case 6:
            return Times24(c, 2.5) / 0.000052;
        case 7:
        case 8:
        case 9:
        case 11:
        case 12:
        case 13:
        case 14:
            return Times24(c, 78.125);
        default:  // 10, 15 and above, and every negative kind
            return std::nullopt;
    }
}

std::optional<double> ScaleSample(std::int16_t cardType, std::uint16_t rangeCode,
                                  std::int8_t inputKind, std::uint32_t element) {
    switch (cardType) {
        case 1:
        case 3:
        case 8:
            return ScaleCard138(cardType, rangeCode, static_cast<std::uint16_t>(element));
        case 2:
            return ScaleCard2(rangeCode, static_cast<std::uint16_t>(element));
        case 4:
            return ScaleCard4(inputKind, rangeCode, element);
        case 7:
            return ScaleCard7(rangeCode, element);
        default:
            return std::nullopt;
    }
}

}  // namespace vantrel
