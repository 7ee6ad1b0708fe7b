#include "convert/overview/Envelope.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <new>
#include <utility>

#include "convert/threads/HelperThread.h"

namespace vantrel {

namespace {

// Scaled samples held at a time by each reader: a buffer that stays in the cache.
constexpr std::uint64_t kFoldChunkSamples = std::uint64_t{1} << 17;
// Parts of fewer samples are read by one thread: a second one would not pay for itself.
constexpr std::uint64_t kTwoThreadSamples = std::uint64_t{1} << 22;

// One reader's share of the buckets, [firstBucket, endBucket).
struct Share {
    std::uint64_t firstBucket;
    std::uint64_t endBucket;
};

class Fold {
  public:
    Fold(const ScanRecording& opened, const SelectedPart& part, const BucketSplit& split,
         const BucketSink& sink)
        : opened_(opened), part_(part), split_(split), sink_(sink) {}

    // Reads the scans of `share`'s buckets and hands them on; `read` counts the sample bytes
    // read, and reading stops, cancelled, once `stop` is set.
    Outcome Run(const Platform& platform, Share share, std::atomic<std::uint64_t>& read,
                const std::atomic<bool>& stop, const std::function<bool()>& report) const {
        auto reader = ScanReader::Open(opened_, platform, ScanValues::kScaled);
        if (!reader) {
            return reader.failure();
        }
        const std::uint64_t first = split_.Start(share.firstBucket);
        const std::uint64_t end = split_.Start(share.endBucket);
        if (Outcome skipped = reader->SkipTo(first); !skipped.done()) {
            return skipped;
        }
        const std::uint64_t channels = opened_.channels();
        const std::uint64_t scanBytes =
            channels * static_cast<std::uint64_t>(opened_.elementSize());
        const std::uint64_t perChunk = std::max<std::uint64_t>(kFoldChunkSamples / channels, 1);
        const std::size_t columns = part_.columns.size();
        std::vector<double> values;
        std::vector<double> low(columns);
        std::vector<double> high(columns);
        try {
            values.resize(std::min(perChunk, end - first) * channels);
        } catch (const std::bad_alloc&) {
            return Shown(platform.messages, OutcomeKind::kFailed, kOverviewMemoryMessage);
        }
        std::uint64_t bucket = share.firstBucket;
        std::uint64_t bucketEnd = split_.Start(bucket + 1);
        Restart(low, high);
        for (std::uint64_t scan = first; scan < end;) {
            if (stop.load(std::memory_order_relaxed)) {
                return Outcome{OutcomeKind::kCancelled, {}, {}};
            }
            const std::uint64_t count = std::min(perChunk, end - scan);
            if (Outcome got = reader->ReadScaled(count, values); !got.done()) {
                return got;
            }
            // The chunk's scans, bucket by bucket: a bucket may span chunks.
            for (std::uint64_t at = scan; at < scan + count;) {
                const std::uint64_t until = std::min(bucketEnd, scan + count);
                const double* rows = values.data() + (at - scan) * channels;
                if (part_.everyColumn) {
                    // Row by row: the columns lie side by side, and the loop runs across them.
                    for (std::uint64_t s = at; s < until; ++s, rows += channels) {
                        for (std::size_t c = 0; c < columns; ++c) {
                            low[c] = std::min(low[c], rows[c]);
                            high[c] = std::max(high[c], rows[c]);
                        }
                    }
                } else {
                    for (std::size_t c = 0; c < columns; ++c) {
                        const double* sample = rows + part_.columns[c];
                        double lo = low[c];
                        double hi = high[c];
                        for (std::uint64_t s = at; s < until; ++s, sample += channels) {
                            lo = std::min(lo, *sample);
                            hi = std::max(hi, *sample);
                        }
                        low[c] = lo;
                        high[c] = hi;
                    }
                }
                at = until;
                if (at == bucketEnd) {
                    sink_(bucket, low, high);
                    Restart(low, high);
                    ++bucket;
                    bucketEnd = split_.Start(bucket + 1);
                }
            }
            scan += count;
            read.fetch_add(count * scanBytes, std::memory_order_relaxed);
            if (report && !report()) {
                return Outcome{OutcomeKind::kCancelled, {}, {}};
            }
        }
        return {};
    }

  private:
    static void Restart(std::vector<double>& low, std::vector<double>& high) {
        std::fill(low.begin(), low.end(), std::numeric_limits<double>::infinity());
        std::fill(high.begin(), high.end(), -std::numeric_limits<double>::infinity());
    }

