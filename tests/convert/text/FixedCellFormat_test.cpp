// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/FixedCellFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "convert/scaling/ScaleSample.h"
#include "recording/CardTable.h"
#include "support/FixedCellSamples.h"

namespace vantrel {
namespace {

constexpr char kUntouched = '#';

// Formats into a buffer filled with a marker, and checks nothing past the cell was written.
std::string Cell(double value, int precision) {
    char buf[kCellCapacity + 1];
    std::memset(buf, kUntouched, sizeof buf);
    const std::size_t n = FormatFixedCell(buf, value, precision);
    EXPECT_LT(n, kCellCapacity);
    EXPECT_EQ(buf[n], kUntouched) << "wrote past the cell of " << value;
    return std::string(buf, n);
}

std::string CodeCell(std::int32_t code) {
    char buf[16];
    std::memset(buf, kUntouched, sizeof buf);
    const std::size_t n = FormatCodeCell(buf, code);
    EXPECT_EQ(buf[n], kUntouched) << "wrote past the cell of " << code;
    return std::string(buf, n);
}

struct FixedCase {
    double value;
    int precision;
    const char* text;
};

TEST(FixedCellFormat, handPickedValues_giveTheTextOfPrintf) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const FixedCase cases[] = {
        // The scaled cells of a two-channel recording and the rule edge values.
        {1.25, 7, "  1.2500000"},
        {-0.625, 7, " -0.6250000"},
        {9.99969482421875, 7, "  9.9996948"},
        {-0.00030517578125, 7, " -0.0003052"},
        {0.20085535153732068, 6, "   0.200855"},
        {0.06695178234937521, 9, "0.066951782"},
        {-0.5, 9, "-0.500000000"},  // 12 characters: wider than the field
        {-10.0, 6, " -10.000000"},
        // Exact ties go to the even digit, down and up.
        {0.0078125, 6, "   0.007812"},
        {-0.0078125, 6, "  -0.007812"},
        {0.00390625, 7, "  0.0039062"},
        {0.01171875, 7, "  0.0117188"},
        {0.0009765625, 9, "0.000976562"},
        {0.0029296875, 9, "0.002929688"},
        // Rounding up into a new digit widens the cell.
        {9.99999995, 6, "  10.000000"},
        {-9.99999995, 6, " -10.000000"},
        {99.9999995, 6, " 100.000000"},
        {0.99999995, 6, "   1.000000"},
        // Signed zeros, and negative values that round to zero, keep their sign.
        {0.0, 7, "  0.0000000"},
        {-0.0, 7, " -0.0000000"},
        {-0.0, 9, "-0.000000000"},
        {-4e-8, 7, " -0.0000000"},
        {-1e-300, 6, "  -0.000000"},
        {5e-10, 9, "0.000000001"},  // the nearest double lies above the half
        // Wider than 11 when needed.
        {-10.0, 9, "-10.000000000"},
        {-17179869183.999998, 7, "-17179869183.9999981"},
        {17179869184.0, 6, "17179869184.000000"},
        {1e20, 6, "100000000000000000000.000000"},
        // Not numbers.
        {kInf, 7, "        inf"},
        {-kInf, 9, "       -inf"},
        {std::numeric_limits<double>::quiet_NaN(), 6, "        nan"},
        {-std::numeric_limits<double>::quiet_NaN(), 6, "       -nan"},
    };
    for (const FixedCase& c : cases) {
        EXPECT_EQ(Cell(c.value, c.precision), c.text) << c.value << " at " << c.precision;
        EXPECT_EQ(test::PrintfFixed(c.value, c.precision), c.text) << "case is not printf's";
    }
}

TEST(FixedCellFormat, largestMagnitude_fitsTheCellCapacity) {
    const std::string cell = Cell(-std::numeric_limits<double>::max(), 9);
    EXPECT_EQ(cell.size(), 1u + 309u + 1u + 9u);
    EXPECT_EQ(cell, test::PrintfFixed(-std::numeric_limits<double>::max(), 9));
}

TEST(FixedCellFormat, otherPrecisions_followPrintf) {
    for (int precision : {0, 1, 3, 8, 12}) {
        for (double value : {0.5, 1.5, 2.5, -0.0, 123.456789, -1e-5, 1e25}) {
            EXPECT_EQ(Cell(value, precision), test::PrintfFixed(value, precision))
                << value << " at " << precision;
        }
    }
}

// Stops after a few differences so one fault does not flood the log.
class SampleComparison : public ::testing::TestWithParam<int> {
  protected:
    void Compare(double value) {
        const int precision = GetParam();
        const std::string expected = test::PrintfFixed(value, precision);
        const std::string actual = Cell(value, precision);
        if (actual != expected && ++differences_ <= 5) {
            ADD_FAILURE() << std::hexfloat << value << std::defaultfloat << " (" << value
                          << "): printf \"" << expected << "\", formatter \"" << actual << "\"";
        }
    }

