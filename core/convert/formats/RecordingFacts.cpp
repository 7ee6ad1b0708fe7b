// SPDX-License-Identifier: BSD-3-Clause
#include "convert/formats/RecordingFacts.h"

#include <chrono>
#include <cmath>

#include <fmt/format.h>

#include "convert/scaling/ScanPositionSettings.h"
#include "convert/text/TextTable.h"
#include "platform/Utf8Path.h"
#include "recording/CardCatalogue.h"
#include "recording/CardTable.h"
#include "recording/HeaderText.h"
#include "recording/PathAsText.h"

namespace vantrel {

namespace {

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

}  // namespace

std::string ProgramVersion() {
    return VANTREL_VERSION;
}

std::string ConverterName() {
    return "vantrel-convert " + ProgramVersion();
}

std::optional<StartTime> ParseStart(const std::string& date, const std::string& time,
                                    bool millisOptional) {
    const bool withMillis = time.size() == 12 && time[8] == '.';
    if (date.size() != 8 || date[2] != '/' || date[5] != '/' ||
        !(withMillis || (millisOptional && time.size() == 8)) || time[2] != ':' || time[5] != ':') {
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

std::optional<std::string> StartIso8601(const std::string& date, const std::string& time) {
    const auto start = ParseStart(date, time, false);
    if (!start) {
        return std::nullopt;
    }
    return std::to_string(start->year) + "-" + date.substr(0, 2) + "-" + date.substr(3, 2) + "T" +
           time;
}

std::optional<double> DurationSeconds(const RecordingHeader& header) {
    const double rate = header.scanRate();
    if (!std::isfinite(rate) || rate <= 0.0) {
        return std::nullopt;
    }
    return static_cast<double>(header.scanCount()) / rate;
}

std::string ColumnName(int channel) {
    return "Channel_" + std::to_string(channel);
}

RecordingFacts FactsOf(const LoadedRecording& recording) {
    const RecordingHeader& header = recording.header;
    const std::string date = StartDateText(header);
    const std::string time = StartTimeText(header);
    RecordingFacts facts{
        header.cardType(),
        CardName(header.cardType()),
        header.channelCount(),
        header.scanCount(),
        header.scanRate(),
        // Text, as every front end shows it: the header's bytes are Windows-1252, and a
        // file name need not be UTF-8, while the formats' strings are.
        HeaderTextAsUtf8(date),
        HeaderTextAsUtf8(time),
        StartIso8601(date, time),
        std::string(OrderName(header.orderCode())),
        PathAsText(Utf8FromPath(PathFromUtf8(recording.loadedPath).filename())),
        {},
        std::nullopt,
    };

    const std::vector<int> titled = TitleChannels(header, recording.queue);
    const std::vector<PositionSetting> settings = ScanPositionSettings(header, recording.queue);
    for (std::size_t p = 0; p < settings.size(); ++p) {
        facts.columns.push_back({
            p < titled.size() ? titled[p] : static_cast<std::int32_t>(p),
            settings[p].rangeCode,
            RangeLabel(settings[p].rangeCode),
            settings[p].inputKind,
        });
    }
    return facts;
}

RecordingFacts FactsOf(const LoadedRecording& recording, const SelectedPart& part) {
    RecordingFacts facts = FactsOf(recording);
    if (!part.narrowed) {
        return facts;
    }
    std::vector<ColumnFacts> columns;
    for (const std::uint32_t position : part.columns) {
        if (position < facts.columns.size()) {
            columns.push_back(facts.columns[position]);
        }
    }
    facts.columns = std::move(columns);
    facts.channelCount = static_cast<std::int32_t>(part.columns.size());
    facts.scanCount = static_cast<std::int32_t>(part.scans);
    facts.firstScan = static_cast<std::int32_t>(part.firstScan);
    if (part.firstScan > 0) {
        const auto start =
            ParseStart(StartDateText(recording.header), StartTimeText(recording.header), false);
        const auto first =
            start ? ScanClockTime(*start, part.firstScan, facts.scanRateHz) : std::nullopt;
        facts.startIso8601 = first ? std::optional(Iso8601(*first)) : std::nullopt;
    }
    return facts;
}

std::optional<ClockTime> ScanClockTime(const StartTime& start, std::uint64_t scan, double rate) {
    if (!std::isfinite(rate) || rate <= 0.0) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const long double offset = static_cast<long double>(scan) * 1e9L / rate;
    if (!(offset < 1e18L)) {
        return std::nullopt;
    }
    const sys_days day = year{start.year} / start.month / start.day;
    const auto at = day + hours{start.hour} + minutes{start.minute} + seconds{start.second} +
                    milliseconds{start.millis.value_or(0)} + nanoseconds{std::llround(offset)};
    const sys_days date = floor<days>(at);
    const year_month_day ymd{date};
    const hh_mm_ss<nanoseconds> clock{at - date};
    return ClockTime{static_cast<int>(ymd.year()),
                     static_cast<int>(static_cast<unsigned>(ymd.month())),
                     static_cast<int>(static_cast<unsigned>(ymd.day())),
                     static_cast<int>(clock.hours().count()),
                     static_cast<int>(clock.minutes().count()),
                     static_cast<int>(clock.seconds().count()),
                     clock.subseconds().count()};
}

std::string Iso8601(const ClockTime& time) {
    const bool onMillisecond = time.nanos % 1000000 == 0;
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}.{:0{}}", time.year, time.month,
                       time.day, time.hour, time.minute, time.second,
                       onMillisecond ? time.nanos / 1000000 : time.nanos, onMillisecond ? 3 : 9);
}

bool FactVisitor::Kinds(const char* name, std::span<const std::optional<std::int32_t>> values) {
    std::vector<std::int32_t> zeroWhereNone;
    for (const std::optional<std::int32_t>& value : values) {
        zeroWhereNone.push_back(value.value_or(0));
    }
    return Ints(name, zeroWhereNone);
}

bool VisitFacts(const RecordingFacts& facts, const std::optional<std::string>& sourceSha256,
                FactVisitor& visitor) {
    std::vector<std::int32_t> channel;
    std::vector<std::int32_t> rangeCode;
    std::vector<std::string> rangeLabel;
    std::vector<std::optional<std::int32_t>> inputKind;
    for (const ColumnFacts& column : facts.columns) {
        channel.push_back(column.channel);
        rangeCode.push_back(column.rangeCode);
        rangeLabel.push_back(column.rangeLabel);
        inputKind.push_back(column.inputKind);
    }
    const bool inputKinds = CardFacts(facts.cardType).inputKinds;
    return visitor.Ints(fact::kChannel, channel) && visitor.Ints(fact::kRangeCode, rangeCode) &&
           visitor.Texts(fact::kRangeLabel, rangeLabel) &&
           (!inputKinds || visitor.Kinds(fact::kInputKind, inputKind)) &&
           visitor.Int(fact::kCardType, facts.cardType) &&
           visitor.Text(fact::kCardName, facts.cardName) &&
           visitor.Int(fact::kChannelCount, facts.channelCount) &&
           visitor.Int(fact::kScanCount, facts.scanCount) &&
           (!facts.firstScan || visitor.Int(fact::kFirstScan, *facts.firstScan)) &&
           visitor.Double(fact::kScanRateHz, facts.scanRateHz) &&
           visitor.Text(fact::kStartDate, facts.startDate) &&
           visitor.Text(fact::kStartTime, facts.startTime) &&
           (!facts.startIso8601 || visitor.Text(fact::kStartIso8601, *facts.startIso8601)) &&
           visitor.Text(fact::kOrder, facts.order) &&
           visitor.Text(fact::kSourceFile, facts.sourceFile) &&
           (!sourceSha256 || sourceSha256->empty() ||
            visitor.Text(fact::kSourceSha256, *sourceSha256)) &&
           visitor.Text(fact::kConverter, ConverterName());
}

}  // namespace vantrel
