// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/ScanPositionSettings.h"

#include <algorithm>
#include <array>

#include "recording/CardTable.h"

namespace vantrel {

namespace {

// Input kind by channel number 0 to 7, in custom order.
using InputKindTable = std::array<std::int8_t, 8>;

InputKindTable PackedInputKinds(const RecordingHeader& header, const ChannelGainQueue& queue) {
    // Bit c set when channel number c occurs in the queue.
    std::uint32_t channels = 0;
    for (const ChannelGainEntry& entry : queue) {
        channels |= std::uint32_t{1} << (entry.channel % 32u);
    }
    InputKindTable kinds{};
    std::size_t n = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        if (channels & (std::uint32_t{1} << c)) {
            kinds[c] = static_cast<std::int8_t>(header.cardSetting(n));
            ++n;
        }
    }
    return kinds;
}

}  // namespace

std::vector<PositionSetting> ScanPositionSettings(const RecordingHeader& header,
                                                  const ChannelGainQueue& queue) {
    const bool inputKinds = CardFacts(header.cardType()).inputKinds;
    const std::size_t channels =
        header.channelCount() > 0 ? static_cast<std::size_t>(header.channelCount()) : 0;
    std::vector<PositionSetting> settings;
    if (!header.isCustomOrder()) {
        PositionSetting uniform{header.rangeCode(), std::nullopt};
        if (inputKinds) {
            uniform.inputKind = static_cast<std::int8_t>(header.cardSetting(0));
        }
        settings.assign(channels, uniform);
        return settings;
    }
    const InputKindTable kinds = inputKinds ? PackedInputKinds(header, queue) : InputKindTable{};
    for (std::size_t p = 0; p < std::min(channels, queue.size()); ++p) {
        const ChannelGainEntry& entry = queue[p];
        PositionSetting setting{entry.rangeCode, std::nullopt};
        if (inputKinds) {
            if (entry.channel < kinds.size()) {
                setting.inputKind = kinds[entry.channel];
            } else {
                setting.kindMissing = true;
            }
        }
        settings.push_back(setting);
    }
    return settings;
}

}  // namespace vantrel
