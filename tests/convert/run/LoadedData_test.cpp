// SPDX-License-Identifier: BSD-3-Clause
// A load keeps the whole recording in memory and closes the file, so what happens to the
// file afterwards must not reach the conversion: it converts what was loaded.

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "RecordingBuilder.h"
#include "convert/run/ConversionSession.h"
#include "convert/run/ConvertRun.h"

namespace vantrel::test {
namespace {

// The first scan of TwoChannelRecording in each format (tab separator, title on).
const std::string kScaledTextStart =
    ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0  \tChannel_1  \r\n  1.2500000\t -0.6250000\r\n";
const std::string kCodesTextStart =
    ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0  \tChannel_1  \r\n       4096\t      63488\r\n";
const std::vector<std::uint8_t> kBinaryStart = {0, 0, 0, 0, 0, 0, 0xF4, 0x3F,
                                                0, 0, 0, 0, 0, 0, 0xE4, 0xBF};

// Something else entirely at the recording's path: another card, other counts and codes.
std::vector<std::uint8_t> OtherRecording() {
    RecordingBuilder b;
    b.header().SetCardType(4);
    b.header().SetWidthCode(2);
    b.header().SetRangeCode(35);
    b.header().SetChannelCount(3);
    b.header().SetScanCount(2);
    for (int i = 0; i < 6; ++i) {
        b.AddWord32(0x00400000);
    }
    return b.Bytes();
}

enum class Change { kDelete, kRewriteOther, kRewriteGarbage, kTruncate };

const char* ChangeName(Change change) {
    switch (change) {
        case Change::kDelete:
            return "deleted";
        case Change::kRewriteOther:
            return "rewrittenWithOtherRecording";
        case Change::kRewriteGarbage:
            return "rewrittenWithGarbage";
        case Change::kTruncate:
            return "truncatedToZero";
    }
    return "unknown";
}

void PrintTo(Change change, std::ostream* os) {
    *os << ChangeName(change);
}

void ApplyChange(Change change, const std::string& path) {
    switch (change) {
        case Change::kDelete:
            std::filesystem::remove(path);
            break;
        case Change::kRewriteOther:
            WriteFileBytes(path, OtherRecording());
            break;
        case Change::kRewriteGarbage:
            WriteFileBytes(path, {'n', 'o', 't', ' ', 'a', ' ', 'r', 'e', 'c'});
            break;
        case Change::kTruncate:
            WriteFileBytes(path, {});
            break;
    }
}

class ChangedAfterLoad : public ::testing::TestWithParam<Change> {};

TEST_P(ChangedAfterLoad, eachFormat_convertsWhatWasLoaded) {
    TempDir dir;
    const std::string recording = dir.File("rec.daq");
    WriteFileBytes(recording, TwoChannelRecording(3));
    ConversionSession session;
    ASSERT_TRUE(session.Load(recording));
    const RecordingHeader loadedHeader = session.state.recording.header;

    ApplyChange(GetParam(), recording);

    for (const int format : {0, 1, 2}) {
        SCOPED_TRACE(format);
        const std::string output = dir.File("out" + std::to_string(format) + ".cvt");
        session.Convert(output, format);
        ASSERT_EQ(session.messages.texts, std::vector<std::string>{SuccessMessage(output)});
        const auto bytes = ReadFileBytes(output);
        const std::string text(bytes.begin(), bytes.end());
        switch (format) {
            case 0:
                EXPECT_EQ(text.size(), 59u + 3 * 25);
                EXPECT_TRUE(text.starts_with(kScaledTextStart)) << text;
                break;
            case 1:
                ASSERT_EQ(bytes.size(), 3u * 2 * 8);
                EXPECT_TRUE(std::equal(kBinaryStart.begin(), kBinaryStart.end(), bytes.begin()));
                break;
            default:
                EXPECT_EQ(text.size(), 59u + 3 * 25);
                EXPECT_TRUE(text.starts_with(kCodesTextStart)) << text;
        }
    }
    EXPECT_EQ(session.state.recording.header, loadedHeader);
    EXPECT_EQ(session.files.openHandles, 0);
}

INSTANTIATE_TEST_SUITE_P(Recording, ChangedAfterLoad,
                         ::testing::Values(Change::kDelete, Change::kRewriteOther,
                                           Change::kRewriteGarbage, Change::kTruncate),
                         [](const auto& test) { return ChangeName(test.param); });

// A rewritten recording still sits at the loaded path, so naming it as output is refused
// and its new bytes survive.
TEST(ChangedAfterLoad, rewrittenThenNamedAsOutput_refusesAndKeepsNewBytes) {
    TempDir dir;
    const std::string recording = dir.File("rec.daq");
    WriteFileBytes(recording, TwoChannelRecording(3));
    ConversionSession session;
    ASSERT_TRUE(session.Load(recording));
    WriteFileBytes(recording, OtherRecording());

    session.Convert(recording);

    EXPECT_EQ(session.messages.texts, std::vector<std::string>{kOutputIsInputMessage});
    EXPECT_EQ(ReadFileBytes(recording), OtherRecording());
}

}  // namespace
}  // namespace vantrel::test
