// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What every analysis format records beside the numbers, under one set of names: per
// column the channel, the range and (card type 4) the input kind; for the recording its
// card, counts, rate, start, order and source. Computed once here, and handed name by name
// by VisitFacts to every writer, to `--info --json` and to the Python module.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "convert/formats/ScanTime.h"
#include "convert/names/ChannelNames.h"
#include "convert/run/Selection.h"
#include "recording/LoadedRecording.h"

namespace vantrel {

// "vantrel-convert" and the version, as outputs name their maker.
std::string ConverterName();

// The programs' version, "1.0".
std::string ProgramVersion();

// The name of a column that holds `channel`, in every format that names columns:
// "Channel_N".
std::string ColumnName(int channel);

struct ColumnFacts {
    std::int32_t channel;    // as title line 2 names it; where it names none, the position
    std::int32_t rangeCode;  // the header's (uniform order) or the queue entry's
    std::string rangeLabel;  // "Unknown (N)" outside the range table
    std::optional<std::int32_t> inputKind;  // card type 4 only
    // What the user named the channel, else "Channel_N" and the range's unit.
    std::string name;
    std::string unit;
    std::optional<std::string> type;  // where the user gave one
    Transducer transducer;            // applied to the scaled values
};

struct RecordingFacts {
    std::int32_t cardType;
    std::string cardName;
    std::int32_t channelCount;
    std::int32_t scanCount;
    double scanRateHz;      // as stored
    std::string startDate;  // the texts the window shows, as UTF-8
    std::string startTime;
    std::optional<std::string> startIso8601;  // where the texts read as a date and a time
    std::string order;                        // "0-1-2-3", "3-2-1-0" or "Custom"
    std::string sourceFile;            // the recording's file name, without its folder (PathAsText)
    std::vector<ColumnFacts> columns;  // one per position in a scan (custom order: as far
                                       // as the queue reaches)
    // Where an output holds a selected part: the number of its first scan in the recording.
    // The counts are then the part's, and start_iso8601 is the time of that scan.
    std::optional<std::int32_t> firstScan;
};

// The unit of a column's scaled values: "V" where its range gives volts, "" where it gives
// another quantity or has no rule.
std::string ColumnUnit(std::int32_t cardType, const ColumnFacts& column);

// The facts of a loaded recording, from its header and queue: the start date and time are
// the texts the window shows for them; each column's name, unit, type and transducer as
// `names` gives them.
RecordingFacts FactsOf(const LoadedRecording& recording, const ChannelNames& names = {});

// The facts of the part `part` of it: its columns' facts in its order, its counts, and,
// where anything was selected, its first scan.
RecordingFacts FactsOf(const LoadedRecording& recording, const SelectedPart& part,
                       const ChannelNames& names = {});

// Per position of a scan, the transducer of its column; empty where every one is the
// identity, so that the values stay exactly as the scaling gives them.
std::vector<Transducer> TransducersByPosition(const RecordingFacts& wholeFacts);

// Each fact's name, as every format and front end spells it.
namespace fact {
inline constexpr const char* kChannel = "channel";
inline constexpr const char* kRangeCode = "range_code";
inline constexpr const char* kRangeLabel = "range_label";
inline constexpr const char* kInputKind = "input_kind";
inline constexpr const char* kName = "name";
inline constexpr const char* kUnit = "unit";
inline constexpr const char* kType = "type";
inline constexpr const char* kGain = "gain";
inline constexpr const char* kOffset = "offset";
inline constexpr const char* kCardType = "card_type";
inline constexpr const char* kCardName = "card_name";
inline constexpr const char* kChannelCount = "channel_count";
inline constexpr const char* kScanCount = "scan_count";
inline constexpr const char* kFirstScan = "first_scan";
inline constexpr const char* kScanRateHz = "scan_rate_hz";
inline constexpr const char* kStartDate = "start_date";
inline constexpr const char* kStartTime = "start_time";
inline constexpr const char* kStartIso8601 = "start_iso8601";
inline constexpr const char* kOrder = "order";
inline constexpr const char* kSourceFile = "source_file";
inline constexpr const char* kSourceSha256 = "source_sha256";
inline constexpr const char* kConverter = "converter";
}  // namespace fact

// Takes the facts one at a time from VisitFacts, each under its name (one of fact::k...).
// Each call returns whether the walk goes on: a writer returns false once a write failed.
// A visitor that does not hold a fact returns true and leaves it.
class FactVisitor {
  public:
    virtual ~FactVisitor() = default;

    virtual bool Int(const char* name, std::int32_t value) = 0;
    virtual bool Double(const char* name, double value) = 0;
    virtual bool Text(const char* name, const std::string& value) = 0;
    // The column facts: one value per column.
    virtual bool Ints(const char* name, std::span<const std::int32_t> values) = 0;
    virtual bool Texts(const char* name, std::span<const std::string> values) = 0;
    virtual bool Doubles(const char* name, std::span<const double> values) = 0;
    // The input kinds, which a column may lack. By default they go to Ints with 0 where a
    // column has none, as the file formats store them.
    virtual bool Kinds(const char* name, std::span<const std::optional<std::int32_t>> values);
};

// Hands every fact to `visitor`, in this order: the column facts channel, range_code,
// range_label, (card types with input kinds) input_kind, name, unit, (where the user gave
// any) type, and (where any column's transducer is not the identity) gain and offset; then
// card_type, card_name,
// channel_count, scan_count, first_scan (of a selected part), scan_rate_hz, start_date, start_time,
// start_iso8601 (where the texts read as a date and time), order, source_file, source_sha256 (where
// `sourceSha256` holds one) and converter. Returns false as soon as the visitor does.
bool VisitFacts(const RecordingFacts& facts, const std::optional<std::string>& sourceSha256,
                FactVisitor& visitor);

// "YYYY-MM-DDTHH:MM:SS.mmm" where ParseStart reads the texts with their milliseconds.
std::optional<std::string> StartIso8601(const std::string& date, const std::string& time);

// Seconds the recording spans: scans / rate, where the rate is a positive finite number.
std::optional<double> DurationSeconds(const RecordingHeader& header);

}  // namespace vantrel
