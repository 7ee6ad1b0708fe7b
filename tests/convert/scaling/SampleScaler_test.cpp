// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/SampleScaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "convert/scaling/SampleDecoding.h"
#include "convert/scaling/ScaleSample.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/scaling/WordTables.h"

namespace vantrel {
namespace {

constexpr double kUntouched = -99.0;

// The whole recording scaled in one call.
std::vector<double> ScaleAll(const LoadedRecording& recording) {
    const auto n = static_cast<std::size_t>(recording.header.channelCount()) *
                   static_cast<std::size_t>(recording.header.scanCount());
    std::vector<double> out(n, kUntouched);
    SampleScaler scaler(recording.header, recording.queue);
    scaler.Scale(recording.samples->bytes(), out);
    return out;
}

std::vector<double> ScaleAll(const RecordingBuilder& builder) {
    return ScaleAll(test::StateFrom(builder).recording);
}

RecordingBuilder Card(std::int16_t card, std::int16_t channels, std::int32_t scans) {
    RecordingBuilder b;
    b.header().SetCardType(card);
    b.header().SetChannelCount(channels);
    b.header().SetScanCount(scans);
    b.header().SetWidthCode(card == 4 || card == 7 ? 2 : 1);
    return b;
}

TEST(ScaleSampleBlock, uniformRangeWithoutRule_givesStartingCarriedValueEverywhere) {
    for (const std::int16_t range : {2, 0, -1, 36}) {
        auto b = Card(1, 2, 2);
        b.header().SetRangeCode(range);
        b.AddWord16(0x4000).AddWord16(0x8000).AddWord16(0x1000).AddWord16(0x7FFF);
        EXPECT_EQ(ScaleAll(b), (std::vector<double>{0.0, 0.0, 0.0, 0.0})) << "range " << range;
    }
}

TEST(ScaleSampleBlock, uniformOrder_scalesEverySampleWithTheHeaderRange) {
    auto b = Card(1, 2, 2);
    b.AddWord16(0x1000).AddWord16(0xF800).AddWord16(0x8000).AddWord16(0x7FFF);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{1.25, -0.625, -10.0, 9.99969482421875}));
}

TEST(ScaleSampleBlock, uniformCard4_takesTheKindAtOffset54) {
    auto b = Card(4, 1, 2);
    b.header().SetRangeCode(0);
    b.header().SetCardSetting(0, 7);
    b.header().SetCardSetting(1, 0);
    b.AddWord32(0x00400000).AddWord32(0x00800000);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{39.0625, -78.125}));
}

TEST(ScaleSampleBlock, orderCode3_isUniformAndIgnoresTheQueue) {
    auto b = Card(1, 2, 1);
    b.header().SetOrderCode(3);
    b.header().SetRangeCode(1);
    b.AddQueueEntry(0, 2).AddQueueEntry(1, 2);
    b.AddWord16(0x1000).AddWord16(0xF800);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{1.25, -0.625}));
}

TEST(ScaleSampleBlock, customOrder_positionWithoutRuleRepeatsThePreviousSample) {
    auto b = Card(1, 2, 2);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(0, 1).AddQueueEntry(1, 2);
    b.AddWord16(0x4000).AddWord16(0x1234).AddWord16(0x8000).AddWord16(0x7777);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{5.0, 5.0, -10.0, -10.0}));
}

TEST(ScaleSampleBlock, customOrder_firstPositionWithoutRuleCarriesAcrossScans) {
    auto b = Card(1, 2, 3);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(0, 2).AddQueueEntry(1, 1);
    b.AddWord16(0x4000).AddWord16(0x2000);
    b.AddWord16(0x1000).AddWord16(0x0800);
    b.AddWord16(0x7000).AddWord16(0x8000);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{0.0, 2.5, 2.5, 0.625, 0.625, -10.0}));
}

TEST(ScaleSampleBlock, customOrderCard4_inputKindsArePackedByChannelNumber) {
    auto b = Card(4, 2, 1);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(3, 3).AddQueueEntry(1, 35);
    b.header().SetCardSetting(0, 0);  // channel 1, the lower number
    b.header().SetCardSetting(1, 1);  // channel 3
    b.AddWord32(0x00400000).AddWord32(0x00400000);
    // Channel 3: kind 1, range 3 -> c x 2.5 / 2^23; channel 1: kind 0, range 35 -> c x 25.
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{1.25, 12.5}));
}

TEST(ScaleSampleBlock, customOrder_entriesPastChannelCountGovernNoSampleButCountForKinds) {
    auto b = Card(4, 2, 2);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(3, 3).AddQueueEntry(1, 35).AddQueueEntry(0, 36).AddQueueEntry(2, 36);
    // Channels 0, 1, 2, 3 all occur, so bytes 54..57 belong to them in that order.
    b.header().SetCardSetting(0, 10);
    b.header().SetCardSetting(1, 0);
    b.header().SetCardSetting(2, 10);
    b.header().SetCardSetting(3, 1);
    b.AddWord32(0x00400000).AddWord32(0x00400000).AddWord32(0x00800000).AddWord32(0x00800000);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{1.25, 12.5, -2.5, -25.0}));
}

