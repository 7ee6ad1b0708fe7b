// SPDX-License-Identifier: BSD-3-Clause
// Recordings the converter refuses. A refusal comes before the output is created: an
// existing output keeps every byte, and a new one is never made.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "support/BuiltFormats.h"

namespace vantrel::test {
namespace {

const std::vector<std::uint8_t> kPreviousOutput = {'o', 'l', 'd', '\r', '\n', 0, 0xFF};

struct RefusedCase {
    const char* name;
    std::function<RecordingBuilder()> recording;
    const char* message;
};

// Names the case in test listings instead of its bytes.
void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

// Two channels, three scans, of 32-bit elements, which every width below can hold.
RecordingBuilder Base(std::int16_t card, std::int16_t widthCode) {
    RecordingBuilder b;
    b.header().SetCardType(card);
    b.header().SetWidthCode(widthCode);
    b.header().SetChannelCount(2);
    b.header().SetScanCount(3);
    for (int i = 0; i < 6; ++i) {
        b.AddWord32(0x00001234);
    }
    return b;
}

RecordingBuilder Custom(RecordingBuilder b) {
    b.header().SetOrderCode(2);
    return b;
}

const RefusedCase kRefused[] = {
    {"card5", [] { return Base(5, 1); }, kUnsupportedCardMessage},
    {"card6", [] { return Base(6, 2); }, kUnsupportedCardMessage},
    {"card0", [] { return Base(0, 1); }, kUnsupportedCardMessage},
    {"card9", [] { return Base(9, 1); }, kUnsupportedCardMessage},
    {"cardNegative", [] { return Base(-3, 1); }, kUnsupportedCardMessage},
    {"card1Width32", [] { return Base(1, 2); }, kWidthMismatchMessage},
    {"card1Width8", [] { return Base(1, 0); }, kWidthMismatchMessage},
    {"card4Width16", [] { return Base(4, 1); }, kWidthMismatchMessage},
    {"card7Width16", [] { return Base(7, 1); }, kWidthMismatchMessage},
    {"card7Width8", [] { return Base(7, 0); }, kWidthMismatchMessage},
    {"blockShorterThanN",
     [] {
         RecordingBuilder b = TwoChannels(2);
         b.header().SetScanCount(3);
         return b;
     },
     kWidthMismatchMessage},
    // 8192 x 65536 samples: 8 x N is 2^32, which a 32-bit size would wrap to 0.
    {"nBeyond32BitSizes",
     [] {
         RecordingBuilder b = TwoChannels(2);
         b.header().SetChannelCount(8192);
         b.header().SetScanCount(65536);
         return b;
     },
     kWidthMismatchMessage},
    {"customNoQueue", [] { return Custom(Base(1, 1)); }, kQueueTooShortMessage},
    {"customQueueShorterThanChannels",
     [] {
         RecordingBuilder b = Custom(Base(1, 1));
         b.AddQueueEntry(0, 1);
         return b;
     },
     kQueueTooShortMessage},
    {"card4CustomChannel8",
     [] {
         RecordingBuilder b = Custom(Base(4, 2));
         b.AddQueueEntry(0, 35).AddQueueEntry(8, 35);
         return b;
     },
     kChannelOutOfRangeMessage},
    {"card4CustomChannel255",
     [] {
         RecordingBuilder b = Custom(Base(4, 2));
         b.AddQueueEntry(255, 35).AddQueueEntry(1, 35);
         return b;
     },
     kChannelOutOfRangeMessage},
};

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, eachFormat_showsMessageAndTouchesNoOutput) {
    TempDir dir;
    WriteFileBytes(dir.File("existing.cvt"), kPreviousOutput);
    ConversionState state = StateFrom(GetParam().recording(), dir.File("rec.daq"));
    for (const int format : {0, 1, 2, -1}) {
        SCOPED_TRACE(format);
        FaultyFileApi files;
        auto outcome = ConvertHeld(state, dir.File("existing.cvt"), format, files);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{GetParam().message});
        EXPECT_EQ(ReadFileBytes(dir.File("existing.cvt")), kPreviousOutput);

        outcome = ConvertHeld(state, dir.File("new.cvt"), format, files);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{GetParam().message});
        EXPECT_FALSE(FileExists(dir.File("new.cvt")));
        EXPECT_EQ(files.openHandles, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Conversion, Refused, ::testing::ValuesIn(kRefused),
                         [](const auto& test) { return std::string(test.param.name); });

// The boundaries of the last refusals: a queue of exactly channelCount entries with channel
// 7, and a channel above 7 in an entry past channelCount (it governs no sample), convert.
TEST(Refused, card4CustomQueueBoundaries_convert) {
    TempDir dir;
    RecordingBuilder full = Custom(Base(4, 2));
    full.AddQueueEntry(7, 35).AddQueueEntry(0, 35);
    ConversionState state = StateFrom(full);
    EXPECT_TRUE(ConvertHeld(state, dir.File("full.cvt"), 1).ok);
    EXPECT_EQ(ReadFileBytes(dir.File("full.cvt")).size(), 6u * 8);

    RecordingBuilder past;
    past.header().SetCardType(4);
    past.header().SetWidthCode(2);
    past.header().SetChannelCount(1);
    past.header().SetScanCount(1);
    past.header().SetOrderCode(2);
    past.AddQueueEntry(1, 35).AddQueueEntry(200, 35);
    past.AddWord32(0x00400000);
    state = StateFrom(past);
    state.options.title = false;
    EXPECT_TRUE(ConvertHeld(state, dir.File("past.cvt"), 0).ok);
    EXPECT_EQ(ReadFileText(dir.File("past.cvt")), "12.500000000\r\n");
}

// Recordings a format cannot hold, refused with a message that says why, and the earlier
// output kept: before anything is written, or (a code BDF cannot hold) on meeting it.
TEST(Refused, recordingsTheEdfFormatsCannotHold) {
    const auto card7 = [](std::uint32_t word) {
        RecordingBuilder b = Base(7, 2);
        b.AddWord32(word).AddWord32(0);  // a seventh and eighth sample: four scans
        b.header().SetScanCount(4);
        return b;
    };
    const struct {
        const char* what;
        OutputFormat format;
        RecordingBuilder recording;
        const char* message;
    } cases[] = {
        {"24-bit card as EDF", OutputFormat::kEdf, Base(4, 2),
         "EDF holds 16-bit samples: write this card's recordings as bdf!"},
        {"code past 24 bits", OutputFormat::kBdf, card7(0x01000000),
         "A sample code needs more than 24 bits: the recording cannot be written as BDF!"},
        {"no scans", OutputFormat::kBdf,
         [] {
             RecordingBuilder b = TwoChannels(0);
             return b;
         }(),
         "EDF and BDF files hold at least one data record: no scans!"},
        {"rate with no whole record", OutputFormat::kEdf,
         [] {
             RecordingBuilder b = TwoChannels(2);
             b.header().SetScanRate(3.14159);
             return b;
         }(),
         "The scan rate gives no data record of EDF and BDF a whole number of scans!"},
        {"rate zero", OutputFormat::kBdf,
         [] {
             RecordingBuilder b = TwoChannels(2);
             b.header().SetScanRate(0.0);
             return b;
         }(),
         "The scan rate gives no data record of EDF and BDF a whole number of scans!"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!test::FormatIsBuilt(c.format)) {
            continue;
        }
        WriteFileBytes(dir.File("existing.edf"), kPreviousOutput);
        ConversionState state = StateFrom(c.recording);
        state.options.format = c.format;
        const auto outcome =
            ConvertHeld(state, dir.File("existing.edf"), static_cast<int>(c.format));
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(ReadFileBytes(dir.File("existing.edf")), kPreviousOutput);
    }
}

// A source that claims a block it never hands out: a refusal comes before any sample.
class ClaimedBlock final : public SampleSource {
  public:
    explicit ClaimedBlock(std::uint64_t size) : size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::optional<std::span<const std::uint8_t>> Next(std::uint64_t) override {
        ADD_FAILURE() << "a refused recording is read";
        return std::nullopt;
    }

