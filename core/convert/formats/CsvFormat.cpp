// SPDX-License-Identifier: BSD-3-Clause
// CSV for spreadsheets and pandas (RFC 4180): a header row `time_s,Channel_0,...` (or the
// names the user gave the channels) and one
// row per scan, comma-separated, CR LF after every row. Every number is written in the
// shortest form that reads back as exactly the same double (std::to_chars' text), so a reader
// gets the scaled binary output's values bit for bit; time_s is the scan index over the
// scan rate, left out where the rate is not a positive finite number. With a decimal
// comma the separator is a semicolon and the same digits take ',' for '.'. The absolute
// time base puts a column `time` of clock times in its place (ISO 8601, nine decimals,
// no zone: the recording's own clock), and none leaves it out.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "convert/formats/OutputFormats.h"
#include "convert/formats/ScanTime.h"
#include "convert/scaling/SampleDecoding.h"
#include "convert/text/ScaledCells.h"
#include "convert/text/ShortestNumber.h"
#include "convert/text/TextTable.h"
#include "convert/threads/SplitChunk.h"

namespace vantrel {

namespace {

constexpr std::size_t kNumberRoom = kShortestLength;

struct NumberText {
    char text[kNumberRoom];
    std::uint8_t length;
};

// Writes the shortest text of `value` to `out` (kShortestRoom bytes) and returns its length;
// with a decimal comma its '.' becomes ','.
std::size_t FormatNumber(char* out, double value, bool decimalComma) {
    const std::size_t length = FormatShortest(out, value);
    if (decimalComma) {
        std::replace(out, out + length, '.', ',');
    }
    return length;
}

// Every word's text under one range code, for long 16-bit recordings; empty without a rule.
WordTable<NumberText> WordNumbers(const CardInfo& card, std::uint16_t range, bool decimalComma) {
    const WordTable<double> values = ScaledWordValues(card.rules, range);
    WordTable<NumberText> table(values.size());
    char text[kShortestRoom];
    for (std::size_t w = 0; w < values.size(); ++w) {
        const std::size_t length = FormatNumber(text, values[w], decimalComma);
        std::memcpy(table[w].text, text, length);
        table[w].length = static_cast<std::uint8_t>(length);
    }
    return table;
}

// A header field: quoted where it holds the separator, a quote or a line end, its quotes
// doubled (a name the user gave may hold any of them).
std::string CsvField(const std::string& text, char separator) {
    if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

WriteResult WriteCsv(const WriteJob& job) {
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const TableShape shape = ShapeOf(job);
    const bool comma = job.options.decimalComma;
    const char separator = comma ? ';' : ',';
    const double rate = header.scanRate();
    const TimeBase timeBase = job.options.timeBase;
    const bool timed = timeBase != TimeBase::kNone && std::isfinite(rate) && rate > 0.0;
    const bool clocked = timed && timeBase == TimeBase::kAbsolute;
    // The run refuses clock times where the start or the rate gives none.
    const std::optional<StartTime> start = RecordingStart(header);
    const std::optional<ScanOffsets> offsets = ScanOffsets::At(rate);
    if (clocked && !(start && offsets)) {
        return WriteResult::kWriteFailed;
    }
    const std::int64_t startNanos = clocked ? EpochNanos(*start) : 0;

    ScaledCells<NumberText> cells;
    try {
        cells.Prepare(job, shape,
                      [&](std::uint16_t range) { return WordNumbers(card, range, comma); });
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    std::string head = !timed ? "" : clocked ? "time" : "time_s";
    for (const ColumnFacts& column : job.facts.columns) {
        if (!head.empty()) {
            head.push_back(separator);
        }
        head += CsvField(column.name, separator);
    }
    head.append(kLineEnd);
    job.out.Append(head);

    // A row at its longest: the time, every cell and a separator each, CR LF; and the
    // bytes the last number may store past its text.
    const std::size_t rowRoom = shape.columns * (kNumberRoom + 1) +
                                std::max(kNumberRoom, kClockTextLength) + 1 + kLineEnd.size() +
                                (kShortestRoom - kShortestLength);
    std::uint64_t chunkStart = job.part.firstScan;  // the number of the chunk's first scan
    ChunkSplitter splitter;
    return ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            cells.Scale(bytes, samples);
            // Each number costs a shortest-form search: the chunk's rows are split between
            // two threads, unless they come from the tables.
            const auto rows = [&](auto& sink, std::uint64_t first, std::uint64_t count) {
                // Held in locals: the stores into the row could alias anything referred to.
                const std::uint64_t channels = shape.channels;
                const std::size_t width = job.part.columns.size();
                const std::uint32_t* const positions = job.part.columns.data();
                const std::uint64_t base = chunkStart;
                const double* const values = cells.values.data();
                const NumberText* const* const columns = cells.columns.data();
                const std::uint8_t* const words = bytes.data();
                const bool tabled = cells.tabled();
                ClockText clock;
                for (std::uint64_t s = first; s < first + count; ++s) {
                    char* const row = sink.Room(rowRoom);
                    char* out = row;
                    if (clocked) {
                        // The run refuses a recording whose last scan has no offset.
                        clock.Write(out, startNanos + offsets->Nanos(base + s).value_or(0));
                        out += kClockTextLength;
                    } else if (timed) {
                        out += FormatNumber(out, ScanSeconds(base + s, rate), comma);
                    }
                    for (std::size_t j = 0; j < width; ++j) {
                        const std::uint32_t c = positions[j];
                        const std::uint64_t k = s * channels + c;
                        if (timed || j > 0) {
                            *out++ = separator;
                        }
                        if (!tabled) {
                            out += FormatNumber(out, values[k], comma);
                        } else {
                            const NumberText& text = columns[c][Word16At(words, k)];
                            std::memcpy(out, text.text, kNumberRoom);
                            out += text.length;
                        }
                    }
                    std::memcpy(out, kLineEnd.data(), kLineEnd.size());
                    out += kLineEnd.size();
                    sink.Commit(static_cast<std::size_t>(out - row));
                }
            };
            if (cells.tabled()) {
                rows(job.out, 0, scans);
            } else {
                splitter.Run(job.out, scans, shape.columns, rows);
            }
            chunkStart += scans;
        });
}

}  // namespace

const OutputFormatInfo kCsvFormat = {
    .format = OutputFormat::kCsv,
    .name = NameOf(OutputFormat::kCsv),
    .listText = "Scaled data to CSV file (.csv)",
    .description = "scaled values as CSV with a header row and time_s, every double exact",
    .extension = ".csv",
    .options = {FormatOption::kDecimalComma, FormatOption::kTimeBase},
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteCsv,
};

}  // namespace vantrel