    void ExpectNoDifferences() { EXPECT_EQ(differences_, 0); }

  private:
    int differences_ = 0;
};

TEST_P(SampleComparison, edgeValues_matchPrintf) {
    for (double value : test::EdgeDoubles()) {
        Compare(value);
    }
    ExpectNoDifferences();
}

TEST_P(SampleComparison, randomSample_matchesPrintf) {
    test::FixedCellSampler sampler(20240601u + static_cast<unsigned>(GetParam()));
    for (int i = 0; i < 200'000; ++i) {
        Compare(sampler.Next(GetParam()));
    }
    ExpectNoDifferences();
}

// Doubles over many magnitudes, and values at or near a rounding boundary of the last
// decimal shown.
TEST_P(SampleComparison, magnitudesTiesAndBitPatterns_matchPrintf) {
    const int decimals = GetParam();
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> exponent(-15.0, 22.0);
    for (int i = 0; i < 60000; ++i) {
        double v;
        switch (i % 4) {
            case 0:
                v = std::pow(10.0, exponent(random));
                break;
            case 1:  // a tie in the first hidden decimal, as near as a double gets
                v = (static_cast<double>(random() % 2000000000) + 0.5) / std::pow(10.0, decimals);
                break;
            case 2:  // exact binary fractions, many of them exact ties
                v = static_cast<double>(random() % (1u << 30)) / 1073741824.0 *
                    static_cast<double>(1 + random() % 4096);
                break;
            default:  // raw bit patterns of finite doubles below 2^80
                v = std::bit_cast<double>(random() % 0x44F0000000000000ull);
                break;
        }
        Compare(random() % 2 ? -v : v);
    }
    ExpectNoDifferences();
}

INSTANTIATE_TEST_SUITE_P(CellPrecisions, SampleComparison, ::testing::Values(6, 7, 9));

// Values a recording can produce: every rule of every card on random raw elements, in that
// card's cell format.
TEST(FixedCellFormat, scaledValuesOfEveryCard_matchPrintf) {
    std::mt19937_64 random(0x5eed);
    const int ranges[] = {1, 3, 6, 10, 23, 25, 35, 36};
    for (const CardInfo& card : kCards) {
        if (!card.converts()) {
            continue;
        }
        int checked = 0;
        for (int i = 0; i < 40000; ++i) {
            const auto element = static_cast<std::uint32_t>(random());
            const int range = ranges[random() % std::size(ranges)];
            const auto kind = static_cast<std::int8_t>(random() % 15);
            const auto value = ScaleSample(card.rules, static_cast<std::uint16_t>(range), kind,
                                           card.elementSize == 4 ? element : element & 0xFFFF);
            if (!value) {
                continue;
            }
            ++checked;
            ASSERT_EQ(Cell(*value, card.cellDecimals), test::PrintfFixed(*value, card.cellDecimals))
                << card.name << " value " << *value;
        }
        EXPECT_GT(checked, 1000) << card.name;
    }
}

TEST(CodeCellFormat, edgeAndRandomCodes_matchPrintf) {
    EXPECT_EQ(CodeCell(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(CodeCell(std::numeric_limits<std::int32_t>::max()), " 2147483647");
    EXPECT_EQ(CodeCell(0), "          0");
    EXPECT_EQ(CodeCell(65535), "      65535");
    EXPECT_EQ(CodeCell(-8388608), "   -8388608");

    int differences = 0;
    auto compare = [&differences](std::int32_t code) {
        const std::string expected = test::PrintfCode(code);
        const std::string actual = CodeCell(code);
        if (actual != expected && ++differences <= 5) {
            ADD_FAILURE() << code << ": printf \"" << expected << "\", formatter \"" << actual
                          << "\"";
        }
    };
    for (std::int32_t code : test::EdgeCodes()) {
        compare(code);
    }
    test::FixedCellSampler sampler(77);
    std::mt19937 random(7);
    for (int i = 0; i < 200'000; ++i) {
        compare(sampler.Code());
        // Codes of every length, not only ten-digit ones.
        compare(static_cast<std::int32_t>(random()) >> (random() % 32));
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace vantrel
