#pragma once

// The input kind of each channel of a card type 4 recording, which selects its scaling
// formula. Uniform order: one kind, the header byte at offset 54. Custom order: the header's
// kind bytes are packed over the channels 0 to 3 that occur in the queue, lowest first (the
// k-th byte from offset 54 belongs to the k-th lowest such channel, not to channel k);
// channel numbers of 32 and more count as their number mod 32, and channels 4 to 7 have
// kind 0.

#include <array>
#include <cstdint>

#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

// Input kind by channel number 0 to 7, in custom order.
using InputKindTable = std::array<std::int8_t, 8>;

InputKindTable BuildInputKindTable(const RecordingHeader& header, const ChannelGainQueue& queue);

}  // namespace vantrel