// Channel numbers of 32 and more count as their number mod 32, and only channels 0 to 3
// take a kind byte: queue (2, 35), (6, 0), (33, 0) makes channels 1, 2 and 6 occur, so
// channel 2 takes the second byte.
TEST(ScaleSampleBlock, customOrderCard4_channelsWrapModulo32AndOnly0To3TakeKinds) {
    auto b = Card(4, 1, 1);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(2, 35).AddQueueEntry(6, 0).AddQueueEntry(33, 0);
    b.header().SetCardSetting(0, 1);  // channel 1: kind 1 has no rule for range 35
    b.header().SetCardSetting(1, 0);  // channel 2: kind 0, range 35 -> c x 25 / 2^23
    b.AddWord32(0x00400000);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{12.5}));
}

// A kind byte of 0xFF is kind -1, which has no rule.
TEST(ScaleSampleBlock, card4NegativeKind_yieldsNothing) {
    auto b = Card(4, 1, 1);
    b.header().SetRangeCode(35);
    b.header().SetCardSetting(0, 0xFF);
    b.AddWord32(0x00400000);
    EXPECT_EQ(ScaleAll(b), (std::vector<double>{0.0}));
}

TEST(ScaleSampleBlock, cardsWithoutRules_writeNoElement) {
    for (const std::int16_t card : {5, 6, 0, 9}) {
        for (const std::int16_t order : {0, 2}) {
            auto b = Card(card, 2, 1);
            b.header().SetOrderCode(order);
            b.AddQueueEntry(0, 1).AddQueueEntry(1, 1);
            b.AddWord32(0x00400000).AddWord32(0x00400000);
            EXPECT_EQ(ScaleAll(b), (std::vector<double>{kUntouched, kUntouched}))
                << "card " << card << " order " << order;
        }
    }
}

// Scaling in chunks of whole scans must give exactly what one call gives, carried values
// included.
TEST(SampleScaler, chunkBordersGiveTheSameResultAsOneCall) {
    std::mt19937 random(20261208);
    struct Setup {
        std::int16_t card;
        std::int16_t order;
        std::int16_t range;
    };
    for (const Setup& setup : {Setup{1, 2, 0}, Setup{4, 2, 0}, Setup{2, 0, 1}, Setup{8, 1, 2}}) {
        const std::int16_t channels = 3;
        const std::int32_t scans = 200;
        auto b = Card(setup.card, channels, scans);
        b.header().SetOrderCode(setup.order);
        b.header().SetRangeCode(setup.range);
        if (setup.card == 4) {
            // Channel 2 takes kind 10, which never yields: it repeats across chunk borders.
            b.AddQueueEntry(2, 35).AddQueueEntry(0, 35).AddQueueEntry(1, 3);
            b.header().SetCardSetting(0, 0);
            b.header().SetCardSetting(1, 1);
            b.header().SetCardSetting(2, 10);
        } else {
            b.AddQueueEntry(0, 2).AddQueueEntry(1, 1).AddQueueEntry(2, 23);
        }
        for (int i = 0; i < channels * scans; ++i) {
            if (setup.card == 4) {
                b.AddWord32(random() & 0x01FFFFFF);
            } else {
                b.AddWord16(static_cast<std::uint16_t>(random()));
            }
        }
        const ConversionState state = test::StateFrom(b);
        const auto n = static_cast<std::size_t>(channels * scans);
        const std::vector<double> whole = ScaleAll(state.recording);

        const int element = setup.card == 4 ? 4 : 2;
        for (int trial = 0; trial < 5; ++trial) {
            SampleScaler scaler(state.recording.header, state.recording.queue);
            std::vector<double> pieces(n, kUntouched);
            std::size_t scan = 0;
            while (scan < static_cast<std::size_t>(scans)) {
                const std::size_t take = std::min<std::size_t>(
                    1 + random() % 17, static_cast<std::size_t>(scans) - scan);
                const std::size_t first = scan * channels;
                const std::size_t count = take * channels;
                scaler.Scale(
                    state.recording.samples->bytes().subspan(first * element, count * element),
                    std::span<double>(pieces).subspan(first, count));
                scan += take;
            }
            ASSERT_EQ(pieces, whole) << "card " << setup.card << " trial " << trial;
        }
        if (setup.order == 2) {
            // Position 0 has no rule in both queues: it repeats the last sample before it,
            // and the block's first sample takes the starting value.
            for (std::size_t k = 0; k < n; k += channels) {
                ASSERT_EQ(whole[k], k == 0 ? 0.0 : whole[k - 1]) << "sample " << k;
            }
        }
    }
}

