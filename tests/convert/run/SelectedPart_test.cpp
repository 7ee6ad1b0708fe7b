// SPDX-License-Identifier: BSD-3-Clause
// Converting a part of a recording: a range of scans and a set of columns. Every output of
// a part is the matching slice of the whole recording's output, from the file (which is
// read only where the part lies) and from a block in memory alike.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "convert/formats/OutputFormats.h"
#include "convert/formats/RecordingFacts.h"
#include "convert/run/ConvertRun.h"
#include "convert/run/Selection.h"
#include "support/Recordings.h"

namespace vantrel {
namespace {

using test::FaultyFileApi;
using test::ReadFileBytes;
using test::RecordedMessages;
using test::TempDir;

using test::CarriedQueue;
using test::Custom24;
using test::Uniform16;

std::vector<std::string> Split(const std::string& text, const std::string& by) {
    std::vector<std::string> parts;
    for (std::size_t at = 0;;) {
        const std::size_t next = text.find(by, at);
        parts.push_back(text.substr(at, next - at));
        if (next == std::string::npos) {
            return parts;
        }
        at = next + by.size();
    }
}

std::string Join(const std::vector<std::string>& parts, const std::string& by) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i > 0 ? by : "") + parts[i];
    }
    return text;
}

// The part's output as the slice of the whole output: `head` lines are the recording's,
// except that the last of them names the part's columns; `lead` cells of each line come
// before the columns (CSV's time_s).
std::string SliceOfTable(const std::string& whole, const std::string& separator, int head, int lead,
                         const SelectedPart& part) {
    std::vector<std::string> lines = Split(whole, "\r\n");
    lines.pop_back();  // after the last CR LF
    std::vector<std::string> kept;
    const auto pick = [&](const std::string& line) {
        const std::vector<std::string> cells = Split(line, separator);
        std::vector<std::string> picked(cells.begin(), cells.begin() + lead);
        for (const std::uint32_t c : part.columns) {
            picked.push_back(cells[lead + c]);
        }
        return Join(picked, separator);
    };
    for (int i = 0; i < head; ++i) {
        kept.push_back(i + 1 == head ? pick(lines[i]) : lines[i]);
    }
    for (std::uint64_t s = part.firstScan; s < part.firstScan + part.scans; ++s) {
        kept.push_back(pick(lines[head + s]));
    }
    return Join(kept, "\r\n") + "\r\n";
}

// The doubles of the part from the whole output's, `offset` bytes into each.
std::vector<std::uint8_t> SliceOfDoubles(const std::vector<std::uint8_t>& whole, std::size_t offset,
                                         std::uint64_t channels, const SelectedPart& part) {
    std::vector<std::uint8_t> slice;
    for (std::uint64_t s = part.firstScan; s < part.firstScan + part.scans; ++s) {
        for (const std::uint32_t c : part.columns) {
            const auto at =
                whole.begin() + static_cast<std::ptrdiff_t>(offset + 8 * (s * channels + c));
            slice.insert(slice.end(), at, at + 8);
        }
    }
    return slice;
}

std::size_t NpyDataOffset(const std::vector<std::uint8_t>& npy) {
    return 10 + npy[8] + 256u * npy[9];
}

struct Case {
    const char* name;
    RecordingBuilder (*build)();
};

class SelectedPartTest : public testing::Test {
  protected:
    // Converts `input` with `selection`; the outcome's kind, the output's bytes.
    std::vector<std::uint8_t> Convert(const std::string& input, OutputFormat format,
                                      const Selection& selection, std::uint64_t chunkSamples,
                                      const LoadedRecording* held = nullptr) {
        ConversionRequest request;
        request.loaded = held;
        request.inputPath = input;
        request.outputPath = dir_.File("part.out");
        request.options.format = format;
        request.options.separator = Separator::kTab;
        request.options.chunkSamples = chunkSamples;
        request.selection = selection;
        RecordedMessages messages;
        FaultyFileApi files;
        const Outcome outcome = RunConversion(request, Platform{files, messages});
        EXPECT_TRUE(outcome.done()) << outcome.message;
        return ReadFileBytes(request.outputPath);
    }

    TempDir dir_;
};

