// SPDX-License-Identifier: BSD-3-Clause
#include "convert/formats/ScanTime.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>

#include <fmt/format.h>

#include "recording/HeaderText.h"

namespace vantrel {

namespace {

// 128 bits hold scan × 10^9 shifted by the rate's exponent; GCC and Clang have them.
__extension__ typedef unsigned __int128 Wide;

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kNanosPerDay = 86'400 * kNanosPerSecond;
constexpr std::int64_t kLongestOffset = 1'000'000'000'000'000'000;

// The value of `digits` decimal digits at `text[at]`, or -1.
int Digits(const std::string& text, std::size_t at, std::size_t digits) {
    if (at + digits > text.size()) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int BitWidth(Wide value) {
    const auto high = static_cast<std::uint64_t>(value >> 64);
    return high != 0 ? 64 + std::bit_width(high)
                     : std::bit_width(static_cast<std::uint64_t>(value));
}

// `value`'s `count` low decimal digits, zero-filled, at `out`.
void PutDigits(char* out, std::int64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

std::optional<TimeBase> TimeBaseNamed(std::string_view name) {
    for (const TimeBaseName& known : kTimeBaseNames) {
        if (known.name == name) {
            return known.base;
        }
    }
    return std::nullopt;
}

std::optional<StartTime> ParseStart(const std::string& date, const std::string& time,
                                    bool millisOptional) {
    const bool withMillis = time.size() == 12 && time[8] == '.';
    // A header whose milliseconds are NULs shows its time as "HH:MM:SS.".
    const bool onSecond =
        millisOptional && (time.size() == 8 || (time.size() == 9 && time[8] == '.'));
    if (date.size() != 8 || date[2] != '/' || date[5] != '/' || !(withMillis || onSecond) ||
        time[2] != ':' || time[5] != ':') {
        return std::nullopt;
    }
    const int yy = Digits(date, 6, 2);
    StartTime start{yy >= 70 ? 1900 + yy : 2000 + yy,
                    Digits(date, 0, 2),
                    Digits(date, 3, 2),
                    Digits(time, 0, 2),
                    Digits(time, 3, 2),
                    Digits(time, 6, 2),
                    std::nullopt};
    if (withMillis) {
        start.millis = Digits(time, 9, 3);
        if (*start.millis < 0) {
            return std::nullopt;
        }
    }
    if (start.month < 1 || start.month > 12 || yy < 0 || start.hour < 0 || start.hour > 23 ||
        start.minute < 0 || start.minute > 59 || start.second < 0 || start.second > 59) {
        return std::nullopt;
    }
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int days = kDays[start.month - 1] + (start.month == 2 && IsLeapYear(start.year) ? 1 : 0);
    if (start.day < 1 || start.day > days) {
        return std::nullopt;
    }
    return start;
}

std::optional<StartTime> RecordingStart(const RecordingHeader& header) {
    return ParseStart(StartDateText(header), StartTimeText(header), true);
}

std::optional<ScanOffsets> ScanOffsets::At(double rate) {
    if (!std::isfinite(rate) || rate <= 0.0) {
        return std::nullopt;
    }
    // A positive finite double is an integer of at most 53 bits times a power of two.
    int exponent = 0;
    const double fraction = std::frexp(rate, &exponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    const int zeros = std::countr_zero(mantissa);
    return ScanOffsets(mantissa >> zeros, exponent + zeros);
}

std::optional<std::int64_t> ScanOffsets::Nanos(std::uint64_t scan) const {
    // scan × 10^9 / (mantissa × 2^exponent): the power of two goes to whichever side keeps
    // it an integer, then one rounded division.
    Wide numerator = static_cast<Wide>(scan) * static_cast<Wide>(kNanosPerSecond);
    Wide denominator = mantissa_;
    if (exponent_ >= 0) {
        if (exponent_ + std::bit_width(mantissa_) > 127) {
            return 0;  // the numerator is below 2^94: less than half a nanosecond
        }
        denominator <<= exponent_;
    } else {
        if (numerator != 0 && BitWidth(numerator) - exponent_ > 126) {
            return std::nullopt;  // at least 2^72 ns
        }
        numerator <<= -exponent_;
    }
    const Wide offset = (numerator + denominator / 2) / denominator;
    if (offset > static_cast<Wide>(kLongestOffset)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(offset);
}

std::int64_t EpochNanos(const StartTime& start) {
    using namespace std::chrono;
    const sys_days day = year{start.year} / start.month / start.day;
    return day.time_since_epoch().count() * kNanosPerDay +
           ((start.hour * 60 + start.minute) * 60 + start.second) * kNanosPerSecond +
           start.millis.value_or(0) * std::int64_t{1'000'000};
}

ClockTime ClockTimeAt(std::int64_t nanos) {
    using namespace std::chrono;
    const std::int64_t days = nanos / kNanosPerDay - (nanos % kNanosPerDay < 0 ? 1 : 0);
    const std::int64_t ofDay = nanos - days * kNanosPerDay;
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    const std::int64_t second = ofDay / kNanosPerSecond;
    return ClockTime{static_cast<int>(ymd.year()),
                     static_cast<int>(static_cast<unsigned>(ymd.month())),
                     static_cast<int>(static_cast<unsigned>(ymd.day())),
                     static_cast<int>(second / 3600),
                     static_cast<int>(second / 60 % 60),
                     static_cast<int>(second % 60),
                     ofDay % kNanosPerSecond};
}

std::optional<ClockTime> ScanClockTime(const StartTime& start, std::uint64_t scan, double rate) {
    const auto offsets = ScanOffsets::At(rate);
    const auto offset = offsets ? offsets->Nanos(scan) : std::nullopt;
    if (!offset) {
        return std::nullopt;
    }
    return ClockTimeAt(EpochNanos(start) + *offset);
}

std::string Iso8601(const ClockTime& time) {
    const bool onMillisecond = time.nanos % 1000000 == 0;
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}.{:0{}}", time.year, time.month,
                       time.day, time.hour, time.minute, time.second,
                       onMillisecond ? time.nanos / 1000000 : time.nanos, onMillisecond ? 3 : 9);
}

void ClockText::Write(char* out, std::int64_t nanos) {
    std::int64_t ofDay = nanos - dayStart_;
    if (dayStart_ == 1 || ofDay < 0 || ofDay >= kNanosPerDay) {
        const ClockTime time = ClockTimeAt(nanos);
        PutDigits(date_, time.year, 4);
        date_[4] = '-';
        PutDigits(date_ + 5, time.month, 2);
        date_[7] = '-';
        PutDigits(date_ + 8, time.day, 2);
        date_[10] = 'T';
        ofDay =
            ((time.hour * std::int64_t{60} + time.minute) * 60 + time.second) * kNanosPerSecond +
            time.nanos;
        dayStart_ = nanos - ofDay;
    }
    std::memcpy(out, date_, sizeof date_);
    const std::int64_t second = ofDay / kNanosPerSecond;
    PutDigits(out + 11, second / 3600, 2);
    out[13] = ':';
    PutDigits(out + 14, second / 60 % 60, 2);
    out[16] = ':';
    PutDigits(out + 17, second % 60, 2);
    out[19] = '.';
    PutDigits(out + 20, ofDay % kNanosPerSecond, 9);
}

double Datenum(const StartTime& start) {
    // 1970-01-01 is MATLAB's day 719,529.
    constexpr std::int64_t kEpochDatenum = 719'529;
    const std::int64_t nanos = EpochNanos(start);
    const std::int64_t days = nanos / kNanosPerDay - (nanos % kNanosPerDay < 0 ? 1 : 0);
    return static_cast<double>(kEpochDatenum + days) +
           static_cast<double>(nanos - days * kNanosPerDay) / static_cast<double>(kNanosPerDay);
}

std::optional<std::string> RefuseClockTimes(const RecordingHeader& header) {
    const auto offsets = ScanOffsets::At(header.scanRate());
    if (!offsets) {
        return "The scan rate is not a positive number, so the scans have no clock time!";
    }
    const std::int64_t scans = header.scanCount();
    if (scans > 0 && !offsets->Nanos(static_cast<std::uint64_t>(scans - 1))) {
        return "The scans reach more than 31 years past the start, so they have no clock time!";
    }
    if (!RecordingStart(header)) {
        return "The start \"" + HeaderTextAsUtf8(StartDateText(header)) + " " +
               HeaderTextAsUtf8(StartTimeText(header)) +
               "\" does not read as a date and time, so the scans have no clock time!";
    }
    return std::nullopt;
}

}  // namespace vantrel
