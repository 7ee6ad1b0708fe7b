// Recordings the converter refuses. A refusal comes before the output is created: an
// existing output keeps every byte, and a new one is never made.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "RecordingBuilder.h"
#include "convert/ConversionSession.h"
#include "convert/ConvertRun.h"

namespace vantrel::test {
namespace {

const std::vector<std::uint8_t> kPreviousOutput = {'o', 'l', 'd', '\r', '\n', 0, 0xFF};

struct RefusedCase {
    const char* name;
    std::function<void(RecordingBuilder&)> shape;
    const char* message;
};

// Names the case in test listings instead of its bytes.
void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

// Two channels, three scans, of 32-bit elements, which every width below can load.
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

void CustomOrder(RecordingBuilder& b) {
    b.header().SetOrderCode(2);
}

const RefusedCase kRefused[] = {
    {"card5", [](RecordingBuilder& b) { b = Base(5, 1); }, kUnsupportedCardMessage},
    {"card6", [](RecordingBuilder& b) { b = Base(6, 2); }, kUnsupportedCardMessage},
    {"card0", [](RecordingBuilder& b) { b = Base(0, 1); }, kUnsupportedCardMessage},
    {"card9", [](RecordingBuilder& b) { b = Base(9, 1); }, kUnsupportedCardMessage},
    {"cardNegative", [](RecordingBuilder& b) { b = Base(-1, 1); }, kUnsupportedCardMessage},
    {"card1Width32", [](RecordingBuilder& b) { b = Base(1, 2); }, kWidthMismatchMessage},
    {"card1Width8", [](RecordingBuilder& b) { b = Base(1, 0); }, kWidthMismatchMessage},
    {"card4Width16", [](RecordingBuilder& b) { b = Base(4, 1); }, kWidthMismatchMessage},
    {"card7Width8", [](RecordingBuilder& b) { b = Base(7, 0); }, kWidthMismatchMessage},
    {"customNoQueue",
     [](RecordingBuilder& b) {
         b = Base(1, 1);
         CustomOrder(b);
     },
     kQueueTooShortMessage},
    {"customQueueShorterThanChannels",
     [](RecordingBuilder& b) {
         b = Base(1, 1);
         CustomOrder(b);
         b.AddQueueEntry(0, 1);
     },
     kQueueTooShortMessage},
    {"card4CustomChannel8",
     [](RecordingBuilder& b) {
         b = Base(4, 2);
         CustomOrder(b);
         b.AddQueueEntry(0, 35).AddQueueEntry(8, 35);
     },
     kChannelOutOfRangeMessage},
    {"card4CustomChannel255",
     [](RecordingBuilder& b) {
         b = Base(4, 2);
         CustomOrder(b);
         b.AddQueueEntry(255, 35).AddQueueEntry(1, 35);
     },
     kChannelOutOfRangeMessage},
};

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, eachFormat_showsMessageAndTouchesNoOutput) {
    RecordingBuilder b;
    GetParam().shape(b);
    TempDir dir;
    b.WriteTo(dir.File("rec.daq"));
    WriteFileBytes(dir.File("existing.cvt"), kPreviousOutput);

    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));
    for (const int format : {0, 1, 2, -1}) {
        SCOPED_TRACE(format);
        session.Convert(dir.File("existing.cvt"), format);
        EXPECT_EQ(session.messages.texts, std::vector<std::string>{GetParam().message});
        EXPECT_EQ(ReadFileBytes(dir.File("existing.cvt")), kPreviousOutput);

        session.Convert(dir.File("new.cvt"), format);
        EXPECT_EQ(session.messages.texts, std::vector<std::string>{GetParam().message});
        EXPECT_FALSE(FileExists(dir.File("new.cvt")));
        EXPECT_EQ(session.files.openHandles, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Conversion, Refused, ::testing::ValuesIn(kRefused),
                         [](const auto& test) { return std::string(test.param.name); });

// The boundary of the last two refusals: a queue of exactly channelCount entries, and
// channel 7, convert.
TEST(Refused, card4CustomFullQueueChannel7_converts) {
    RecordingBuilder b = Base(4, 2);
    CustomOrder(b);
    b.AddQueueEntry(7, 35).AddQueueEntry(0, 35);
    TempDir dir;
    b.WriteTo(dir.File("rec.daq"));
    ConversionSession session;
    ASSERT_TRUE(session.Load(dir.File("rec.daq")));

    session.Convert(dir.File("out.cvt"), 1);

    EXPECT_EQ(session.messages.texts,
              std::vector<std::string>{SuccessMessage(dir.File("out.cvt"))});
    EXPECT_EQ(ReadFileBytes(dir.File("out.cvt")).size(), 6u * 8);
}

}  // namespace
}  // namespace vantrel::test
