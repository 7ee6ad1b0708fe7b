#include "convert/ScaleSampleBlock.h"

#include <algorithm>
#include <bit>
#include <optional>

#include "convert/SampleDecoding.h"
#include "convert/ScaleSample.h"

namespace vantrel {

namespace {

// The number of elements that can be scaled: never past the block or the result array.
std::uint64_t BoundedCount(std::uint64_t count, std::span<const std::uint8_t> block,
                           std::size_t outSize, int elementSize) {
    if (elementSize == 0) {
        return 0;
    }
    return std::min({count, static_cast<std::uint64_t>(block.size() / elementSize),
                     static_cast<std::uint64_t>(outSize)});
}

std::uint32_t ElementAt(const std::uint8_t* block, std::uint64_t i, int elementSize) {
    return elementSize == 2 ? Word16At(block, i) : Word32At(block, i);
}

// One uniform setting for every element: the rule does not change inside the loop.
template <typename Rule>
void ScaleEach(double* out, std::uint64_t count, double& carried, Rule rule) {
    for (std::uint64_t i = 0; i < count; ++i) {
        if (const std::optional<double> value = rule(i)) {
            carried = *value;
        }
        out[i] = carried;
    }
}

}  // namespace

ChannelSet BuildChannelSet(const ChannelGainQueue& queue) {
    ChannelSet set = 0;
    for (const ChannelGainEntry& entry : queue) {
        set |= ChannelSet{1} << (entry.channel % 32u);
    }
    return set;
}

InputKindTable BuildInputKindTable(const RecordingHeader& header, ChannelSet channels) {
    InputKindTable kinds{};
    if (header.cardType() != 4) {
        return kinds;
    }
    // The header's kind bytes are packed over the channels 0..3 that occur, lowest first.
    std::size_t n = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        if (channels & (ChannelSet{1} << c)) {
            kinds[c] = static_cast<std::int8_t>(header.cardSetting(n));
            ++n;
        }
    }
    return kinds;
}

void ScaleUniform(std::span<const std::uint8_t> block, std::span<double> out,
                  const ScaleSettings& settings, double& carried) {
    const std::int16_t card = settings.cardType;
    if (!HasScalingRules(card)) {
        return;
    }
    const int size = CardElementSize(card);
    const std::uint64_t count = BoundedCount(settings.sampleCount, block, out.size(), size);
    const auto range = static_cast<std::uint16_t>(settings.rangeCode);
    const std::int8_t kind = settings.inputKind;
    const std::uint8_t* in = block.data();
    ScaleEach(out.data(), count, carried, [&](std::uint64_t i) {
        return ScaleSample(card, range, kind, ElementAt(in, i, size));
    });
}

