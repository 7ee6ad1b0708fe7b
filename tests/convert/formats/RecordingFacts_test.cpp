// SPDX-License-Identifier: BSD-3-Clause
// The facts the analysis formats record: per column the channel, range and input kind as
// the title line and the scaling read them, and the start as ISO 8601 where it reads as one.

#include "convert/formats/RecordingFacts.h"

#include <gtest/gtest.h>

#include "convert/ConvertFixtures.h"
#include "recording/CardCatalogue.h"
#include "recording/PresentHeader.h"

namespace vantrel {
namespace {

TEST(StartIso8601, readsMonthDayYearAndTimeWithMilliseconds) {
    const struct {
        const char* date;
        const char* time;
        std::optional<std::string> iso;
    } cases[] = {
        {"09/15/99", "15:27:32.480", "1999-09-15T15:27:32.480"},
        {"12/08/26", "09:41:07.250", "2026-12-08T09:41:07.250"},
        {"02/29/24", "00:00:00.000", "2024-02-29T00:00:00.000"},  // a leap year
        {"01/01/70", "23:59:59.999", "1970-01-01T23:59:59.999"},
        {"12/31/69", "23:59:59.999", "2069-12-31T23:59:59.999"},
        {"02/29/23", "00:00:00.000", std::nullopt},  // not a leap year
        {"04/31/24", "00:00:00.000", std::nullopt},
        {"13/01/24", "00:00:00.000", std::nullopt},
        {"00/10/24", "00:00:00.000", std::nullopt},
        {"09/15/99", "24:00:00.000", std::nullopt},
        {"09/15/99", "15:60:00.000", std::nullopt},
        {"09/15/99", "15:27:32.", std::nullopt},  // milliseconds missing
        {"09/15/99", "15:27:32", std::nullopt},
        {"9/15/99", "15:27:32.480", std::nullopt},
        {"09-15-99", "15:27:32.480", std::nullopt},
        {"", "", std::nullopt},
        {"ab/cd/ef", "15:27:32.480", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StartIso8601(c.date, c.time), c.iso) << c.date << " " << c.time;
    }
}

struct ColumnCase {
    const char* name;
    std::int16_t card;
    std::int16_t channels;
    std::int16_t order;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> queue;
    std::vector<std::int32_t> channelOfColumn;
    std::vector<std::int32_t> rangeOfColumn;
    std::vector<std::optional<std::int32_t>> kindOfColumn;
};

TEST(FactsOf, columnsFollowTheTitleLineAndTheScaling) {
    using K = std::optional<std::int32_t>;
    const ColumnCase cases[] = {
        {"ascending", 1, 3, 0, {}, {0, 1, 2}, {1, 1, 1}, {K{}, K{}, K{}}},
        {"descending", 1, 3, 1, {}, {2, 1, 0}, {1, 1, 1}, {K{}, K{}, K{}}},
        {"oneChannel", 1, 1, 0, {}, {200}, {1}, {K{}}},
        {"otherOrderNamesNone", 1, 2, 3, {{5, 10}, {6, 10}}, {0, 1}, {1, 1}, {K{}, K{}}},
        {"custom", 1, 2, 2, {{5, 10}, {3, 23}, {9, 1}}, {5, 3}, {10, 23}, {K{}, K{}}},
        {"customShortQueue", 1, 3, 2, {{4, 1}}, {4}, {1}, {K{}}},
        {"card4Uniform", 4, 2, 0, {}, {0, 1}, {1, 1}, {7, 7}},
        // Kinds packed over the channels 0..3 that occur: 1 takes byte 54, 3 byte 55.
        {"card4Custom", 4, 2, 2, {{3, 3}, {1, 35}}, {3, 1}, {3, 35}, {8, 7}},
    };
    for (const ColumnCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBuilder b;
        b.header().SetCardType(c.card);
        b.header().SetWidthCode(c.card == 4 ? 2 : 1);
        b.header().SetChannelCount(c.channels);
        b.header().SetSingleChannel(200);
        b.header().SetOrderCode(c.order);
        b.header().SetCardSetting(0, 7);
        b.header().SetCardSetting(1, 8);
        for (const auto& [channel, range] : c.queue) {
            b.AddQueueEntry(channel, range);
        }
        ConversionState state = test::StateFrom(b, "/data/run1.daq");
        const RecordingFacts facts = FactsOf(state.recording);
        ASSERT_EQ(facts.columns.size(), c.channelOfColumn.size());
        for (std::size_t p = 0; p < facts.columns.size(); ++p) {
            EXPECT_EQ(facts.columns[p].channel, c.channelOfColumn[p]) << p;
            EXPECT_EQ(facts.columns[p].rangeCode, c.rangeOfColumn[p]) << p;
            EXPECT_EQ(facts.columns[p].rangeLabel, RangeLabel(c.rangeOfColumn[p])) << p;
            EXPECT_EQ(facts.columns[p].inputKind, c.kindOfColumn[p]) << p;
        }
        EXPECT_EQ(facts.sourceFile, "run1.daq");
        EXPECT_EQ(facts.startIso8601, std::optional<std::string>("2026-12-08T15:27:32.480"));
    }
}

}  // namespace
}  // namespace vantrel
