// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The time of every scan: seconds from the start, and the clock time of the start plus
// scan / rate, exact to the nanosecond. The rate is a double, so scan / rate is a rational
// number that integers hold exactly; floats added scan by scan would drift over a long
// recording.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "convert/run/ConversionOptions.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

// Each time base by the name the command line and the Python module give it.
struct TimeBaseName {
    TimeBase base;
    std::string_view name;
    std::string_view description;
};

inline constexpr std::array kTimeBaseNames = {
    TimeBaseName{TimeBase::kRelative, "relative", "seconds from the start (time_s)"},
    TimeBaseName{TimeBase::kAbsolute, "absolute",
                 "each scan's clock time, ISO 8601 to the nanosecond (time)"},
    TimeBaseName{TimeBase::kNone, "none", "no time column"},
};

// The time base of a name, or nullopt.
std::optional<TimeBase> TimeBaseNamed(std::string_view name);

// A start read from the header's texts.
struct StartTime {
    int year, month, day, hour, minute, second;
    std::optional<int> millis;
};

// A time of day on a date, to the nanosecond.
struct ClockTime {
    int year, month, day, hour, minute, second;
    std::int64_t nanos;  // 0 to 999,999,999
};

// The start when `date` reads as MM/DD/YY (years 70 to 99 are 19YY, the others 20YY) and
// `time` as HH:MM:SS.mmm, or as HH:MM:SS or HH:MM:SS. (milliseconds left empty) where
// `millisOptional`, each field within its range; nullopt otherwise.
std::optional<StartTime> ParseStart(const std::string& date, const std::string& time,
                                    bool millisOptional);

// The recording's start from its header's texts, on the second where they hold no
// milliseconds.
std::optional<StartTime> RecordingStart(const RecordingHeader& header);

// The offsets of scans from the start at one scan rate, exactly.
class ScanOffsets {
  public:
    // nullopt where `rate` is not a positive finite number.
    static std::optional<ScanOffsets> At(double rate);

    // scan × 10^9 / rate rounded to the nearest nanosecond (halves up); nullopt past 10^18 ns
    // (some 31 years).
    std::optional<std::int64_t> Nanos(std::uint64_t scan) const;

  private:
    ScanOffsets(std::uint64_t mantissa, int exponent) : mantissa_(mantissa), exponent_(exponent) {}

    std::uint64_t mantissa_;  // rate = mantissa × 2^exponent, mantissa odd
    int exponent_;
};

// Seconds from the start to scan `scan`: the scan number over the rate, the time_s of every
// format and of --time.
inline double ScanSeconds(std::uint64_t scan, double rate) {
    return static_cast<double>(scan) / rate;
}

// Nanoseconds from 1970-01-01T00:00:00 to `start` on the same clock: the header names no
// time zone, so this is local time counted as if it were UTC.
std::int64_t EpochNanos(const StartTime& start);

// The clock time `nanos` after 1970-01-01T00:00:00.
ClockTime ClockTimeAt(std::int64_t nanos);

// The time of scan `scan` of a recording that starts at `start` (without milliseconds: on
// the second) at `rate` scans a second: start + scan / rate, to the nanosecond. nullopt
// where the rate is not a positive finite number.
std::optional<ClockTime> ScanClockTime(const StartTime& start, std::uint64_t scan, double rate);

// "YYYY-MM-DDTHH:MM:SS.mmm", with nine decimals where the time is not on a millisecond.
std::string Iso8601(const ClockTime& time);

// The length of a clock time with nine decimals, "YYYY-MM-DDTHH:MM:SS.nnnnnnnnn".
inline constexpr std::size_t kClockTextLength = 29;

// Writes the clock time `nanos` after 1970-01-01T00:00:00 with nine decimals to `out`
// (kClockTextLength bytes): a column of these reads as one format. The date is kept from
// the call before while the day is the same.
class ClockText {
  public:
    void Write(char* out, std::int64_t nanos);

  private:
    std::int64_t dayStart_ = 1;  // the day's first nanosecond; 1: no day yet
    char date_[11] = {};         // "YYYY-MM-DDT"
};

// MATLAB's serial date number of `start`: days from the year 0, January 1 of the year 1
// being day 367, with the time of day as the fraction.
double Datenum(const StartTime& start);

// Why a recording's scans have no clock time, or nullopt where they have one.
std::optional<std::string> RefuseClockTimes(const RecordingHeader& header);

}  // namespace vantrel
