// SPDX-License-Identifier: BSD-3-Clause
// Long recordings take the fast paths: 16-bit words scaled and formatted by table, lines
// formatted in batches straight into the output block, doubles written as they are. Their output
// must still be, cell by cell, what printf gives for each value the scaling rule yields (the
// carried value where it yields none), in every format and with every separator.

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#ifdef VANTREL_TEST_READS_HDF5
#include <hdf5.h>
#endif

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "convert/formats/OutputFormats.h"
#include "convert/scaling/SampleDecoding.h"
#include "convert/scaling/ScaleSample.h"
#include "convert/text/FixedCellFormat.h"
#include "convert/text/Separators.h"
#include "recording/CardCatalogue.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"

namespace vantrel {
namespace {

using test::StateFrom;
using test::TempDir;

// Three channels, enough scans for several chunks and the word tables (262144 samples), and
// a count that leaves the last chunk partial.
constexpr int kChannels = 3;
constexpr int kScans = 87383;

struct LongCase {
    const char* name;
    std::int16_t card;
    std::int16_t rangeCode;                 // uniform order
    std::vector<std::uint8_t> queueRanges;  // custom order when not empty
    int channels = kChannels;
    int scans = kScans;
};

// Words from a fixed generator over the whole range, with the extremes and zero in front.
RecordingBuilder LongRecording(const LongCase& c) {
    RecordingBuilder b;
    b.header().SetCardType(c.card);
    b.header().SetChannelCount(static_cast<std::int16_t>(c.channels));
    b.header().SetScanCount(c.scans);
    b.header().SetRangeCode(c.rangeCode);
    const bool wide = CardFacts(c.card).elementSize == 4;
    b.header().SetWidthCode(wide ? 2 : 1);
    if (!c.queueRanges.empty()) {
        b.header().SetOrderCode(2);
        for (std::size_t p = 0; p < c.queueRanges.size(); ++p) {
            b.AddQueueEntry(static_cast<std::uint8_t>(p), c.queueRanges[p]);
        }
    }
    std::uint32_t x = 2463534242u;
    const std::uint32_t edges[] = {0, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFF, 0x800000, 0xFFFFFFFF};
    for (int i = 0; i < c.channels * c.scans; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        const std::uint32_t word = i < 7 ? edges[i] : x;
        if (wide) {
            b.AddWord32(word);
        } else {
            b.AddWord16(static_cast<std::uint16_t>(word));
        }
    }
    return b;
}

// Each sample's value as the rules define it, the carried value included.
std::vector<double> ExpectedValues(const ConversionState& state) {
    const RecordingHeader& h = state.recording.header;
    const int size = CardFacts(h.cardType()).elementSize;
    const std::uint8_t* block = state.recording.samples->data();
    std::vector<double> values;
    double carried = 0.0;
    const std::uint64_t count = state.recording.samples->size() / static_cast<std::uint64_t>(size);
    for (std::uint64_t k = 0; k < count; ++k) {
        const std::uint32_t element = size == 2 ? Word16At(block, k) : Word32At(block, k);
        const std::uint16_t range =
            h.isCustomOrder()
                ? state.recording.queue[k % static_cast<std::uint64_t>(h.channelCount())].rangeCode
                : static_cast<std::uint16_t>(h.rangeCode());
        if (const std::optional<double> v = ScaleSample(h.cardType(), range, 0, element)) {
            carried = *v;
        }
        values.push_back(carried);
    }
    return values;
}

std::string Lines(const std::vector<std::string>& cells, int channels, std::string_view separator) {
    std::string text;
    for (std::size_t k = 0; k < cells.size(); ++k) {
        text += cells[k];
        text += (k + 1) % static_cast<std::size_t>(channels) == 0 ? std::string_view("\r\n")
                                                                  : separator;
    }
    return text;
}

// The CSV rows below the header row: the scan's time where the rate is known, then each
// value, every number in the shortest text that reads back as the same double.
std::string CsvRows(const std::vector<double>& values, int channels, double rate, bool comma) {
    const bool timed = std::isfinite(rate) && rate > 0.0;
    const char separator = comma ? ';' : ',';
    std::string text;
    const auto number = [&](double v) {
        char digits[32];
        std::string shortest(digits, std::to_chars(digits, digits + sizeof digits, v).ptr);
        if (comma) {
            std::replace(shortest.begin(), shortest.end(), '.', ',');
        }
        text += shortest;
    };
    const auto n = static_cast<std::size_t>(channels);
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k % n == 0 && timed) {
            number(static_cast<double>(k / n) / rate);
        }
        if (k % n > 0 || timed) {
            text += separator;
        }
        number(values[k]);
        if (k % n == n - 1) {
            text += "\r\n";
        }
    }
    return text;
}