// Random parts of each recording, and the edges: first and last scan, one scan, one
// column, a column twice, columns reordered, ranges across chunk borders.
// `channel` is the channel of the first column: all its columns are taken in one case.
std::vector<Selection> PartsOf(std::uint64_t scans, std::uint64_t columns, std::int64_t channel,
                               unsigned seed) {
    const auto at = [](std::uint64_t n) { return static_cast<std::int64_t>(n); };
    std::vector<Selection> parts = {
        {ScanBounds{0, 1}, {}, {}, std::vector<std::int64_t>{0}},
        {ScanBounds{-1, {}}, {}, {}, std::vector<std::int64_t>{at(columns - 1), 0}},
        {ScanBounds{at(scans / 3), at(scans / 3 + 2)}, {}, std::vector<std::int64_t>{channel}, {}},
        {ScanBounds{at(scans / 2), at(scans / 2 + 1)}, {}, {}, std::vector<std::int64_t>{1, 1}},
        {ScanBounds{21844, 43691}, {}, {}, {}},
    };
    std::mt19937 random(seed);
    for (int i = 0; i < 3; ++i) {
        const std::int64_t first = at(random() % scans);
        const std::int64_t stop = first + 1 + at(random() % (scans - first));
        std::vector<std::int64_t> picked(1 + random() % (columns + 1));
        for (std::int64_t& c : picked) {
            c = at(random() % columns);
        }
        parts.push_back({ScanBounds{first, stop}, {}, {}, picked});
    }
    return parts;
}

TEST_F(SelectedPartTest, isTheSliceOfTheWholeOutputInEveryFormatAndChunkSize) {
    const Case cases[] = {{"uniform 16-bit", &Uniform16},
                          {"custom 24-bit", &Custom24},
                          {"carried values", &CarriedQueue}};
    const OutputFormat formats[] = {OutputFormat::kScaledText, OutputFormat::kCodesText,
                                    OutputFormat::kScaledBinary, OutputFormat::kNpy,
                                    OutputFormat::kCsv};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecordingBuilder builder = c.build();
        const std::string input = dir_.File("whole.daq");
        builder.WriteTo(input);
        const ConversionState held = test::StateFrom(builder, input);
        const std::uint64_t channels = static_cast<std::uint64_t>(builder.header().channelCount());
        const std::uint64_t scans = static_cast<std::uint64_t>(builder.header().scanCount());
        for (const OutputFormat format : formats) {
            SCOPED_TRACE(NameOf(format));
            const std::vector<std::uint8_t> whole = Convert(input, format, {}, 0);
            const std::string wholeText(whole.begin(), whole.end());
            // A selection of everything is the whole conversion.
            EXPECT_EQ(Convert(input, format, {ScanBounds{}, {}, {}, {}}, 0), whole);
            const std::int64_t channel = FactsOf(held.recording).columns.front().channel;
            for (const Selection& selection :
                 PartsOf(scans, channels, channel, static_cast<unsigned>(channels * 7 + 1))) {
                const Result<SelectedPart> part = ResolveSelection(held.recording, selection);
                ASSERT_TRUE(part) << part.failure().message;
                SCOPED_TRACE(testing::Message() << "scans " << part->firstScan << "+" << part->scans
                                                << ", columns " << part->columns.size());
                for (const std::uint64_t chunk : {std::uint64_t{0}, std::uint64_t{7}}) {
                    const std::vector<std::uint8_t> bytes =
                        Convert(input, format, selection, chunk);
                    const std::string text(bytes.begin(), bytes.end());
                    switch (format) {
                        case OutputFormat::kScaledText:
                        case OutputFormat::kCodesText:
                            EXPECT_EQ(text, SliceOfTable(wholeText, "\t", 2, 0, *part));
                            break;
                        case OutputFormat::kCsv:
                            EXPECT_EQ(text, SliceOfTable(wholeText, ",", 1, 1, *part));
                            break;
                        case OutputFormat::kScaledBinary:
                            EXPECT_EQ(bytes, SliceOfDoubles(whole, 0, channels, *part));
                            break;
                        default: {
                            const std::string shape = "'shape': (" + std::to_string(part->scans) +
                                                      ", " + std::to_string(part->columns.size()) +
                                                      ")";
                            EXPECT_NE(text.find(shape), std::string::npos);
                            EXPECT_EQ(std::vector<std::uint8_t>(
                                          bytes.begin() +
                                              static_cast<std::ptrdiff_t>(NpyDataOffset(bytes)),
                                          bytes.end()),
                                      SliceOfDoubles(whole, NpyDataOffset(whole), channels, *part));
                        }
                    }
                }
                // The window converts the block it holds: the same bytes.
                EXPECT_EQ(Convert(input, format, selection, 0, &held.recording),
                          Convert(input, format, selection, 0));
            }
        }
    }
}

