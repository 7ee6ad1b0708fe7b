// SPDX-License-Identifier: BSD-3-Clause
#include "convert/overview/Envelope.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include "convert/scaling/SampleScaler.h"
#include "convert/threads/HelperThread.h"
#include "recording/CardTable.h"

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

// Where every value of a recording is code x step (one linear rule for every sample, as in
// uniform order for most ranges), a bucket's extremes are those of its codes times the step:
// the codes are folded, and nothing is scaled but the extremes.
std::optional<double> LinearStepOf(const ScanRecording& opened) {
    const LoadedRecording& held = opened.recording;
    if (held.header.isCustomOrder() || !CardFacts(held.header.cardType()).converts()) {
        return std::nullopt;
    }
    try {
        return SampleScaler(held.header, held.queue, 0.0, opened.scans() * opened.channels(),
                            opened.transducers)
            .linearStep();
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // the values are scaled then, with the scaler's own message
    }
}

class Fold {
  public:
    Fold(const ScanRecording& opened, const SelectedPart& part, const BucketSplit& split,
         const BucketSink& sink)
        : opened_(opened), part_(part), split_(split), sink_(sink), step_(LinearStepOf(opened)) {}

    // Reads the scans of `share`'s buckets and hands them on; `read` counts the sample bytes
    // read, and reading stops, cancelled, once `stop` is set.
    Outcome Run(const Platform& platform, Share share, std::atomic<std::uint64_t>& read,
                const std::atomic<bool>& stop, const std::function<bool()>& report) const {
        const auto values = step_ ? ScanValues::kCodes : ScanValues::kScaled;
        auto reader = ScanReader::Open(opened_, platform, values);
        if (!reader) {
            return reader.failure();
        }
        if (Outcome skipped = reader->SkipTo(split_.Start(share.firstBucket)); !skipped.done()) {
            return skipped;
        }
        const Pass pass{platform, share, read, stop, report};
        if (opened_.channels() == 0) {
            // Scans without samples: buckets without columns, nothing to read.
            for (std::uint64_t b = share.firstBucket; b < share.endBucket; ++b) {
                sink_(b, {}, {});
            }
            return {};
        }
        if (!step_) {
            return Sweep<double>(*reader, pass,
                                 [](ScanReader& r, std::uint64_t n, double* out, std::size_t size) {
                                     return r.ReadScaled(n, {out, size});
                                 });
        }
        if (opened_.elementSize() == 2) {
            // Signed 16-bit codes: the words, read as such.
            return Sweep<std::int16_t>(
                *reader, pass,
                [](ScanReader& r, std::uint64_t n, std::int16_t* out, std::size_t size) {
                    return r.ReadWords(n, {reinterpret_cast<std::uint16_t*>(out), size});
                });
        }
        return Sweep<std::int32_t>(
            *reader, pass, [](ScanReader& r, std::uint64_t n, std::int32_t* out, std::size_t size) {
                return r.ReadCodes(n, {out, size});
            });
    }

  private:
    struct Pass {
        const Platform& platform;
        Share share;
        std::atomic<std::uint64_t>& read;
        const std::atomic<bool>& stop;
        const std::function<bool()>& report;
    };

