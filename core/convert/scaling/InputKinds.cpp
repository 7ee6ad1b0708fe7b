#include "convert/scaling/InputKinds.h"

namespace vantrel {

InputKindTable BuildInputKindTable(const RecordingHeader& header, const ChannelGainQueue& queue) {
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

}  // namespace vantrel
