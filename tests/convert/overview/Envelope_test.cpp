// SPDX-License-Identifier: BSD-3-Clause
// The envelope of a recording against a brute-force min and max over its scaled values: any
// part, any bucket count, buckets across read chunks and across the two readers' halves; and
// the overview's levels, whose floats must still hold every sample of their buckets.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "RecordingBuilder.h"
#include "convert/overview/Envelope.h"
#include "convert/overview/RecordingOverview.h"
#include "convert/scaling/SampleScaler.h"
#include "platform/OsFileApi.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using test::FaultyFileApi;
using test::RecordedMessages;
using test::TempDir;

// One channel, 5,000,001 scans (more samples than one reader takes alone), a sine with
// full-scale spikes where the halves and the read chunks meet.
RecordingBuilder LongSpiky() {
    constexpr int kScans = 5000001;
    RecordingBuilder b;
    b.header().SetScanCount(kScans);
    for (int s = 0; s < kScans; ++s) {
        const bool spike =
            s == kScans / 2 || s == kScans / 2 - 1 || s == (1 << 17) || s == kScans - 1;
        b.AddWord16(spike ? 0x7FFF : static_cast<std::uint16_t>(1000.0 * std::sin(s * 1e-3)));
    }
    return b;
}

// Card type 7 in uniform order: every value is its 24-bit code times one step.
RecordingBuilder Uniform24() {
    RecordingBuilder b;
    b.header().SetCardType(7);
    b.header().SetWidthCode(2);
    b.header().SetChannelCount(5);
    b.header().SetScanCount(40009);
    for (int i = 0; i < 5 * 40009; ++i) {
        b.AddWord32(static_cast<std::uint32_t>(i * 2654435761u) & 0x01FFFFFFu);
    }
    return b;
}

class EnvelopeTest : public ::testing::Test {
  protected:
    ScanRecording Open(const RecordingBuilder& builder) {
        const std::string path = dir_.File("r" + std::to_string(count_++) + ".daq");
        builder.WriteTo(path);
        auto opened = OpenScanRecording(path, Platform{files_, messages_});
        EXPECT_TRUE(opened) << opened.failure().message;
        return std::move(*opened);
    }

    // Every scaled value, scan by scan.
    std::vector<double> All(const ScanRecording& opened) {
        auto reader = ScanReader::Open(opened, Platform{files_, messages_}, ScanValues::kScaled);
        std::vector<double> values(opened.scans() * opened.channels());
        EXPECT_TRUE(reader->ReadScaled(opened.scans(), values).done());
        return values;
    }

    // Checks `envelope` of `part` against the values: each bucket one scan longer than the
    // shortest at most, and its extremes those of its samples.
    static void ExpectExtremes(const Envelope& envelope, const SelectedPart& part,
                               const std::vector<double>& values, std::uint64_t channels) {
        const BucketSplit& split = envelope.split;
        ASSERT_EQ(split.Start(0), part.firstScan);
        ASSERT_EQ(split.Start(split.buckets), part.firstScan + part.scans);
        const std::uint64_t shortest = part.scans / split.buckets;
        for (std::uint64_t b = 0; b < split.buckets; ++b) {
            const std::uint64_t first = split.Start(b);
            const std::uint64_t end = split.Start(b + 1);
            ASSERT_TRUE(end - first == shortest || end - first == shortest + 1) << b;
            ASSERT_EQ(split.BucketOf(first), b);
            ASSERT_EQ(split.BucketOf(end - 1), b);
            for (std::size_t c = 0; c < part.columns.size(); ++c) {
                double low = INFINITY;
                double high = -INFINITY;
                for (std::uint64_t s = first; s < end; ++s) {
                    low = std::min(low, values[s * channels + part.columns[c]]);
                    high = std::max(high, values[s * channels + part.columns[c]]);
                }
                ASSERT_EQ(envelope.min[b * part.columns.size() + c], low) << "bucket " << b;
                ASSERT_EQ(envelope.max[b * part.columns.size() + c], high) << "bucket " << b;
            }
        }
    }

    TempDir dir_;
    OsFileApi files_;
    RecordedMessages messages_;
    int count_ = 0;
};

