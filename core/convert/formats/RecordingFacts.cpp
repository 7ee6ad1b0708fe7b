// SPDX-License-Identifier: BSD-3-Clause
#include "convert/formats/RecordingFacts.h"

#include <algorithm>
#include <cmath>

#include "convert/scaling/FullScale.h"
#include "convert/scaling/ScanPositionSettings.h"
#include "convert/text/TextTable.h"
#include "platform/Utf8Path.h"
#include "recording/CardCatalogue.h"
#include "recording/CardTable.h"
#include "recording/HeaderText.h"
#include "recording/PathAsText.h"

namespace vantrel {

std::string ProgramVersion() {
    return VANTREL_VERSION;
}

std::string ConverterName() {
    return "vantrel-convert " + ProgramVersion();
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

std::string ColumnUnit(std::int32_t cardType, const ColumnFacts& column) {
    const auto scale =
        FullScaleOf(CardFacts(cardType), static_cast<std::uint16_t>(column.rangeCode),
                    static_cast<std::int8_t>(column.inputKind.value_or(0)));
    return scale && scale->volts ? "V" : "";
}

std::string ColumnName(int channel) {
    return "Channel_" + std::to_string(channel);
}

RecordingFacts FactsOf(const LoadedRecording& recording, const ChannelNames& names) {
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
        const std::int32_t channel = p < titled.size() ? titled[p] : static_cast<std::int32_t>(p);
        ColumnFacts column{
            channel,
            settings[p].rangeCode,
            RangeLabel(settings[p].rangeCode),
            settings[p].inputKind,
            {},
            {},
            std::nullopt,
            TransducerOf(names, channel),
        };
        const auto naming = names.channels.find(column.channel);
        const bool named = naming != names.channels.end();
        column.name =
            named && naming->second.name ? *naming->second.name : ColumnName(column.channel);
        column.unit = named && naming->second.unit ? *naming->second.unit
                                                   : ColumnUnit(header.cardType(), column);
        column.type = named ? naming->second.type : std::nullopt;
        facts.columns.push_back(std::move(column));
    }
    return facts;
}

std::vector<Transducer> TransducersByPosition(const RecordingFacts& wholeFacts) {
    std::vector<Transducer> transducers;
    for (const ColumnFacts& column : wholeFacts.columns) {
        transducers.push_back(column.transducer);
    }
    const bool identity = std::all_of(transducers.begin(), transducers.end(),
                                      [](const Transducer& t) { return t.identity(); });
    return identity ? std::vector<Transducer>() : transducers;
}

RecordingFacts FactsOf(const LoadedRecording& recording, const SelectedPart& part,
                       const ChannelNames& names) {
    RecordingFacts facts = FactsOf(recording, names);
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
    std::vector<std::string> name;
    std::vector<std::string> unit;
    std::vector<std::string> type;
    std::vector<double> gain;
    std::vector<double> offset;
    bool typed = false;
    bool transduced = false;
    for (const ColumnFacts& column : facts.columns) {
        channel.push_back(column.channel);
        rangeCode.push_back(column.rangeCode);
        rangeLabel.push_back(column.rangeLabel);
        inputKind.push_back(column.inputKind);
        name.push_back(column.name);
        unit.push_back(column.unit);
        type.push_back(column.type.value_or(""));
        gain.push_back(column.transducer.gain);
        offset.push_back(column.transducer.offset);
        typed = typed || column.type;
        transduced = transduced || !column.transducer.identity();
    }
    const bool inputKinds = CardFacts(facts.cardType).inputKinds;
    return visitor.Ints(fact::kChannel, channel) && visitor.Ints(fact::kRangeCode, rangeCode) &&
           visitor.Texts(fact::kRangeLabel, rangeLabel) &&
           (!inputKinds || visitor.Kinds(fact::kInputKind, inputKind)) &&
           visitor.Texts(fact::kName, name) && visitor.Texts(fact::kUnit, unit) &&
           (!typed || visitor.Texts(fact::kType, type)) &&
           (!transduced ||
            (visitor.Doubles(fact::kGain, gain) && visitor.Doubles(fact::kOffset, offset))) &&
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
