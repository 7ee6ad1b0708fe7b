// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The setting each position of a scan is recorded under: its range code and, for card type
// 4, its input kind, which selects the scaling formula. Uniform order: every position has
// the header's range code and one kind, the header byte at offset 54. Custom order: position
// p has queue entry p's range code, and the header's kind bytes are packed over the channels
// 0 to 3 that occur in the queue, lowest first (the k-th byte from offset 54 belongs to the
// k-th lowest such channel, not to channel k); channel numbers of 32 and more count as their
// number mod 32 there, channels 4 to 7 have kind 0, and channels from 8 on have none.

#include <cstdint>
#include <optional>
#include <vector>

#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

struct PositionSetting {
    std::int32_t rangeCode;  // the header's (a signed 16-bit field) or the queue entry's
    std::optional<std::int8_t> inputKind;  // card types with input kinds, where there is one
    // The card type takes an input kind and the position's channel has none: no rule scales
    // its samples.
    bool kindMissing = false;

    // The range code and kind as the scaling rules take them.
    std::uint16_t ruleRange() const { return static_cast<std::uint16_t>(rangeCode); }
    std::int8_t ruleKind() const { return inputKind.value_or(0); }
};

// One setting per position of a scan: uniform order, channelCount of them; custom order, as
// many as the queue reaches (at most channelCount). None where channelCount is not positive.
std::vector<PositionSetting> ScanPositionSettings(const RecordingHeader& header,
                                                  const ChannelGainQueue& queue);

}  // namespace vantrel
