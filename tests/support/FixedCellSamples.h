// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Values on which the cell formatter is compared with the C library's printf: codes through
// every scaling rule, doubles of every magnitude, exact decimal ties, values that carry into
// a new digit, and the edges of the formatter's exact range. Shared by the unit tests and the
// verification program so both check the same kinds of value.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vantrel::test {

// The scaling formulas of the cards, one double operation at a time in the order written
// (the build forbids contraction). c is the decoded code.
inline std::vector<std::function<double(double)>> ScaleRules16() {
    return {
        [](double c) { return c / 32768.0 * 10.0; },
        [](double c) { return c / 32768.0 * 1.0; },
        [](double c) {
            const double q = c / 32768.0;
            return q + q;
        },
        [](double c) { return c / 32768.0 * 0.2; },
        [](double c) {
            const double q = c * 100.0 / 32768.0;
            return q / 248.93536376953125;
        },
    };
}

inline std::vector<std::function<double(double)>> ScaleRules24() {
    return {
        [](double c) { return c / 8388608.0 * 10.0; },
        [](double c) { return c * 25.0 / 8388608.0; },
        [](double c) { return c * 12.5 / 8388608.0; },
        [](double c) { return c * 2.5 / 8388608.0; },
        [](double c) { return c * 0.3125 / 8388608.0; },
        [](double c) {
            const double v = c * 2.5 / 8388608.0;
            return v / 18.6701527;
        },
        [](double c) {
            const double v = c * 2.5 / 8388608.0;
            return v / 0.00052;
        },
        [](double c) {
            const double v = c * 2.5 / 8388608.0;
            return v / 0.000052;
        },
        [](double c) { return c * 78.125 / 8388608.0; },
    };
}

// The 24-bit rule: bit 23 set extends the sign; otherwise the word stays, upper byte included.
inline std::int32_t DecodeWord24(std::uint32_t word) {
    if (word & 0x00800000u) {
        word |= 0xFF000000u;
    }
    return static_cast<std::int32_t>(word);
}

// What printf writes for the cell.
inline std::string PrintfFixed(double value, int precision) {
#ifdef _WIN32
    // The cells are glibc's printf's, which writes a NaN's sign; Windows' printf drops it.
    if (std::isnan(value) && std::signbit(value)) {
        return "       -nan";
    }
#endif
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, "%11.*f", precision, value);
    return std::string(buf, static_cast<std::size_t>(n));
}

inline std::string PrintfCode(std::int32_t code) {
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%11d", code);
    return std::string(buf, static_cast<std::size_t>(n));
}

// The double nearest to the decimal with `integerNines` nines before the point and
// `precision` nines and a 5 after it (0.9999995, 9.99999995, ...).
inline double CarryBoundary(int integerNines, int precision) {
    const std::string text = (integerNines == 0 ? "0" : std::string(integerNines, '9')) + "." +
                             std::string(precision, '9') + "5";
    return std::strtod(text.c_str(), nullptr);
}

// Hand-picked doubles: signed zeros, infinities, NaNs, every power of two with its
// neighbours, powers of ten, the carry and rounding boundaries of each precision.
inline std::vector<double> EdgeDoubles() {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values = {0.0,
                                  -0.0,
                                  kInf,
                                  -kInf,
                                  kNaN,
                                  -kNaN,
                                  std::numeric_limits<double>::signaling_NaN(),
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::denorm_min()};
    auto addWithNeighbours = [&values](double v) {
        for (double x : {v, std::nextafter(v, kInf), std::nextafter(v, -kInf)}) {
            values.push_back(x);
            values.push_back(-x);
        }
    };
    for (int e = -1074; e <= 1023; ++e) {
        addWithNeighbours(std::ldexp(1.0, e));
    }
    for (int j = -20; j <= 22; ++j) {
        addWithNeighbours(std::strtod(("1e" + std::to_string(j)).c_str(), nullptr));
    }
    for (int p : {6, 7, 9}) {
        // Smallest magnitudes that round away from zero, and the carries 9.99..95 -> 10.
        addWithNeighbours(std::strtod(("5e-" + std::to_string(p + 1)).c_str(), nullptr));
        addWithNeighbours(std::ldexp(1.0, -(p + 1)));  // an exact tie at p decimals
        for (int j = 0; j <= 12; ++j) {
            addWithNeighbours(CarryBoundary(j, p));
        }
    }
    return values;
}

