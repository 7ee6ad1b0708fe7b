// SPDX-License-Identifier: BSD-3-Clause
// Conversion straight from the recording file, as the command-line tool does it: the load
// up to the sample read, then the sample block read chunk by chunk while converting.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "recording/LoadRecording.h"

namespace vantrel {
namespace {

using test::FaultyFileApi;
using test::FileExists;
using test::ReadFileBytes;
using test::RecordedMessages;
using test::TempDir;

// Two channels in custom order over several chunks, the second position carrying.
RecordingBuilder LongCustomOrder() {
    RecordingBuilder b;
    b.header().SetChannelCount(2);
    b.header().SetScanCount(150001);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(0, 1).AddQueueEntry(5, 23);
    for (int i = 0; i < 2 * 150001; ++i) {
        b.AddWord16(static_cast<std::uint16_t>(i * 7919));
    }
    return b;
}

constexpr std::uint64_t kSampleStart = RecordingHeader::kSize + 2 * ChannelGainEntry::kSize;

class StreamingConvert : public testing::Test {
  protected:
    void SetUp() override { LongCustomOrder().WriteTo(input_); }

    // Converts input_ to `output` with the Format list index `format`, from the file.
    test::RunOutcome Stream(FaultyFileApi& files, const std::string& output, int format) {
        RecordedMessages messages;
        ConversionState state;
        state.inputPath = input_;
        state.outputPath = output;
        state.options.format = FormatOfIndex(format);
        const bool ok = RunConversion(test::StreamRequest(state), Platform{files, messages}).done();
        return {ok, messages.texts};
    }

    TempDir dir_;
    const std::string input_ = dir_.File("long.daq");
};

TEST_F(StreamingConvert, givesTheBytesOfAWholeLoad) {
    const std::string streamed = dir_.File("streamed.out");
    const std::string whole = dir_.File("whole.out");
    for (const int format : {0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        FaultyFileApi files;
        const auto outcome = Stream(files, streamed, format);
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.messages,
                  std::vector<std::string>{"Write to " + streamed + " successful!"});
        EXPECT_EQ(files.openHandles, 0);
        // Every sample byte read once.
        EXPECT_EQ(files.bytesRead, kSampleStart + 4 * 150001);

        ConversionState state = test::StateFrom(LongCustomOrder(), input_);
        ASSERT_TRUE(test::ConvertHeld(state, whole, format).ok);
        EXPECT_TRUE(ReadFileBytes(streamed) == ReadFileBytes(whole));
    }
}

// A file that fails while its samples are read: the run reports the read error of a whole
// load and leaves an earlier output as it was.
TEST_F(StreamingConvert, readFailureMidway_reportsReadErrorAndLeavesNoOutput) {
    const std::uint64_t failAfter[] = {kSampleStart, kSampleStart + 300000,
                                       kSampleStart + 4 * 150001 - 1};
    const std::string output = dir_.File("out.cvt");
    for (const std::uint64_t bytes : failAfter) {
        for (const int format : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message()
                         << "reads fail after " << bytes << ", format " << format);
            test::WriteFileBytes(output, {'o', 'l', 'd'});
            FaultyFileApi files;
            files.failReadsAfterBytes = bytes;
            const auto outcome = Stream(files, output, format);
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.messages, std::vector<std::string>{"Read Input File Error!"});
            EXPECT_EQ(test::ReadFileText(output), "old");
            EXPECT_EQ(files.openHandles, 0);
        }
    }
}

// Long outputs are written in large blocks, the binary one straight from its array: a
// failure in any of them is reported and leaves no output behind.
TEST_F(StreamingConvert, writeFailureInALongOutput_reportsAndRemovesIt) {
    const std::string output = dir_.File("out.cvt");
    for (const std::uint64_t bytes :
         {std::uint64_t{0}, std::uint64_t{1} << 20, (std::uint64_t{2} << 20) + 12345}) {
        for (const int format : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message()
                         << "writes fail after " << bytes << ", format " << format);
            FaultyFileApi files;
            files.failWritesAfterBytes = bytes;
            const auto outcome = Stream(files, output, format);
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write Output File Error!"});
            EXPECT_FALSE(FileExists(output));
            EXPECT_EQ(files.openHandles, 0);
        }
    }
}

}  // namespace
}  // namespace vantrel
