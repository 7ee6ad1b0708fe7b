// SPDX-License-Identifier: BSD-3-Clause
#include "recording/LoadRecording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "support/TestPlatform.h"
#include "support/WindowRun.h"

namespace vantrel {
namespace {

// What a load can change, captured to compare before and after.
struct Snapshot {
    RecordingHeader header;
    ChannelGainQueue queue;
    std::optional<std::vector<std::uint8_t>> samples;
    std::string loadedPath;
    DisplayTexts texts;

    explicit Snapshot(const ConversionState& s)
        : header(s.recording.header),
          queue(s.recording.queue),
          loadedPath(s.recording.loadedPath),
          texts(s.display) {
        if (s.recording.samples) {
            samples.emplace(s.recording.samples->bytes().begin(),
                            s.recording.samples->bytes().end());
        }
    }
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

// Card 3, two channels in custom order, three scans: the recording loaded before a failure.
RecordingBuilder EarlierRecording() {
    RecordingBuilder b;
    b.header().SetCardType(3);
    b.header().SetChannelCount(2);
    b.header().SetOrderCode(2);
    b.header().SetScanCount(3);
    b.AddQueueEntry(1, 10).AddQueueEntry(0, 25);
    for (std::uint16_t w : {1, 2, 3, 4, 5, 6}) {
        b.AddWord16(w);
    }
    return b;
}

// Another recording, differing from the earlier one in every count.
RecordingBuilder OtherRecording() {
    RecordingBuilder b;
    b.header().SetCardType(7);
    b.header().SetChannelCount(3);
    b.header().SetWidthCode(2);
    b.header().SetScanCount(2);
    b.header().SetRangeCode(1);
    for (std::uint32_t w = 0; w < 6; ++w) {
        b.AddWord32(0x00100000u * w);
    }
    return b;
}

class LoadRecordingTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = dir.File(name);
        test::WriteFileBytes(path, bytes);
        return path;
    }

    bool Load(const std::string& path) {
        state.inputPath = path;
        return test::LoadInto(state, platform, view);
    }

    // Loads the earlier recording and forgets its messages and View switch.
    void LoadEarlier() {
        ASSERT_TRUE(Load(Write("earlier.daq", EarlierRecording().Bytes())));
        messages.texts.clear();
        view.state.reset();
        files.bytesRead = 0;
    }

    void ExpectNothingOpen() { EXPECT_EQ(files.openHandles, 0); }

