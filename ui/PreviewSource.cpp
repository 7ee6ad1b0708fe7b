// SPDX-License-Identifier: BSD-3-Clause
#include "PreviewSource.h"

#include <algorithm>
#include <utility>

#include "convert/scaling/FullScale.h"
#include "recording/CardTable.h"

namespace vantrel {

PreviewSource::PreviewSource(ScanRecording opened, RecordingOverview overview, FileApi& files)
    : opened_(std::move(opened)), overview_(std::move(overview)), files_(files) {
    const LoadedRecording& recording = opened_.recording;
    const RecordingFacts facts = FactsOf(recording);
    const CardInfo& card = CardFacts(recording.header.cardType());
    const auto& levels = overview_.levels();
    for (std::size_t c = 0; c < overview_.columns(); ++c) {
        PreviewLane lane{static_cast<std::int32_t>(c), "Position " + std::to_string(c), 0.0, 0.0,
                         ""};
        std::optional<FullScale> scale;
        if (c < facts.columns.size()) {
            const ColumnFacts& column = facts.columns[c];
            lane.channel = column.channel;
            lane.label = "Channel " + std::to_string(column.channel) + "  " + column.rangeLabel;
            scale = FullScaleOf(card, static_cast<std::uint16_t>(column.rangeCode),
                                static_cast<std::int8_t>(column.inputKind.value_or(0)));
        }
        if (scale) {
            lane.low = std::min(scale->low, scale->high);
            lane.high = std::max(scale->low, scale->high);
            lane.unit = scale->volts ? "V" : "";
        } else if (!levels.empty()) {
            // One bucket holds everything in the coarsest level.
            lane.low = levels.back().min[c];
            lane.high = levels.back().max[c];
        }
        if (!(lane.high > lane.low)) {
            lane.low -= 1.0;
            lane.high += 1.0;
        }
        lanes_.push_back(std::move(lane));
    }
    if (DurationSeconds(recording.header)) {
        rate_ = recording.header.scanRate();
    }
    startClock_ = facts.startIso8601;
}

const Envelope* PreviewSource::Read(std::uint64_t first, std::uint64_t scans,
                                    std::uint64_t buckets) {
    if (lastRead_ && lastRead_->split.firstScan == first && lastRead_->split.scans == scans &&
        lastRead_->split.buckets == std::min(buckets, scans)) {
        return &*lastRead_;
    }
    lastRead_.reset();
    SelectedPart part = WholeRecording(opened_.recording.header);
    part.firstScan = first;
    part.scans = scans;
    MessageLog said;
    auto read = ReadEnvelope(opened_, Platform{files_, said}, part, buckets);
    if (!read) {
        readError_ = said.texts().empty() ? read.failure().message : said.texts().front();
        return nullptr;
    }
    readError_.clear();
    lastRead_ = std::move(*read);
    return &*lastRead_;
}

}  // namespace vantrel
