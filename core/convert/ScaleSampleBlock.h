#pragma once

// Scaling a run of sample elements to doubles, in uniform order (one setting for every
// sample) or custom order (each position of a scan takes its range, and for card type 4
// its input kind, from its queue entry). A sample whose rule yields nothing repeats the
// carried value: the latest value a rule yielded, 0.0 before the first.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "recording/ChannelGainEntry.h"
#include "recording/ConversionState.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

// The one setting of a uniform-order run.
struct ScaleSettings {
    std::uint64_t sampleCount = 0;
    std::int16_t cardType = 0;
    std::int16_t rangeCode = 0;
    std::int8_t inputKind = 0;  // card type 4 only: the header byte at offset 54
    std::int16_t channelCount = 0;
};

// Bit c set when channel number c occurs in the queue (numbers of 32 or more wrap mod 32).
using ChannelSet = std::uint32_t;

// Input kind per channel number 0..7 (card type 4, custom order). The header's input-kind
// bytes are packed: the k-th byte from offset 54 belongs to the k-th lowest channel among
// 0..3 that occur in the queue.
using InputKindTable = std::array<std::int8_t, 8>;

ChannelSet BuildChannelSet(const ChannelGainQueue& queue);
InputKindTable BuildInputKindTable(const RecordingHeader& header, ChannelSet channels);

// Scales settings.sampleCount elements of `block` into `out`, all with one setting.
// `carried` is read as the starting carried value and left holding the last one, so a run
// split into chunks scales exactly as one call would. Writes nothing for card types
// without rules.
void ScaleUniform(std::span<const std::uint8_t> block, std::span<double> out,
                  const ScaleSettings& settings, double& carried);

// Scales `count` elements; element i takes queue entry (i mod channelCount). `count` must be
// a whole number of scans from a scan's start, and the queue must hold channelCount entries
// (checked before conversion). Channel numbers index `inputKinds` and must be below 8 for
// card type 4.
void ScaleByQueue(std::span<const std::uint8_t> block, std::span<double> out, std::uint64_t count,
                  std::int16_t cardType, std::int16_t channelCount, const ChannelGainQueue& queue,
                  const InputKindTable& inputKinds, double& carried);

// Scales a recording chunk by chunk of whole scans, keeping the carried value across chunk
// borders. Built once per conversion from the loaded header and queue.
class SampleScaler {
  public:
    // For recordings of 16-bit cards with at least 65536 samples this builds, per range
    // code in use that has a rule, the value of every word (512 KiB each, at most four);
    // throws std::bad_alloc when they cannot be had.
    SampleScaler(const RecordingHeader& header, const ChannelGainQueue& queue);

    // Scales the elements in `chunk` (whole scans, following the previous chunk) into
    // `out`, which holds one double per element.
    void Scale(std::span<const std::uint8_t> chunk, std::span<double> out);

  private:
    void ScaleWords(std::span<const std::uint8_t> chunk, std::span<double> out);

    const RecordingHeader& header_;
    const ChannelGainQueue& queue_;
    InputKindTable inputKinds_{};
    double carried_ = 0.0;
    // 16-bit cards: the rule's result for every word, one table per range code in use
    // that has a rule (whether a rule yields a value depends on the setting only, never on
    // the word), and per scan position the table it takes, null where no rule applies.
    // Uniform order has one position. Empty for 32-bit cards, which call the rule per
    // element.
    std::vector<std::vector<double>> tables_;
    std::vector<const double*> positionTables_;
    // Uniform order: the factor that gives every word's value exactly, when there is one.
    std::optional<double> linearStep_;
};

// Scales the whole held sample block of `state` into `out` (N doubles, N = channelCount x
// scanCount), choosing uniform or custom order from the header.
void ScaleSampleBlock(const ConversionState& state, std::span<double> out);

}  // namespace vantrel
