// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/ShortestNumber.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "support/FixedCellSamples.h"

namespace vantrel {
namespace {

constexpr char kUntouched = '#';

// Formats into a buffer filled with a marker; checks the room was kept.
std::string Shortest(double value) {
    char buf[kShortestRoom + 8];
    std::memset(buf, kUntouched, sizeof buf);
    const std::size_t n = FormatShortest(buf, value);
    EXPECT_LE(n, kShortestLength);
    EXPECT_EQ(std::string(buf + kShortestRoom, 8), std::string(8, kUntouched))
        << "wrote past the room for " << value;
    return std::string(buf, n);
}

std::string Library(double value) {
    char buf[kShortestLength];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

TEST(ShortestNumber, eachLayout_isTheLibrarysText) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {1.0, "1"},
        {-7.0, "-7"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1234567890123456"},
        {1e16, "1e+16"},
        {1152921504606846976.0, "1152921504606846976"},  // 2^60 written out exactly, no zeros
        {0.5, "0.5"},
        {-0.03745555877685547, "-0.03745555877685547"},
        {0.021497011184692383, "0.021497011184692383"},
        {9.999999999999998, "9.999999999999998"},
        {1234.5678, "1234.5678"},
        {1e-4, "1e-04"},              // a tie with "0.0001" goes to scientific here
        {0.001, "0.001"},             // and to fixed here: both 5 characters
        {0.00012345, "0.00012345"},   // three zeros after the point
        {0.000012345, "1.2345e-05"},  // four: scientific is shorter
        {2.5e-300, "2.5e-300"},       // three exponent digits
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
        {std::numeric_limits<double>::denorm_min(), "5e-324"},
        {-2.2250738585072014e-308, "-2.2250738585072014e-308"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Library(c.value), c.text) << "the table is wrong for " << c.value;
        EXPECT_EQ(Shortest(c.value), c.text);
    }
    EXPECT_EQ(Shortest(std::numeric_limits<double>::quiet_NaN()),
              Library(std::numeric_limits<double>::quiet_NaN()));
}

TEST(ShortestNumber, edgeScaledAndRandomValues_areTheLibrarysText) {
    for (double value : test::EdgeDoubles()) {
        ASSERT_EQ(Shortest(value), Library(value)) << value;
    }
    for (const auto& rule : test::ScaleRules16()) {
        for (int code = -32768; code <= 32767; code += 7) {
            ASSERT_EQ(Shortest(rule(code)), Library(rule(code))) << "code " << code;
        }
    }
    for (const auto& rule : test::ScaleRules24()) {
        for (int code = -(1 << 23); code < (1 << 23); code += 997) {
            ASSERT_EQ(Shortest(rule(code)), Library(rule(code))) << "code " << code;
        }
    }
    for (int scan = 0; scan < 20000; ++scan) {
        for (double rate : {1.0, 3.0, 1000.0, 44100.0}) {
            ASSERT_EQ(Shortest(scan / rate), Library(scan / rate)) << scan << " / " << rate;
        }
    }
    test::FixedCellSampler sampler(0x5407e5u);
    for (int i = 0; i < 200'000; ++i) {
        const double value = i % 2 == 0 ? sampler.RandomBits() : sampler.Next(7);
        ASSERT_EQ(Shortest(value), Library(value)) << value;
    }
}

}  // namespace
}  // namespace vantrel
