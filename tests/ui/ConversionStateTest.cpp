// SPDX-License-Identifier: BSD-3-Clause
#include "ConversionState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/run/ConvertRun.h"
#include "recording/PresentHeader.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

// A state as a successful load of a card 3 recording leaves it.
ConversionState Loaded() {
    ConversionState state;
    state.recording.header.SetCardType(3);
    state.recording.header.SetQueueCount(2);
    state.recording.queue = {{1, 10}, {0, 25}};
    state.recording.samples.emplace(4);
    state.recording.loadedPath = "earlier.daq";
    state.display = PresentHeader(state.recording.header);
    return state;
}

// What a Load leaves in the window's state, stage by stage.
TEST(TakeLoad, leavesInTheStateWhatTheLoadReached) {
    RecordingHeader next;
    next.SetCardType(7);
    next.SetQueueCount(0);
    struct Case {
        LoadStage reached;
        bool headerTaken, queueTaken, samplesHeld;
        std::optional<bool> view;
    };
    const Case cases[] = {
        {LoadStage::kNothing, false, false, true, std::nullopt},
        {LoadStage::kHeader, true, false, true, std::nullopt},
        {LoadStage::kQueue, true, true, false, false},
        {LoadStage::kSamples, true, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.reached));
        ConversionState state = Loaded();
        const ConversionState before = Loaded();
        Load load;
        load.reached = c.reached;
        load.recording.header = next;
        load.recording.loadedPath = "next.daq";
        if (c.reached == LoadStage::kSamples) {
            load.recording.samples.emplace(8);
        }
        EXPECT_EQ(TakeLoad(state, std::move(load)), c.view);
        EXPECT_EQ(state.recording.header, c.headerTaken ? next : before.recording.header);
        // A queue that could not be had leaves none: the header it went with is gone.
        EXPECT_EQ(state.recording.queue.empty(), c.headerTaken);
        EXPECT_EQ(state.recording.loadedPath, c.queueTaken ? "next.daq" : "earlier.daq");
        EXPECT_EQ(state.display, c.queueTaken ? PresentHeader(next) : before.display);
        ASSERT_EQ(state.recording.samples.has_value(), c.samplesHeld);
        if (c.samplesHeld) {
            EXPECT_EQ(state.recording.samples->size(), c.reached == LoadStage::kSamples ? 8u : 4u);
        }
    }
}

// "Start Convert": without a block only its message; with one the exchange, then a request
// of the held recording with the options and paths the exchange left.
TEST(StartConvert, checksTheBlockThenExchangesThenAsks) {
    test::RecordedMessages messages;
    int exchanges = 0;
    ConversionState empty;
    EXPECT_EQ(StartConvert(empty, messages, [&] { ++exchanges; }), std::nullopt);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kNoSourceDataMessage});
    EXPECT_EQ(exchanges, 0);

    messages.texts.clear();
    ConversionState state = Loaded();
    const auto request = StartConvert(state, messages, [&] {
        ++exchanges;
        state.outputPath = "out.csv";
        state.options.format = OutputFormat::kCsv;
    });
    ASSERT_TRUE(request.has_value());
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(exchanges, 1);
    EXPECT_EQ(request->loaded, &state.recording);
    EXPECT_EQ(request->outputPath, "out.csv");
    EXPECT_EQ(request->options.format, OutputFormat::kCsv);
}

}  // namespace
}  // namespace vantrel