    test::TempDir dir;
    test::RecordedMessages messages;
    test::RecordedView view;
    test::FaultyFileApi files;
    Platform platform{files, messages};
    ConversionState state;
};

using Messages = std::vector<std::string>;

TEST_F(LoadRecordingTest, load_validFile_holdsHeaderQueueSamplesAndTexts) {
    const auto builder = EarlierRecording();
    ASSERT_TRUE(Load(Write("a.daq", builder.Bytes())));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(view.state, true);
    EXPECT_EQ(state.recording.header, builder.header());
    EXPECT_EQ(state.recording.queue, (ChannelGainQueue{{1, 10}, {0, 25}}));
    ASSERT_TRUE(state.recording.samples);
    const auto bytes = builder.Bytes();
    EXPECT_EQ(std::vector<std::uint8_t>(state.recording.samples->bytes().begin(),
                                        state.recording.samples->bytes().end()),
              std::vector<std::uint8_t>(bytes.begin() + 64, bytes.end()));
    EXPECT_EQ(state.recording.loadedPath, dir.File("a.daq"));
    EXPECT_EQ(state.display[DisplayField::kCard], "MODEL_C");
    EXPECT_EQ(state.display[DisplayField::kQueue], "2");
    ExpectNothingOpen();
}

// The digest covers the whole file, bytes after the block included; a load that skips it
// leaves it empty and reads nothing past the block.
TEST_F(LoadRecordingTest, load_takesTheFilesDigestUnlessSkipped) {
    auto bytes = EarlierRecording().Bytes();
    const std::string path = Write("a.daq", bytes);
    ASSERT_TRUE(Load(path));
    const std::string whole = state.recording.sourceSha256;
    EXPECT_EQ(whole.size(), 64u);
    bytes.push_back(0x5A);  // after the block: not a sample, but part of the file
    Write("a.daq", bytes);
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(state.recording.sourceSha256.size(), 64u);
    EXPECT_NE(state.recording.sourceSha256, whole);

    files.bytesRead = 0;
    state.inputPath = path;
    ASSERT_TRUE(test::LoadInto(state, platform, view, SourceDigest::kSkip));
    EXPECT_EQ(state.recording.sourceSha256, "");
    EXPECT_EQ(files.bytesRead, bytes.size() - 1);
    ExpectNothingOpen();
}

TEST_F(LoadRecordingTest, load_fileThatCannotBeOpened_changesNothingSilently) {
    LoadEarlier();
    const Snapshot before(state);
    for (const std::string& path : {dir.File("missing.daq"), dir.path()}) {
        EXPECT_FALSE(Load(path)) << path;
        EXPECT_TRUE(messages.texts.empty()) << path;
        EXPECT_FALSE(view.state.has_value()) << path;
        EXPECT_TRUE(Snapshot(state) == before) << path;
        ExpectNothingOpen();
    }
}

struct RejectedCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

std::vector<RejectedCase> RejectedFiles() {
    const auto other = OtherRecording().Bytes();
    auto withMagicByte = [&](std::size_t i, std::uint8_t b) {
        auto bytes = other;
        bytes[i] = b;
        return bytes;
    };
    return {
        {"empty", {}},
        {"magicOnly", {other.begin(), other.begin() + 10}},
        {"59Bytes", {other.begin(), other.begin() + 59}},
        {"lastMagicByte", withMagicByte(9, '2')},
        {"firstMagicByteCase", withMagicByte(0, 'm')},
        {"innerMagicByteCase", withMagicByte(7, 'a')},
    };
}

TEST_F(LoadRecordingTest, load_rejectedFile_showsMessageAndLeavesEverythingAsBefore) {
    LoadEarlier();
    const Snapshot before(state);
    for (const auto& c : RejectedFiles()) {
        messages.texts.clear();
        EXPECT_FALSE(Load(Write(std::string(c.name) + ".daq", c.bytes))) << c.name;
        EXPECT_EQ(messages.texts, Messages{"Isn't Mervik DAQ File!"}) << c.name;
        EXPECT_FALSE(view.state.has_value()) << c.name;
        // The header too stays that of the earlier file, matching its queue and samples.
        EXPECT_TRUE(Snapshot(state) == before) << c.name;
        ExpectNothingOpen();
    }
}

struct NegativeCountCase {
    std::int16_t channels;
    std::int32_t scans;
};

TEST_F(LoadRecordingTest, load_negativeCount_isTooLargeWithTheNewHeaderPresented) {
    const NegativeCountCase cases[] = {{-1, 5},  {3, -1}, {-2, -3}, {-32768, INT32_MIN},
                                       {-1, -1}, {0, -1}};
    for (const auto& c : cases) {
        LoadEarlier();
        RecordingBuilder b = OtherRecording();
        b.header().SetChannelCount(c.channels);
        b.header().SetScanCount(c.scans);
        b.AddQueueEntry(4, 1);
        const std::string path = Write("negative.daq", b.Bytes());
        const std::string where =
            "channels " + std::to_string(c.channels) + ", scans " + std::to_string(c.scans);

        EXPECT_FALSE(Load(path)) << where;
        EXPECT_EQ(messages.texts, Messages{"File size is too large"}) << where;
        EXPECT_EQ(state.recording.header, b.header()) << where;
        EXPECT_EQ(state.recording.queue, (ChannelGainQueue{{4, 1}})) << where;
        EXPECT_EQ(state.recording.loadedPath, path) << where;
        EXPECT_EQ(state.display[DisplayField::kScan], std::to_string(c.scans)) << where;
        EXPECT_FALSE(state.recording.samples.has_value()) << where;
        EXPECT_EQ(view.state, true) << where;
        ExpectNothingOpen();
    }
}

TEST_F(LoadRecordingTest, load_fileOneByteShortOfSamples_isReadErrorAndDropsSamples) {
    LoadEarlier();
    RecordingBuilder b = OtherRecording();  // no queue: View goes off
    auto bytes = b.Bytes();
    bytes.pop_back();
    const std::string path = Write("short.daq", bytes);

    EXPECT_FALSE(Load(path));
    EXPECT_EQ(messages.texts, Messages{"Read Input File Error!"});
    EXPECT_EQ(state.recording.header, b.header());
    EXPECT_TRUE(state.recording.queue.empty());
    EXPECT_EQ(state.recording.loadedPath, path);
    EXPECT_EQ(state.display[DisplayField::kCard], "MODEL_G");
    EXPECT_FALSE(state.recording.samples.has_value());
    EXPECT_EQ(view.state, false);
    ExpectNothingOpen();
}

TEST_F(LoadRecordingTest, load_readErrorInSamples_isReadErrorAndDropsSamples) {
    LoadEarlier();
    RecordingBuilder b = OtherRecording();
    b.AddQueueEntry(0, 1);
    files.failReadsAfterBytes = RecordingHeader::kSize + 2;  // header and queue arrive
    EXPECT_FALSE(Load(Write("error.daq", b.Bytes())));
    EXPECT_EQ(messages.texts, Messages{"Read Input File Error!"});
    EXPECT_FALSE(state.recording.samples.has_value());
    EXPECT_EQ(state.recording.queue, (ChannelGainQueue{{0, 1}}));
    EXPECT_EQ(view.state, true);
    ExpectNothingOpen();
}

// A block of two and a half load chunks is read chunk by chunk, whether the file tells its
// size or not; a progress callback that answers false leaves the state of a failed sample
// read, without a message.
TEST_F(LoadRecordingTest, load_reportsEachChunk_andStopsSilentlyWhenCancelled) {
    constexpr std::uint64_t kTotal = kLoadChunk * 5 / 2;
    RecordingBuilder b;
    b.header().SetScanCount(static_cast<std::int32_t>(kTotal / 2));
    b.AddQueueEntry(0, 1).AddBytes(std::vector<std::uint8_t>(kTotal, 0x5A));
    const std::string path = Write("long.daq", b.Bytes());
    const std::vector<std::uint64_t> reports{kLoadChunk, 2 * kLoadChunk, kTotal};
    for (bool sizeUnknown : {false, true}) {
        for (std::size_t stopAt : {0, 1, 3}) {  // 0: never; n: the n-th report answers false
            LoadEarlier();
            files.sizeUnknown = sizeUnknown;
            std::vector<std::uint64_t> seen;
            const ProgressCallback progress = [&](std::uint64_t done, std::uint64_t total) {
                seen.push_back(total == kTotal ? done : 0);
                return seen.size() != stopAt;
            };
            state.inputPath = path;
            const bool loaded =
                test::LoadInto(state, platform, view, SourceDigest::kTake, progress);
            files.sizeUnknown = false;
            const auto expected =
                stopAt == 0 ? reports : std::vector(reports.begin(), reports.begin() + stopAt);
            EXPECT_EQ(seen, expected) << sizeUnknown << stopAt;
            EXPECT_EQ(loaded, stopAt == 0);
            EXPECT_TRUE(messages.texts.empty());
            EXPECT_EQ(state.recording.header, b.header());
            EXPECT_EQ(state.recording.loadedPath, path);
            EXPECT_EQ(view.state, true);
            EXPECT_EQ(state.recording.samples.has_value(), loaded);
            EXPECT_EQ(loaded ? state.recording.samples->size() : kTotal, kTotal);
            ExpectNothingOpen();
        }
    }
}

RecordingBuilder HugeClaim() {
    // 32767 channels x (2^31 - 1) scans x 4 bytes: about 2.8e14 bytes, in a tiny file.
    RecordingBuilder b;
    b.header().SetCardType(7);
    b.header().SetChannelCount(32767);
    b.header().SetScanCount(INT32_MAX);
    b.header().SetWidthCode(2);
    b.AddBytes(std::vector<std::uint8_t>(100, 0x55));
    return b;
}

TEST_F(LoadRecordingTest, load_sizeBeyondTheFile_isReadErrorBeforeAllocating) {
    LoadEarlier();
    // Allocating 2.8e14 bytes would fail ("File size is too large"), or under the address
    // sanitizer abort the test; the read error proves the size was refused first.
    EXPECT_FALSE(Load(Write("huge.daq", HugeClaim().Bytes())));
    EXPECT_EQ(messages.texts, Messages{"Read Input File Error!"});
    EXPECT_EQ(files.bytesRead, RecordingHeader::kSize);  // no sample read was attempted
    EXPECT_FALSE(state.recording.samples.has_value());
    EXPECT_EQ(state.recording.header, HugeClaim().header());
    ExpectNothingOpen();
}

// A pipe cannot be checked against the header before reading, so its block grows with the
// data that arrives: the claim is never reserved, and the short data is a read error.
TEST_F(LoadRecordingTest, load_hugeClaimOfUnknownSize_isReadErrorWithoutReserving) {
    files.sizeUnknown = true;
    EXPECT_FALSE(Load(Write("huge.daq", HugeClaim().Bytes())));
    EXPECT_EQ(messages.texts, Messages{"Read Input File Error!"});
    EXPECT_FALSE(state.recording.samples.has_value());
    ExpectNothingOpen();
}

TEST_F(LoadRecordingTest, load_fileEndingInsideQueue_readsMissingEntriesAsZero) {
    // queueCount 4, but only three queue bytes and no samples (scanCount 0): the load
    // succeeds, and whatever the file did not supply reads as zero.
    LoadEarlier();
    RecordingBuilder b;
    b.header().SetQueueCount(4);
    b.header().SetScanCount(0);
    auto bytes = b.Bytes();
    bytes.insert(bytes.end(), {5, 1, 7});
    EXPECT_TRUE(Load(Write("short-queue.daq", bytes)));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(state.recording.queue, (ChannelGainQueue{{5, 1}, {7, 0}, {0, 0}, {0, 0}}));
    ASSERT_TRUE(state.recording.samples.has_value());
    EXPECT_EQ(state.recording.samples->size(), 0u);
    EXPECT_EQ(view.state, true);
    ExpectNothingOpen();
}

TEST_F(LoadRecordingTest, load_fileEndingInsideQueueWithSamplesDue_isReadError) {
    RecordingBuilder b;
    b.header().SetQueueCount(4);
    b.header().SetScanCount(1);
    auto bytes = b.Bytes();
    bytes.insert(bytes.end(), {5, 1, 7});
    EXPECT_FALSE(Load(Write("short-queue.daq", bytes)));
    EXPECT_EQ(messages.texts, Messages{"Read Input File Error!"});
    EXPECT_FALSE(state.recording.samples.has_value());
    ExpectNothingOpen();
}

TEST_F(LoadRecordingTest, load_queueReadError_readsEntriesAsZero) {
    RecordingBuilder b;
    b.header().SetScanCount(0);
    b.AddQueueEntry(9, 9).AddQueueEntry(8, 8);
    files.failReadsAfterBytes = RecordingHeader::kSize;
    EXPECT_TRUE(Load(Write("queue-error.daq", b.Bytes())));
    EXPECT_EQ(state.recording.queue, (ChannelGainQueue{{0, 0}, {0, 0}}));
    ExpectNothingOpen();
}

struct SampleLayoutCase {
    const char* name;
    std::int16_t widthCode;
    std::int16_t queueCount;
    std::size_t elementSize;
};

TEST_F(LoadRecordingTest, load_sampleBlock_sizedByWidthAndPlacedAfterTheQueue) {
    const SampleLayoutCase cases[] = {
        {"8 bits", 0, 0, 1},    {"16 bits", 1, 0, 2},    {"width 5", 5, 0, 4},
        {"width -1", -1, 0, 4}, {"with queue", 1, 3, 2}, {"queueCount -1", 0, -1, 1},
    };
    for (const auto& c : cases) {
        // Three channels, two scans; every sample byte distinct; a tail that must be ignored.
        RecordingBuilder b;
        b.header().SetChannelCount(3);
        b.header().SetScanCount(2);
        b.header().SetWidthCode(c.widthCode);
        for (int q = 0; q < c.queueCount; ++q) {
            b.AddQueueEntry(static_cast<std::uint8_t>(q), 1);
        }
        b.header().SetQueueCount(c.queueCount);
        std::vector<std::uint8_t> block(6 * c.elementSize);
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<std::uint8_t>(0x80 + i);
        }
        b.AddBytes(block).AddBytes({0xEE, 0xEE, 0xEE});

        EXPECT_TRUE(Load(Write("layout.daq", b.Bytes()))) << c.name;
        ASSERT_TRUE(state.recording.samples.has_value()) << c.name;
        EXPECT_EQ(std::vector<std::uint8_t>(state.recording.samples->bytes().begin(),
                                            state.recording.samples->bytes().end()),
                  block)
            << c.name;
        EXPECT_EQ(state.recording.queue.size(),
                  static_cast<std::size_t>(std::max<int>(c.queueCount, 0)))
            << c.name;
        EXPECT_EQ(view.state, c.queueCount > 0) << c.name;
        ExpectNothingOpen();
    }
}

