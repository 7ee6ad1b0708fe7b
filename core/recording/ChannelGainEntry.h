// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// One entry of the channel-gain queue that follows the header: two bytes, the channel
// number then its range code. In custom order, entry p describes position p of every scan.

#include <cstdint>
#include <vector>

namespace vantrel {

struct ChannelGainEntry {
    std::uint8_t channel = 0;
    std::uint8_t rangeCode = 0;

    static constexpr std::size_t kSize = 2;

    friend bool operator==(const ChannelGainEntry&, const ChannelGainEntry&) = default;
};

// The queue as loaded; empty means no queue is held (queueCount < 1, or not loaded).
using ChannelGainQueue = std::vector<ChannelGainEntry>;

}  // namespace vantrel
