// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/ConvertRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/ConvertFixtures.h"
#include "recording/LoadRecording.h"
#include "support/WindowRun.h"

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
    return test::TwoChannels(2);
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
        EXPECT_TRUE(test::LoadInto(state, Platform{files, messages}, view));
        return state;
    }

    // The names in the test's folder.
    std::set<std::string> FolderEntries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempDir dir_;
};

// The window's data exchange in, counted.
class CountingExchange {
  public:
    explicit CountingExchange(std::function<void()> action = {}) : action_(std::move(action)) {}
    std::function<void()> ExchangeIn() {
        return [this] {
            ++calls;
            if (action_) {
                action_();
            }
        };
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
    EXPECT_EQ(test::StartConvertRun(state, Platform{files, messages}, exchange.ExchangeIn()),
              std::nullopt);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"No source data!"});
    EXPECT_EQ(exchange.calls, 0);
}

TEST_F(ConvertRun, startConvert_takesTheOutputPathFromTheExchange) {
    auto state = Load(TwoChannels());
    const std::string out = dir_.File("from-exchange.cvt");
    OsFileApi files;
    RecordedMessages messages;
    CountingExchange exchange([&] { state.outputPath = out; });
    test::StartConvertRun(state, Platform{files, messages}, exchange.ExchangeIn());
    EXPECT_EQ(exchange.calls, 1);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Write to " + out + " successful!"});

    CountingExchange clears([&] { state.outputPath.clear(); });
    messages.texts.clear();
    test::StartConvertRun(state, Platform{files, messages}, clears.ExchangeIn());
    EXPECT_EQ(messages.texts, std::vector<std::string>{"No output file name!"});
}

TEST_F(ConvertRun, emptyOutputPath_comesBeforeTheRecordingChecks) {
    auto b = TwoChannels();
    b.header().SetCardType(5);
    auto state = StateFrom(b);
    EXPECT_EQ(ConvertHeld(state, "", 0).messages, std::vector<std::string>{"No output file name!"});
}

