// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The envelope of a whole recording at every zoom: extremes per column over buckets of about
// 512 scans, and over 2, 4, 8... of those up to one bucket for everything, so that any view
// is drawn from at most a few buckets per pixel without reading the file again. The values
// are floats rounded outward, so that each bucket's range still holds all its samples; the
// levels together take at most 2 % of the recording's sample bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/overview/Envelope.h"

namespace vantrel {

class RecordingOverview {
  public:
    // The finest level's buckets hold this many scans at most.
    static constexpr std::uint64_t kFinestBucketScans = 512;

    struct Level {
        std::uint64_t span = 1;  // finest buckets per bucket: 1, 2, 4...
        std::uint64_t buckets = 0;
        std::vector<float> min;  // min[bucket * columns + column]
        std::vector<float> max;
    };

    // Reads every scan of the recording once, as FoldEnvelope does.
    static Result<RecordingOverview> Compute(const ScanRecording& opened, const Platform& platform,
                                             const ProgressCallback& progress = {});

    std::uint64_t scans() const { return finest_.scans; }
    std::size_t columns() const { return columns_; }
    // Finest first; none for a recording without scans.
    const std::vector<Level>& levels() const { return levels_; }

    // The first scan of `bucket` of `level`; BucketStart(level, level.buckets) is scans().
    std::uint64_t BucketStart(const Level& level, std::uint64_t bucket) const;
    // The bucket of `level` that holds `scan`, one of the recording's scans.
    std::uint64_t BucketAt(const Level& level, std::uint64_t scan) const;
    // The most scans a bucket of `level` holds.
    std::uint64_t LongestBucket(const Level& level) const;
    // The coarsest level whose buckets hold at most `scans` scans each; null where even the
    // finest level's hold more (then the samples themselves are to be read).
    const Level* CoarsestWithin(double scans) const;

    // Bytes the levels hold.
    std::uint64_t bytes() const;

  private:
    BucketSplit finest_;
    std::size_t columns_ = 0;
    std::vector<Level> levels_;
};

}  // namespace vantrel
