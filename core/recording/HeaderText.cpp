// SPDX-License-Identifier: BSD-3-Clause
#include "recording/HeaderText.h"

#include <array>
#include <cstdint>
#include <span>

namespace vantrel {

namespace {

// Bytes 80 to 9F hex; every other byte is the code point of its own value.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

char32_t CodePointOf(std::uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t{byte};
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        // Nothing in the table lies beyond U+FFFF.
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The code point of the UTF-8 character at `at`, advancing `at` past it (U+10000 for any
// character beyond U+FFFF: none has a byte); U+FFFD, one byte on, for a byte that starts
// no character.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const auto continues = [&](std::size_t i) {
        return i < text.size() && (byte(i) & 0xC0) == 0x80;
    };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    if (lead >= 0xC2 && lead < 0xE0 && continues(at + 1)) {
        const char32_t c = (char32_t{lead} & 0x1F) << 6 | (byte(at + 1) & 0x3F);
        at += 2;
        return c;
    }
    if (lead >= 0xE0 && lead < 0xF0 && continues(at + 1) && continues(at + 2)) {
        const char32_t c = (char32_t{lead} & 0x0F) << 12 | (char32_t{byte(at + 1)} & 0x3F) << 6 |
                           (byte(at + 2) & 0x3F);
        if (c >= 0x800) {
            at += 3;
            return c;
        }
    }
    // Beyond U+FFFF nothing has a byte: one character, however it is written.
    if (lead >= 0xF0 && lead < 0xF5 && continues(at + 1) && continues(at + 2) &&
        continues(at + 3)) {
        at += 4;
        return 0x10000;
    }
    ++at;
    return 0xFFFD;
}

// Appends `bytes` up to a NUL; true when they had one (then the text has ended).
bool AppendUntilNul(std::string& out, std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        if (b == 0) {
            return true;
        }
        out.push_back(static_cast<char>(b));
    }
    return false;
}

}  // namespace

std::string StartDateText(const RecordingHeader& header) {
    std::string date;
    AppendUntilNul(date, header.startDate());
    return date;
}

std::string StartTimeText(const RecordingHeader& header) {
    std::string time;
    if (!AppendUntilNul(time, header.startTime())) {
        time.push_back('.');
        AppendUntilNul(time, header.startMillis());
    }
    return time;
}

std::string HeaderTextAsUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        AppendUtf8(text, CodePointOf(static_cast<std::uint8_t>(b)));
    }
    return text;
}

std::string HeaderTextFromUtf8(std::string_view utf8) {
    std::string bytes;
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = NextCodePoint(utf8, at);
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            byte = static_cast<char>(c);
        } else {
            for (std::size_t i = 0; i < kHighControls.size(); ++i) {
                if (kHighControls[i] == c) {
                    byte = static_cast<char>(0x80 + i);
                }
            }
        }
        bytes.push_back(byte);
    }
    return bytes;
}

}  // namespace vantrel