inline std::vector<std::int32_t> EdgeCodes() {
    std::vector<std::int32_t> codes = {0,
                                       1,
                                       -1,
                                       std::numeric_limits<std::int32_t>::max(),
                                       std::numeric_limits<std::int32_t>::min(),
                                       std::numeric_limits<std::int32_t>::min() + 1,
                                       std::numeric_limits<std::int32_t>::max() - 1};
    std::int64_t power = 1;
    for (int j = 0; j <= 10; ++j) {
        for (std::int64_t v : {power - 1, power, power + 1}) {
            if (v <= std::numeric_limits<std::int32_t>::max()) {
                codes.push_back(static_cast<std::int32_t>(v));
                codes.push_back(static_cast<std::int32_t>(-v));
            }
        }
        power *= 10;
    }
    for (std::int32_t v : {32767, 32768, 65535, 65536, 8388607, 8388608, 16777215, 16777216}) {
        codes.push_back(v);
        codes.push_back(-v);
    }
    return codes;
}

// Random doubles drawn from a mix of the kinds above, for one precision.
class FixedCellSampler {
  public:
    explicit FixedCellSampler(std::uint64_t seed) : rng_(seed) {}

    double Next(int precision) {
        const auto kind = Uniform(0, 99);
        if (kind < 40) {
            return ScaledCode();
        }
        if (kind < 55) {
            return LogUniform();
        }
        if (kind < 63) {
            return RandomBits();
        }
        if (kind < 78) {
            return Dyadic(precision);
        }
        if (kind < 90) {
            return NearDecimalTie(precision);
        }
        return NearCarry(precision);
    }

    // A random code through a random scaling rule: 16-bit signed codes, or 32-bit words
    // through the 24-bit rule (mostly with a clear upper byte, as the cards write them).
    double ScaledCode() {
        if (Uniform(0, 1) == 0) {
            const auto code = static_cast<std::int16_t>(Uniform(0, 0xFFFF));
            return rules16_[Uniform(0, rules16_.size() - 1)](code);
        }
        auto word = static_cast<std::uint32_t>(rng_());
        if (Uniform(0, 7) != 0) {
            word &= 0x00FFFFFFu;
        }
        return rules24_[Uniform(0, rules24_.size() - 1)](DecodeWord24(word));
    }

    std::int32_t Code() {
        switch (Uniform(0, 3)) {
            case 0:
                return static_cast<std::int32_t>(Uniform(0, 0xFFFF));
            case 1:
                return DecodeWord24(static_cast<std::uint32_t>(rng_()) & 0x00FFFFFFu);
            default:
                return static_cast<std::int32_t>(static_cast<std::uint32_t>(rng_()));
        }
    }

    // Any bit pattern: every magnitude, subnormals, infinities and NaNs.
    double RandomBits() { return std::bit_cast<double>(static_cast<std::uint64_t>(rng_())); }

  private:
    std::uint64_t Uniform(std::uint64_t lo, std::uint64_t hi) {
        return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng_);
    }

    double Signed(double v) { return Uniform(0, 1) ? -v : v; }

    // A random 53-bit mantissa with a binary exponent between 2^-60 and 2^60.
    double LogUniform() {
        const double unit = std::ldexp(static_cast<double>(rng_() >> 11), -53);  // [0, 1)
        const int exponent = static_cast<int>(Uniform(0, 120)) - 60;
        return Signed(std::ldexp(1.0 + unit, exponent));
    }

    // k / 2^n with a random k of random length: at n = p + 1 with odd k this is an exact tie
    // at p decimals. Sometimes moved one step up or down.
    double Dyadic(int precision) {
        const int n = Uniform(0, 1) ? precision + 1 : static_cast<int>(Uniform(0, precision + 8));
        const int bits = static_cast<int>(Uniform(1, 53));
        const std::uint64_t k = (rng_() >> (64 - bits)) | 1;
        const double v = Signed(std::ldexp(static_cast<double>(k), -n));
        return Nudge(v);
    }

    // The double nearest to a decimal that ends in 5 right after the last printed decimal.
    double NearDecimalTie(int precision) {
        const int digits = static_cast<int>(Uniform(1, 18));
        const std::uint64_t mantissa = rng_() % Pow10(digits);
        const std::string text = std::to_string(mantissa) + "5e-" + std::to_string(precision + 1);
        return Nudge(Signed(std::strtod(text.c_str(), nullptr)));
    }

    // Nearest to 9...9.9...95, which rounds up into a new digit, or its neighbours.
    double NearCarry(int precision) {
        return Nudge(Signed(CarryBoundary(static_cast<int>(Uniform(0, 12)), precision)));
    }

    double Nudge(double v) {
        switch (Uniform(0, 3)) {
            case 0:
                return std::nextafter(v, std::numeric_limits<double>::infinity());
            case 1:
                return std::nextafter(v, -std::numeric_limits<double>::infinity());
            default:
                return v;
        }
    }

    static std::uint64_t Pow10(int n) {
        std::uint64_t p = 1;
        for (int i = 0; i < n; ++i) {
            p *= 10;
        }
        return p;
    }

    std::mt19937_64 rng_;
    std::vector<std::function<double(double)>> rules16_ = ScaleRules16();
    std::vector<std::function<double(double)>> rules24_ = ScaleRules24();
};

}  // namespace vantrel::test
