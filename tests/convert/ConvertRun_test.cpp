#include "convert/ConvertRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ConvertFixtures.h"
#include "RecordingBuilder.h"
#include "convert/OutputPath.h"
#include "recording/LoadRecording.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::ConvertHeld;
using test::FaultyFileApi;
using test::FileExists;
using test::ReadFileBytes;
using test::ReadFileText;
using test::RecordedMessages;
using test::StateFrom;
using test::TempDir;
using test::WriteFileBytes;

const std::vector<std::uint8_t> kKeep = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};

RecordingBuilder TwoChannels() {
    RecordingBuilder b;
    b.header().SetChannelCount(2);
    b.header().SetScanCount(2);
    b.AddWord16(0x1000).AddWord16(0xF800).AddWord16(0x8000).AddWord16(0x7FFF);
    return b;
}

class ConvertRun : public testing::Test {
  protected:
    // Writes `builder` to a file and loads it as the window does.
    ConversionState Load(const RecordingBuilder& builder, const std::string& name = "in.daq") {
        const std::string path = dir_.File(name);
        builder.WriteTo(path);
        ConversionState state;
        state.inputPath = path;
        OsFileApi files;
        RecordedMessages messages;
        test::RecordedView view;
        EXPECT_TRUE(LoadRecording(state, Platform{files, messages}, view));
        return state;
    }

    TempDir dir_;
};

class CountingExchange final : public DataExchange {
  public:
    explicit CountingExchange(std::function<void()> action = {}) : action_(std::move(action)) {}
    void ExchangeIn() override {
        ++calls;
        if (action_) {
            action_();
        }
    }
    int calls = 0;

  private:
    std::function<void()> action_;
};

TEST_F(ConvertRun, startConvertWithoutSamples_showsOnlyNoSourceData) {
    ConversionState state;
    OsFileApi files;
    RecordedMessages messages;
    CountingExchange exchange;
    StartConvert(state, Platform{files, messages}, exchange);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"No source data!"});
    EXPECT_EQ(exchange.calls, 0);
}

TEST_F(ConvertRun, startConvert_takesTheOutputPathFromTheExchange) {
    auto state = Load(TwoChannels());
    const std::string out = dir_.File("from-exchange.cvt");
    OsFileApi files;
    RecordedMessages messages;
    CountingExchange exchange([&] { state.outputPath = out; });
    StartConvert(state, Platform{files, messages}, exchange);
    EXPECT_EQ(exchange.calls, 1);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Write to " + out + " successful!"});
    EXPECT_EQ(state.outputFile, FileApi::kNoFile);

    CountingExchange clears([&] { state.outputPath.clear(); });
    messages.texts.clear();
    StartConvert(state, Platform{files, messages}, clears);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"No output file name!"});
}

TEST_F(ConvertRun, emptyOutputPath_comesBeforeTheRecordingChecks) {
    auto b = TwoChannels();
    b.header().SetCardType(5);
    auto state = StateFrom(b);
    EXPECT_EQ(ConvertHeld(state, "", 0).messages, std::vector<std::string>{"No output file name!"});
}

struct Refusal {
    const char* what;
    std::function<void(RecordingBuilder&)> change;
    const char* message;
};

