// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The part of a recording a conversion takes: a range of scans, given as scan numbers or as
// times, and the columns kept, given as channel numbers or as positions in a scan. The
// request holds it as asked; ResolveSelection checks it against one recording and gives the
// scans and positions the writers take.

#include <cstdint>
#include <optional>
#include <vector>

#include "recording/LoadedRecording.h"
#include "recording/Outcome.h"

namespace vantrel {

// Scan numbers as a Python slice takes them: `stop` is the first scan not taken, a negative
// end counts from the last scan, and an end left out is the recording's. A stop past the
// last scan stops there.
struct ScanBounds {
    std::optional<std::int64_t> start;
    std::optional<std::int64_t> stop;
};

// Seconds from the recording's start: the scans s with start <= s / rate < end.
struct TimeBounds {
    std::optional<double> start;
    std::optional<double> end;
};

struct Selection {
    std::optional<ScanBounds> scans;  // at most one of scans and time
    std::optional<TimeBounds> time;
    // At most one of these: the channels as title line 2 names them (each gives every
    // position that holds it), or positions in a scan. Either may name a column twice.
    std::optional<std::vector<std::int64_t>> channels;
    std::optional<std::vector<std::int64_t>> columns;

    // Nothing is selected: the whole recording, every column in scan order.
    bool whole() const { return !scans && !time && !channels && !columns; }
};

// A selection resolved against one recording.
struct SelectedPart {
    std::uint64_t firstScan = 0;
    std::uint64_t scans = 0;
    std::vector<std::uint32_t> columns;  // positions in a scan, in output order
    bool everyColumn = true;             // columns is every position in scan order
    bool narrowed = false;  // less than the whole recording, or its columns in another order
    // The carried value at firstScan: what a sample without a rule repeats there. The run
    // sets it (CarriedValueBefore) before the writers start.
    double carried = 0.0;
};

// The whole recording.
SelectedPart WholeRecording(const RecordingHeader& header);

// Whether `selection` takes all of `recording` as it is (nothing selected, or "--scans :").
bool TakesWholeRecording(const LoadedRecording& recording, const Selection& selection);

// The scans and positions `selection` takes from `recording`, or why it takes none: a scan,
// time, channel or column the recording does not hold (OutcomeKind::kNotInRecording), or a
// selection that holds nothing (kEmptySelection). The outcome's message names what the
// recording holds; it is not yet shown.
Result<SelectedPart> ResolveSelection(const LoadedRecording& recording, const Selection& selection);

}  // namespace vantrel
