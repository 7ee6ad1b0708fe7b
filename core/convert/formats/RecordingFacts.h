#pragma once

// What every analysis format records beside the numbers, under one set of names: per
// column the channel, the range and (card type 4) the input kind; for the recording its
// card, counts, rate, start, order and source. Computed once here for every writer and for
// `--info --json`.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording/LoadedRecording.h"

namespace vantrel {

// "vantrel-convert" and the version, as outputs name their maker.
std::string ConverterName();

// The name of a column that holds `channel`, in every format that names columns:
// "Channel_N".
std::string ColumnName(int channel);

struct ColumnFacts {
    std::int32_t channel;    // as title line 2 names it; where it names none, the position
    std::int32_t rangeCode;  // the header's (uniform order) or the queue entry's
    std::string rangeLabel;  // "Unknown (N)" outside the range table
    std::optional<std::int32_t> inputKind;  // card type 4 only
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
};

// The column facts as one array per name, as the file formats store them (input_kind 0
// where a column has none).
struct ColumnArrays {
    std::vector<std::int32_t> channel;
    std::vector<std::int32_t> rangeCode;
    std::vector<std::string> rangeLabel;
    std::vector<std::int32_t> inputKind;
};
ColumnArrays ArraysOf(const std::vector<ColumnFacts>& columns);

// The facts of a loaded recording, from its header and queue: the start date and time are
// the texts the window shows for them.
RecordingFacts FactsOf(const LoadedRecording& recording);

// A start read from the header's texts.
struct StartTime {
    int year, month, day, hour, minute, second;
    std::optional<int> millis;
};

// The start when `date` reads as MM/DD/YY (years 70 to 99 are 19YY, the others 20YY) and
// `time` as HH:MM:SS.mmm, or as HH:MM:SS where `millisOptional`, each field within its
// range; nullopt otherwise.
std::optional<StartTime> ParseStart(const std::string& date, const std::string& time,
                                    bool millisOptional);

// "YYYY-MM-DDTHH:MM:SS.mmm" where ParseStart reads the texts with their milliseconds.
std::optional<std::string> StartIso8601(const std::string& date, const std::string& time);

// Seconds the recording spans: scans / rate, where the rate is a positive finite number.
std::optional<double> DurationSeconds(const RecordingHeader& header);

}  // namespace vantrel