  private:
    std::uint64_t size_;
};

// MATLAB 5 sizes a variable in 32 bits: `scaled` of 2 GiB or more is refused before the
// output exists, with a message that names the format that holds it; one sample less fits.
TEST(Refused, mat5VariableOf2GiB_pointsToMat) {
    if (!test::FormatIsBuilt(OutputFormat::kMat5)) {
        GTEST_SKIP() << "this build writes no MATLAB files";
    }
    TempDir dir;
    WriteFileBytes(dir.File("existing.mat"), kPreviousOutput);
    for (const std::int32_t scans : {1 << 25, (1 << 25) - 1}) {
        RecordingBuilder b;
        b.header().SetChannelCount(8);
        b.header().SetScanCount(scans);  // 8 x 2^25 doubles: 2 GiB
        ConversionState state = StateFrom(b);
        state.outputPath = dir.File("existing.mat");
        state.options.format = OutputFormat::kMat5;
        ClaimedBlock source(std::uint64_t{2} * 8 * static_cast<std::uint64_t>(scans));
        FaultyFileApi files;
        RecordedMessages messages;
        if (scans == 1 << 25) {
            EXPECT_EQ(ConvertToOutput(state.recording, test::HeldRequest(state), source,
                                      Platform{files, messages})
                          .kind,
                      OutcomeKind::kRefused);
            EXPECT_EQ(messages.texts,
                      std::vector<std::string>{"Recording too large for a MATLAB 5 file (2 GiB "
                                               "per variable): use the mat format!"});
            EXPECT_EQ(ReadFileBytes(dir.File("existing.mat")), kPreviousOutput);
        } else {
            // Not refused: the run goes on to read the block, which this source does not have.
            EXPECT_EQ(FormatInfo(OutputFormat::kMat5)
                          .refuse(state.recording.header, WholeRecording(state.recording.header)),
                      std::nullopt);
        }
    }
}

// The header counts data records in 8 characters: a part of more records is refused before
// the output is created, one of exactly as many is not.
TEST(Refused, edfPartsOfMoreRecordsThanTheHeaderCounts) {
    RecordingBuilder b = TwoChannels(2);
    b.header().SetScanRate(1.0);  // a scan a record
    SelectedPart part;
    part.columns = {0, 1};
    for (const OutputFormat format : {OutputFormat::kEdf, OutputFormat::kBdf}) {
        if (!test::FormatIsBuilt(format)) {
            continue;
        }
        part.scans = 99999999;
        EXPECT_EQ(FormatInfo(format).refuse(b.header(), part), std::nullopt);
        part.scans = 100000000;
        EXPECT_EQ(FormatInfo(format).refuse(b.header(), part),
                  "EDF and BDF files hold at most 99999999 data records!");
    }
}

}  // namespace
}  // namespace vantrel::test
