// SPDX-License-Identifier: BSD-3-Clause
#include "ExampleRecordings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "recording/LoadRecording.h"
#include "support/TestPlatform.h"
#include "support/WindowRun.h"

namespace vantrel {
namespace {

// The sample width each card's decoding reads: widthCode 1 (16 bits) or 2 (32 bits).
int WidthCodeFor(std::int16_t cardType) {
    return cardType == 4 || cardType == 7 ? 2 : 1;
}

// (card, input kind, range code) that each sample position of a recording scales with;
// the kind is -1 for cards other than 4. Card 4 in custom order takes its kinds packed:
// the n-th header byte from 54 belongs to the n-th lowest of channels 0..3 in the queue.
using Rule = std::tuple<int, int, int>;

std::set<Rule> RulesUsed(const RecordingBuilder& b, const ChannelGainQueue& queue) {
    const RecordingHeader& h = b.header();
    const int card = h.cardType();
    std::set<Rule> rules;
    if (!h.isCustomOrder()) {
        rules.insert({card, card == 4 ? h.cardSetting(0) : -1, h.rangeCode()});
        return rules;
    }
    int kinds[8] = {};
    std::set<int> present;
    for (const auto& e : queue) {
        present.insert(e.channel % 32);
    }
    int n = 0;
    for (int c = 0; c < 4; ++c) {
        if (present.count(c)) {
            kinds[c] = h.cardSetting(static_cast<std::size_t>(n++));
        }
    }
    for (int p = 0; p < h.channelCount(); ++p) {
        const auto& e = queue.at(static_cast<std::size_t>(p));
        rules.insert({card, card == 4 ? kinds[e.channel] : -1, e.rangeCode});
    }
    return rules;
}

TEST(ExampleRecordingsTest, everyExampleLoadsWithAMatchingWidthAndASmallSize) {
    test::TempDir dir;
    std::set<std::string> names;
    for (const auto& example : ExampleRecordings()) {
        SCOPED_TRACE(example.name);
        EXPECT_TRUE(names.insert(example.name).second) << "duplicate name";
        const RecordingHeader& h = example.recording.header();
        EXPECT_EQ(h.widthCode(), WidthCodeFor(h.cardType()));

        const auto bytes = example.recording.Bytes();
        EXPECT_GE(bytes.size(), 2000u);
        EXPECT_LE(bytes.size(), 100000u);
        const std::string path = dir.File(example.name + ".daq");
        example.recording.WriteTo(path);

        ConversionState state;
        state.inputPath = path;
        test::RecordedMessages messages;
        test::RecordedView view;
        OsFileApi files;
        ASSERT_TRUE(test::LoadInto(state, Platform{files, messages}, view));
        EXPECT_TRUE(messages.texts.empty());
        // The block fills the file exactly: no missing and no spare bytes.
        EXPECT_EQ(RecordingHeader::kSize + 2 * state.recording.queue.size() +
                      state.recording.samples->size(),
                  bytes.size());
        EXPECT_GT(state.recording.samples->size(), 0u);
        if (h.isCustomOrder()) {
            EXPECT_GE(state.recording.queue.size(), static_cast<std::size_t>(h.channelCount()));
        }
    }
}

TEST(ExampleRecordingsTest, examplesCoverEveryScalingRuleAndOrder) {
    std::set<Rule> used;
    std::set<int> orders;
    bool oneChannel = false;
    bool packedKinds = false;
    for (const auto& example : ExampleRecordings()) {
        const RecordingHeader& h = example.recording.header();
        // The loader's reading of the queue is what the examples will be converted with.
        test::TempDir dir;
        const std::string path = dir.File("x.daq");
        example.recording.WriteTo(path);
        ConversionState state;
        state.inputPath = path;
        test::RecordedMessages messages;
        test::RecordedView view;
        OsFileApi files;
        ASSERT_TRUE(test::LoadInto(state, Platform{files, messages}, view)) << example.name;

        const auto rules = RulesUsed(example.recording, state.recording.queue);
        used.insert(rules.begin(), rules.end());
        orders.insert(h.orderCode());
        oneChannel = oneChannel || h.channelCount() == 1;
        if (h.cardType() == 4 && h.isCustomOrder()) {
            bool hasChannel0 = false;
            for (const auto& e : state.recording.queue) {
                hasChannel0 = hasChannel0 || e.channel == 0;
            }
            packedKinds = packedKinds || !hasChannel0;
        }
    }
    std::set<Rule> wanted;
    for (int card : {1, 3}) {
        for (int range : {1, 10, 23, 25}) {
            wanted.insert({card, -1, range});
        }
    }
    wanted.insert({8, -1, 1});
    wanted.insert({8, -1, 23});
    wanted.insert({2, -1, 1});
    wanted.insert({7, -1, 1});
    wanted.insert({4, 0, 35});
    wanted.insert({4, 0, 36});
    wanted.insert({4, 1, 3});
    wanted.insert({4, 1, 6});
    for (const auto& rule : wanted) {
        EXPECT_TRUE(used.count(rule)) << "card " << std::get<0>(rule) << " kind "
                                      << std::get<1>(rule) << " range " << std::get<2>(rule);
    }
    for (int kind : {2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14}) {
        bool found = false;
        for (const auto& [card, k, range] : used) {
            found = found || (card == 4 && k == kind);
        }
        EXPECT_TRUE(found) << "card 4 kind " << kind;
    }
    // Every used rule is one that scales: no example falls back to the carried value.
    for (const auto& [card, kind, range] : used) {
        const bool scales = (card == 4 && (kind >= 2 && kind <= 14 && kind != 10)) ||
                            wanted.count({card, kind, range});
        EXPECT_TRUE(scales) << "card " << card << " kind " << kind << " range " << range;
    }
    EXPECT_EQ(orders, (std::set<int>{0, 1, 2}));
    EXPECT_TRUE(oneChannel);
    EXPECT_TRUE(packedKinds);
}

TEST(ExampleRecordingsTest, catalogueIsDeterministic) {
    const auto first = ExampleRecordings();
    const auto second = ExampleRecordings();
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].recording.Bytes(), second[i].recording.Bytes()) << first[i].name;
    }
}

}  // namespace
}  // namespace vantrel