void ScaleByQueue(std::span<const std::uint8_t> block, std::span<double> out, std::uint64_t count,
                  std::int16_t cardType, std::int16_t channelCount, const ChannelGainQueue& queue,
                  const InputKindTable& inputKinds, double& carried) {
    if (!HasScalingRules(cardType) || channelCount <= 0) {
        return;
    }
    const int size = CardElementSize(cardType);
    count = BoundedCount(count, block, out.size(), size);
    const auto channels = static_cast<std::size_t>(channelCount);
    const std::uint8_t* in = block.data();
    std::size_t p = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        // Positions without an entry, or card 4 channels past the table, have no rule;
        // the run refuses such recordings before it gets here.
        std::optional<double> value;
        if (p < queue.size()) {
            const ChannelGainEntry& entry = queue[p];
            std::int8_t kind = 0;
            bool known = true;
            if (cardType == 4) {
                known = entry.channel < inputKinds.size();
                kind = known ? inputKinds[entry.channel] : 0;
            }
            if (known) {
                value = ScaleSample(cardType, entry.rangeCode, kind, ElementAt(in, i, size));
            }
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

namespace {

constexpr std::size_t kWords = std::size_t{1} << 16;

// Every word's value under the rule of one range code; empty when the rule yields nothing.
std::vector<double> WordTable(std::int16_t cardType, std::uint16_t rangeCode) {
    std::vector<double> values;
    if (!ScaleSample(cardType, rangeCode, 0, 0)) {
        return values;
    }
    values.resize(kWords);
    for (std::size_t w = 0; w < kWords; ++w) {
        values[w] = *ScaleSample(cardType, rangeCode, 0, static_cast<std::uint32_t>(w));
    }
    return values;
}

// The factor s when every word's value is exactly (signed code) x s, as for the ranges whose
// rule divides by a power of two and multiplies once: the product is then a single rounding
// of the same exact value. Checked bit for bit on every word, so a rule of any other form
// (two roundings, as for card type 2) keeps its table.
std::optional<double> LinearStep(const std::vector<double>& table) {
    if (table.empty()) {
        return std::nullopt;
    }
    const double step = table[1];
    for (std::size_t w = 0; w < kWords; ++w) {
        const double product = static_cast<double>(static_cast<std::int16_t>(w)) * step;
        if (std::bit_cast<std::uint64_t>(product) != std::bit_cast<std::uint64_t>(table[w])) {
            return std::nullopt;
        }
    }
    return step;
}

}  // namespace

SampleScaler::SampleScaler(const RecordingHeader& header, const ChannelGainQueue& queue)
    : header_(header), queue_(queue) {
    if (header.isCustomOrder()) {
        inputKinds_ = BuildInputKindTable(header, BuildChannelSet(queue));
    }
    const std::int16_t card = header.cardType();
    if (!HasScalingRules(card) || CardElementSize(card) != 2) {
        return;
    }
    // A table pays only when the recording has at least as many samples as it has words.
    const std::int64_t samples = std::int64_t{header.channelCount()} * header.scanCount();
    if (samples < static_cast<std::int64_t>(kWords)) {
        return;
    }
    if (!header.isCustomOrder()) {
        tables_.push_back(WordTable(card, static_cast<std::uint16_t>(header.rangeCode())));
        positionTables_.push_back(tables_[0].empty() ? nullptr : tables_[0].data());
        linearStep_ = LinearStep(tables_[0]);
        return;
    }
    const std::int16_t channels = header.channelCount();
    if (channels <= 0) {
        return;  // ScaleByQueue writes nothing then
    }
    // One table per range code in use; positions without a queue entry have no rule.
    std::array<int, 256> tableOf;
    tableOf.fill(-1);
    positionTables_.assign(static_cast<std::size_t>(channels), nullptr);
    const std::size_t entries = std::min(queue.size(), positionTables_.size());
    for (std::size_t p = 0; p < entries; ++p) {
        int& index = tableOf[queue[p].rangeCode];
        if (index < 0) {
            index = static_cast<int>(tables_.size());
            tables_.push_back(WordTable(card, queue[p].rangeCode));
        }
    }
    for (std::size_t p = 0; p < entries; ++p) {
        const std::vector<double>& table =
            tables_[static_cast<std::size_t>(tableOf[queue[p].rangeCode])];
        positionTables_[p] = table.empty() ? nullptr : table.data();
    }
}

// The 16-bit path: a table lookup per element, or the product that equals it.
void SampleScaler::ScaleWords(std::span<const std::uint8_t> chunk, std::span<double> out) {
    const std::uint64_t count = BoundedCount(out.size(), chunk, out.size(), 2);
    const std::uint8_t* in = chunk.data();
    double* values = out.data();
    if (positionTables_.size() == 1) {
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
    if (!positionTables_.empty()) {
        ScaleWords(chunk, out);
        return;
    }
    if (header_.isCustomOrder()) {
        ScaleByQueue(chunk, out, out.size(), header_.cardType(), header_.channelCount(), queue_,
                     inputKinds_, carried_);
        return;
    }
    ScaleSettings settings;
    settings.sampleCount = out.size();
    settings.cardType = header_.cardType();
    settings.rangeCode = header_.rangeCode();
    if (settings.cardType == 4) {
        settings.inputKind = static_cast<std::int8_t>(header_.cardSetting(0));
    }
    settings.channelCount = header_.channelCount();
    ScaleUniform(chunk, out, settings, carried_);
}

void ScaleSampleBlock(const ConversionState& state, std::span<double> out) {
    if (!state.samples) {
        return;
    }
    const std::int64_t channels = state.header.channelCount();
    const std::int64_t scans = state.header.scanCount();
    const std::uint64_t n =
        channels > 0 && scans > 0 ? static_cast<std::uint64_t>(channels * scans) : 0;
    SampleScaler scaler(state.header, state.queue);
    scaler.Scale(state.samples->bytes(), out.first(std::min<std::uint64_t>(n, out.size())));
}

}  // namespace vantrel
