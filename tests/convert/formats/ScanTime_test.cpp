// SPDX-License-Identifier: BSD-3-Clause
// Scan times: exact offsets where floating point would round wrongly, clock times across
// days and years, the time column of CSV under each time base and its refusals.

#include "convert/formats/ScanTime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <sstream>

#include "convert/ConvertFixtures.h"

namespace vantrel {
namespace {

// Expected offsets from exact rational arithmetic (scan × 10^9 / rate, rounded half up):
// the cases marked "float" come out a nanosecond or more off in doubles.
TEST(ScanOffsets, areExactToTheNanosecond) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const struct {
        std::uint64_t scan;
        double rate;
        std::optional<std::int64_t> nanos;
    } cases[] = {
        {0, 1000.0, 0},
        {8'639'999'999, 100000.0, 86'399'999'990'000},  // the last scan of 24 h at 100 kHz
        {1, 3.0, 333'333'333},
        {2, 3.0, 666'666'667},
        {99, 7.0, 14'142'857'143},
        {8'555'346'485, 44100.0, 193'998'786'507'937},    // float: ...936
        {4'280'387'012, 7.0, 611'483'858'857'142'857},    // float: ...912
        {12'234'764'678, 12.5, 978'781'174'240'000'000},  // float: ...128
        {1, 0.1, 10'000'000'000},                         // 0.1 is not exactly a tenth
        {1000, 1.0 / 3.0, 3'000'000'000'000},
        {12'167'811'876, 0.1, std::nullopt},  // beyond 10^18 ns
        {1, 1e300, 0},
        {1, std::numeric_limits<double>::denorm_min(), std::nullopt},
    };
    for (const auto& c : cases) {
        const auto offsets = ScanOffsets::At(c.rate);
        ASSERT_TRUE(offsets) << c.rate;
        EXPECT_EQ(offsets->Nanos(c.scan), c.nanos) << c.scan << " at " << c.rate;
    }
    for (const double rate :
         {0.0, -1.0, kInfinity, -kInfinity, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(ScanOffsets::At(rate)) << rate;
    }
}

TEST(ScanClockTime, crossesDaysLeapDaysAndYears) {
    const struct {
        const char* date;
        const char* time;
        std::uint64_t scan;
        double rate;
        const char* iso;
    } cases[] = {
        {"02/28/24", "23:59:59.999", 1, 1000.0, "2024-02-29T00:00:00.000"},
        {"02/28/23", "23:59:59.999", 1, 1000.0, "2023-03-01T00:00:00.000"},
        {"12/31/99", "23:59:59", 3, 2.0, "2000-01-01T00:00:00.500"},  // on the second
        {"12/08/26", "09:41:07.250", 8'639'999'999, 100000.0, "2026-12-09T09:41:07.249990000"},
        {"12/08/26", "09:41:07.250", 1, 3.0, "2026-12-08T09:41:07.583333333"},
    };
    for (const auto& c : cases) {
        const auto start = ParseStart(c.date, c.time, true);
        ASSERT_TRUE(start) << c.date << " " << c.time;
        const auto time = ScanClockTime(*start, c.scan, c.rate);
        ASSERT_TRUE(time);
        EXPECT_EQ(Iso8601(*time), c.iso) << c.date << " " << c.time << " + " << c.scan;
    }
}

// ClockText keeps the date of the call before: times that go back, jump days or cross
// midnight must still give their own date.
TEST(ClockText, givesEveryTimeItsOwnDate) {
    const StartTime start{2024, 2, 28, 23, 59, 59, 999};
    const std::int64_t at = EpochNanos(start);
    const struct {
        std::int64_t nanos;
        const char* text;
    } steps[] = {
        {at, "2024-02-28T23:59:59.999000000"},
        {at + 1'000'001, "2024-02-29T00:00:00.000000001"},
        {at, "2024-02-28T23:59:59.999000000"},
        {at + 86'400'000'000'000, "2024-02-29T23:59:59.999000000"},
        {at + 86'400'001'000'000, "2024-03-01T00:00:00.000000000"},
        {0, "1970-01-01T00:00:00.000000000"},
    };
    ClockText clock;
    for (const auto& step : steps) {
        char text[kClockTextLength];
        clock.Write(text, step.nanos);
        EXPECT_EQ(std::string(text, kClockTextLength), step.text) << step.nanos;
    }
}

TEST(Datenum, countsDaysFromTheYearZero) {
    EXPECT_EQ(Datenum({1970, 1, 1, 0, 0, 0, std::nullopt}), 719529.0);
    EXPECT_EQ(Datenum({2000, 1, 1, 12, 0, 0, 0}), 730486.5);
    EXPECT_EQ(Datenum({2026, 12, 8, 6, 0, 0, std::nullopt}), 740324.25);
}

// A recording of `scans` scans of one channel with the given start texts and rate.
RecordingBuilder Timed(const char* date, const char* time, const char* millis, double rate,
                       int scans) {
    RecordingBuilder b;
    b.header().SetChannelCount(1);
    b.header().SetScanCount(scans);
    b.header().SetScanRate(rate);
    b.header().SetStartDate(date);
    b.header().SetStartTime(time);
    b.header().SetStartMillis(millis);
    for (int s = 0; s < scans; ++s) {
        b.AddWord16(static_cast<std::uint16_t>(s));
    }
    return b;
}

// The first cell of each row of a CSV output, the header row first.
std::vector<std::string> FirstCells(const std::string& csv) {
    std::vector<std::string> cells;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        cells.push_back(line.substr(0, line.find_first_of(",\r")));
    }
    return cells;
}

TEST(CsvTimeBase, putsTheTimeColumnTheBaseAsksFor) {
    const struct {
        const char* name;
        TimeBase base;
        const char* millis;
        double rate;
        std::vector<std::string> cells;  // header, then the three rows
    } cases[] = {
        {"relative", TimeBase::kRelative, "250", 4.0, {"time_s", "0", "0.25", "0.5"}},
        {"absolute",
         TimeBase::kAbsolute,
         "250",
         4.0,
         {"time", "2026-12-08T23:59:59.250000000", "2026-12-08T23:59:59.500000000",
          "2026-12-08T23:59:59.750000000"}},
        {"absoluteOnTheSecond",
         TimeBase::kAbsolute,
         "",
         1.5,
         {"time", "2026-12-08T23:59:59.000000000", "2026-12-08T23:59:59.666666667",
          "2026-12-09T00:00:00.333333333"}},
        {"none",
         TimeBase::kNone,
         "250",
         4.0,
         {"Channel_0", "0", "0.00030517578125", "0.0006103515625"}},
        {"relativeWithoutRate",
         TimeBase::kRelative,
         "250",
         0.0,
         {"Channel_0", "0", "0.00030517578125", "0.0006103515625"}},
    };
    test::TempDir dir;
    const std::string out = dir.File("t.csv");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto state = test::StateFrom(Timed("12/08/26", "23:59:59", c.millis, c.rate, 3));
        state.options.timeBase = c.base;
        ASSERT_TRUE(test::ConvertHeld(state, out, static_cast<int>(OutputFormat::kCsv)).ok);
        EXPECT_EQ(FirstCells(test::ReadFileText(out)), c.cells);
    }
}

TEST(CsvTimeBase, absoluteIsRefusedWithoutAClockAndLeavesNoOutput) {
    const struct {
        const char* date;
        const char* time;
        double rate;
        const char* message;
    } cases[] = {
        {"12/08/26", "09:41:07", 0.0,
         "The scan rate is not a positive number, so the scans have no clock time!"},
        {"13/08/26", "09:41:07", 1000.0,
         "The start \"13/08/26 09:41:07.250\" does not read as a date and time, so the scans "
         "have no clock time!"},
        {"", "", 1000.0,
         "The start \" \" does not read as a date and time, so the scans have no clock time!"},
        {"12/08/26", "09:41:07", 1e-10,
         "The scans reach more than 31 years past the start, so they have no clock time!"},
    };
    test::TempDir dir;
    const std::string out = dir.File("t.csv");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        auto state = test::StateFrom(Timed(c.date, c.time, "250", c.rate, 2));
        state.options.timeBase = TimeBase::kAbsolute;
        const auto outcome = test::ConvertHeld(state, out, static_cast<int>(OutputFormat::kCsv));
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{c.message});
        EXPECT_FALSE(std::filesystem::exists(out));
        // The other bases write the same recording.
        state.options.timeBase = TimeBase::kRelative;
        EXPECT_TRUE(test::ConvertHeld(state, out, static_cast<int>(OutputFormat::kCsv)).ok);
        std::filesystem::remove(out);
    }
}

}  // namespace
}  // namespace vantrel
