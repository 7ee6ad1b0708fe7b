// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/SampleScaler.h"

#include <algorithm>
#include <array>
#include <bit>

#include "convert/scaling/SampleDecoding.h"
#include "convert/scaling/ScaleSample.h"
#include "convert/scaling/WordTables.h"
#include "convert/text/DyadicCells.h"

namespace vantrel {

namespace {

// The number of elements that can be scaled: never past the block or the result array.
std::uint64_t BoundedCount(std::span<const std::uint8_t> block, std::size_t outSize,
                           int elementSize) {
    if (elementSize == 0) {
        return 0;
    }
    return std::min(static_cast<std::uint64_t>(block.size() / elementSize),
                    static_cast<std::uint64_t>(outSize));
}

std::uint32_t ElementAt(const std::uint8_t* block, std::uint64_t i, int elementSize) {
    return elementSize == 2 ? Word16At(block, i) : Word32At(block, i);
}

// Every element with one setting: the rule does not change inside the loop.
void ScaleUniform(std::span<const std::uint8_t> block, std::span<double> out, const CardInfo& card,
                  const PositionSetting& setting, double& carried) {
    const int size = card.elementSize;
    const std::uint64_t count = BoundedCount(block, out.size(), size);
    const std::uint8_t* in = block.data();
    const ScalingRules rules = card.rules;
    const std::uint16_t range = setting.ruleRange();
    const std::int8_t kind = setting.ruleKind();
    for (std::uint64_t i = 0; i < count; ++i) {
        if (const std::optional<double> value =
                ScaleSample(rules, range, kind, ElementAt(in, i, size))) {
            carried = *value;
        }
        out[i] = carried;
    }
}

// Element i takes the setting of position (i mod channelCount). The elements start at a
// scan's start, and every position has a setting (checked before conversion).
void ScaleByPosition(std::span<const std::uint8_t> block, std::span<double> out,
                     const CardInfo& card, std::int16_t channelCount,
                     const std::vector<PositionSetting>& positions, double& carried) {
    if (channelCount <= 0) {
        return;
    }
    const int size = card.elementSize;
    const std::uint64_t count = BoundedCount(block, out.size(), size);
    const auto channels = static_cast<std::size_t>(channelCount);
    const std::uint8_t* in = block.data();
    std::size_t p = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        // Positions without a queue entry, or card 4 channels without a kind, have no
        // rule; the run refuses such recordings before it gets here.
        std::optional<double> value;
        if (p < positions.size() && !positions[p].kindMissing) {
            const PositionSetting& setting = positions[p];
            value = ScaleSample(card.rules, setting.ruleRange(), setting.ruleKind(),
                                ElementAt(in, i, size));
        }
        if (value) {
            carried = *value;
        }
        out[i] = carried;
        if (++p == channels) {
            p = 0;
        }
    }
}

// The factor s when every word's value is exactly (signed code) x s, as for the ranges whose
// rule divides by a power of two and multiplies once: the product is then a single rounding
// of the same exact value. Checked bit for bit on every word, so a rule of any other form
// (two roundings, as for card type 2) keeps its table.
std::optional<double> LinearStep(const double* table) {
    if (table == nullptr) {
        return std::nullopt;
    }
    const double step = table[1];
    for (std::size_t w = 0; w < kWordCount; ++w) {
        const double product = static_cast<double>(static_cast<std::int16_t>(w)) * step;
        if (std::bit_cast<std::uint64_t>(product) != std::bit_cast<std::uint64_t>(table[w])) {
            return std::nullopt;
        }
    }
    return step;
}

}  // namespace