// Recordings that cannot be converted soundly: refused before the output is created, so an
// existing output keeps its bytes and a missing one is not made.
TEST_F(ConvertRun, unconvertibleRecordings_areRefusedBeforeTheOutputIsTouched) {
    const Refusal refusals[] = {
        {"card 5", [](auto& b) { b.header().SetCardType(5); }, "Unsupported card type!"},
        {"card 6", [](auto& b) { b.header().SetCardType(6); }, "Unsupported card type!"},
        {"card 0", [](auto& b) { b.header().SetCardType(0); }, "Unsupported card type!"},
        {"card 9", [](auto& b) { b.header().SetCardType(9); }, "Unsupported card type!"},
        {"card -3", [](auto& b) { b.header().SetCardType(-3); }, "Unsupported card type!"},
        {"card 4 in 16-bit words", [](auto& b) { b.header().SetCardType(4); },
         "Data width doesn't match card type!"},
        {"card 7 in 16-bit words", [](auto& b) { b.header().SetCardType(7); },
         "Data width doesn't match card type!"},
        {"card 1 in 32-bit words", [](auto& b) { b.header().SetWidthCode(2); },
         "Data width doesn't match card type!"},
        {"card 1 in 8-bit words", [](auto& b) { b.header().SetWidthCode(0); },
         "Data width doesn't match card type!"},
        {"block shorter than N", [](auto& b) { b.header().SetScanCount(3); },
         "Data width doesn't match card type!"},
        // 8192 x 65536 samples: 8 x N is 2^32, which a 32-bit size would wrap to 0.
        {"N beyond 32-bit sizes",
         [](auto& b) {
             b.header().SetChannelCount(8192);
             b.header().SetScanCount(65536);
         },
         "Data width doesn't match card type!"},
        {"custom order without queue", [](auto& b) { b.header().SetOrderCode(2); },
         "Channel-Gain-Queue is too short!"},
        {"custom order, queue shorter than channels",
         [](auto& b) {
             b.header().SetOrderCode(2);
             b.AddQueueEntry(0, 1);
         },
         "Channel-Gain-Queue is too short!"},
        {"card 4 custom order, channel 8",
         [](auto& b) {
             b = RecordingBuilder();
             b.header().SetCardType(4);
             b.header().SetWidthCode(2);
             b.header().SetChannelCount(2);
             b.header().SetScanCount(1);
             b.header().SetOrderCode(2);
             b.AddQueueEntry(1, 35).AddQueueEntry(8, 35);
             b.AddWord32(1).AddWord32(2);
         },
         "Channel number out of range!"},
    };
    for (const Refusal& r : refusals) {
        for (const int format : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << r.what << ", format " << format);
            auto b = TwoChannels();
            r.change(b);
            auto state = StateFrom(b, dir_.File("in.daq"));
            const std::string existing = dir_.File("existing.cvt");
            WriteFileBytes(existing, kKeep);
            auto outcome = ConvertHeld(state, existing, format);
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.messages, std::vector<std::string>{r.message});
            EXPECT_EQ(ReadFileBytes(existing), kKeep);

            const std::string fresh = dir_.File("fresh.cvt");
            outcome = ConvertHeld(state, fresh, format);
            EXPECT_EQ(outcome.messages, std::vector<std::string>{r.message});
            EXPECT_FALSE(FileExists(fresh));
        }
    }
}

TEST_F(ConvertRun, card4ChannelAbove7PastChannelCount_isConverted) {
    RecordingBuilder b;
    b.header().SetCardType(4);
    b.header().SetWidthCode(2);
    b.header().SetChannelCount(1);
    b.header().SetScanCount(1);
    b.header().SetOrderCode(2);
    b.AddQueueEntry(1, 35).AddQueueEntry(200, 35);
    b.AddWord32(0x00400000);
    auto state = StateFrom(b);
    state.titleFlag = 0;
    const std::string out = dir_.File("ok.cvt");
    EXPECT_TRUE(ConvertHeld(state, out, 0).ok);
    EXPECT_EQ(ReadFileText(out), "12.500000000\r\n");
}

// However the output path is spelt, it must not name the recording: creating it would
// truncate the recording before it is read.
TEST_F(ConvertRun, outputThatIsTheInput_isRefusedAndTheRecordingKept) {
    auto state = Load(TwoChannels(), "rec.cvt");
    const std::string input = state.loadedPath;
    const auto original = ReadFileBytes(input);
    fs::create_directory(dir_.File("sub"));
    fs::create_symlink(input, dir_.File("link.cvt"));
    fs::create_hard_link(input, dir_.File("hard.cvt"));
    const std::string spellings[] = {
        input,
        DeriveOutputPath(input),
        dir_.path() + "/sub/../rec.cvt",
        dir_.path() + "//./rec.cvt",
        dir_.File("link.cvt"),
        dir_.File("hard.cvt"),
    };
    for (const std::string& output : spellings) {
        for (const int format : {0, 1, 2}) {
            const auto outcome = ConvertHeld(state, output, format);
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.messages, std::vector<std::string>{"Output file is the input file!"})
                << output;
            EXPECT_EQ(ReadFileBytes(input), original) << output;
        }
    }
}

TEST_F(ConvertRun, writeFailures_reportAndRemoveTheIncompleteOutput) {
    struct Fault {
        const char* what;
        std::function<void(FaultyFileApi&)> set;
    };
    const Fault faults[] = {
        {"first write fails", [](auto& f) { f.failWritesAfterBytes = 0; }},
        {"write fails midway", [](auto& f) { f.failWritesAfterBytes = 20; }},
        {"close fails", [](auto& f) { f.failClose = true; }},
    };
    for (const Fault& fault : faults) {
        for (const int format : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << fault.what << ", format " << format);
            auto state = Load(TwoChannels());
            FaultyFileApi files;
            fault.set(files);
            const std::string out = dir_.File("out.cvt");
            WriteFileBytes(out, kKeep);
            const auto outcome = ConvertHeld(state, out, format, files);
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write Output File Error!"});
            EXPECT_FALSE(FileExists(out));
            EXPECT_EQ(files.openHandles, 0);
        }
    }
}

