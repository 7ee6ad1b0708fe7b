// SPDX-License-Identifier: BSD-3-Clause
#include "SelectionArguments.h"

#include <charconv>
#include <cmath>

namespace vantrel::cli {

namespace {

// The whole of `text` as a number of type T, or nullopt.
template <typename T>
std::optional<T> NumberOf(std::string_view text) {
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    T value{};
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failed != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The two ends of "A:B", each empty or a number.
template <typename T>
bool EndsOf(std::string_view word, std::optional<T>& first, std::optional<T>& last) {
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos || word.find(':', colon + 1) != std::string_view::npos) {
        return false;
    }
    const std::string_view a = word.substr(0, colon);
    const std::string_view b = word.substr(colon + 1);
    first = a.empty() ? std::nullopt : NumberOf<T>(a);
    last = b.empty() ? std::nullopt : NumberOf<T>(b);
    return (a.empty() || first) && (b.empty() || last);
}

}  // namespace

std::optional<ScanBounds> ReadScans(std::string_view word, std::string& error) {
    ScanBounds bounds;
    if (!EndsOf(word, bounds.start, bounds.stop)) {
        error =
            "--scans takes FIRST:LAST, scan numbers as a Python slice takes them "
            "(\"100:200\", \":500\", \"-1000:\"), not \"" +
            std::string(word) + "\"";
        return std::nullopt;
    }
    return bounds;
}

std::optional<TimeBounds> ReadTimes(std::string_view word, std::string& error) {
    TimeBounds bounds;
    const bool read = EndsOf(word, bounds.start, bounds.end);
    const auto finite = [](const std::optional<double>& end) {
        return !end || std::isfinite(*end);
    };
    if (!read || !finite(bounds.start) || !finite(bounds.end)) {
        error =
            "--time takes START:END in seconds from the recording's start (\"1.5:2\", "
            "\"60:\"), not \"" +
            std::string(word) + "\"";
        return std::nullopt;
    }
    return bounds;
}

std::optional<std::vector<std::int64_t>> ReadNumberList(std::string_view what,
                                                        std::string_view word, std::string& error) {
    // A range of more than this is a mistake, not a selection: no scan holds that many.
    constexpr std::int64_t kLongestRange = 1 << 16;
    std::vector<std::int64_t> numbers;
    for (std::size_t at = 0; at <= word.size();) {
        const std::size_t comma = std::min(word.find(',', at), word.size());
        const std::string_view item = word.substr(at, comma - at);
        const std::size_t dash = item.find('-', 1);
        const auto low = NumberOf<std::int64_t>(item.substr(0, dash));
        const auto high =
            dash == std::string_view::npos ? low : NumberOf<std::int64_t>(item.substr(dash + 1));
        if (!low || !high || *low < 0 || *high < 0 || std::abs(*high - *low) > kLongestRange) {
            error = std::string(what) +
                    " takes numbers and ranges joined by commas (\"0-3,7\"), not \"" +
                    std::string(word) + "\"";
            return std::nullopt;
        }
        const std::int64_t step = *high >= *low ? 1 : -1;
        for (std::int64_t n = *low;; n += step) {
            numbers.push_back(n);
            if (n == *high) {
                break;
            }
        }
        at = comma + 1;
    }
    return numbers;
}

}  // namespace vantrel::cli
