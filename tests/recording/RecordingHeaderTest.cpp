// SPDX-License-Identifier: BSD-3-Clause
#include "recording/RecordingHeader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

namespace vantrel {
namespace {

RecordingHeader WithBytes(std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
    RecordingHeader h;
    std::size_t i = offset;
    for (std::uint8_t b : bytes) {
        h.bytes()[i++] = b;
    }
    return h;
}

TEST(RecordingHeaderTest, accessors_decodeLittleEndianAtTheirOffsets) {
    EXPECT_EQ(WithBytes(10, {0x34, 0x12}).cardType(), 0x1234);
    EXPECT_EQ(WithBytes(12, {0x08, 0x00}).channelCount(), 8);
    EXPECT_EQ(WithBytes(15, {0x04, 0x03, 0x02, 0x01}).scanCount(), 0x01020304);
    EXPECT_EQ(WithBytes(19, {0x01, 0x00}).widthCode(), 1);
    EXPECT_EQ(WithBytes(21, {0x02, 0x00}).orderCode(), 2);
    EXPECT_EQ(WithBytes(23, {0x24, 0x00}).rangeCode(), 36);
    EXPECT_EQ(WithBytes(33, {0x10, 0x01}).queueCount(), 0x0110);
    // 2000.0 is 0x409F400000000000.
    EXPECT_EQ(WithBytes(25, {0, 0, 0, 0, 0, 0x40, 0x9F, 0x40}).scanRate(), 2000.0);
}

TEST(RecordingHeaderTest, accessors_areSignedExceptSingleChannel) {
    EXPECT_EQ(WithBytes(10, {0x00, 0x80}).cardType(), -32768);
    EXPECT_EQ(WithBytes(12, {0xFF, 0xFF}).channelCount(), -1);
    EXPECT_EQ(WithBytes(15, {0xFE, 0xFF, 0xFF, 0xFF}).scanCount(), -2);
    EXPECT_EQ(WithBytes(15, {0x00, 0x00, 0x00, 0x80}).scanCount(), INT32_MIN);
    EXPECT_EQ(WithBytes(19, {0xFF, 0xFF}).widthCode(), -1);
    EXPECT_EQ(WithBytes(23, {0xFE, 0xFF}).rangeCode(), -2);
    EXPECT_EQ(WithBytes(33, {0xFD, 0xFF}).queueCount(), -3);
    EXPECT_EQ(WithBytes(14, {0xC8}).singleChannel(), 200);
}

TEST(RecordingHeaderTest, oddOffsetFields_doNotBleedIntoNeighbours) {
    // scanCount (15..18) and scanRate (25..32) sit at odd offsets between 16-bit fields.
    RecordingHeader h;
    h.SetSingleChannel(0xAA);
    h.SetScanCount(-1);
    h.SetWidthCode(0x1122);
    h.SetRangeCode(0x3344);
    h.SetScanRate(-1.5);
    h.SetQueueCount(0x5566);
    EXPECT_EQ(h.singleChannel(), 0xAA);
    EXPECT_EQ(h.scanCount(), -1);
    EXPECT_EQ(h.widthCode(), 0x1122);
    EXPECT_EQ(h.rangeCode(), 0x3344);
    EXPECT_EQ(h.scanRate(), -1.5);
    EXPECT_EQ(h.queueCount(), 0x5566);
    EXPECT_EQ(h.bytes()[15], 0xFF);
    EXPECT_EQ(h.bytes()[18], 0xFF);
    EXPECT_EQ(h.bytes()[19], 0x22);
    EXPECT_EQ(h.bytes()[25], 0x00);
    EXPECT_EQ(h.bytes()[32], 0xBF);  // -1.5 is 0xBFF8000000000000
    EXPECT_EQ(h.bytes()[33], 0x66);
}

TEST(RecordingHeaderTest, textFieldsAndCardSettings_areRawBytesAtTheirOffsets) {
    RecordingHeader h;
    h.SetStartDate("09/15/99");
    h.SetStartTime("15:27");
    h.SetStartMillis("480");
    h.SetCardSetting(0, 7);
    h.SetCardSetting(5, 9);
    EXPECT_EQ(h.bytes()[35], '0');
    EXPECT_EQ(h.bytes()[42], '9');
    EXPECT_EQ(h.bytes()[43], '1');
    EXPECT_EQ(h.bytes()[48], 0);  // a short text is padded with NUL
    EXPECT_EQ(h.bytes()[51], '4');
    EXPECT_EQ(h.bytes()[53], '0');
    EXPECT_EQ(h.bytes()[54], 7);
    EXPECT_EQ(h.bytes()[59], 9);
    EXPECT_EQ(h.cardSetting(0), 7);
    EXPECT_EQ(h.startTime()[4], '7');
}

TEST(RecordingHeaderTest, elementSize_byWidthCode) {
    const std::pair<std::int16_t, int> cases[] = {{0, 1}, {1, 2}, {2, 4}, {5, 4}, {-1, 4}};
    for (const auto& [width, size] : cases) {
        RecordingHeader h;
        h.SetWidthCode(width);
        EXPECT_EQ(h.elementSize(), size) << "widthCode " << width;
    }
}

TEST(RecordingHeaderTest, hasMagic_needsAllTenBytesExactly) {
    RecordingHeader h;
    h.SetMagic("MervikDAQ1");
    EXPECT_TRUE(h.HasMagic());
    for (const char* wrong : {"mervikDAQ1", "MervikDAQ2", "MERVIKDAQ1", "MervikDAQ", ""}) {
        RecordingHeader other;
        other.SetMagic(wrong);
        EXPECT_FALSE(other.HasMagic()) << wrong;
    }
}

}  // namespace
}  // namespace vantrel