// A failed write, or an output that cannot be put in place, is reported; the file at the
// path keeps its bytes, and nothing else is left in the folder.
TEST_F(ConvertRun, writeFailures_reportAndLeaveTheEarlierOutput) {
    struct Fault {
        const char* what;
        std::function<void(FaultyFileApi&)> set;
    };
    const Fault faults[] = {
        {"first write fails", [](auto& f) { f.failWritesAfterBytes = 0; }},
        {"write fails midway", [](auto& f) { f.failWritesAfterBytes = 20; }},
        {"finishing fails", [](auto& f) { f.failFinish = true; }},
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
            EXPECT_EQ(ReadFileBytes(out), kKeep);
            EXPECT_EQ(FolderEntries(), (std::set<std::string>{"in.daq", "out.cvt"}));
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

// A read that fails is a read error, unless a cancel was asked for meanwhile: Ctrl-C at a
// terminal also ends the writer of an input pipe, and the end of input it causes must not
// hide the cancel.
TEST_F(ConvertRun, sourceReadFailure_reportsReadErrorOrTheCancelThatCausedIt) {
    RecordingBuilder b;
    b.header().SetScanCount(200000);
    for (const bool cancelled : {false, true}) {
        for (const int format : {0, 1, 2}) {
            ConversionState state = StateFrom(b);
            state.outputPath = dir_.File("out.cvt");
            state.options.format = FormatOfIndex(format);
            FailingSource source(400000);
            OsFileApi files;
            RecordedMessages messages;
            // Asked for after the first chunk, as a signal handler sets its flag.
            const ProgressCallback progress = [&](std::uint64_t, std::uint64_t) {
                return !cancelled || source.calls < 2;
            };
            const Outcome outcome = ConvertToOutput(state.recording, test::HeldRequest(state),
                                                    source, Platform{files, messages}, progress);
            EXPECT_EQ(outcome.kind, cancelled ? OutcomeKind::kCancelled : OutcomeKind::kUnreadable);
            EXPECT_EQ(messages.texts,
                      std::vector<std::string>{cancelled ? "Conversion cancelled!"
                                                         : "Read Input File Error!"});
            EXPECT_FALSE(FileExists(state.outputPath));
            EXPECT_EQ(source.calls, 2);
        }
    }
}

TEST_F(ConvertRun, existingOutput_isReplacedWithItsPermissionBits) {
    auto state = Load(TwoChannels());
    state.options.title = false;
    const std::string out = dir_.File("out.cvt");
    WriteFileBytes(out, std::vector<std::uint8_t>(5000, 'x'));
    // Windows files have no permission bits.
    [[maybe_unused]] const fs::perms bits = fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::group_read | fs::perms::others_write;
#ifndef _WIN32
    fs::permissions(out, bits);
#endif
    EXPECT_TRUE(ConvertHeld(state, out, 0).ok);
    EXPECT_EQ(ReadFileText(out), "  1.2500000   -0.6250000\r\n-10.0000000    9.9996948\r\n");
#ifndef _WIN32
    EXPECT_EQ(fs::status(out).permissions(), bits);
#endif
    EXPECT_EQ(FolderEntries(), (std::set<std::string>{"in.daq", "out.cvt"}));
    // A second run, in another format, replaces the first; the recording stays loaded.
    EXPECT_TRUE(ConvertHeld(state, out, 2).ok);
    EXPECT_EQ(ReadFileText(out), "       4096        63488\r\n      32768        32767\r\n");
    EXPECT_TRUE(state.recording.samples.has_value());
}

TEST_F(ConvertRun, formatIndexWithoutFormat_writesCodes) {
    auto state = Load(TwoChannels());
    state.options.title = false;
    for (const int format : {-1, 99, 1000}) {
        const std::string out = dir_.File("out.cvt");
        EXPECT_TRUE(ConvertHeld(state, out, format).ok);
        EXPECT_EQ(ReadFileText(out), "       4096        63488\r\n      32768        32767\r\n")
            << format;
    }
}

TEST_F(ConvertRun, successMessage_showsThePathExactlyAsHeld) {
    auto state = Load(TwoChannels());
    std::error_code ec;
    const fs::path folder = fs::relative(dir_.path(), fs::current_path(), ec);
    if (ec || folder.empty()) {
        GTEST_SKIP() << "the temporary folder cannot be reached from here by a relative path";
    }
    const std::string relative = "./" + folder.string() + "//x.out";
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
}

// The callback hears of the sample bytes converted, never past the total, and of the total
// at the end, in every format, from a held block and streamed from the file.
TEST_F(ConvertRun, progress_reportsConvertedBytesUpToTheTotal) {
    const RecordingBuilder recording = test::TwoChannels(300000);  // 1.2 MB: many chunks
    auto state = Load(recording);
    const std::uint64_t total = state.recording.samples->size();
    for (const bool streamed : {false, true}) {
        for (const int format : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "format " << format << ", streamed " << streamed);
            std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
            const ProgressCallback listen = [&](std::uint64_t done, std::uint64_t all) {
                calls.emplace_back(done, all);
                return true;
            };
            OsFileApi files;
            RecordedMessages messages;
            state.outputPath = dir_.File("out.cvt");
            state.options.format = FormatOfIndex(format);
            const auto outcome = streamed ? RunConversion(test::StreamRequest(state),
                                                          Platform{files, messages}, listen)
                                          : test::StartConvertRun(
                                                state, Platform{files, messages}, [] {}, listen);
            EXPECT_EQ(outcome->kind, OutcomeKind::kDone);
            EXPECT_EQ(messages.texts, std::vector<std::string>{SuccessMessage(state.outputPath)});
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.back(), std::make_pair(total, total));
            for (std::size_t i = 0; i < calls.size(); ++i) {
                EXPECT_EQ(calls[i].second, total);
                EXPECT_LE(calls[i].first, total);
                EXPECT_TRUE(i == 0 || calls[i - 1].first <= calls[i].first);
            }
        }
    }
}

// Asked to stop, the run writes nothing in place: the earlier output keeps its bytes,
// nothing else is left in the folder, and "Conversion cancelled!" is the one message.
TEST_F(ConvertRun, cancel_leavesTheEarlierOutputAndSaysSo) {
    auto state = Load(test::TwoChannels(300000));
    const std::string out = dir_.File("out.cvt");
    for (const bool streamed : {false, true}) {
        for (const int format : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "format " << format << ", streamed " << streamed);
            WriteFileBytes(out, kKeep);
            int calls = 0;
            const ProgressCallback stop = [&](std::uint64_t, std::uint64_t) {
                ++calls;
                return false;
            };
            FaultyFileApi files;
            RecordedMessages messages;
            state.outputPath = out;
            state.options.format = FormatOfIndex(format);
            const auto outcome = streamed ? RunConversion(test::StreamRequest(state),
                                                          Platform{files, messages}, stop)
                                          : test::StartConvertRun(
                                                state, Platform{files, messages}, [] {}, stop);
            EXPECT_EQ(outcome->kind, OutcomeKind::kCancelled);
            EXPECT_EQ(messages.texts, std::vector<std::string>{"Conversion cancelled!"});
            EXPECT_EQ(calls, 1);
            EXPECT_EQ(ReadFileBytes(out), kKeep);
            EXPECT_EQ(FolderEntries(), (std::set<std::string>{"in.daq", "out.cvt"}));
            EXPECT_EQ(files.openHandles, 0);
        }
    }
}

