// SPDX-License-Identifier: BSD-3-Clause
#include "recording/PathAsText.h"

#include <cstdint>

namespace vantrel {

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The length of the UTF-8 character at `at`, or 0 where none starts there: no overlong
// forms, no surrogates, nothing beyond U+10FFFF.
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<std::uint8_t>(text[i]) : std::uint8_t{0};
    };
    const auto within = [&](std::size_t i, std::uint8_t low, std::uint8_t high) {
        return byte(i) >= low && byte(i) <= high;
    };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return within(at + 1, 0x80, 0xBF) ? 2 : 0;
    }
    // The second byte's range is what rules out overlong forms and surrogates.
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    std::size_t length = 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (!within(at + 1, low, high)) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!within(at + i, 0x80, 0xBF)) {
            return 0;
        }
    }
    return length;
}

void AppendEscape(std::string& out, std::uint8_t byte) {
    constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0xF]);
}

}  // namespace

std::string PathAsText(std::string_view path) {
    std::string text;
    text.reserve(path.size());
    for (std::size_t at = 0; at < path.size();) {
        const std::size_t length = CharacterLength(path, at);
        if (length == 0) {
            AppendEscape(text, static_cast<std::uint8_t>(path[at]));
            ++at;
            continue;
        }
        if (path[at] == '\\' && at + 3 < path.size() && path[at + 1] == 'x' &&
            IsHexDigit(path[at + 2]) && IsHexDigit(path[at + 3])) {
            AppendEscape(text, '\\');
        } else {
            text.append(path.substr(at, length));
        }
        at += length;
    }
    return text;
}

}  // namespace vantrel
