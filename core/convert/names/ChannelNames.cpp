// SPDX-License-Identifier: BSD-3-Clause
#include "convert/names/ChannelNames.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

// The fields of one line, split at each tab.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string_view::npos ? tab : tab - at));
        if (tab == std::string_view::npos) {
            return fields;
        }
        at = tab + 1;
    }
}

// A field that says nothing: empty or BIDS' "n/a".
bool Unset(std::string_view field) {
    return field.empty() || field == "n/a";
}

std::optional<std::int32_t> ChannelNumber(std::string_view text) {
    std::int32_t channel = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), channel);
    if (error != std::errc{} || end != text.data() + text.size() || channel < 0) {
        return std::nullopt;
    }
    return channel;
}

std::optional<double> FiniteNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string Where(const std::string& source, int line) {
    return source + ":" + std::to_string(line) + ": ";
}

// The channel other than `channel` that already has `name`, if any.
std::optional<std::int32_t> NamedElsewhere(const ChannelNames& names, std::int32_t channel,
                                           const std::string& name) {
    for (const auto& [other, naming] : names.channels) {
        if (other != channel && naming.name == name) {
            return other;
        }
    }
    return std::nullopt;
}

}  // namespace

std::variant<ChannelNames, std::string> ReadChannelNames(std::string_view text,
                                                         const std::string& source) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);  // a byte-order mark some editors write
    }
    ChannelNames names{source, {}};
    std::vector<std::string_view> header;
    std::map<std::string_view, std::size_t> columnAt;
    int lineNumber = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string_view> fields = Fields(line);
        if (header.empty()) {
            header = fields;
            for (std::size_t c = 0; c < header.size(); ++c) {
                columnAt.emplace(header[c], c);
            }
            if (!columnAt.contains("channel")) {
                return Where(source, lineNumber) +
                       "the header row has no column \"channel\" (the recording's channel "
                       "numbers)";
            }
            continue;
        }
        if (fields.size() != header.size()) {
            return Where(source, lineNumber) + std::to_string(fields.size()) +
                   " fields where the header row has " + std::to_string(header.size());
        }
        const auto field = [&](std::string_view column) -> std::optional<std::string_view> {
            const auto found = columnAt.find(column);
            if (found == columnAt.end() || Unset(fields[found->second])) {
                return std::nullopt;
            }
            return fields[found->second];
        };
        const std::string_view channelText = fields[columnAt.at("channel")];
        const auto channel = ChannelNumber(channelText);
        if (!channel) {
            return Where(source, lineNumber) + "field \"channel\": \"" + std::string(channelText) +
                   "\" is not a channel number";
        }
        if (const auto earlier = names.channels.find(*channel); earlier != names.channels.end()) {
            return Where(source, lineNumber) + "field \"channel\": channel " +
                   std::to_string(*channel) + " is on line " +
                   std::to_string(earlier->second.line) + " too";
        }
        ChannelNaming naming;
        naming.line = lineNumber;
        if (const auto name = field("name")) {
            naming.name = std::string(*name);
            if (const auto other = NamedElsewhere(names, *channel, *naming.name)) {
                return Where(source, lineNumber) + "field \"name\": \"" + *naming.name +
                       "\" is channel " + std::to_string(*other) + "'s name on line " +
                       std::to_string(names.channels.at(*other).line) + " too";
            }
        }
        if (const auto type = field("type")) {
            naming.type = std::string(*type);
        }
        if (const auto unit = field("units")) {
            naming.unit = std::string(*unit);
        }
        for (const auto& [column, value] :
             {std::pair{"gain", &naming.gain}, std::pair{"offset", &naming.offset}}) {
            if (const auto number = field(column)) {
                *value = FiniteNumber(*number);
                // A gain of zero would leave nothing of the signal.
                if (!*value || (value == &naming.gain && **value == 0.0)) {
                    return Where(source, lineNumber) + "field \"" + column + "\": \"" +
                           std::string(*number) + "\" is not a finite number" +
                           (value == &naming.gain ? " other than zero" : "");
                }
            }
        }
        names.channels.emplace(*channel, std::move(naming));
    }
    if (header.empty()) {
        return source + ": no header row";
    }
    return names;
}

std::optional<std::string> AddChannelName(ChannelNames& names, std::string_view argument) {
    const std::size_t equals = argument.find('=');
    const auto channel =
        equals == std::string_view::npos ? std::nullopt : ChannelNumber(argument.substr(0, equals));
    if (!channel || equals + 1 == argument.size()) {
        return "--name takes CH=TEXT (a channel number, '=', its name), not \"" +
               std::string(argument) + "\"";
    }
    const std::string name(argument.substr(equals + 1));
    if (const auto other = NamedElsewhere(names, *channel, name)) {
        return "--name " + std::string(argument) + ": \"" + name + "\" is channel " +
               std::to_string(*other) + "'s name too";
    }
    names.channels[*channel].name = name;
    return std::nullopt;
}

std::optional<std::string> RefuseUnknownChannels(const ChannelNames& names,
                                                 const std::vector<std::int32_t>& channels) {
    for (const auto& [channel, naming] : names.channels) {
        if (std::find(channels.begin(), channels.end(), channel) != channels.end()) {
            continue;
        }
        const std::string where =
            naming.line > 0 ? Where(names.source, naming.line) + "field \"channel\": " : "--name: ";
        return where + "channel " + std::to_string(channel) + " is not in the recording!";
    }
    return std::nullopt;
}

Transducer TransducerOf(const ChannelNames& names, std::int32_t channel) {
    const auto found = names.channels.find(channel);
    if (found == names.channels.end()) {
        return {};
    }
    return {found->second.gain.value_or(1.0), found->second.offset.value_or(0.0)};
}

}  // namespace vantrel