// Each way a conversion ends, as the value the front ends switch on: the kind, and the one
// message it showed, which the outcome carries.
TEST_F(ConvertRun, everyEnd_isATypedOutcomeWithItsMessage) {
    const std::string input = dir_.File("in.daq");
    const std::string text = dir_.File("text.daq");
    WriteFileBytes(text, {'n', 'o'});
    struct Case {
        const char* name;
        std::function<void(ConversionRequest&, FaultyFileApi&)> change;
        OutcomeKind kind;
        std::string message;
        bool streamedOnly = false;  // a held recording has no input path nor batch
    };
    const std::string out = dir_.File("out.cvt");
    const ProgressCallback stop = [](std::uint64_t, std::uint64_t) { return false; };
    const Case cases[] = {
        {"written", [](auto&, auto&) {}, OutcomeKind::kDone, SuccessMessage(out)},
        {"no output name", [](auto& r, auto&) { r.outputPath.clear(); }, OutcomeKind::kFailed,
         kNoOutputNameMessage},
        {"uncreatable", [&](auto& r, auto&) { r.outputPath = dir_.File("none/out.cvt"); },
         OutcomeKind::kFailed, kOpenOutputErrorMessage},
        {"write fails", [](auto&, auto& f) { f.failWritesAfterBytes = 0; }, OutcomeKind::kFailed,
         kWriteOutputErrorMessage},
        {"onto the recording", [&](auto& r, auto&) { r.outputPath = input; }, OutcomeKind::kRefused,
         kOutputIsInputMessage},
        {"onto a later input", [&](auto& r, auto&) { r.otherInputs = {out}; },
         OutcomeKind::kRefused, kOutputIsInputMessage, true},
        {"missing", [&](auto& r, auto&) { r.inputPath = dir_.File("missing.daq"); },
         OutcomeKind::kUnopened, "", true},
        {"not a recording", [&](auto& r, auto&) { r.inputPath = text; }, OutcomeKind::kUnreadable,
         kNotRecordingMessage, true},
    };
    const auto state = Load(TwoChannels());
    for (const bool streamed : {false, true}) {
        for (const Case& c : cases) {
            if (c.streamedOnly && !streamed) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << c.name << (streamed ? ", streamed" : ", held"));
            ConversionRequest request =
                streamed ? test::StreamRequest(state) : test::HeldRequest(state);
            request.outputPath = out;
            FaultyFileApi files;
            RecordedMessages messages;
            c.change(request, files);
            const Outcome outcome = RunConversion(request, Platform{files, messages});
            EXPECT_EQ(outcome.kind, c.kind);
            EXPECT_EQ(outcome.message, c.message);
            EXPECT_EQ(messages.texts, c.message.empty() ? std::vector<std::string>{}
                                                        : std::vector<std::string>{c.message});
            EXPECT_EQ(files.openHandles, 0);
        }
    }
    // A request whose loaded recording holds no samples is refused as "Start Convert" is.
    ConversionRequest empty;
    const LoadedRecording none;
    empty.loaded = &none;
    empty.outputPath = out;
    OsFileApi files;
    RecordedMessages messages;
    EXPECT_EQ(RunConversion(empty, Platform{files, messages}).kind, OutcomeKind::kRefused);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kNoSourceDataMessage});
    // Cancelled from the progress callback.
    ConversionRequest held = test::HeldRequest(state);
    held.outputPath = out;
    messages.texts.clear();
    EXPECT_EQ(RunConversion(held, Platform{files, messages}, stop).kind, OutcomeKind::kCancelled);
}

// Besides the time step, a report comes after every 64 MiB of output, and once at the end;
// the callback's answer is the run's.
TEST(ProgressReporter, reportsEachOutputStepAndTheEnd) {
    std::vector<std::uint64_t> reported;
    bool answer = true;
    ProgressReporter reporter(
        [&](std::uint64_t done, std::uint64_t) {
            reported.push_back(done);
            return answer;
        },
        1000);
    for (std::uint64_t step = 1; step <= 3; ++step) {
        EXPECT_TRUE(reporter.Advance(step, step * ProgressReporter::kOutputStep));
    }
    EXPECT_TRUE(reporter.Advance(1000, 3 * ProgressReporter::kOutputStep));
    ASSERT_GE(reported.size(), 4u);
    EXPECT_EQ(std::vector<std::uint64_t>(reported.begin(), reported.begin() + 4),
              (std::vector<std::uint64_t>{1, 2, 3, 1000}));
    answer = false;
    EXPECT_FALSE(reporter.Advance(1000, 4 * ProgressReporter::kOutputStep));
}

}  // namespace
}  // namespace vantrel
