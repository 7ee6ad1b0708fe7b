// SPDX-License-Identifier: BSD-3-Clause
#include "convert/overview/RecordingOverview.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace vantrel {

namespace {

// The float nearest `value` below it (or above it): a range of floats that still holds it.
float Below(double value) {
    const auto f = static_cast<float>(value);
    return static_cast<double>(f) > value
               ? std::nextafter(f, -std::numeric_limits<float>::infinity())
               : f;
}
float Above(double value) {
    const auto f = static_cast<float>(value);
    return static_cast<double>(f) < value
               ? std::nextafter(f, std::numeric_limits<float>::infinity())
               : f;
}

// The next coarser level: each bucket the extremes of two of `finer`'s.
RecordingOverview::Level Coarser(const RecordingOverview::Level& finer, std::size_t columns) {
    RecordingOverview::Level level;
    level.span = finer.span * 2;
    level.buckets = (finer.buckets + 1) / 2;
    level.min.resize(level.buckets * columns);
    level.max.resize(level.min.size());
    for (std::uint64_t b = 0; b < level.buckets; ++b) {
        const std::uint64_t left = 2 * b;
        const std::uint64_t right = std::min(left + 1, finer.buckets - 1);
        for (std::size_t c = 0; c < columns; ++c) {
            level.min[b * columns + c] =
                std::min(finer.min[left * columns + c], finer.min[right * columns + c]);
            level.max[b * columns + c] =
                std::max(finer.max[left * columns + c], finer.max[right * columns + c]);
        }
    }
    return level;
}

}  // namespace

Result<RecordingOverview> RecordingOverview::Compute(const ScanRecording& opened,
                                                     const Platform& platform,
                                                     const ProgressCallback& progress) {
    const SelectedPart whole = WholeRecording(opened.recording.header);
    const std::uint64_t buckets = (whole.scans + kFinestBucketScans - 1) / kFinestBucketScans;
    RecordingOverview overview;
    overview.finest_ = SplitOf(whole, buckets);
    overview.columns_ = whole.columns.size();
    if (overview.finest_.buckets == 0) {
        return overview;
    }
    const std::size_t columns = overview.columns_;
    try {
        Level finest;
        finest.buckets = overview.finest_.buckets;
        finest.min.resize(finest.buckets * columns);
        finest.max.resize(finest.min.size());
        overview.levels_.push_back(std::move(finest));
    } catch (const std::bad_alloc&) {
        return Shown(platform.messages, OutcomeKind::kFailed, kOverviewMemoryMessage);
    }
    Level& finest = overview.levels_.front();
    Outcome folded = FoldEnvelope(
        opened, platform, whole, buckets, progress,
        [&](std::uint64_t bucket, std::span<const double> min, std::span<const double> max) {
            for (std::size_t c = 0; c < columns; ++c) {
                finest.min[bucket * columns + c] = Below(min[c]);
                finest.max[bucket * columns + c] = Above(max[c]);
            }
        });
    if (!folded.done()) {
        return folded;
    }
    try {
        while (overview.levels_.back().buckets > 1) {
            Level next = Coarser(overview.levels_.back(), columns);
            overview.levels_.push_back(std::move(next));
        }
    } catch (const std::bad_alloc&) {
        return Shown(platform.messages, OutcomeKind::kFailed, kOverviewMemoryMessage);
    }
    return overview;
}

std::uint64_t RecordingOverview::BucketStart(const Level& level, std::uint64_t bucket) const {
    return finest_.Start(std::min(bucket * level.span, finest_.buckets));
}

std::uint64_t RecordingOverview::BucketAt(const Level& level, std::uint64_t scan) const {
    return finest_.BucketOf(scan) / level.span;
}

std::uint64_t RecordingOverview::LongestBucket(const Level& level) const {
    const std::uint64_t longest =
        finest_.scans / finest_.buckets + (finest_.scans % finest_.buckets != 0 ? 1 : 0);
    return std::min(longest * level.span, finest_.scans);
}

const RecordingOverview::Level* RecordingOverview::CoarsestWithin(double scans) const {
    const Level* found = nullptr;
    for (const Level& level : levels_) {
        if (static_cast<double>(LongestBucket(level)) > scans) {
            break;
        }
        found = &level;
    }
    return found;
}

std::uint64_t RecordingOverview::bytes() const {
    std::uint64_t total = 0;
    for (const Level& level : levels_) {
        total += (level.min.size() + level.max.size()) * sizeof(float);
    }
    return total;
}

}  // namespace vantrel
