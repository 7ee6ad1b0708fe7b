// SPDX-License-Identifier: BSD-3-Clause
// Paths as UTF-8 text that gives their bytes back.

#include "recording/PathAsText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vantrel {
namespace {

// Reads each \xHH back as its byte, left to right: how a script undoes PathAsText.
std::string Unescaped(const std::string& text) {
    const auto hex = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
    };
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && isHex(text[i + 2]) &&
            isHex(text[i + 3])) {
            bytes.push_back(static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3])));
            i += 3;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

struct PathCase {
    const char* name;
    std::string path;
    std::string text;
};

class PathAsTextCases : public testing::TestWithParam<PathCase> {};

TEST_P(PathAsTextCases, escapesWhatIsNotUtf8AndComesBack) {
    const PathCase& c = GetParam();
    EXPECT_EQ(PathAsText(c.path), c.text);
    EXPECT_EQ(Unescaped(PathAsText(c.path)), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    PathAsText, PathAsTextCases,
    testing::Values(PathCase{"plain", "/data/run1.daq", "/data/run1.daq"},
                    PathCase{"windows", "C:\\data\\x1\\run1.daq", "C:\\data\\x1\\run1.daq"},
                    PathCase{"unc", "\\\\lab\\share\\run1.daq", "\\\\lab\\share\\run1.daq"},
                    PathCase{"utf8", "\xC3\xA9t\xC3\xA9/\xE6\xB8\xAC.daq",
                             "\xC3\xA9t\xC3\xA9/\xE6\xB8\xAC.daq"},
                    PathCase{"fourBytes", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                    PathCase{"latin1", "\xE9t\xE9 99.daq", "\\xe9t\\xe9 99.daq"},
                    PathCase{"backslashLikeAnEscape", "a\\x41", "a\\x5cx41"},
                    PathCase{"backslashUpperHex", "a\\xAB", "a\\x5cxAB"},
                    PathCase{"backslashNotAnEscape", "a\\x4g\\x", "a\\x4g\\x"},
                    PathCase{"escapeAfterBackslash", "\\x4\xE9", "\\x4\\xe9"},
                    PathCase{"overlong", "\xC0\xAF", "\\xc0\\xaf"},
                    PathCase{"surrogate", "\xED\xA0\x80", "\\xed\\xa0\\x80"},
                    PathCase{"beyondUnicode", "\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
                    PathCase{"truncated", "a\xE2\x82", "a\\xe2\\x82"},
                    PathCase{"loneContinuation", "\x80z", "\\x80z"},
                    PathCase{"controlsStay",
                             "a\x1B"
                             "b",
                             "a\x1B"
                             "b"}),
    [](const auto& test) { return std::string(test.param.name); });

// Random bytes weighted toward backslashes, 'x', hex digits and pieces of UTF-8 (whole,
// cut short, overlong, surrogate): every path comes back.
TEST(PathAsText, randomPaths_comeBackByteForByte) {
    const std::string alphabet = "\\\\xX0aF9g/\xC3\xA9\xE2\x82\xAC\xF0\x9F\x80\xFF\xED\xC0";
    std::mt19937 random(20260815);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int round = 0; round < 20000; ++round) {
        std::string path;
        for (int i = length(random); i > 0; --i) {
            path.push_back(alphabet[pick(random)]);
        }
        ASSERT_EQ(Unescaped(PathAsText(path)), path) << PathAsText(path);
    }
}

}  // namespace
}  // namespace vantrel