    const ScanRecording& opened_;
    const SelectedPart& part_;
    const BucketSplit& split_;
    const BucketSink& sink_;
};

}  // namespace

std::uint64_t BucketSplit::Start(std::uint64_t bucket) const {
    if (buckets == 0) {
        return firstScan;
    }
    // The last `longer` buckets hold one scan more than the others.
    const std::uint64_t shortest = scans / buckets;
    const std::uint64_t longer = scans % buckets;
    const std::uint64_t shorter = buckets - longer;
    return firstScan + bucket * shortest + (bucket > shorter ? bucket - shorter : 0);
}

std::uint64_t BucketSplit::BucketOf(std::uint64_t scan) const {
    const std::uint64_t shortest = scans / buckets;
    const std::uint64_t shorter = buckets - scans % buckets;
    const std::uint64_t offset = scan - firstScan;
    const std::uint64_t inShorter = shorter * shortest;
    return offset < inShorter ? offset / shortest : shorter + (offset - inShorter) / (shortest + 1);
}

BucketSplit SplitOf(const SelectedPart& part, std::uint64_t buckets) {
    return {part.firstScan, part.scans,
            part.scans == 0 ? 0 : std::clamp<std::uint64_t>(buckets, 1, part.scans)};
}

Outcome FoldEnvelope(const ScanRecording& opened, const Platform& platform,
                     const SelectedPart& part, std::uint64_t buckets,
                     const ProgressCallback& progress, const BucketSink& sink) {
    const BucketSplit split = SplitOf(part, buckets);
    if (split.buckets == 0) {
        return {};
    }
    const std::uint64_t channels = opened.channels();
    const std::uint64_t total =
        part.scans * channels * static_cast<std::uint64_t>(opened.elementSize());
    std::atomic<std::uint64_t> read = 0;
    std::atomic<bool> stop = false;
    const Fold fold(opened, part, split, sink);
    // Reports from the calling thread only, with what both readers have read.
    const std::function<bool()> report = [&] {
        if (progress && !progress(read.load(std::memory_order_relaxed), total)) {
            stop = true;
        }
        return !stop.load();
    };
    if (split.buckets < 2 || part.scans * channels < kTwoThreadSamples) {
        return fold.Run(platform, {0, split.buckets}, read, stop, report);
    }
    // Two readers of their own, each over half of the buckets; the second one's messages are
    // shown from this thread once it has ended.
    const std::uint64_t half = split.buckets / 2;
    MessageLog helperSaid;
    Outcome second;
    HelperThread helper;
    helper.Start([&] {
        second =
            fold.Run(Platform{platform.files, helperSaid}, {half, split.buckets}, read, stop, {});
        if (!second.done()) {
            stop = true;
        }
    });
    Outcome first = fold.Run(platform, {0, half}, read, stop, report);
    if (!first.done()) {
        stop = true;
    }
    helper.Wait();
    for (const std::string& text : helperSaid.texts()) {
        platform.messages.ShowMessage(text);
    }
    // A failure tells more than the cancellation it caused in the other reader.
    if (first.kind == OutcomeKind::kCancelled && second.kind != OutcomeKind::kDone &&
        second.kind != OutcomeKind::kCancelled) {
        return second;
    }
    if (!first.done()) {
        return first;
    }
    return second;
}

Result<Envelope> ReadEnvelope(const ScanRecording& opened, const Platform& platform,
                              const SelectedPart& part, std::uint64_t buckets,
                              const ProgressCallback& progress) {
    Envelope envelope;
    envelope.columns = part.columns.size();
    envelope.split = SplitOf(part, buckets);
    try {
        envelope.min.resize(envelope.split.buckets * envelope.columns);
        envelope.max.resize(envelope.min.size());
    } catch (const std::bad_alloc&) {
        return Shown(platform.messages, OutcomeKind::kFailed, kOverviewMemoryMessage);
    }
    Outcome folded = FoldEnvelope(
        opened, platform, part, buckets, progress,
        [&](std::uint64_t bucket, std::span<const double> min, std::span<const double> max) {
            std::copy(
                min.begin(), min.end(),
                envelope.min.begin() + static_cast<std::ptrdiff_t>(bucket * envelope.columns));
            std::copy(
                max.begin(), max.end(),
                envelope.max.begin() + static_cast<std::ptrdiff_t>(bucket * envelope.columns));
        });
    if (!folded.done()) {
        return folded;
    }
    return envelope;
}

}  // namespace vantrel
