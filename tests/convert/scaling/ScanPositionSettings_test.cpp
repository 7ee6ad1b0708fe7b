// SPDX-License-Identifier: BSD-3-Clause
// The setting of each scan position: the header's in uniform order, the queue entry's in
// custom order, and for card type 4 the kind byte that belongs to the position's channel.

#include "convert/scaling/ScanPositionSettings.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

// A position's setting as expected: its range code, its input kind (-1: none) and whether
// the kind is missing.
struct Expected {
    std::int32_t range;
    int kind;
    bool missing = false;
};

struct SettingsCase {
    const char* name;
    std::int16_t card;
    std::int16_t channels;
    std::int16_t order;
    std::int16_t range;  // the header's
    ChannelGainQueue queue;
    std::vector<Expected> positions;
};

// The kind bytes from offset 54 are 10, 11, 12, 13 in every case.
TEST(ScanPositionSettings, eachPositionTakesTheSettingItIsRecordedUnder) {
    const SettingsCase cases[] = {
        {"uniform", 1, 3, 0, 5, {}, {{5, -1}, {5, -1}, {5, -1}}},
        {"descending", 8, 2, 1, 15, {}, {{15, -1}, {15, -1}}},
        // Order code 3 is no custom order: its queue is not read.
        {"orderCode3", 1, 2, 3, 1, {{4, 9}, {5, 9}}, {{1, -1}, {1, -1}}},
        {"negativeRange", 1, 1, 0, -1, {}, {{-1, -1}}},
        {"noChannels", 1, 0, 0, 1, {}, {}},
        {"uniformCard4", 4, 3, 0, 36, {}, {{36, 10}, {36, 10}, {36, 10}}},
        {"custom", 3, 2, 2, 1, {{5, 10}, {3, 23}, {9, 1}}, {{10, -1}, {23, -1}}},
        {"customShortQueue", 1, 3, 2, 1, {{4, 2}}, {{2, -1}}},
        // Channels 0, 1 and 3 occur: bytes 10, 11, 12 go to them, lowest first.
        {"card4Packed", 4, 3, 2, 1, {{3, 35}, {1, 36}, {0, 3}}, {{35, 12}, {36, 11}, {3, 10}}},
        // Only channels 0 and 2 occur: channel 2 takes the second byte.
        {"card4Gap", 4, 3, 2, 1, {{2, 35}, {2, 36}, {0, 3}}, {{35, 11}, {36, 11}, {3, 10}}},
        // Channel 34 counts as 2 when the bytes are packed (2 then 3 occur) but has no kind
        // itself; channels 4 to 7 have kind 0; from 8 on none.
        {"card4PastTheTable",
         4,
         4,
         2,
         1,
         {{34, 35}, {3, 36}, {5, 1}, {9, 1}},
         {{35, -1, true}, {36, 11}, {1, 0}, {1, -1, true}}},
        // A queue entry past channelCount still counts for the packing.
        {"card4EntryPastTheScan", 4, 1, 2, 1, {{3, 35}, {1, 36}}, {{35, 11}}},
        {"otherCardsHaveNoKinds", 7, 2, 2, 1, {{40, 1}, {2, 2}}, {{1, -1}, {2, -1}}},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHeader header;
        header.SetCardType(c.card);
        header.SetChannelCount(c.channels);
        header.SetOrderCode(c.order);
        header.SetRangeCode(c.range);
        for (std::size_t i = 0; i < 4; ++i) {
            header.SetCardSetting(i, static_cast<std::uint8_t>(10 + i));
        }
        const std::vector<PositionSetting> settings = ScanPositionSettings(header, c.queue);
        ASSERT_EQ(settings.size(), c.positions.size());
        for (std::size_t p = 0; p < settings.size(); ++p) {
            const Expected& want = c.positions[p];
            EXPECT_EQ(settings[p].rangeCode, want.range) << p;
            EXPECT_EQ(settings[p].inputKind.value_or(-1), want.kind) << p;
            EXPECT_EQ(settings[p].kindMissing, want.missing) << p;
        }
    }
}

}  // namespace
}  // namespace vantrel