// The whole file in one read: outputs here are megabytes.
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::string Printf(const char* format, auto value) {
    char cell[400];
    std::snprintf(cell, sizeof cell, format, value);
    return cell;
}

const LongCase kCases[] = {
    {"card 1, +/-10V", 1, 1, {}},
    {"card 2", 2, 1, {}},
    {"card 3, range 25", 3, 25, {}},
    {"card 8, custom order", 8, 1, {1, 23, 1}},
    {"card 1, custom order, a range without rule", 1, 1, {10, 7, 25}},
    {"card 1, range without rule", 1, 3, {}},
    {"card 7, 24-bit", 7, 1, {}},
    // Lines longer than the room lines are formatted into take a room per cell.
    {"card 7, 200 channels", 7, 1, {}, 200, 60},
    {"card 1, 4100 channels", 1, 1, {}, 4100, 70},
};

TEST(LongConversion, everyFormatMatchesPrintfOfTheRulesValues) {
    TempDir dir;
    const std::string out = dir.File("long.out");
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const LongCase& c = kCases[i];
        SCOPED_TRACE(c.name);
        ConversionState state = StateFrom(LongRecording(c));
        state.options.title = false;
        const std::vector<double> values = ExpectedValues(state);

        std::string binary(values.size() * 8, '\0');
        for (std::size_t k = 0; k < values.size(); ++k) {
            StoreLeDouble(reinterpret_cast<std::uint8_t*>(binary.data()) + 8 * k, values[k]);
        }
        ASSERT_TRUE(test::ConvertHeld(state, out, 1).ok);
        EXPECT_TRUE(Slurp(out) == binary);

        // Long 24-bit chunks are split between two threads; the rows must not show it.
        for (const bool comma : {false, true}) {
            state.options.decimalComma = comma;
            ASSERT_TRUE(
                test::ConvertHeld(state, out, static_cast<std::int32_t>(OutputFormat::kCsv)).ok);
            const std::string csv = Slurp(out);
            const std::string rows = csv.substr(csv.find("\r\n") + 2);
            EXPECT_TRUE(rows ==
                        CsvRows(values, c.channels, state.recording.header.scanRate(), comma))
                << "csv, decimal comma " << comma;
        }
        state.options.decimalComma = false;

        std::vector<std::string> scaled;
        std::vector<std::string> codes;
        const int decimals = CardFacts(c.card).cellDecimals;
        const std::uint8_t* block = state.recording.samples->data();
        for (std::size_t k = 0; k < values.size(); ++k) {
            scaled.push_back(Printf(decimals == 7   ? "%11.7f"
                                    : decimals == 6 ? "%11.6f"
                                                    : "%11.9f",
                                    values[k]));
            const std::int32_t code = CardFacts(c.card).elementSize == 2
                                          ? Word16At(block, k)
                                          : Decode24(Word32At(block, k));
            codes.push_back(Printf("%11d", code));
        }
        // Every separator for the first case, one each for the others.
        const int separators = i == 0 ? 3 : 1;
        for (int s = 0; s < separators; ++s) {
            const int separator = i == 0 ? s : static_cast<int>(i % 3);
            state.options.separator = SeparatorOfIndex(separator);
            const std::string_view text = SeparatorText(state.options.separator);
            ASSERT_TRUE(test::ConvertHeld(state, out, 0).ok);
            // Compared as strings only when they differ, so a failure shows where.
            const std::string scaledText = Slurp(out);
            const std::string expectedScaled = Lines(scaled, c.channels, text);
            EXPECT_TRUE(scaledText == expectedScaled)
                << "separator " << separator << ", first difference at byte "
                << std::distance(scaledText.begin(),
                                 std::mismatch(scaledText.begin(), scaledText.end(),
                                               expectedScaled.begin(), expectedScaled.end())
                                     .first);
            ASSERT_TRUE(test::ConvertHeld(state, out, 2).ok);
            EXPECT_TRUE(Slurp(out) == Lines(codes, c.channels, text)) << "separator " << separator;
        }
    }
}

