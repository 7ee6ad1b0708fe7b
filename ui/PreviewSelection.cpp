// SPDX-License-Identifier: BSD-3-Clause
#include "PreviewSelection.h"

#include <algorithm>
#include <array>

#include "convert/formats/RecordingFacts.h"
#include "convert/text/ShortestNumber.h"

namespace vantrel {

namespace {

// The shortest digits that read back as `value`, as the command line reads them.
std::string Shortest(double value) {
    std::array<char, kShortestRoom> digits{};
    return std::string(digits.data(), FormatShortest(digits.data(), value));
}

std::string Joined(const std::vector<std::int64_t>& numbers, char between) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        text += (i == 0 ? "" : std::string(1, between)) + std::to_string(numbers[i]);
    }
    return text;
}

}  // namespace

Selection PreviewSelection(const LoadedRecording& recording, std::uint64_t first, std::uint64_t end,
                           const std::vector<std::uint32_t>& lanes) {
    Selection selection;
    if (const auto duration = DurationSeconds(recording.header)) {
        // The same division that gives the scans their times: scan s lies in
        // [first / rate, end / rate) exactly when first <= s < end.
        const double rate = recording.header.scanRate();
        selection.time =
            TimeBounds{static_cast<double>(first) / rate, static_cast<double>(end) / rate};
    } else {
        selection.scans =
            ScanBounds{static_cast<std::int64_t>(first), static_cast<std::int64_t>(end)};
    }
    const SelectedPart whole = WholeRecording(recording.header);
    const std::vector<std::uint32_t> every(whole.columns.begin(), whole.columns.end());
    if (lanes == every) {
        return selection;
    }
    // The shown lanes' channels, each once; they name the lanes where every position that
    // holds one of them is shown, in scan order.
    const RecordingFacts facts = FactsOf(recording);
    std::vector<std::int64_t> channels;
    for (const std::uint32_t lane : lanes) {
        const std::int64_t channel = lane < facts.columns.size() ? facts.columns[lane].channel : -1;
        if (std::find(channels.begin(), channels.end(), channel) == channels.end()) {
            channels.push_back(channel);
        }
    }
    Selection byChannels = selection;
    byChannels.channels = channels;
    const auto part = ResolveSelection(recording, byChannels);
    if (part && part->columns == lanes) {
        return byChannels;
    }
    selection.columns = std::vector<std::int64_t>(lanes.begin(), lanes.end());
    return selection;
}

std::string SelectionArguments(const Selection& selection) {
    std::string text;
    if (selection.time) {
        text = "--time " + Shortest(selection.time->start.value_or(0.0)) + ":" +
               (selection.time->end ? Shortest(*selection.time->end) : std::string());
    } else if (selection.scans) {
        text = "--scans " + std::to_string(selection.scans->start.value_or(0)) + ":" +
               (selection.scans->stop ? std::to_string(*selection.scans->stop) : std::string());
    }
    if (selection.channels) {
        text += " --channels " + Joined(*selection.channels, ',');
    } else if (selection.columns) {
        text += " --columns " + Joined(*selection.columns, ',');
    }
    return text;
}

std::string SelectionSuffix(const Selection& selection) {
    std::string suffix;
    if (selection.time) {
        suffix = "_" + Shortest(selection.time->start.value_or(0.0)) + "-" +
                 Shortest(selection.time->end.value_or(0.0)) + "s";
    } else if (selection.scans) {
        suffix = "_scans" + std::to_string(selection.scans->start.value_or(0)) + "-" +
                 std::to_string(selection.scans->stop.value_or(0));
    }
    if (selection.channels) {
        suffix += "_ch" + Joined(*selection.channels, '-');
    } else if (selection.columns) {
        suffix += "_col" + Joined(*selection.columns, '-');
    }
    return suffix;
}

}  // namespace vantrel
