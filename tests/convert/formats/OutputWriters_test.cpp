// SPDX-License-Identifier: BSD-3-Clause
// The writers of the three formats: a two-channel scan, title lines, long lines, empty tables
// and recordings of many chunks.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "convert/formats/OutputFormats.h"
#include "convert/scaling/SampleScaler.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/text/TextTable.h"
#include "recording/LittleEndian.h"

namespace vantrel {
namespace {

using test::ConvertHeld;
using test::ReadFileBytes;
using test::ReadFileText;
using test::StateFrom;
using test::TempDir;

constexpr int kScaledText = 0;
constexpr int kScaledBinary = 1;
constexpr int kCodesText = 2;

// One scan of card 1, two channels ascending, "+/-10V", words 1000 and F800 hex.
RecordingBuilder TwoChannelScan() {
    return test::TwoChannels(1);
}

class OutputWriters : public testing::Test {
  protected:
    // Converts `state` and returns the output file's bytes.
    std::vector<std::uint8_t> Convert(ConversionState& state, int format) {
        const std::string path = dir_.File("out.cvt");
        const auto outcome = ConvertHeld(state, path, format);
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write to " + path + " successful!"});
        return ReadFileBytes(path);
    }
    std::string ConvertText(ConversionState& state, int format) {
        const auto bytes = Convert(state, format);
        return std::string(bytes.begin(), bytes.end());
    }
    // Title lines alone, as WriteTitleLines puts them in a file.
    std::string Title(const ConversionState& state) {
        const std::string path = dir_.File("title.txt");
        OsFileApi files;
        File file = File::CreateOutput(files, path);
        {
            OutputBuffer out(file);
            WriteTitleLines(state.recording, WholeRecording(state.recording.header).columns,
                            state.options.separator, out);
            EXPECT_TRUE(out.Flush());
        }
        EXPECT_TRUE(file.Finish());
        return ReadFileText(path);
    }

