#include "convert/CellFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "convert/ScaleSample.h"

namespace vantrel {
namespace {

std::string Scaled(double v, std::int16_t card) {
    char cell[kCellCapacity];
    return std::string(cell, FormatScaledCell(cell, v, card));
}

std::string Code(std::int32_t code) {
    char cell[kCellCapacity];
    return std::string(cell, FormatCodeCell(cell, code));
}

// What the C library makes of the card's cell format.
std::string Reference(const char* format, double v) {
    char text[512];
    const int length = std::snprintf(text, sizeof text, format, v);
    return std::string(text, static_cast<std::size_t>(length));
}

struct CardFormat {
    std::int16_t card;
    const char* format;
};

constexpr CardFormat kCardFormats[] = {
    {1, "%11.7f"}, {2, "%11.6f"}, {3, "%11.7f"}, {4, "%11.9f"}, {7, "%11.7f"}, {8, "%11.6f"},
};

TEST(FormatScaledCell, knownCells) {
    EXPECT_EQ(Scaled(1.25, 1), "  1.2500000");
    EXPECT_EQ(Scaled(-0.625, 1), " -0.6250000");
    EXPECT_EQ(Scaled(-0.5, 4), "-0.500000000");  // 12 characters: wider than the field
    EXPECT_EQ(Scaled(0.20085535153732068, 2), "   0.200855");
    EXPECT_EQ(Scaled(-10.0, 8), " -10.000000");
    EXPECT_EQ(Scaled(DBL_MAX, 4).size(), 309u + 1 + 9);  // never cut
}

TEST(FormatScaledCell, cardsWithoutFormatGiveNoCell) {
    for (const std::int16_t card : {0, 5, 6, 9, -1}) {
        char cell[kCellCapacity];
        EXPECT_EQ(FormatScaledCell(cell, 1.0, card), 0u) << "card " << card;
    }
}

// Values a recording can produce: every rule on random raw elements.
TEST(FormatScaledCell, scaledRandomElementsMatchPrintf) {
    std::mt19937_64 random(0x5eed);
    const int ranges[] = {1, 3, 6, 10, 23, 25, 35, 36};
    for (const CardFormat& f : kCardFormats) {
        int checked = 0;
        for (int i = 0; i < 40000; ++i) {
            const auto element = static_cast<std::uint32_t>(random());
            const int range = ranges[random() % std::size(ranges)];
            const auto kind = static_cast<std::int8_t>(random() % 15);
            const auto value = ScaleSample(f.card, static_cast<std::uint16_t>(range), kind,
                                           f.card == 4 || f.card == 7 ? element : element & 0xFFFF);
            if (!value) {
                continue;
            }
            ++checked;
            ASSERT_EQ(Scaled(*value, f.card), Reference(f.format, *value))
                << "card " << f.card << " value " << *value;
        }
        EXPECT_GT(checked, 1000) << "card " << f.card;
    }
}

// Arbitrary doubles over many magnitudes, and values at or near a rounding boundary of the
// last decimal shown.
TEST(FormatScaledCell, randomDoublesMatchPrintf) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> exponent(-15.0, 22.0);
    for (const CardFormat& f : kCardFormats) {
        const int decimals = ScaledCellDecimals(f.card);
        for (int i = 0; i < 60000; ++i) {
            double v;
            switch (i % 4) {
                case 0:
                    v = std::pow(10.0, exponent(random));
                    break;
                case 1:  // a tie in the first hidden decimal, as near as a double gets
                    v = (static_cast<double>(random() % 2000000000) + 0.5) /
                        std::pow(10.0, decimals);
                    break;
                case 2:  // exact binary fractions, many of them exact ties
                    v = static_cast<double>(random() % (1u << 30)) / 1073741824.0 *
                        static_cast<double>(1 + random() % 4096);
                    break;
                default:  // raw bit patterns of finite doubles below 2^80
                    v = std::bit_cast<double>(random() % 0x44F0000000000000ull);
                    break;
            }
            if (random() % 2) {
                v = -v;
            }
            ASSERT_EQ(Scaled(v, f.card), Reference(f.format, v))
                << "card " << f.card << " value " << v;
        }
    }
}

TEST(FormatCodeCell, randomCodesMatchPrintfAndAreElevenWide) {
    std::mt19937 random(7);
    for (int i = 0; i < 100000; ++i) {
        const auto code = static_cast<std::int32_t>(random());
        // Shorter codes too, not only ten-digit ones.
        const std::int32_t shifted = code >> (random() % 32);
        char reference[32];
        std::snprintf(reference, sizeof reference, "%11d", shifted);
        ASSERT_EQ(Code(shifted), reference);
        ASSERT_EQ(Code(shifted).size(), 11u);
    }
    EXPECT_EQ(Code(INT32_MIN), "-2147483648");
    EXPECT_EQ(Code(INT32_MAX), " 2147483647");
    EXPECT_EQ(Code(0), "          0");
    EXPECT_EQ(Code(63488), "      63488");
}

}  // namespace
}  // namespace vantrel