TEST_F(EnvelopeTest, randomPartsAndBucketCounts_giveTheSamplesExtremes) {
    std::mt19937_64 random(26);
    for (const RecordingBuilder& builder :
         {test::Uniform16(), Uniform24(), test::Custom24(), test::CarriedQueue()}) {
        const ScanRecording opened = Open(builder);
        const std::vector<double> values = All(opened);
        const std::uint64_t scans = opened.scans();
        // Uniform24 takes the fold of codes, the others that of scaled values.
        EXPECT_EQ(SampleScaler(opened.recording.header, opened.recording.queue, 0.0, values.size())
                      .linearStep()
                      .has_value(),
                  opened.recording.header.cardType() == 7);
        const auto channels = static_cast<std::uint32_t>(opened.channels());
        for (int trial = 0; trial < 12; ++trial) {
            SelectedPart part = WholeRecording(opened.recording.header);
            if (trial > 0) {
                part.firstScan = random() % scans;
                part.scans = 1 + random() % (scans - part.firstScan);
                part.columns.clear();
                for (std::uint32_t c = 0; c < 1 + random() % (channels + 1); ++c) {
                    part.columns.push_back(static_cast<std::uint32_t>(random() % channels));
                }
                part.everyColumn = false;
            }
            // One bucket, a bucket per scan, more buckets than scans, and counts between.
            const std::uint64_t counts[] = {1, part.scans, part.scans + 7, 2 + random() % 700,
                                            1 + random() % part.scans};
            for (const std::uint64_t buckets : counts) {
                SCOPED_TRACE(testing::Message()
                             << "trial " << trial << ", " << buckets << " buckets");
                auto envelope = ReadEnvelope(opened, Platform{files_, messages_}, part, buckets);
                ASSERT_TRUE(envelope);
                ASSERT_EQ(envelope->split.buckets, std::min(buckets, part.scans));
                ExpectExtremes(*envelope, part, values, channels);
            }
        }
    }
    EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(EnvelopeTest, twoReaders_giveWhatOneWouldAndKeepEverySpike) {
    const ScanRecording opened = Open(LongSpiky());
    // Its values are code x step, so the codes are folded (as for Uniform24 above).
    ASSERT_TRUE(SampleScaler(opened.recording.header, opened.recording.queue).linearStep());
    const std::vector<double> values = All(opened);
    const SelectedPart whole = WholeRecording(opened.recording.header);
    for (const std::uint64_t buckets :
         {std::uint64_t{2}, std::uint64_t{3}, std::uint64_t{1920}, std::uint64_t{9767}}) {
        auto envelope = ReadEnvelope(opened, Platform{files_, messages_}, whole, buckets);
        ASSERT_TRUE(envelope);
        ExpectExtremes(*envelope, whole, values, 1);
    }
}

TEST_F(EnvelopeTest, overviewLevels_holdTheirBucketsSamplesInTheNearestFloats) {
    for (const RecordingBuilder& builder :
         {test::Uniform16(), Uniform24(), test::Custom24(), test::CarriedQueue(), LongSpiky()}) {
        const ScanRecording opened = Open(builder);
        const std::vector<double> values = All(opened);
        const auto channels = opened.channels();
        auto overview = RecordingOverview::Compute(opened, Platform{files_, messages_});
        ASSERT_TRUE(overview);
        const auto& levels = overview->levels();
        ASSERT_FALSE(levels.empty());
        EXPECT_EQ(levels.back().buckets, 1u);
        EXPECT_LE(overview->bytes(), opened.sampleBytes / 50);
        EXPECT_LE(overview->LongestBucket(levels.front()), RecordingOverview::kFinestBucketScans);
        for (const auto& level : levels) {
            // Levels past the first few are checked at their ends and a middle bucket.
            for (const std::uint64_t b : {std::uint64_t{0}, level.buckets / 2, level.buckets - 1}) {
                const std::uint64_t first = overview->BucketStart(level, b);
                const std::uint64_t end = overview->BucketStart(level, b + 1);
                ASSERT_LT(first, end);
                ASSERT_EQ(overview->BucketAt(level, first), b);
                for (std::size_t c = 0; c < channels; ++c) {
                    double low = INFINITY;
                    double high = -INFINITY;
                    for (std::uint64_t s = first; s < end; ++s) {
                        low = std::min(low, values[s * channels + c]);
                        high = std::max(high, values[s * channels + c]);
                    }
                    const float min = level.min[b * channels + c];
                    const float max = level.max[b * channels + c];
                    EXPECT_LE(min, low);
                    EXPECT_GE(max, high);
                    EXPECT_GT(std::nextafter(min, INFINITY), low);
                    EXPECT_LT(std::nextafter(max, -INFINITY), high);
                }
            }
        }
        // Coarser views take coarser levels; finer than the finest, none.
        EXPECT_EQ(overview->CoarsestWithin(100.0), nullptr);
        EXPECT_EQ(overview->CoarsestWithin(1e12), &levels.back());
    }
}

TEST_F(EnvelopeTest, cancelAndReadFault_endTheFold) {
    const std::string path = dir_.File("short.daq");
    test::Uniform16().WriteTo(path);
    FaultyFileApi faulty;
    RecordedMessages said;
    auto opened = OpenScanRecording(path, Platform{faulty, said});
    ASSERT_TRUE(opened);
    const SelectedPart whole = WholeRecording(opened->recording.header);

    int reports = 0;
    auto cancelled = ReadEnvelope(*opened, Platform{faulty, said}, whole, 100,
                                  [&](std::uint64_t, std::uint64_t) { return ++reports < 2; });
    ASSERT_FALSE(cancelled);
    EXPECT_EQ(cancelled.failure().kind, OutcomeKind::kCancelled);
    EXPECT_TRUE(said.texts.empty());

    FaultyFileApi failing;
    failing.failReadsAfterBytes = opened->sampleBytes / 2;
    auto failed = ReadEnvelope(*opened, Platform{failing, said}, whole, 100);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.failure().kind, OutcomeKind::kUnreadable);
    EXPECT_EQ(said.texts, std::vector<std::string>{"Read Input File Error!"});
}

}  // namespace
}  // namespace vantrel
