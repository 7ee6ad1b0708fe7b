// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Scaling a recording's sample elements to doubles, chunk by chunk of whole scans, in
// uniform order (one setting for every sample) or custom order (each position of a scan
// takes its range, and for card type 4 its input kind, from its queue entry). A sample
// whose rule yields nothing repeats the carried value: the latest value a rule yielded,
// 0.0 before the first, kept across chunk borders.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "convert/names/ChannelNames.h"
#include "convert/scaling/ScanPositionSettings.h"
#include "convert/scaling/WordTables.h"
#include "recording/CardTable.h"
#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

class SampleScaler {
  public:
    // Built once per conversion from the loaded header, which must outlive it, and queue.
    // Recordings that take word tables (WordTables.h) get the value of every word per range
    // code in use (512 KiB each); throws std::bad_alloc when they cannot be had.
    // `carried` is the carried value the first sample follows: 0.0 at the recording's
    // start, CarriedValueAfter(...) of the scan before where a range starts inside it.
    // `samples`: how many it will scale, where fewer than the recording's (a few take no
    // tables).
    // `transducers`: per position of a scan, the transducer its values go through after the
    // rule; empty for none (TransducersByPosition).
    SampleScaler(const RecordingHeader& header, const ChannelGainQueue& queue, double carried = 0.0,
                 std::optional<std::uint64_t> samples = std::nullopt,
                 std::span<const Transducer> transducers = {});

    // Scales the elements in `chunk` (whole scans, following the previous chunk) into
    // `out`, which holds one double per element.
    void Scale(std::span<const std::uint8_t> chunk, std::span<double> out);

    // The step s where every value is (signed code) x s exactly: uniform order, one rule
    // whose value is a single rounding of the code times a factor (for 16-bit cards, where
    // the recording takes word tables), and no transducer.
    std::optional<double> linearStep() const {
        return transducers_.empty() ? linearStep_ : std::nullopt;
    }

  private:
    void ScaleRaw(std::span<const std::uint8_t> chunk, std::span<double> out);
    void ScaleWords(std::span<const std::uint8_t> chunk, std::span<double> out);

    const RecordingHeader& header_;
    const CardInfo& card_;
    std::vector<PositionSetting> positions_;
    double carried_ = 0.0;
    // Per scan position, every word's value under its range code, null where no rule
    // applies; empty when the recording takes no word tables (then each element goes
    // through the rule).
    std::vector<WordTable<double>> tables_;
    std::vector<const double*> positionTables_;
    // Uniform order: the factor that gives every word's (or 24-bit code's) value exactly,
    // when there is one.
    std::optional<double> linearStep_;
    std::vector<Transducer> transducers_;
};

// The carried value at the end of `scan`, one whole scan's elements: whatever came before
// it. Where some position of a scan has a rule, the latest such sample lies in the scan, so
// its value is what a sample without a rule repeats in the next scan; where none has, every
// value is the starting 0.0. A range that starts inside a recording needs only the scan
// before it for the carried value, not everything before. Throws std::bad_alloc.
double CarriedValueAfter(const RecordingHeader& header, const ChannelGainQueue& queue,
                         std::span<const std::uint8_t> scan);

}  // namespace vantrel