    TempDir dir_;
};

TEST_F(OutputWriters, twoChannelScan_scaledText) {
    auto state = StateFrom(TwoChannelScan());
    state.options.separator = Separator::kTab;
    EXPECT_EQ(ConvertText(state, kScaledText),
              ";Mervik DAQ Data of Card MODEL_A\r\n"
              "Channel_0  \tChannel_1  \r\n"
              "  1.2500000\t -0.6250000\r\n");
}

TEST_F(OutputWriters, twoChannelScan_codesText) {
    auto state = StateFrom(TwoChannelScan());
    state.options.separator = Separator::kTab;
    EXPECT_EQ(ConvertText(state, kCodesText),
              ";Mervik DAQ Data of Card MODEL_A\r\n"
              "Channel_0  \tChannel_1  \r\n"
              "       4096\t      63488\r\n");
}

TEST_F(OutputWriters, twoChannelScan_scaledBinary) {
    auto state = StateFrom(TwoChannelScan());
    state.options.separator = Separator::kTab;
    EXPECT_EQ(
        Convert(state, kScaledBinary),
        (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xF4, 0x3F, 0, 0, 0, 0, 0, 0, 0xE4, 0xBF}));
}

TEST_F(OutputWriters, titleLine1_namesTheCard) {
    const std::pair<std::int16_t, const char*> cards[] = {
        {1, "MODEL_A"}, {2, "MODEL_B"}, {4, "MODEL_D"}, {7, "MODEL_G"}, {8, "MODEL_H"}, {0, " "}};
    for (const auto& [card, name] : cards) {
        RecordingBuilder b;
        b.header().SetCardType(card);
        const std::string title = Title(StateFrom(b));
        EXPECT_EQ(title.substr(0, title.find('\n') + 1),
                  std::string(";Mervik DAQ Data of Card ") + name + "\r\n");
    }
}

TEST_F(OutputWriters, titleLine2_byOrderCode) {
    struct Case {
        std::int16_t channels;
        std::int16_t order;
        std::uint8_t single;
        std::vector<std::uint8_t> queue;
        int separator;
        std::string line2;
    };
    const Case cases[] = {
        {1, 0, 12, {}, 0, "Channel_12 \r\n"},
        {1, 1, 100, {}, 0, "Channel_100\r\n"},
        {1, 2, 5, {7}, 0, "Channel_5  \r\n"},  // one channel: singleChannel, even in custom order
        {3, 0, 9, {}, 1, "Channel_0  \tChannel_1  \tChannel_2  \r\n"},
        {4, 1, 0, {}, 0, "Channel_3    Channel_2    Channel_1    Channel_0  \r\n"},
        {3, 2, 0, {2, 0, 1, 6}, 2, "Channel_2  , Channel_0  , Channel_1  \r\n"},
        {2, 3, 0, {4, 5}, 0, "\r\n"},
        {2, -1, 0, {}, 0, "\r\n"},
        {0, 0, 3, {}, 0, "\r\n"},
    };
    for (const Case& c : cases) {
        RecordingBuilder b;
        b.header().SetChannelCount(c.channels);
        b.header().SetOrderCode(c.order);
        b.header().SetSingleChannel(c.single);
        for (const auto channel : c.queue) {
            b.AddQueueEntry(channel, 1);
        }
        auto state = StateFrom(b);
        state.options.separator = SeparatorOfIndex(c.separator);
        EXPECT_EQ(Title(state), ";Mervik DAQ Data of Card MODEL_A\r\n" + c.line2)
            << c.channels << " channels, order " << c.order;
    }
}

TEST(ChannelLabel, leftAlignedInThreeCharacters) {
    EXPECT_EQ(ChannelLabel(0), "Channel_0  ");
    EXPECT_EQ(ChannelLabel(12), "Channel_12 ");
    EXPECT_EQ(ChannelLabel(100), "Channel_100");
    EXPECT_EQ(ChannelLabel(255), "Channel_255");
}

TEST_F(OutputWriters, linesLongerThan255CharactersAreWrittenWhole) {
    RecordingBuilder b;
    b.header().SetCardType(4);
    b.header().SetWidthCode(2);
    b.header().SetChannelCount(30);
    b.header().SetScanCount(1);
    b.header().SetRangeCode(35);
    for (int i = 0; i < 30; ++i) {
        b.AddWord32(0x00FE0000);  // -131072 -> -0.390625000, 12 characters
    }
    auto state = StateFrom(b);
    state.options.title = false;
    state.options.separator = Separator::kTab;
    std::string row;
    for (int i = 0; i < 30; ++i) {
        row += i == 0 ? "" : "\t";
        row += "-0.390625000";
    }
    row += "\r\n";
    ASSERT_GT(row.size(), 255u);
    EXPECT_EQ(ConvertText(state, kScaledText), row);

    state.options.title = true;
    const std::string codes = ConvertText(state, kCodesText);
    std::string labels;
    for (int i = 0; i < 30; ++i) {
        labels += (i == 0 ? "" : "\t") + ChannelLabel(i);
    }
    std::string cells;
    for (int i = 0; i < 30; ++i) {
        cells += i == 0 ? "    -131072" : "\t    -131072";
    }
    EXPECT_EQ(codes, ";Mervik DAQ Data of Card MODEL_D\r\n" + labels + "\r\n" + cells + "\r\n");
}

TEST_F(OutputWriters, zeroScans_textHoldsOnlyTheTitleAndBinaryIsEmpty) {
    RecordingBuilder b;
    b.header().SetChannelCount(2);
    b.header().SetScanCount(0);
    auto state = StateFrom(b);
    const std::string title = ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0    Channel_1  \r\n";
    EXPECT_EQ(ConvertText(state, kScaledText), title);
    EXPECT_EQ(ConvertText(state, kCodesText), title);
    EXPECT_TRUE(Convert(state, kScaledBinary).empty());
    state.options.title = false;
    EXPECT_EQ(ConvertText(state, kScaledText), "");
}

TEST_F(OutputWriters, zeroChannels_giveOneEmptyLinePerScan) {
    RecordingBuilder b;
    b.header().SetChannelCount(0);
    b.header().SetScanCount(3);
    auto state = StateFrom(b);
    state.options.title = false;
    EXPECT_EQ(ConvertText(state, kScaledText), "\r\n\r\n\r\n");
    EXPECT_EQ(ConvertText(state, kCodesText), "\r\n\r\n\r\n");
    EXPECT_TRUE(Convert(state, kScaledBinary).empty());
}

// A recording of several chunks: the files must equal what one pass over the whole block
// gives, cell for cell, with carried values crossing the chunk borders.
TEST_F(OutputWriters, recordingsOfManyChunksMatchOnePass) {
    struct Shape {
        std::int16_t card;
        std::int16_t channels;
        std::int32_t scans;
        std::int16_t order;
    };
    std::mt19937 random(99);
    for (const Shape& shape : {Shape{1, 3, 30001, 2}, Shape{4, 1, 70000, 0}, Shape{2, 7, 9363, 1},
                               Shape{7, 1000, 70, 0}}) {
        SCOPED_TRACE(testing::Message() << "card " << shape.card);
        RecordingBuilder b;
        b.header().SetCardType(shape.card);
        b.header().SetWidthCode(shape.card == 4 || shape.card == 7 ? 2 : 1);
        b.header().SetChannelCount(shape.channels);
        b.header().SetScanCount(shape.scans);
        b.header().SetOrderCode(shape.order);
        b.header().SetRangeCode(shape.card == 4 ? 35 : 1);
        b.AddQueueEntry(2, 2).AddQueueEntry(0, 1).AddQueueEntry(1, 23);
        const auto n = static_cast<std::size_t>(shape.channels) * shape.scans;
        for (std::size_t i = 0; i < n; ++i) {
            if (shape.card == 4 || shape.card == 7) {
                b.AddWord32(random() & 0x00FFFFFF);
            } else {
                b.AddWord16(static_cast<std::uint16_t>(random()));
            }
        }
        auto state = StateFrom(b);
        state.options.title = false;
        std::vector<double> values(n);
        SampleScaler(state.recording.header, state.recording.queue)
            .Scale(state.recording.samples->bytes(), values);
        std::vector<std::int32_t> codes(n);
        WidenCodes(state.recording.samples->bytes(), codes, n, shape.card);

        std::string scaled;
        std::string coded;
        std::vector<std::uint8_t> binary(8 * n);
        const char* format = shape.card == 4 ? "%11.9f" : shape.card == 2 ? "%11.6f" : "%11.7f";
        for (std::size_t k = 0; k < n; ++k) {
            const bool last = (k + 1) % shape.channels == 0;
            char cell[64];
            std::snprintf(cell, sizeof cell, format, values[k]);
            scaled += cell;
            scaled += last ? "\r\n" : "  ";
            std::snprintf(cell, sizeof cell, "%11d", codes[k]);
            coded += cell;
            coded += last ? "\r\n" : "  ";
            StoreLeDouble(binary.data() + 8 * k, values[k]);
        }
        EXPECT_TRUE(ConvertText(state, kScaledText) == scaled);
        EXPECT_TRUE(ConvertText(state, kCodesText) == coded);
        EXPECT_TRUE(Convert(state, kScaledBinary) == binary);
    }
}

// A source that serves its bytes and counts them.
class CountingSource final : public SampleSource {
  public:
    explicit CountingSource(std::uint64_t size) : size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::optional<std::span<const std::uint8_t>> Next(std::uint64_t count) override {
        largest = std::max(largest, count);
        served += count;
        buffer_.assign(count, 0);
        return std::span<const std::uint8_t>(buffer_);
    }
    std::uint64_t largest = 0;
    std::uint64_t served = 0;

