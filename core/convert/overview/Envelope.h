// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A recording's signal at a glance: the least and the greatest scaled value of each column
// over consecutive buckets of scans, found in one pass over the samples with the scaling
// every output uses. A bucket's extremes are its samples' own, so one sample that stands out
// shows in the bucket that holds it, however many scans a bucket holds.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "convert/run/ScanReader.h"
#include "convert/run/Selection.h"
#include "platform/Platform.h"
#include "platform/ProgressCallback.h"
#include "recording/Outcome.h"

namespace vantrel {

// How `scans` scans from `firstScan` on split into `buckets` buckets: evenly, the shorter
// buckets first, each one scan longer than the shortest at most.
struct BucketSplit {
    std::uint64_t firstScan = 0;
    std::uint64_t scans = 0;
    std::uint64_t buckets = 0;

    // The first scan of bucket `bucket`; Start(buckets) is the scan after the last.
    std::uint64_t Start(std::uint64_t bucket) const;
    // The bucket that holds `scan`, one of the split's scans.
    std::uint64_t BucketOf(std::uint64_t scan) const;
};

// The split of `part`'s scans into `buckets` buckets, taken between 1 and its scans (none
// for a part without scans).
BucketSplit SplitOf(const SelectedPart& part, std::uint64_t buckets);

// When the envelope's arrays cannot be had.
inline constexpr const char* kOverviewMemoryMessage = "Not enough memory for the overview!";

// The extremes of the columns of a part, bucket by bucket: min[bucket * columns + column].
struct Envelope {
    BucketSplit split;
    std::size_t columns = 0;
    std::vector<double> min;
    std::vector<double> max;
};

// Takes one finished bucket's extremes, one per column of the part. It may be called from
// two threads at once, never twice for one bucket.
using BucketSink = std::function<void(std::uint64_t bucket, std::span<const double> min,
                                      std::span<const double> max)>;

// Reads the scans of `part` from the recording's file once and hands each of `buckets`
// buckets (SplitOf) to `sink`, in no particular order. `progress` is called with the sample bytes
// read so far and the part's total; when it returns false the fold stops, cancelled, without a
// message. Fails as ScanReader does, with its messages shown.
Outcome FoldEnvelope(const ScanRecording& opened, const Platform& platform,
                     const SelectedPart& part, std::uint64_t buckets,
                     const ProgressCallback& progress, const BucketSink& sink);

// The envelope of `part` in `buckets` buckets (as FoldEnvelope takes them).
Result<Envelope> ReadEnvelope(const ScanRecording& opened, const Platform& platform,
                              const SelectedPart& part, std::uint64_t buckets,
                              const ProgressCallback& progress = {});

}  // namespace vantrel