    // The fold over elements of type T (values, or codes), chunk by chunk of scans.
    template <typename T, typename Read>
    Outcome Sweep(ScanReader& reader, const Pass& pass, Read readChunk) const {
        const std::uint64_t first = split_.Start(pass.share.firstBucket);
        const std::uint64_t end = split_.Start(pass.share.endBucket);
        const std::uint64_t channels = opened_.channels();
        const std::uint64_t scanBytes =
            channels * static_cast<std::uint64_t>(opened_.elementSize());
        const std::uint64_t perChunk = std::max<std::uint64_t>(kFoldChunkSamples / channels, 1);
        const std::size_t columns = part_.columns.size();
        std::vector<T> elements;
        std::vector<T> low(columns);
        std::vector<T> high(columns);
        std::vector<double> lowValues(columns);
        std::vector<double> highValues(columns);
        try {
            elements.resize(std::min(perChunk, end - first) * channels);
        } catch (const std::bad_alloc&) {
            return Shown(pass.platform.messages, OutcomeKind::kFailed, kOverviewMemoryMessage);
        }
        std::uint64_t bucket = pass.share.firstBucket;
        std::uint64_t bucketEnd = split_.Start(bucket + 1);
        Restart(low, high);
        for (std::uint64_t scan = first; scan < end;) {
            if (pass.stop.load(std::memory_order_relaxed)) {
                return Outcome{OutcomeKind::kCancelled, {}, {}};
            }
            const std::uint64_t count = std::min(perChunk, end - scan);
            if (Outcome got = readChunk(reader, count, elements.data(), count * channels);
                !got.done()) {
                return got;
            }
            // The chunk's scans, bucket by bucket: a bucket may span chunks.
            for (std::uint64_t at = scan; at < scan + count;) {
                const std::uint64_t until = std::min(bucketEnd, scan + count);
                FoldRows(elements.data() + (at - scan) * channels, until - at, channels, low, high);
                at = until;
                if (at == bucketEnd) {
                    for (std::size_t c = 0; c < columns; ++c) {
                        lowValues[c] = ValueOf(low[c], high[c], false);
                        highValues[c] = ValueOf(low[c], high[c], true);
                    }
                    sink_(bucket, lowValues, highValues);
                    Restart(low, high);
                    ++bucket;
                    bucketEnd = split_.Start(bucket + 1);
                }
            }
            scan += count;
            pass.read.fetch_add(count * scanBytes, std::memory_order_relaxed);
            if (pass.report && !pass.report()) {
                return Outcome{OutcomeKind::kCancelled, {}, {}};
            }
        }
        return {};
    }

    // Folds `scans` scans from `rows` into the extremes of the part's columns.
    template <typename T>
    void FoldRows(const T* rows, std::uint64_t scans, std::uint64_t channels, std::vector<T>& low,
                  std::vector<T>& high) const {
        const std::size_t columns = part_.columns.size();
        if (part_.everyColumn) {
            // Scans of a few columns side by side: a loop of a known width, a few vector
            // instructions a scan.
            switch (columns) {
                case 2:
                    return FoldSideBySide<2>(rows, scans, low, high);
                case 4:
                    return FoldSideBySide<4>(rows, scans, low, high);
                case 8:
                    return FoldSideBySide<8>(rows, scans, low, high);
                case 16:
                    return FoldSideBySide<16>(rows, scans, low, high);
                default:
                    break;
            }
        }
        for (std::size_t c = 0; c < columns; ++c) {
            const T* element = rows + part_.columns[c];
            T lo = low[c];
            T hi = high[c];
            for (std::uint64_t s = 0; s < scans; ++s, element += channels) {
                lo = std::min(lo, *element);
                hi = std::max(hi, *element);
            }
            low[c] = lo;
            high[c] = hi;
        }
    }

    template <std::size_t Columns, typename T>
    static void FoldSideBySide(const T* rows, std::uint64_t scans, std::vector<T>& low,
                               std::vector<T>& high) {
        std::array<T, Columns> lo{};
        std::array<T, Columns> hi{};
        std::copy_n(low.begin(), Columns, lo.begin());
        std::copy_n(high.begin(), Columns, hi.begin());
        for (std::uint64_t s = 0; s < scans; ++s, rows += Columns) {
            for (std::size_t c = 0; c < Columns; ++c) {
                lo[c] = std::min(lo[c], rows[c]);
                hi[c] = std::max(hi[c], rows[c]);
            }
        }
        std::copy_n(lo.begin(), Columns, low.begin());
        std::copy_n(hi.begin(), Columns, high.begin());
    }

    // The least (or greatest) value of a bucket whose elements lie in [low, high].
    double ValueOf(double low, double high, bool greatest) const { return greatest ? high : low; }
    template <typename Code>
    double ValueOf(Code low, Code high, bool greatest) const {
        // A negative step turns the order of the codes round.
        const double step = *step_;
        const Code code = (step < 0.0) == greatest ? low : high;
        return static_cast<double>(code) * step;
    }

    template <typename T>
    static void Restart(std::vector<T>& low, std::vector<T>& high) {
        std::fill(low.begin(), low.end(), std::numeric_limits<T>::max());
        std::fill(high.begin(), high.end(), std::numeric_limits<T>::lowest());
    }

    const ScanRecording& opened_;
    const SelectedPart& part_;
    const BucketSplit& split_;
    const BucketSink& sink_;
    std::optional<double> step_;
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
