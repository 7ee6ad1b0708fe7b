// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What the user calls each channel: a name, a type and a unit, and for a transducer a gain
// and an offset (value × gain + offset, in that unit). They come from a tab-separated
// sidecar laid out as BIDS' channels.tsv (a header row naming the columns `name`, `type`,
// `units`, our own `channel` with the recording's channel number, which it must have, and
// optionally `gain` and `offset`; other columns are left alone, "n/a" or an empty cell
// leaves a field unset) and from `--name CH=TEXT`.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantrel {

struct ChannelNaming {
    std::optional<std::string> name;
    std::optional<std::string> type;
    std::optional<std::string> unit;
    std::optional<double> gain;
    std::optional<double> offset;
    int line = 0;  // the sidecar's line that gives it; 0 for --name alone
};

struct ChannelNames {
    std::string source;  // the sidecar's path as given, for messages; empty without one
    std::map<std::int32_t, ChannelNaming> channels;

    bool empty() const { return channels.empty(); }
};

// The sidecar `text` read from `source`, or the message that says which line and field is
// wrong: a missing column, a field count that differs from the header's, a channel that is
// not a number or is given twice, a name given to two channels, a gain or offset that is
// not a finite number.
std::variant<ChannelNames, std::string> ReadChannelNames(std::string_view text,
                                                         const std::string& source);

// Adds `--name CH=TEXT` to `names` (over the sidecar's name of CH); the message where the
// argument is not of that form or the name is another channel's.
std::optional<std::string> AddChannelName(ChannelNames& names, std::string_view argument);

// The first channel `names` names that is not one of `channels` (the recording's), as the
// message that says so; nullopt where every one is.
std::optional<std::string> RefuseUnknownChannels(const ChannelNames& names,
                                                 const std::vector<std::int32_t>& channels);

// A column's transducer: value × gain + offset.
struct Transducer {
    double gain = 1.0;
    double offset = 0.0;

    // The identity leaves every value as it is, bit for bit (-0.0 included).
    bool identity() const { return gain == 1.0 && offset == 0.0; }
    double Apply(double value) const { return value * gain + offset; }
};

// The transducer `names` gives `channel` (the identity where it gives none).
Transducer TransducerOf(const ChannelNames& names, std::int32_t channel);

}  // namespace vantrel
