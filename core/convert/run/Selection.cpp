// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/Selection.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "convert/formats/RecordingFacts.h"

namespace vantrel {

namespace {

Outcome NotHeld(std::string message) {
    return {OutcomeKind::kNotInRecording, std::move(message), {}};
}

Outcome Empty(std::string message) {
    return {OutcomeKind::kEmptySelection, std::move(message), {}};
}

std::string ScansHeld(std::uint64_t scans) {
    return scans == 0 ? "it holds no scans" : fmt::format("it holds scans 0 to {}", scans - 1);
}

// The first scan s of the `scans` whose time s / rate is `seconds` or later, by the same
// division that gives CSV's time_s, so the times written lie in the range asked for.
std::uint64_t FirstScanAt(double seconds, double rate, std::uint64_t scans) {
    if (!(seconds > 0.0)) {
        return 0;
    }
    // The product's rounding may put the guess a scan off either way, past the last one too.
    const double guess = std::ceil(seconds * rate);
    std::uint64_t s =
        guess < static_cast<double>(scans) ? static_cast<std::uint64_t>(guess) : scans;
    while (s > 0 && static_cast<double>(s - 1) / rate >= seconds) {
        --s;
    }
    while (s < scans && static_cast<double>(s) / rate < seconds) {
        ++s;
    }
    return s;
}

// [first, stop) of a slice's ends over `scans` scans, as Python takes them.
Result<SelectedPart> ScansOf(const ScanBounds& bounds, std::uint64_t scans, SelectedPart part) {
    const auto n = static_cast<std::int64_t>(scans);
    const auto index = [n](std::int64_t end) { return end < 0 ? end + n : end; };
    const std::int64_t first = bounds.start ? index(*bounds.start) : 0;
    // A recording without scans holds the part that starts at its start: no scans.
    if (n == 0 && first == 0) {
        return part;
    }
    if (first < 0 || first >= n) {
        return NotHeld(fmt::format("Scan {} is not in the recording: {}", bounds.start.value_or(0),
                                   ScansHeld(scans)));
    }
    const std::int64_t stop = std::clamp<std::int64_t>(bounds.stop ? index(*bounds.stop) : n, 0, n);
    if (stop <= first) {
        const auto typed = [](const std::optional<std::int64_t>& end) {
            return end ? std::to_string(*end) : std::string();
        };
        return Empty(fmt::format("The scans {}:{} hold no scan: {}", typed(bounds.start),
                                 typed(bounds.stop), ScansHeld(scans)));
    }
    part.firstScan = static_cast<std::uint64_t>(first);
    part.scans = static_cast<std::uint64_t>(stop - first);
    return part;
}

Result<SelectedPart> TimesOf(const TimeBounds& bounds, const RecordingHeader& header,
                             std::uint64_t scans, SelectedPart part) {
    const std::optional<double> duration = DurationSeconds(header);
    if (!duration) {
        return NotHeld(fmt::format(
            "The recording's scan rate ({} Hz) is not a positive number, so its scans have no "
            "times: select scans instead",
            header.scanRate()));
    }
    const double rate = header.scanRate();
    const std::string spans = scans == 0
                                  ? std::string("it holds no scans")
                                  : fmt::format("its scans lie at 0 s to {} s ({} scans at {} Hz)",
                                                static_cast<double>(scans - 1) / rate, scans, rate);
    const double start = bounds.start.value_or(0.0);
    if (scans == 0 && start == 0.0) {
        return part;  // no scans, as the whole recording
    }
    const std::uint64_t first = FirstScanAt(start, rate, scans);
    if (std::isnan(start) || start < 0.0 || first >= scans) {
        return NotHeld(fmt::format("Time {} s is not in the recording: {}", start, spans));
    }
    const std::uint64_t stop = bounds.end ? FirstScanAt(*bounds.end, rate, scans) : scans;
    if (stop <= first || (bounds.end && std::isnan(*bounds.end))) {
        return Empty(fmt::format("The times {} s to {} s hold no scan: {}", start,
                                 bounds.end.value_or(*duration), spans));
    }
    part.firstScan = first;
    part.scans = stop - first;
    return part;
}

// Every channel once, in the order the columns first hold it.
std::string ChannelsHeld(const std::vector<ColumnFacts>& columns) {
    std::vector<std::int32_t> held;
    for (const ColumnFacts& column : columns) {
        if (std::find(held.begin(), held.end(), column.channel) == held.end()) {
            held.push_back(column.channel);
        }
    }
    return held.empty() ? "it holds no channels"
                        : fmt::format("it holds channels {}", fmt::join(held, ", "));
}

std::string ColumnsHeld(std::uint64_t columns) {
    return columns == 0 ? "it holds no columns"
                        : fmt::format("it holds columns 0 to {}", columns - 1);
}

}  // namespace

SelectedPart WholeRecording(const RecordingHeader& header) {
    SelectedPart part;
    part.scans = static_cast<std::uint64_t>(std::max<std::int32_t>(header.scanCount(), 0));
    const auto channels = std::max<std::int16_t>(header.channelCount(), 0);
    for (std::int16_t p = 0; p < channels; ++p) {
        part.columns.push_back(static_cast<std::uint32_t>(p));
    }
    return part;
}

bool TakesWholeRecording(const LoadedRecording& recording, const Selection& selection) {
    if (selection.whole()) {
        return true;
    }
    const Result<SelectedPart> part = ResolveSelection(recording, selection);
    return part && !part->narrowed;
}

Result<SelectedPart> ResolveSelection(const LoadedRecording& recording,
                                      const Selection& selection) {
    SelectedPart part = WholeRecording(recording.header);
    if (selection.whole()) {
        return part;
    }
    if (selection.scans && selection.time) {
        return Empty("A selection takes scans or times, not both");
    }
    if (selection.channels && selection.columns) {
        return Empty("A selection takes channels or columns, not both");
    }
    const std::uint64_t scans = part.scans;
    if (selection.scans) {
        auto ranged = ScansOf(*selection.scans, scans, std::move(part));
        if (!ranged) {
            return ranged;
        }
        part = std::move(*ranged);
    } else if (selection.time) {
        auto ranged = TimesOf(*selection.time, recording.header, scans, std::move(part));
        if (!ranged) {
            return ranged;
        }
        part = std::move(*ranged);
    }

    const std::uint64_t positions = part.columns.size();
    if (selection.columns) {
        part.columns.clear();
        for (const std::int64_t column : *selection.columns) {
            if (column < 0 || static_cast<std::uint64_t>(column) >= positions) {
                return NotHeld(fmt::format("Column {} is not in the recording: {}", column,
                                           ColumnsHeld(positions)));
            }
            part.columns.push_back(static_cast<std::uint32_t>(column));
        }
    } else if (selection.channels) {
        const std::vector<ColumnFacts> columns = FactsOf(recording).columns;
        part.columns.clear();
        for (const std::int64_t channel : *selection.channels) {
            const std::size_t before = part.columns.size();
            for (std::size_t p = 0; p < columns.size(); ++p) {
                if (columns[p].channel == channel) {
                    part.columns.push_back(static_cast<std::uint32_t>(p));
                }
            }
            if (part.columns.size() == before) {
                return NotHeld(fmt::format("Channel {} is not in the recording: {}", channel,
                                           ChannelsHeld(columns)));
            }
        }
    }
    if ((selection.columns || selection.channels) && part.columns.empty()) {
        return Empty(fmt::format("The selection holds no columns: {}", ColumnsHeld(positions)));
    }
    part.everyColumn = part.columns.size() == positions;
    for (std::size_t j = 0; part.everyColumn && j < part.columns.size(); ++j) {
        part.everyColumn = part.columns[j] == j;
    }
    // A selection of everything ("--scans :") converts the whole recording as it is.
    part.narrowed = part.firstScan > 0 || part.scans < scans || !part.everyColumn;
    return part;
}

}  // namespace vantrel
