// SPDX-License-Identifier: BSD-3-Clause
#include "recording/PresentHeader.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "support/TestPlatform.h"

namespace vantrel {
namespace {

DisplayTexts Presented(const std::function<void(RecordingHeader&)>& edit) {
    RecordingHeader header;
    edit(header);
    return PresentHeader(header);
}

struct TextCase {
    const char* name;
    std::function<void(RecordingHeader&)> edit;
    DisplayField field;
    std::string expected;
};

// Test names and failure reports show the case by its name.
void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class PresentHeaderTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(PresentHeaderTextTest, showsTheField) {
    const TextCase& c = GetParam();
    EXPECT_EQ(Presented(c.edit)[c.field], c.expected);
}

using H = RecordingHeader;

INSTANTIATE_TEST_SUITE_P(
    Texts, PresentHeaderTextTest,
    ::testing::Values(
        TextCase{"card0", [](H& h) { h.SetCardType(0); }, DisplayField::kCard, " "},
        TextCase{"card4", [](H& h) { h.SetCardType(4); }, DisplayField::kCard, "MODEL_D"},
        TextCase{"card9", [](H& h) { h.SetCardType(9); }, DisplayField::kCard, "Unknown (9)"},
        TextCase{"cardNegative", [](H& h) { h.SetCardType(-7); }, DisplayField::kCard, "Unknown (-7)"},
        TextCase{"oneChannelAscending",
                 [](H& h) {
                     h.SetChannelCount(1);
                     h.SetOrderCode(0);
                     h.SetSingleChannel(200);
                 },
                 DisplayField::kChannel, "1 - channel 200"},
        TextCase{"oneChannelOrder7",
                 [](H& h) {
                     h.SetChannelCount(1);
                     h.SetOrderCode(7);
                     h.SetSingleChannel(255);
                 },
                 DisplayField::kChannel, "1 - channel 255"},
        TextCase{"oneChannelCustom",
                 [](H& h) {
                     h.SetChannelCount(1);
                     h.SetOrderCode(2);
                     h.SetSingleChannel(200);
                 },
                 DisplayField::kChannel, "1"},
        TextCase{"eightChannels", [](H& h) { h.SetChannelCount(8); }, DisplayField::kChannel, "8"},
        TextCase{"negativeChannels", [](H& h) { h.SetChannelCount(-5); }, DisplayField::kChannel, "-5"},
        TextCase{"scans", [](H& h) { h.SetScanCount(2147483647); }, DisplayField::kScan, "2147483647"},
        TextCase{"negativeScans", [](H& h) { h.SetScanCount(-2); }, DisplayField::kScan, "-2"},
        TextCase{"width0", [](H& h) { h.SetWidthCode(0); }, DisplayField::kWidth, "8 bits"},
        TextCase{"width1", [](H& h) { h.SetWidthCode(1); }, DisplayField::kWidth, "16 bits"},
        TextCase{"width2", [](H& h) { h.SetWidthCode(2); }, DisplayField::kWidth, "32 bits"},
        TextCase{"widthNegative", [](H& h) { h.SetWidthCode(-1); }, DisplayField::kWidth, "32 bits"},
        TextCase{"order0", [](H& h) { h.SetOrderCode(0); }, DisplayField::kOrder, "0-1-2-3"},
        TextCase{"order1", [](H& h) { h.SetOrderCode(1); }, DisplayField::kOrder, "3-2-1-0"},
        TextCase{"order7", [](H& h) { h.SetOrderCode(7); }, DisplayField::kOrder, "Custom"},
        TextCase{"range0", [](H& h) { h.SetRangeCode(0); }, DisplayField::kRange, "none"},
        TextCase{"range36", [](H& h) { h.SetRangeCode(36); }, DisplayField::kRange, "+/-12.5V"},
        TextCase{"range37", [](H& h) { h.SetRangeCode(37); }, DisplayField::kRange, "Unknown (37)"},
        TextCase{"rangeNegative", [](H& h) { h.SetRangeCode(-1); }, DisplayField::kRange,
                 "Unknown (-1)"},
        TextCase{"rangeCustomOrder",
                 [](H& h) {
                     h.SetOrderCode(2);
                     h.SetRangeCode(23);
                 },
                 DisplayField::kRange, "+/-2V"},
        TextCase{"rate2000", [](H& h) { h.SetScanRate(2000.0); }, DisplayField::kRate, "2000.000  "},
        TextCase{"rate12_5", [](H& h) { h.SetScanRate(12.5); }, DisplayField::kRate, "12.500    "},
        TextCase{"rateSevenDigits", [](H& h) { h.SetScanRate(1234567.0); }, DisplayField::kRate,
                 "1234567.000"},
        TextCase{"date", [](H& h) { h.SetStartDate("09/15/99"); }, DisplayField::kDate, "09/15/99"},
        TextCase{"dateAllNul", [](H& h) { h.SetStartDate(std::string(8, '\0')); }, DisplayField::kDate,
                 ""},
        TextCase{"dateNulInside", [](H& h) { h.SetStartDate(std::string("09/1\0/99", 8)); },
                 DisplayField::kDate, "09/1"},
        TextCase{"dateEndsAtItsField",
                 [](H& h) {
                     h.SetStartDate("09/15/99");
                     h.SetStartTime("15:27:32");
                 },
                 DisplayField::kDate, "09/15/99"},
        TextCase{"time",
                 [](H& h) {
                     h.SetStartTime("15:27:32");
                     h.SetStartMillis("480");
                 },
                 DisplayField::kTime, "15:27:32.480"},
        TextCase{"timeAllNulDropsMillis",
                 [](H& h) {
                     h.SetStartTime(std::string(8, '\0'));
                     h.SetStartMillis("480");
                 },
                 DisplayField::kTime, ""},
        TextCase{"timeNulInside",
                 [](H& h) {
                     h.SetStartTime(std::string("15:2\0:32", 8));
                     h.SetStartMillis("480");
                 },
                 DisplayField::kTime, "15:2"},
        TextCase{"millisNulInside",
                 [](H& h) {
                     h.SetStartTime("15:27:32");
                     h.SetStartMillis(std::string("4\0" "0", 3));
                 },
                 DisplayField::kTime, "15:27:32.4"},
        TextCase{"millisAllNul",
                 [](H& h) {
                     h.SetStartTime("15:27:32");
                     h.SetStartMillis(std::string(3, '\0'));
                 },
                 DisplayField::kTime, "15:27:32."},
        TextCase{"queue0", [](H& h) { h.SetQueueCount(0); }, DisplayField::kQueue, "0"},
        TextCase{"queueNegative", [](H& h) { h.SetQueueCount(-3); }, DisplayField::kQueue, "-3"}),
    [](const ::testing::TestParamInfo<TextCase>& param) { return std::string(param.param.name); });

TEST(PresentHeaderTest, returnsWhetherTheQueueCanBeViewed) {
    const std::pair<std::int16_t, bool> cases[] = {{1, true}, {5, true}, {0, false}, {-3, false}};
    for (const auto& [count, viewable] : cases) {
        RecordingHeader header;
        header.SetQueueCount(count);
        EXPECT_EQ(QueueViewable(header), viewable) << "queueCount " << count;
    }
}

TEST(PresentHeaderTest, givesEveryTextOfAnEmptyHeader) {
    RecordingHeader header;
    header.SetStartDate(std::string(8, '\0'));
    header.SetStartTime(std::string(8, '\0'));
    const DisplayTexts display = PresentHeader(header);
    EXPECT_EQ(display[DisplayField::kCard], " ");
    EXPECT_EQ(display[DisplayField::kChannel], "0");
    EXPECT_EQ(display[DisplayField::kScan], "0");
    EXPECT_EQ(display[DisplayField::kWidth], "8 bits");
    EXPECT_EQ(display[DisplayField::kOrder], "0-1-2-3");
    EXPECT_EQ(display[DisplayField::kRange], "none");
    EXPECT_EQ(display[DisplayField::kRate], "0.000     ");
    EXPECT_EQ(display[DisplayField::kDate], "");
    EXPECT_EQ(display[DisplayField::kTime], "");
    EXPECT_EQ(display[DisplayField::kQueue], "0");
}

std::string Printf(double rate) {
    std::vector<char> buffer(512);
    const int n = std::snprintf(buffer.data(), buffer.size(), "%-10.3f", rate);
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::vector<double> RateSamples() {
    std::vector<double> rates = {0.0,
                                 -0.0,
                                 1.0,
                                 12.5,
                                 2000.0,
                                 0.0005,
                                 0.0015,
                                 0.0625,  // a tie at the third decimal
                                 0.1875,
                                 1.0005,
                                 -0.0004,
                                 -12.3456,
                                 999999.9995,
                                 9999999.0,
                                 1e15,
                                 1e22,
                                 1e300,
                                 -1e300,
                                 std::numeric_limits<double>::max(),
                                 std::numeric_limits<double>::lowest(),
                                 std::numeric_limits<double>::min(),
                                 std::numeric_limits<double>::denorm_min(),
                                 std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity(),
                                 std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 2000; ++i) {
        rates.push_back(uniform(random));
        // Any bit pattern the header can hold, NaNs and infinities included.
        rates.push_back(std::bit_cast<double>(bits(random)));
        // Values with exactly three or four decimals, where rounding ties lie.
        rates.push_back(static_cast<double>(static_cast<int>(bits(random) % 2000000)) / 10000.0);
    }
    return rates;
}

TEST(PresentHeaderTest, rateText_matchesPrintfForManyValues) {
    for (double rate : RateSamples()) {
        RecordingHeader header;
        header.SetScanRate(rate);
        ASSERT_EQ(PresentHeader(header)[DisplayField::kRate], Printf(rate))
            << "bits " << std::bit_cast<std::uint64_t>(rate);
    }
}

// Switches LC_NUMERIC to a locale whose decimal point is a comma: an installed one, or one
// compiled into `dir` when the system has none.
bool UseCommaLocale(const test::TempDir& dir) {
    for (const char* name :
         {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de-DE", "German_Germany.1252"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            return true;
        }
    }
#ifdef _WIN32
    static_cast<void>(dir);
    return false;
#else
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + dir.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
#endif
}

TEST(PresentHeaderTest, rateText_usesAPointWhateverTheLocale) {
    // A front end may switch to the user's locale (Qt does); the text must stay the same.
    test::TempDir dir;
    if (!UseCommaLocale(dir)) {
        GTEST_SKIP() << "no locale with a decimal comma can be had here";
    }
    const std::string printed = Printf(2000.0);
    RecordingHeader header;
    header.SetScanRate(2000.0);
    const DisplayTexts display = PresentHeader(header);
    std::setlocale(LC_NUMERIC, "C");
#ifndef _WIN32
    ::unsetenv("LOCPATH");
#endif
    EXPECT_EQ(printed, "2000,000  ");  // the locale took effect
    EXPECT_EQ(display[DisplayField::kRate], "2000.000  ");
}

}  // namespace
}  // namespace vantrel