// The last 1% of an 8 MiB recording: the file is passed over up to the scan before the part.
TEST_F(SelectedPartTest, readsOnlyThePartOfTheFile) {
    RecordingBuilder b;
    b.header().SetChannelCount(4);
    b.header().SetScanCount(1000000);
    std::vector<std::uint8_t> samples(8000000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::uint8_t>(i * 131);
    }
    b.AddBytes(samples);
    const std::string input = dir_.File("large.daq");
    b.WriteTo(input);
    const std::uint64_t fileSize = RecordingHeader::kSize + samples.size();

    for (const bool pipe : {false, true}) {
        SCOPED_TRACE(pipe ? "pipe" : "file");
        ConversionRequest request;
        request.inputPath = input;
        request.outputPath = dir_.File("last.bin");
        request.options.format = OutputFormat::kScaledBinary;
        request.selection.time = TimeBounds{990.0, {}};  // 1000 scans a second
        RecordedMessages messages;
        FaultyFileApi files;
        files.sizeUnknown = pipe;
        ASSERT_TRUE(RunConversion(request, Platform{files, messages}).done());
        EXPECT_EQ(ReadFileBytes(request.outputPath).size(), 10000u * 4 * 8);
        if (pipe) {
            // A pipe cannot seek: what lies before is read and dropped.
            EXPECT_EQ(files.bytesSkipped, 0u);
            EXPECT_GE(files.bytesRead, fileSize);
        } else {
            EXPECT_LE(files.bytesRead, fileSize / 50);
            EXPECT_GE(files.bytesSkipped, fileSize * 98 / 100);
        }
    }
}

