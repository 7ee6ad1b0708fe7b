#pragma once

// Scaled text cells of the 24-bit cards straight from the integer code. Most of their rules
// give exactly code x a / 2^b (a factor that is a short binary fraction, as 10 / 2^23): the
// cell is then round-half-even(|code| x a x 10^decimals / 2^b) in integer arithmetic,
// without a double and without the general formatter, and the bytes are the same.

#include <cstdint>
#include <optional>
#include <vector>

#include "recording/CardTable.h"
#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

struct DyadicStep {
    double step;                // the value of code 1: every code's value is code x step
    std::uint64_t factor;       // a x 10^decimals
    int shift;                  // b
    std::uint64_t largestCode;  // magnitudes above it overflow 64 bits: formatted as doubles
    int decimals;
};

// The step of a rule when its value is exactly code x step for every code, checked on the
// codes that would show otherwise (every small code, powers of two and their neighbours,
// the largest, a sweep of the range, words with their upper byte set); nullopt when it is
// not, or when the rule gives nothing.
std::optional<DyadicStep> DyadicStepOf(ScalingRules rules, std::uint16_t rangeCode,
                                       std::int8_t inputKind, int decimals);

// The step of every position of a scan of a 24-bit card's recording, or nullopt when any
// position has none (its samples then go through the rule and the general formatter).
std::optional<std::vector<DyadicStep>> DyadicStepsOf(const RecordingHeader& header,
                                                     const ChannelGainQueue& queue);

// The cell of `code` under `step`: the bytes FormatFixedCell writes for the rule's value.
std::size_t FormatDyadicCell(char* out, const DyadicStep& step, std::int32_t code);

}  // namespace vantrel
