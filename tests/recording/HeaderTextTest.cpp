// SPDX-License-Identifier: BSD-3-Clause
// Header texts decoded as the recording's Windows software wrote them, and encoded back.

#include "recording/HeaderText.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vantrel {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string utf8;
};

class HeaderTextDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(HeaderTextDecode, givesTheWindows1252Characters) {
    EXPECT_EQ(HeaderTextAsUtf8(GetParam().bytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    HeaderText, HeaderTextDecode,
    testing::Values(DecodeCase{"ascii", "09/15/99", "09/15/99"},
                    DecodeCase{"accents", "\xE9t\xE9 99", "\xC3\xA9t\xC3\xA9 99"},
                    DecodeCase{"euro", "\x80", "\xE2\x82\xAC"},
                    DecodeCase{"quotes", "\x93\x94", "\xE2\x80\x9C\xE2\x80\x9D"},
                    DecodeCase{"undefined81", "\x81", "\xC2\x81"},
                    DecodeCase{"undefined8D", "\x8D", "\xC2\x8D"},
                    DecodeCase{"undefined8F", "\x8F", "\xC2\x8F"},
                    DecodeCase{"undefined90", "\x90", "\xC2\x90"},
                    DecodeCase{"undefined9D", "\x9D", "\xC2\x9D"},
                    DecodeCase{"yDiaeresis9F", "\x9F", "\xC5\xB8"},
                    DecodeCase{"noBreakSpace", "\xA0", "\xC2\xA0"},
                    DecodeCase{"lastByte", "\xFF", "\xC3\xBF"},
                    DecodeCase{"escape", "\x1B[31m", "\x1B[31m"}, DecodeCase{"empty", "", ""}),
    [](const auto& test) { return std::string(test.param.name); });

std::string EveryByte() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

TEST(HeaderText, everyByteHasItsOwnCharacterAndComesBack) {
    std::set<std::string> characters;
    for (const char b : EveryByte()) {
        const std::string decoded = HeaderTextAsUtf8(std::string(1, b));
        characters.insert(decoded);
        EXPECT_EQ(HeaderTextFromUtf8(decoded), std::string(1, b))
            << "byte " << static_cast<int>(static_cast<unsigned char>(b));
    }
    EXPECT_EQ(characters.size(), 256u);  // no two headers decode alike
    EXPECT_EQ(HeaderTextFromUtf8(HeaderTextAsUtf8(EveryByte())), EveryByte());
}

struct EncodeCase {
    const char* name;
    std::string utf8;
    std::string bytes;
};

class HeaderTextEncode : public testing::TestWithParam<EncodeCase> {};

TEST_P(HeaderTextEncode, givesOneByteACharacter) {
    EXPECT_EQ(HeaderTextFromUtf8(GetParam().utf8), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(HeaderText, HeaderTextEncode,
                         testing::Values(EncodeCase{"latin", "\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
                                         EncodeCase{"notIn1252",
                                                    "a\xE2\x86\x92"
                                                    "b",
                                                    "a?b"},  // U+2192
                                         EncodeCase{"beyondBmp",
                                                    "a\xF0\x9F\x98\x80"
                                                    "b",
                                                    "a?b"},                              // U+1F600
                                         EncodeCase{"c1NotUndefined", "\xC2\x80", "?"},  // U+0080
                                         EncodeCase{"loneContinuation",
                                                    "a\x80"
                                                    "b",
                                                    "a?b"},
                                         EncodeCase{"truncated", "a\xC3", "a?"},
                                         EncodeCase{"overlong", "\xE0\x81\xA9", "???"}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace vantrel
