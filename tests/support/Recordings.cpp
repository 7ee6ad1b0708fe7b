// SPDX-License-Identifier: BSD-3-Clause
#include "support/Recordings.h"

namespace vantrel::test {

RecordingBuilder TwoChannels(int scans) {
    RecordingBuilder b;
    b.header().SetChannelCount(2);
    b.header().SetScanCount(scans);
    for (int s = 0; s < scans; ++s) {
        if (s % 2 == 0) {
            b.AddWord16(0x1000).AddWord16(0xF800);
        } else {
            b.AddWord16(0x8000).AddWord16(0x7FFF);
        }
    }
    return b;
}

std::vector<std::uint8_t> TwoChannelRecording(int scans) {
    return TwoChannels(scans).Bytes();
}

// Recordings of more than one chunk: 16-bit uniform order, 24-bit custom order with input
// kinds, and a custom queue that samples a channel twice and whose first position has no
// rule (its samples repeat the value before them, across scans).
RecordingBuilder Uniform16() {
    RecordingBuilder b;
    b.header().SetChannelCount(3);
    b.header().SetScanCount(50001);
    for (int i = 0; i < 3 * 50001; ++i) {
        b.AddWord16(static_cast<std::uint16_t>(i * 40503));
    }
    return b;
}

RecordingBuilder Custom24() {
    RecordingBuilder b;
    b.header().SetCardType(4);
    b.header().SetWidthCode(2);
    b.header().SetChannelCount(3);
    b.header().SetScanCount(30011);
    b.header().SetOrderCode(2);
    b.header().SetCardSetting(0, 0);
    b.header().SetCardSetting(1, 2);
    b.AddQueueEntry(3, 35).AddQueueEntry(1, 3).AddQueueEntry(3, 36);
    for (int i = 0; i < 3 * 30011; ++i) {
        b.AddWord32(static_cast<std::uint32_t>(i * 2654435761u) & 0x01FFFFFFu);
    }
    return b;
}

RecordingBuilder CarriedQueue() {
    RecordingBuilder b;
    b.header().SetChannelCount(4);
    b.header().SetScanCount(40003);
    b.header().SetOrderCode(2);
    // Range code 2 has no rule for card type 1.
    b.AddQueueEntry(2, 2).AddQueueEntry(0, 1).AddQueueEntry(2, 23).AddQueueEntry(5, 2);
    for (int i = 0; i < 4 * 40003; ++i) {
        b.AddWord16(static_cast<std::uint16_t>(i * 2971));
    }
    return b;
}

}  // namespace vantrel::test
