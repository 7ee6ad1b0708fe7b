// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/DyadicCells.h"

#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "convert/scaling/ScaleSample.h"
#include "convert/scaling/ScanPositionSettings.h"
#include "convert/text/FixedCellFormat.h"

namespace vantrel {

namespace {

// Numerators above this could make code x a inexact in a double for 32-bit codes.
constexpr std::uint64_t kLargestNumerator = std::uint64_t{1} << 20;

// Codes where a rule that is not code x step would differ from it.
std::vector<std::int64_t> WitnessCodes() {
    std::vector<std::int64_t> codes;
    for (std::int64_t c = -4096; c <= 4096; ++c) {
        codes.push_back(c);
    }
    for (int k = 12; k <= 31; ++k) {
        for (const std::int64_t c :
             {(std::int64_t{1} << k) - 1, std::int64_t{1} << k, (std::int64_t{1} << k) + 1}) {
            codes.push_back(c);
            codes.push_back(-c);
        }
    }
    for (std::int64_t c = -(1 << 23); c < (1 << 23); c += 4093) {
        codes.push_back(c);
    }
    return codes;
}

// The 32-bit word whose code is `code`: the 24-bit field, or (bit 23 clear, above 24 bits)
// the word itself.
std::optional<std::uint32_t> WordOf(std::int64_t code) {
    if (code >= -(std::int64_t{1} << 23) && code < (std::int64_t{1} << 23)) {
        return static_cast<std::uint32_t>(code) & 0x00FFFFFFu;
    }
    const auto word = static_cast<std::uint32_t>(code);
    if (Decode24(word) != code) {
        return std::nullopt;  // no word decodes to it
    }
    return word;
}

}  // namespace

std::optional<DyadicStep> DyadicStepOf(ScalingRules rules, std::uint16_t rangeCode,
                                       std::int8_t inputKind, int decimals) {
    if (decimals != 6 && decimals != 7 && decimals != 9) {
        return std::nullopt;
    }
    const auto one = ScaleSample(rules, rangeCode, inputKind, 1);
    if (!one || !(*one > 0.0) || !std::isfinite(*one)) {
        return std::nullopt;
    }
    // step = a / 2^b with a odd.
    const auto bits = std::bit_cast<std::uint64_t>(*one);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0) {
        return std::nullopt;  // subnormal: not a rule's step
    }
    std::uint64_t a = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    int shift = 1075 - biased;
    const int zeros = std::countr_zero(a);
    a >>= zeros;
    shift -= zeros;
    if (a > kLargestNumerator || shift < 0 || shift > 63) {
        return std::nullopt;
    }
    std::uint64_t scale = 1;
    for (int d = 0; d < decimals; ++d) {
        scale *= 10;
    }
    const std::uint64_t factor = a * scale;
    DyadicStep step{*one, factor, shift, std::numeric_limits<std::uint64_t>::max() / factor,
                    decimals};
    static const std::vector<std::int64_t> witnesses = WitnessCodes();
    for (const std::int64_t code : witnesses) {
        const auto word = WordOf(code);
        if (!word) {
            continue;
        }
        const auto value = ScaleSample(rules, rangeCode, inputKind, *word);
        const double product = static_cast<double>(code) * step.step;
        if (!value ||
            std::bit_cast<std::uint64_t>(*value) != std::bit_cast<std::uint64_t>(product)) {
            return std::nullopt;
        }
    }
    return step;
}

std::optional<std::vector<DyadicStep>> DyadicStepsOf(const RecordingHeader& header,
                                                     const ChannelGainQueue& queue) {
    const CardInfo& card = CardFacts(header.cardType());
    const std::int16_t channels = header.channelCount();
    if (card.elementSize != 4 || channels <= 0) {
        return std::nullopt;
    }
    const std::vector<PositionSetting> settings = ScanPositionSettings(header, queue);
    if (settings.size() < static_cast<std::size_t>(channels)) {
        return std::nullopt;  // custom order with a short queue
    }
    std::vector<DyadicStep> steps;
    // Each setting is checked once, however many positions share it.
    std::map<std::pair<std::uint16_t, std::int8_t>, std::optional<DyadicStep>> checked;
    for (const PositionSetting& setting : settings) {
        if (setting.kindMissing) {
            return std::nullopt;
        }
        const std::uint16_t range = setting.ruleRange();
        const std::int8_t kind = setting.ruleKind();
        const auto [at, added] = checked.try_emplace({range, kind});
        if (added) {
            at->second = DyadicStepOf(card.rules, range, kind, card.cellDecimals);
        }
        if (!at->second) {
            return std::nullopt;
        }
        steps.push_back(*at->second);
    }
    return steps;
}

std::size_t FormatDyadicCell(char* out, const DyadicStep& step, std::int32_t code) {
    switch (step.decimals) {
        case 6:
            return FormatDyadicCellAs<6>(out, step, code);
        case 7:
            return FormatDyadicCellAs<7>(out, step, code);
        default:
            return FormatDyadicCellAs<9>(out, step, code);
    }
}

}  // namespace vantrel