  private:
    std::uint64_t size_;
    std::vector<std::uint8_t> buffer_;
};

TEST_F(OutputWriters, writersPullBoundedChunksOfWholeScans) {
    RecordingBuilder b;
    b.header().SetChannelCount(3);
    b.header().SetScanCount(100000);
    const auto state = StateFrom(b);
    for (const OutputFormatInfo* format : OutputFormats()) {
        SCOPED_TRACE(format->name);
        CountingSource source(600000);
        OsFileApi files;
        File file = File::CreateOutput(files, dir_.File("chunks.out"));
        OutputBuffer out(file);
        if (format->byName) {
            continue;  // the run hands these a file name; the readers' tests cover them
        }
        ProgressReporter progress({}, source.size());
        const RecordingFacts facts = FactsOf(state.recording);
        const SelectedPart part = WholeRecording(state.recording.header);
        std::string refusal;
        EXPECT_EQ(format->write(WriteJob{state.recording,
                                         state.options,
                                         part,
                                         facts,
                                         source,
                                         out,
                                         {},
                                         nullptr,
                                         progress,
                                         &refusal,
                                         {}}),
                  WriteResult::kWritten);
        EXPECT_EQ(source.served, 600000u);
        EXPECT_EQ(source.largest % 6, 0u);  // whole scans of three 2-byte samples
        EXPECT_LE(source.largest, 2 * kChunkSamples);
    }
}

}  // namespace
}  // namespace vantrel