TEST_F(LoadRecordingTest, load_zeroScans_holdsAPresentEmptyBlock) {
    LoadEarlier();
    RecordingBuilder b;
    b.header().SetScanCount(0);
    EXPECT_TRUE(Load(Write("empty.daq", b.Bytes())));
    ASSERT_TRUE(state.recording.samples.has_value());
    EXPECT_EQ(state.recording.samples->size(), 0u);
    EXPECT_TRUE(state.recording.queue.empty());
    EXPECT_EQ(view.state, false);
}

TEST_F(LoadRecordingTest, load_again_replacesEveryBuffer) {
    LoadEarlier();
    const std::string other = Write("other.daq", OtherRecording().Bytes());
    ASSERT_TRUE(Load(other));
    EXPECT_EQ(state.recording.header, OtherRecording().header());
    EXPECT_TRUE(state.recording.queue.empty());
    EXPECT_EQ(state.recording.samples->size(), 24u);
    EXPECT_EQ(state.recording.loadedPath, other);
    EXPECT_EQ(view.state, false);

    // The same path again, after the file changed on disk.
    test::WriteFileBytes(other, EarlierRecording().Bytes());
    ASSERT_TRUE(Load(other));
    EXPECT_EQ(state.recording.header, EarlierRecording().header());
    EXPECT_EQ(state.recording.queue.size(), 2u);
    EXPECT_EQ(state.recording.samples->size(), 12u);
    EXPECT_EQ(view.state, true);
    ExpectNothingOpen();
}