SampleScaler::SampleScaler(const RecordingHeader& header, const ChannelGainQueue& queue,
                           double carried, std::optional<std::uint64_t> samples,
                           std::span<const Transducer> transducers)
    : header_(header),
      card_(CardFacts(header.cardType())),
      positions_(ScanPositionSettings(header, queue)),
      carried_(carried),
      transducers_(transducers.begin(), transducers.end()) {
    if (!card_.converts()) {
        return;
    }
    if (card_.elementSize == 4 && !header.isCustomOrder()) {
        // 24-bit codes whose every value is code x step: one multiplication each.
        if (const auto steps = DyadicStepsOf(header, queue)) {
            linearStep_ = steps->front().step;
        }
        return;
    }
    if (!UsesWordTables(header, samples)) {
        return;
    }
    auto byPosition = TablesByPosition<double>(
        header, queue, [&](std::uint16_t range) { return ScaledWordValues(card_.rules, range); });
    tables_ = std::move(byPosition.tables);
    positionTables_ = std::move(byPosition.positions);
    if (!header.isCustomOrder()) {
        linearStep_ = LinearStep(positionTables_[0]);
    }
}

// The 16-bit path: a table lookup per element, or the product that equals it.
void SampleScaler::ScaleWords(std::span<const std::uint8_t> chunk, std::span<double> out) {
    const std::uint64_t count = BoundedCount(chunk, out.size(), 2);
    const std::uint8_t* in = chunk.data();
    double* values = out.data();
    if (!header_.isCustomOrder()) {
        const double* table = positionTables_[0];
        if (table == nullptr) {
            std::fill_n(values, count, carried_);
            return;
        }
        if (linearStep_) {
            // One multiplication per word, which the compiler vectorizes.
            const double step = *linearStep_;
            for (std::uint64_t i = 0; i < count; ++i) {
                values[i] = static_cast<double>(static_cast<std::int16_t>(Word16At(in, i))) * step;
            }
        } else {
            for (std::uint64_t i = 0; i < count; ++i) {
                values[i] = table[Word16At(in, i)];
            }
        }
        if (count > 0) {
            carried_ = values[count - 1];
        }
        return;
    }
    const std::size_t positions = positionTables_.size();
    std::size_t p = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (const double* table = positionTables_[p]) {
            carried_ = table[Word16At(in, i)];
        }
        values[i] = carried_;
        if (++p == positions) {
            p = 0;
        }
    }
}

void SampleScaler::Scale(std::span<const std::uint8_t> chunk, std::span<double> out) {
    ScaleRaw(chunk, out);
    if (transducers_.empty() || !card_.converts()) {
        return;
    }
    // Each column's transducer on the value the rule gave it; the carried value stays the
    // rule's, as a sample without a rule repeats it.
    const std::uint64_t count = BoundedCount(chunk, out.size(), card_.elementSize);
    const std::size_t positions = transducers_.size();
    std::size_t p = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (!transducers_[p].identity()) {
            out[i] = transducers_[p].Apply(out[i]);
        }
        if (++p == positions) {
            p = 0;
        }
    }
}

void SampleScaler::ScaleRaw(std::span<const std::uint8_t> chunk, std::span<double> out) {
    if (!card_.converts()) {
        return;
    }
    if (!positionTables_.empty()) {
        ScaleWords(chunk, out);
        return;
    }
    if (header_.isCustomOrder()) {
        ScaleByPosition(chunk, out, card_, header_.channelCount(), positions_, carried_);
        return;
    }
    if (linearStep_) {
        const std::uint64_t count = BoundedCount(chunk, out.size(), 4);
        const std::uint8_t* in = chunk.data();
        const double step = *linearStep_;
        for (std::uint64_t i = 0; i < count; ++i) {
            out[i] = static_cast<double>(Decode24(Word32At(in, i))) * step;
        }
        if (count > 0) {
            carried_ = out[count - 1];
        }
        return;
    }
    // In uniform order every position has the same setting; without channels there is
    // nothing to scale.
    if (!positions_.empty()) {
        ScaleUniform(chunk, out, card_, positions_.front(), carried_);
    }
}

double CarriedValueAfter(const RecordingHeader& header, const ChannelGainQueue& queue,
                         std::span<const std::uint8_t> scan) {
    const int size = CardFacts(header.cardType()).elementSize;
    if (size == 0 || scan.size() < static_cast<std::size_t>(size)) {
        return 0.0;
    }
    std::vector<double> values(scan.size() / static_cast<std::size_t>(size));
    SampleScaler(header, queue, 0.0, values.size()).Scale(scan, values);
    return values.back();
}

}  // namespace vantrel