// Recordings of several chunks whose scans do not divide a chunk, a BDF data record (one
// second: 1000 scans) or each other.
const LongCase kChunkedCases[] = {
    {"card 1, 17 channels", 1, 1, {}, 17, 16001},
    {"card 7, 16 channels, custom order with a range without rule",
     7,
     1,
     {1, 3, 1, 2, 1, 1, 3, 2, 1, 1, 1, 2, 1, 3, 1, 1},
     16,
     9001},
    {"card 8, one channel", 8, 1, {}, 1, 140001},
};

// What an output holds, to compare: its bytes, or for MATLAB 7.3, whose HDF5 objects carry
// the time they were written at, the bytes of its two matrices.
std::string Held(const std::string& path, OutputFormat format) {
#ifdef VANTREL_TEST_READS_HDF5
    if (format == OutputFormat::kMat) {
        std::string held;
        const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
        for (const char* name : {"scaled", "codes"}) {
            const hid_t dataset = H5Dopen2(file, name, H5P_DEFAULT);
            const hid_t stored = H5Dget_type(dataset);
            const hid_t type = H5Tget_native_type(stored, H5T_DIR_ASCEND);
            const hid_t space = H5Dget_space(dataset);
            const auto points = static_cast<std::size_t>(H5Sget_simple_extent_npoints(space));
            std::string bytes(points * H5Tget_size(type), '\0');
            EXPECT_GE(H5Dread(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, bytes.data()), 0);
            held += name + bytes;
            H5Sclose(space);
            H5Tclose(type);
            H5Tclose(stored);
            H5Dclose(dataset);
        }
        H5Fclose(file);
        return held;
    }
#endif
    (void)format;
    return Slurp(path);
}

// The samples a chunk holds do not show in any output: one scan, a prime number, a BDF data
// record less one and each format's own size give the same file, or the same refusal.
TEST(LongConversion, everyFormatIsTheSameWhateverTheChunkSize) {
    TempDir dir;
    const std::string out = dir.File("chunked.out");
    for (const LongCase& c : kChunkedCases) {
        ConversionState state = StateFrom(LongRecording(c));
        const auto channels = static_cast<std::uint64_t>(c.channels);
        for (const OutputFormatInfo* format : OutputFormats()) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::string(format->name));
            const auto index = static_cast<std::int32_t>(format->format);
            state.options.chunkSamples = 0;
            const test::RunOutcome first = test::ConvertHeld(state, out, index);
            const std::string expected = first.ok ? Held(out, format->format) : std::string();
            for (const std::uint64_t samples :
                 {channels, std::uint64_t{4099}, 1000 * channels - 1}) {
                state.options.chunkSamples = samples;
                const test::RunOutcome outcome = test::ConvertHeld(state, out, index);
                ASSERT_EQ(outcome.messages, first.messages) << "chunks of " << samples;
                if (!outcome.ok) {
                    continue;
                }
                const std::string written = Held(out, format->format);
                EXPECT_TRUE(written == expected)
                    << "chunks of " << samples << " samples: first difference at byte "
                    << std::distance(written.begin(),
                                     std::mismatch(written.begin(), written.end(), expected.begin(),
                                                   expected.end())
                                         .first)
                    << " of " << expected.size();
            }
        }
    }
}

}  // namespace
}  // namespace vantrel