TEST_F(LoadRecordingTest, openRecordingSamples_handsTheOpenFileToTheCaller) {
    const std::string path = Write("a.daq", EarlierRecording().Bytes());
    {
        const OpenedRecording opened = OpenRecordingSamples(path, platform);
        ASSERT_TRUE(opened.file.isOpen());
        EXPECT_EQ(opened.file.path(), path);
        EXPECT_EQ(opened.load.reached, LoadStage::kQueue);
        EXPECT_EQ(opened.load.recording.loadedPath, path);
        EXPECT_EQ(opened.load.recording.queue.size(), 2u);
        EXPECT_EQ(opened.sampleBytes, 12u);
        EXPECT_EQ(files.openHandles, 1);
    }
    // The owner closes it.
    EXPECT_EQ(files.openHandles, 0);
}

TEST(SampleBlockSizeTest, computesIn64BitsAndRefusesNegativeCounts) {
    RecordingHeader h;
    h.SetChannelCount(32767);
    h.SetScanCount(INT32_MAX);
    h.SetWidthCode(2);
    EXPECT_EQ(SampleBlockSize(h), std::optional<std::uint64_t>(32767ull * INT32_MAX * 4));
    h.SetChannelCount(-2);
    h.SetScanCount(-3);
    EXPECT_EQ(SampleBlockSize(h), std::nullopt);
    h.SetChannelCount(0);
    EXPECT_EQ(SampleBlockSize(h), std::nullopt);
    h.SetScanCount(0);
    EXPECT_EQ(SampleBlockSize(h), std::optional<std::uint64_t>(0));
}