// What each selection takes of a recording of 4 channels (title channels 0 to 3) and 500
// scans at 1000 Hz, or why it takes nothing.
TEST(ResolveSelection, takesTheScansAndColumnsAskedForOrSaysWhatTheRecordingHolds) {
    RecordingBuilder b;
    b.header().SetChannelCount(4);
    b.header().SetScanCount(500);
    b.header().SetOrderCode(1);  // descending: position 0 holds channel 3
    const LoadedRecording recording{b.header(), {}, std::nullopt, "r.daq", ""};
    using Columns = std::vector<std::uint32_t>;
    using List = std::vector<std::int64_t>;
    struct Row {
        Selection selection;
        OutcomeKind kind;
        std::uint64_t first, scans;
        Columns columns;
        const char* message;
    };
    const Row rows[] = {
        {{}, OutcomeKind::kDone, 0, 500, {0, 1, 2, 3}, ""},
        {{ScanBounds{100, 200}, {}, {}, {}}, OutcomeKind::kDone, 100, 100, {0, 1, 2, 3}, ""},
        {{ScanBounds{-10, {}}, {}, {}, {}}, OutcomeKind::kDone, 490, 10, {0, 1, 2, 3}, ""},
        {{ScanBounds{{}, 9999}, {}, {}, {}}, OutcomeKind::kDone, 0, 500, {0, 1, 2, 3}, ""},
        {{ScanBounds{0, -499}, {}, {}, {}}, OutcomeKind::kDone, 0, 1, {0, 1, 2, 3}, ""},
        // Times: the scans s with start <= s / 1000 < end.
        {{{}, TimeBounds{0.1, 0.2}, {}, {}}, OutcomeKind::kDone, 100, 100, {0, 1, 2, 3}, ""},
        {{{}, TimeBounds{0.0995, 0.1001}, {}, {}}, OutcomeKind::kDone, 100, 1, {0, 1, 2, 3}, ""},
        {{{}, TimeBounds{0.499, {}}, {}, {}}, OutcomeKind::kDone, 499, 1, {0, 1, 2, 3}, ""},
        {{{}, TimeBounds{{}, 1e9}, {}, {}}, OutcomeKind::kDone, 0, 500, {0, 1, 2, 3}, ""},
        // Channels by the number title line 2 gives them, in the order asked.
        {{{}, {}, List{0, 3}, {}}, OutcomeKind::kDone, 0, 500, {3, 0}, ""},
        {{{}, {}, {}, List{2, 2, 0}}, OutcomeKind::kDone, 0, 500, {2, 2, 0}, ""},
        {{ScanBounds{500, {}}, {}, {}, {}},
         OutcomeKind::kNotInRecording,
         0,
         0,
         {},
         "Scan 500 is not in the recording: it holds scans 0 to 499"},
        {{ScanBounds{-501, {}}, {}, {}, {}},
         OutcomeKind::kNotInRecording,
         0,
         0,
         {},
         "Scan -501 is not in the recording: it holds scans 0 to 499"},
        {{ScanBounds{7, 7}, {}, {}, {}},
         OutcomeKind::kEmptySelection,
         0,
         0,
         {},
         "The scans 7:7 hold no scan: it holds scans 0 to 499"},
        {{ScanBounds{-3, 3}, {}, {}, {}},
         OutcomeKind::kEmptySelection,
         0,
         0,
         {},
         "The scans -3:3 hold no scan"},
        {{{}, TimeBounds{0.4995, {}}, {}, {}},
         OutcomeKind::kNotInRecording,
         0,
         0,
         {},
         "Time 0.4995 s is not in the recording: its scans lie at 0 s to 0.499 s (500 scans "
         "at 1000 Hz)"},
        {{{}, TimeBounds{-1.0, {}}, {}, {}},
         OutcomeKind::kNotInRecording,
         0,
         0,
         {},
         "Time -1 s is not in the recording"},
        {{{}, TimeBounds{0.2, 0.1}, {}, {}},
         OutcomeKind::kEmptySelection,
         0,
         0,
         {},
         "The times 0.2 s to 0.1 s hold no scan"},
        {{{}, {}, List{4}, {}},
         OutcomeKind::kNotInRecording,
         0,
         0,
         {},
         "Channel 4 is not in the recording: it holds channels 3, 2, 1, 0"},
        {{{}, {}, {}, List{4}},
         OutcomeKind::kNotInRecording,
         0,
         0,
         {},
         "Column 4 is not in the recording: it holds columns 0 to 3"},
        {{{}, {}, {}, List{}},
         OutcomeKind::kEmptySelection,
         0,
         0,
         {},
         "The selection holds no columns: it holds columns 0 to 3"},
    };
    for (const Row& row : rows) {
        const Result<SelectedPart> part = ResolveSelection(recording, row.selection);
        if (row.kind != OutcomeKind::kDone) {
            ASSERT_FALSE(part);
            EXPECT_EQ(part.failure().kind, row.kind);
            EXPECT_EQ(part.failure().message.rfind(row.message, 0), 0u) << part.failure().message;
            continue;
        }
        ASSERT_TRUE(part) << part.failure().message;
        EXPECT_EQ(part->firstScan, row.first);
        EXPECT_EQ(part->scans, row.scans);
        EXPECT_EQ(part->columns, row.columns);
        EXPECT_EQ(part->everyColumn, row.columns == (Columns{0, 1, 2, 3}));
        EXPECT_EQ(part->narrowed, row.first > 0 || row.scans < 500 || !part->everyColumn);
    }

    // A rate that is not a positive number gives the scans no times.
    b.header().SetScanRate(0.0);
    const LoadedRecording unrated{b.header(), {}, std::nullopt, "r.daq", ""};
    const Result<SelectedPart> timed =
        ResolveSelection(unrated, {{}, TimeBounds{0.0, 1.0}, {}, {}});
    ASSERT_FALSE(timed);
    EXPECT_EQ(timed.failure().kind, OutcomeKind::kNotInRecording);

    // A start at a scan's own time, s / rate as CSV's time_s gives it, starts at that scan,
    // the last one too, whatever rounding the rate brings.
    for (const double rate : {3.0, 2500.3, 0.7, 44100.0, 1000.0 / 3.0, 1e-3}) {
        b.header().SetScanRate(rate);
        const LoadedRecording rated{b.header(), {}, std::nullopt, "r.daq", ""};
        for (const std::uint64_t scan : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{333},
                                         std::uint64_t{498}, std::uint64_t{499}}) {
            const double at = static_cast<double>(scan) / rate;
            const Result<SelectedPart> part =
                ResolveSelection(rated, {{}, TimeBounds{at, {}}, {}, {}});
            ASSERT_TRUE(part) << rate << " " << scan;
            EXPECT_EQ(part->firstScan, scan) << rate;
            EXPECT_EQ(part->scans, 500 - scan) << rate;
        }
    }

    // A recording without scans: everything is nothing, as in the whole conversion.
    b.header().SetScanRate(1000.0);
    b.header().SetScanCount(0);
    const LoadedRecording empty{b.header(), {}, std::nullopt, "r.daq", ""};
    for (const Selection& all :
         {Selection{ScanBounds{}, {}, {}, {}}, Selection{{}, TimeBounds{}, {}, {}}}) {
        const Result<SelectedPart> part = ResolveSelection(empty, all);
        ASSERT_TRUE(part) << part.failure().message;
        EXPECT_EQ(part->scans, 0u);
        EXPECT_FALSE(part->narrowed);
    }
    EXPECT_FALSE(ResolveSelection(empty, {ScanBounds{1, {}}, {}, {}, {}}));
}

}  // namespace
}  // namespace vantrel
