// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/ScaleSample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "convert/scaling/SampleDecoding.h"
#include "convert/scaling/WidenCodes.h"
#include "recording/LittleEndian.h"

namespace vantrel {
namespace {

struct RuleCase {
    std::int16_t card;
    int range;  // as the header or queue holds it; compared as unsigned 16-bit
    int kind;
    std::uint32_t element;
    std::optional<double> expected;
};

// Exact expectations: each was computed one double operation at a time in the rule's order;
// the card 2 and card 4 entries marked "order" differ when the constants are folded first.
const RuleCase kRuleCases[] = {
    // 16-bit cards: the word is a signed code.
    {1, 1, 0, 0x8000, -10.0},
    {1, 1, 0, 0x7FFF, 9.99969482421875},
    {1, 1, 0, 0xFFFF, -0.00030517578125},
    {1, 23, 0, 0x4000, 1.0},
    {1, 25, 0, 0x4000, 0.1},
    {1, 10, 0, 0x4000, 0.5},
    {1, 1, 0, 0x1000, 1.25},
    {1, 1, 0, 0xF800, -0.625},
    {1, 2, 0, 0x4000, std::nullopt},
    {1, 0, 0, 0x4000, std::nullopt},
    {1, -1, 0, 0x4000, std::nullopt},
    {1, 1, 0, 0x0000, 0.0},
    {3, 1, 0, 0x8000, -10.0},
    {3, 23, 0, 0x4000, 1.0},
    {3, 25, 0, 0x4000, 0.1},
    {3, 10, 0, 0xC000, -0.5},
    {3, 35, 0, 0x4000, std::nullopt},
    {8, 1, 0, 0x7FFF, 9.99969482421875},
    {8, 23, 0, 0x4000, 1.0},
    {8, 10, 0, 0x4000, std::nullopt},
    {8, 25, 0, 0x4000, std::nullopt},
    {2, 1, 0, 0x4000, 0.20085535153732068},
    {2, 1, 0, 0x0073, 0.00140981234294384},  // order
    {2, 1, 0, 0x3039, 0.15134029020558007},
    {2, 23, 0, 0x4000, std::nullopt},
    // 32-bit cards: the 24-bit rule, upper byte kept when bit 23 is clear.
    {7, 1, 0, 0x00800000, -10.0},
    {7, 1, 0, 0x00400000, 5.0},
    {7, 1, 0, 0x01000000, 20.0},
    {7, 1, 0, 0x01800000, -10.0},
    {7, 35, 0, 0x00400000, std::nullopt},
    {4, 35, 0, 0x00800000, -25.0},
    {4, 36, 0, 0x00400000, 6.25},
    {4, 6, 1, 0x00400000, 0.15625},
    {4, 3, 1, 0x00400000, 1.25},
    {4, 0, 7, 0x00400000, 39.0625},
    {4, 99, 8, 0x00400000, 39.0625},
    {4, 1, 9, 0x00400000, 39.0625},
    {4, 1, 11, 0x00400000, 39.0625},
    {4, 1, 14, 0x00400000, 39.0625},
    {4, 12, 2, 0x00400000, 0.06695178234937521},
    {4, 0, 2, 0x00777777, 0.12497665293631095},  // order
    {4, 1, 3, 0x00123457, 683.7609868783218},    // order
    {4, 1, 4, 0x00400000, 2403.8461538461543},
    {4, 1, 5, 0x00400000, 2403.8461538461543},
    {4, 1, 6, 0x00400000, 24038.46153846154},
    {4, 1, 6, 0x00777777, 44871.79219722748},
    {4, 3, 0, 0x00400000, std::nullopt},
    {4, 35, 1, 0x00400000, std::nullopt},
    {4, 35, 10, 0x00400000, std::nullopt},
    {4, 35, 15, 0x00400000, std::nullopt},
    {4, 35, -1, 0x00400000, std::nullopt},
    {4, 35, -128, 0x00400000, std::nullopt},
    // Card types without rules.
    {5, 1, 0, 0x4000, std::nullopt},
    {6, 1, 0, 0x4000, std::nullopt},
    {0, 1, 0, 0x4000, std::nullopt},
    {9, 1, 0, 0x4000, std::nullopt},
    {-1, 1, 0, 0x4000, std::nullopt},
};

TEST(ScaleSample, rawElements_scaleToExactValues) {
    for (const RuleCase& c : kRuleCases) {
        SCOPED_TRACE(testing::Message() << "card " << c.card << " range " << c.range << " kind "
                                        << c.kind << " element 0x" << std::hex << c.element);
        const auto value = ScaleSample(c.card, static_cast<std::uint16_t>(c.range),
                                       static_cast<std::int8_t>(c.kind), c.element);
        ASSERT_EQ(value.has_value(), c.expected.has_value());
        if (value) {
            EXPECT_EQ(*value, *c.expected);  // bit-exact, not approximately
        }
    }
}

TEST(ScaleSample, inputKindIsIgnoredBesideCard4) {
    EXPECT_EQ(ScaleSample(1, 1, 10, 0x8000), -10.0);
    EXPECT_EQ(ScaleSample(7, 1, -5, 0x00400000), 5.0);
}

TEST(Decode24, signExtendsFromBit23AndKeepsUpperByteOtherwise) {
    EXPECT_EQ(Decode24(0x00800000), -8388608);
    EXPECT_EQ(Decode24(0x00FFFFFF), -1);
    EXPECT_EQ(Decode24(0x007FFFFF), 8388607);
    EXPECT_EQ(Decode24(0x01800000), -8388608);
    EXPECT_EQ(Decode24(0x01000000), 16777216);
    EXPECT_EQ(Decode24(0xFF000000), -16777216);
}

std::vector<std::uint8_t> Words16(std::initializer_list<std::uint16_t> words) {
    std::vector<std::uint8_t> bytes;
    for (const auto w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> Words32(std::initializer_list<std::uint32_t> words) {
    std::vector<std::uint8_t> bytes(4 * words.size());
    std::size_t i = 0;
    for (const auto w : words) {
        StoreLe32(bytes.data() + 4 * i++, w);
    }
    return bytes;
}

TEST(WidenCodes, sixteenBitCardsGiveUnsignedWords) {
    const auto block = Words16({0x8000, 0x7FFF, 0xFFFF, 0xF800, 0x1000});
    for (const std::int16_t card : {1, 2, 3, 8}) {
        std::vector<std::int32_t> codes(5, -7);
        WidenCodes(block, codes, 5, card);
        EXPECT_EQ(codes, (std::vector<std::int32_t>{32768, 32767, 65535, 63488, 4096}))
            << "card " << card;
    }
}

TEST(WidenCodes, thirtyTwoBitCardsApplyThe24BitRule) {
    const auto block = Words32({0x00800000, 0x00FFFFFF, 0x007FFFFF, 0x01800000, 0x01000000});
    for (const std::int16_t card : {4, 7}) {
        std::vector<std::int32_t> codes(5, -7);
        WidenCodes(block, codes, 5, card);
        EXPECT_EQ(codes, (std::vector<std::int32_t>{-8388608, -1, 8388607, -8388608, 16777216}))
            << "card " << card;
    }
}

TEST(WidenCodes, cardsWithoutDecodingWriteNothing) {
    const auto block = Words32({1, 2, 3});
    for (const std::int16_t card : {0, 5, 6, 9, -1}) {
        std::vector<std::int32_t> codes(3, -7);
        WidenCodes(block, codes, 3, card);
        EXPECT_EQ(codes, (std::vector<std::int32_t>(3, -7))) << "card " << card;
    }
}

TEST(WidenCodes, neverReadsPastTheBlockOrWritesPastTheArray) {
    const auto block = Words16({1, 2, 3});
    std::vector<std::int32_t> codes(5, -7);
    WidenCodes(block, codes, 5, 1);
    EXPECT_EQ(codes, (std::vector<std::int32_t>{1, 2, 3, -7, -7}));
    std::vector<std::int32_t> small(2, -7);
    WidenCodes(block, small, 3, 1);
    EXPECT_EQ(small, (std::vector<std::int32_t>{1, 2}));
}

}  // namespace
}  // namespace vantrel