TEST_F(ConvertRun, createFailure_showsOpenOutputFileError) {
    auto state = Load(TwoChannels());
    FaultyFileApi files;
    files.failCreate = true;
    const auto outcome = ConvertHeld(state, dir_.File("out.cvt"), 0, files);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Open Output File Error!"});
    EXPECT_EQ(ConvertHeld(state, dir_.File("no/such/folder.cvt"), 0).messages,
              std::vector<std::string>{"Open Output File Error!"});
}

TEST_F(ConvertRun, fullDevice_reportsWriteErrorAndIsLeftAlone) {
    if (!FileExists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    auto state = Load(TwoChannels());
    for (const int format : {0, 1, 2}) {
        const auto outcome = ConvertHeld(state, "/dev/full", format);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write Output File Error!"});
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
}

// Serves one chunk, then fails like a file that ended early.
class FailingSource final : public SampleSource {
  public:
    explicit FailingSource(std::uint64_t size) : size_(size), bytes_(size) {}
    std::uint64_t size() const override { return size_; }
    std::optional<std::span<const std::uint8_t>> Next(std::uint64_t count) override {
        if (calls++ > 0) {
            return std::nullopt;
        }
        return std::span<const std::uint8_t>(bytes_.data(), count);
    }
    int calls = 0;

  private:
    std::uint64_t size_;
    std::vector<std::uint8_t> bytes_;
};

TEST_F(ConvertRun, sourceReadFailure_reportsReadErrorAndRemovesTheOutput) {
    RecordingBuilder b;
    b.header().SetScanCount(200000);
    for (const int format : {0, 1, 2}) {
        ConversionState state = StateFrom(b);
        state.outputPath = dir_.File("out.cvt");
        state.formatIndex = format;
        FailingSource source(400000);
        OsFileApi files;
        RecordedMessages messages;
        EXPECT_FALSE(ConvertToOutput(state, source, Platform{files, messages}));
        EXPECT_EQ(messages.texts, std::vector<std::string>{"Read Input File Error!"});
        EXPECT_FALSE(FileExists(state.outputPath));
        EXPECT_EQ(source.calls, 2);
    }
}

TEST_F(ConvertRun, existingOutput_isTruncatedAndReplaced) {
    auto state = Load(TwoChannels());
    state.titleFlag = 0;
    const std::string out = dir_.File("out.cvt");
    WriteFileBytes(out, std::vector<std::uint8_t>(5000, 'x'));
    EXPECT_TRUE(ConvertHeld(state, out, 0).ok);
    EXPECT_EQ(ReadFileText(out), "  1.2500000   -0.6250000\r\n-10.0000000    9.9996948\r\n");
    // A second run, in another format, replaces the first; the recording stays loaded.
    EXPECT_TRUE(ConvertHeld(state, out, 2).ok);
    EXPECT_EQ(ReadFileText(out), "       4096        63488\r\n      32768        32767\r\n");
    EXPECT_TRUE(state.samples.has_value());
}

TEST_F(ConvertRun, anyFormatIndexBeside0And1_writesCodes) {
    auto state = Load(TwoChannels());
    state.titleFlag = 0;
    for (const int format : {-1, 3, 7, 1000}) {
        const std::string out = dir_.File("out.cvt");
        EXPECT_TRUE(ConvertHeld(state, out, format).ok);
        EXPECT_EQ(ReadFileText(out), "       4096        63488\r\n      32768        32767\r\n")
            << format;
    }
}

TEST_F(ConvertRun, successMessage_showsThePathExactlyAsHeld) {
    auto state = Load(TwoChannels());
    const std::string relative =
        "./" + fs::relative(dir_.path(), fs::current_path()).string() + "//x.out";
    const auto outcome = ConvertHeld(state, relative, 1);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write to " + relative + " successful!"});
    EXPECT_EQ(ReadFileBytes(dir_.File("x.out")).size(), 32u);
}

TEST_F(ConvertRun, everyRunClosesWhatItOpens) {
    auto state = Load(TwoChannels());
    FaultyFileApi files;
    for (const int format : {0, 1, 2}) {
        EXPECT_TRUE(ConvertHeld(state, dir_.File("out.cvt"), format, files).ok);
    }
    EXPECT_EQ(files.openHandles, 0);
    EXPECT_EQ(state.outputFile, FileApi::kNoFile);
}

}  // namespace
}  // namespace vantrel
