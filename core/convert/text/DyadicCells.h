// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Scaled text cells of the 24-bit cards straight from the integer code. Most of their rules
// give exactly code x a / 2^b (a factor that is a short binary fraction, as 10 / 2^23): the
// cell is then round-half-even(|code| x a x 10^decimals / 2^b) in integer arithmetic,
// without a double and without the general formatter, and the bytes are the same.

#include <cstdint>
#include <optional>
#include <vector>

#include "convert/text/FixedCellFormat.h"
#include "convert/text/FixedCellTables.h"
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

// FormatDyadicCell for step.decimals == Decimals, inline: a table's cells are formatted in
// a loop that knows its decimals.
template <int Decimals>
inline std::size_t FormatDyadicCellAs(char* out, const DyadicStep& step, std::int32_t code) {
    const bool negative = code < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(code))
                 : static_cast<std::uint64_t>(code);
    if (magnitude > step.largestCode) {
        return FormatFixedCell(out, static_cast<double>(code) * step.step, Decimals);
    }
    const std::uint64_t scaled = magnitude * step.factor;
    std::uint64_t n = scaled >> step.shift;
    // The dropped bits decide: above half rounds up, exactly half rounds to even (a shift of
    // 0 drops nothing, and its half is 0).
    const std::uint64_t dropped = scaled & ((std::uint64_t{1} << step.shift) - 1);
    const std::uint64_t half = (std::uint64_t{1} << step.shift) >> 1;
    n += static_cast<std::uint64_t>((dropped > half) |
                                    ((dropped == half) & (n & 1) & (step.shift > 0)));
    if (TablesHold<Decimals>(n)) {
        return WriteFixedByTables<Decimals>(out, negative, n);
    }
    return FormatFixedScaled(out, negative, n, Decimals);
}

}  // namespace vantrel