// Each way a load ends, as the value the front ends switch on: how far it got, the kind,
// and the message it showed, which the outcome carries.
TEST_F(LoadRecordingTest, load_endsInATypedOutcomeForEachCause) {
    RecordingBuilder negative = OtherRecording();
    negative.header().SetScanCount(-1);
    auto shortBytes = OtherRecording().Bytes();
    shortBytes.pop_back();
    struct Case {
        const char* name;
        std::string path;
        ProgressCallback progress;
        LoadStage reached;
        OutcomeKind kind;
        std::string message;
    };
    const ProgressCallback stop = [](std::uint64_t, std::uint64_t) { return false; };
    const Case cases[] = {
        {"loaded",
         Write("ok.daq", OtherRecording().Bytes()),
         {},
         LoadStage::kSamples,
         OutcomeKind::kDone,
         ""},
        {"missing", dir.File("missing.daq"), {}, LoadStage::kNothing, OutcomeKind::kUnopened, ""},
        {"not a recording",
         Write("text.daq", {'h', 'i'}),
         {},
         LoadStage::kNothing,
         OutcomeKind::kUnreadable,
         "Isn't Mervik DAQ File!"},
        {"negative count",
         Write("negative.daq", negative.Bytes()),
         {},
         LoadStage::kQueue,
         OutcomeKind::kUnreadable,
         "File size is too large"},
        {"short",
         Write("short.daq", shortBytes),
         {},
         LoadStage::kQueue,
         OutcomeKind::kUnreadable,
         "Read Input File Error!"},
        {"cancelled", Write("cancel.daq", OtherRecording().Bytes()), stop, LoadStage::kQueue,
         OutcomeKind::kCancelled, ""},
    };
    for (const Case& c : cases) {
        messages.texts.clear();
        const vantrel::Load load = LoadRecording(c.path, platform, SourceDigest::kTake, c.progress);
        EXPECT_EQ(load.reached, c.reached) << c.name;
        EXPECT_EQ(load.outcome.kind, c.kind) << c.name;
        EXPECT_EQ(load.outcome.message, c.message) << c.name;
        EXPECT_EQ(messages.texts, c.message.empty() ? Messages{} : Messages{c.message}) << c.name;
        EXPECT_EQ(load.recording.samples.has_value(), c.kind == OutcomeKind::kDone) << c.name;
        EXPECT_EQ(static_cast<bool>(load.outcome.openError), c.kind == OutcomeKind::kUnopened)
            << c.name;
        ExpectNothingOpen();
    }
}

}  // namespace
}  // namespace vantrel