// Long recordings of 16-bit cards scale by a table of every word's value: each word, in
// chunks of any whole size, must give exactly the rule's value, or the carried value where
// the rule gives none.
TEST(SampleScaler, everyWordOf16BitCardsGivesTheRulesValueInAnyChunking) {
    constexpr std::uint32_t kSamples = kWordTableSamples;
    for (const std::int16_t card : {1, 2, 3, 8}) {
        for (const std::int16_t range : {1, 10, 23, 25, 7}) {
            SCOPED_TRACE(testing::Message() << "card " << card << ", range " << range);
            auto b = Card(card, 1, kSamples);
            b.header().SetRangeCode(range);
            for (std::uint32_t w = 0; w < kSamples; ++w) {
                b.AddWord16(static_cast<std::uint16_t>(w ^ 0x5A5A));
            }
            const ConversionState state = test::StateFrom(b);
            ASSERT_TRUE(UsesWordTables(state.recording.header));
            SampleScaler scaler(state.recording.header, state.recording.queue);
            std::vector<double> out(kSamples, kUntouched);
            const std::span<const std::uint8_t> bytes = state.recording.samples->bytes();
            for (std::size_t done = 0; done < out.size();) {
                const std::size_t n = std::min<std::size_t>(4099, out.size() - done);
                scaler.Scale(bytes.subspan(2 * done, 2 * n), std::span<double>(&out[done], n));
                done += n;
            }
            std::size_t differences = 0;
            for (std::uint32_t w = 0; w < kSamples; ++w) {
                const auto word = static_cast<std::uint16_t>(w ^ 0x5A5A);
                const auto value = ScaleSample(card, static_cast<std::uint16_t>(range), 0, word);
                differences += out[w] != value.value_or(0.0) ? 1 : 0;
            }
            EXPECT_EQ(differences, 0u);
        }
    }
}

// Where the scaler gives a step, the writers decode the words themselves as code x step
// (DecodeLinearWords), bypassing Scale: both must give the same bits for every word, the
// 24-bit words with their upper byte set among them.
TEST(SampleScaler, linearStepGivesScalesValuesBitForBit) {
    struct Setup {
        std::int16_t card;
        std::int16_t range;
        std::uint8_t kind;  // card 4's input kind, in its uniform setting
    };
    // (Card 2's rule divides by a factor that is no binary fraction, rounding twice: no
    // step gives its values.)
    const std::vector<Setup> setups = {{1, 1, 0}, {3, 1, 0},  {8, 1, 0},
                                       {7, 1, 0}, {4, 35, 0}, {4, 3, 1}};
    for (const Setup& setup : setups) {
        SCOPED_TRACE(testing::Message() << "card " << setup.card << ", range " << setup.range);
        const bool wide = setup.card == 4 || setup.card == 7;
        auto b = Card(setup.card, 1, kWordTableSamples);
        b.header().SetRangeCode(setup.range);
        if (setup.card == 4) {
            b.header().SetCardSetting(0, setup.kind);
            b.header().SetCardSetting(1, setup.kind);
        }
        std::mt19937 random(7);
        for (std::uint32_t i = 0; i < kWordTableSamples; ++i) {
            if (wide) {
                b.AddWord32(i < 64 ? (0x00800000u >> (i % 24)) | (i >= 32 ? 0xFF000000u : 0)
                                   : static_cast<std::uint32_t>(random()));
            } else {
                b.AddWord16(static_cast<std::uint16_t>(i));
            }
        }
        const ConversionState state = test::StateFrom(b);
        SampleScaler scaler(state.recording.header, state.recording.queue);
        // Every rule here scales by one factor: without a step the writers' one-pass paths
        // would go untested.
        const std::optional<double> step = scaler.linearStep();
        EXPECT_TRUE(step.has_value());
        if (!step) {
            continue;
        }
        const std::vector<double> scaled = ScaleAll(state.recording);
        std::vector<double> decoded(kWordTableSamples, kUntouched);
        const std::span<const std::uint8_t> bytes = state.recording.samples->bytes();
        // The codes as the codes outputs widen them.
        std::vector<std::int32_t> widened(kWordTableSamples);
        WidenCodes(bytes, widened, kWordTableSamples, setup.card);
        std::vector<std::int32_t> codes(kWordTableSamples);
        if (wide) {
            DecodeLinearWords(bytes.data(), kWordTableSamples, *step, codes.data(), decoded.data());
        } else {
            std::vector<std::uint16_t> words(kWordTableSamples);
            DecodeLinearWords(bytes.data(), kWordTableSamples, *step, words.data(), decoded.data());
            std::copy(words.begin(), words.end(), codes.begin());
        }
        EXPECT_EQ(codes, widened);
        std::size_t differences = 0;
        for (std::uint32_t i = 0; i < kWordTableSamples; ++i) {
            differences +=
                std::bit_cast<std::uint64_t>(decoded[i]) != std::bit_cast<std::uint64_t>(scaled[i]);
        }
        EXPECT_EQ(differences, 0u);
    }
}

}  // namespace
}  // namespace vantrel
