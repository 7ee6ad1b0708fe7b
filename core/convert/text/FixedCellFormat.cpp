// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/FixedCellFormat.h"

#include "convert/text/DecimalDigits.h"
#include "convert/text/FixedCellTables.h"
#include "recording/LittleEndian.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace vantrel {
namespace {

__extension__ typedef unsigned __int128 Uint128;

using fixed_tables::kFieldWidth;

// A finite double is m / 2^shift with a 53-bit m. Below 2^34 the scaled value |v| * 10^9
// stays under 2^64, so the rounded fixed-point integer fits 64 bits, and m * 10^p fits the
// 128-bit product exactly.
constexpr int kFastExponentLimit = 1023 + 34;
// Below 2^-40 even nine decimals round to zero (|v| * 10^9 < 2^-10), which also keeps the
// shift under 128.
constexpr int kZeroExponentLimit = 1023 - 40;
constexpr int kMantissaBits = 52;
constexpr std::uint64_t kMantissaMask = (std::uint64_t{1} << kMantissaBits) - 1;

constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Writes the two digits of v (< 100) before end; returns the new start.
inline char* PutPairBefore(char* end, unsigned v) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * v], 2);
    return end;
}

// The eight decimal digits of v (< 10^8) as ASCII, the first digit in the lowest byte: both
// halves, then all four pairs, then all digits are split at once in lanes of one word.
inline std::uint64_t EightDigits(std::uint32_t v) {
    std::uint64_t x = (v / 10000) | (static_cast<std::uint64_t>(v % 10000) << 32);
    // x * 10486 >> 20 is x / 100 for x < 10^4; x * 103 >> 10 is x / 10 for x < 100.
    std::uint64_t q = ((x * 10486) >> 20) & 0x0000007F0000007Full;
    x = q | ((x - q * 100) << 16);
    q = ((x * 103) >> 10) & 0x000F000F000F000Full;
    x = q | ((x - q * 10) << 8);
    return x + 0x3030303030303030ull;
}

// Stores the eight digits of EightDigits in text order.
inline void StoreEightDigits(char* out, std::uint64_t digits) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &digits, sizeof digits);
    } else {
        StoreLe64(reinterpret_cast<std::uint8_t*>(out), digits);
    }
}

// Writes the integer digits of v so that the last one ends right before end.
inline char* PutIntegerBefore(char* end, std::uint64_t v) {
    while (v >= 100) {
        end = PutPairBefore(end, static_cast<unsigned>(v % 100));
        v /= 100;
    }
    if (v >= 10) {
        return PutPairBefore(end, static_cast<unsigned>(v));
    }
    *--end = static_cast<char>('0' + v);
    return end;
}

inline std::size_t PadAndMeasure(std::size_t length) {
    return length < kFieldWidth ? kFieldWidth : length;
}

// The cell of the value -+n / 10^Precision (minus where `negative`), as printf writes it.
template <int Precision>
std::size_t WriteFixedDigits(char* out, bool negative, std::uint64_t n);

// The exact path for |value| < 2^34 and Precision decimals.
template <int Precision>
std::size_t FormatFixedFast(char* out, std::uint64_t bits) {
    constexpr std::uint64_t kScale = kPowersOf10[Precision];
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> kMantissaBits) & 0x7FF);

    // n = round-half-even(|value| * 10^Precision), exactly: value = m / 2^shift, so n is
    // m * 10^Precision / 2^shift rounded, with the dropped bits deciding the rounding.
    std::uint64_t n = 0;
    if (biased >= kZeroExponentLimit) {
        const std::uint64_t m = (bits & kMantissaMask) | (std::uint64_t{1} << kMantissaBits);
        const int shift = 1075 - biased;  // 19..92 here
        const Uint128 scaled = static_cast<Uint128>(m) * kScale;
        if (shift < 64) {
            // The common case, |value| >= 2^-11: the dropped bits are the low word's last
            // `shift` bits; moved to the top, exactly 2^63 is the tie.
            const auto high = static_cast<std::uint64_t>(scaled >> 64);
            const auto low = static_cast<std::uint64_t>(scaled);
            n = (high << (64 - shift)) | (low >> shift);
            const std::uint64_t dropped = low << (64 - shift);
            constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
            n += static_cast<std::uint64_t>((dropped > kHalf) | ((dropped == kHalf) & (n & 1)));
        } else {
            // No exact tie down here: a tie needs m * 5^Precision = odd * 2^(shift-Precision-1),
            // so shift <= Precision + 53 < 64. Adding the half rounds to nearest.
            const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
            n = static_cast<std::uint64_t>((scaled + half) >> shift);
        }
    }

    return WriteFixedDigits<Precision>(out, negative, n);
}

template <int Precision>
std::size_t WriteFixedDigits(char* out, bool negative, std::uint64_t n) {
    constexpr std::uint64_t kScale = kPowersOf10[Precision];
    if (TablesHold<Precision>(n)) {
        return WriteFixedByTables<Precision>(out, negative, n);
    }
    const std::uint64_t integer = n / kScale;
    auto fraction = static_cast<std::uint32_t>(n % kScale);
    const std::size_t length =
        (negative ? 1 : 0) + static_cast<std::size_t>(CountDigits(integer)) + 1 + Precision;
    const std::size_t total = PadAndMeasure(length);

    std::memset(out, ' ', kFieldWidth);
    char* point = out + total - 1 - Precision;
    if constexpr (Precision == 9) {
        point[1] = static_cast<char>('0' + fraction / 100'000'000);
        StoreEightDigits(point + 2, EightDigits(fraction % 100'000'000));
    } else if constexpr (Precision == 7) {
        StoreEightDigits(point, EightDigits(fraction));  // its leading '0' becomes the point
    } else {
        static_assert(Precision == 6);
        StoreEightDigits(point - 1, EightDigits(fraction));  // the integer digits cover "00"
    }
    *point = '.';
    char* const first = PutIntegerBefore(point, integer);
    if (negative) {
        first[-1] = '-';
    }
    return total;
}

// Through a scratch buffer, so that the NUL lands there and not in the caller's text.
std::size_t FormatWithLibrary(char* out, double value, int precision) {
    std::array<char, kCellCapacity> text;
    const int written = std::snprintf(text.data(), text.size(), "%11.*f", precision, value);
    if (written < 0) {
        return 0;
    }
    const std::size_t length = std::min(static_cast<std::size_t>(written), kCellCapacity - 1);
    std::memcpy(out, text.data(), length);
    return length;
}

// Large finite magnitudes: std::to_chars with a precision is defined as printf in the C
// locale, and it does not depend on the process locale.
std::size_t FormatLarge(char* out, double value, int precision) {
    std::array<char, kCellCapacity> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                      std::chars_format::fixed, precision);
    if (result.ec != std::errc{}) {
        return FormatWithLibrary(out, value, precision);
    }
    const auto length = static_cast<std::size_t>(result.ptr - digits.data());
    const std::size_t total = PadAndMeasure(length);
    std::memset(out, ' ', total - length);
    std::memcpy(out + (total - length), digits.data(), length);
    return total;
}

// "nan", "-nan", "inf" and "-inf", right-aligned, spelt here rather than by the C library:
// Windows' printf drops the sign of a NaN, and the cells must be the same everywhere.
std::size_t FormatNonFinite(char* out, double value) {
    const bool negative = std::signbit(value);
    const std::string_view word = std::isnan(value) ? "nan" : "inf";
    const std::size_t length = word.size() + (negative ? 1 : 0);
    const std::size_t total = std::max(length, static_cast<std::size_t>(kFieldWidth));
    char* p = out;
    p = std::fill_n(p, total - length, ' ');
    if (negative) {
        *p++ = '-';
    }
    std::memcpy(p, word.data(), word.size());
    return total;
}

}  // namespace

std::size_t FormatFixedCell(char* out, double value, int precision) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> kMantissaBits) & 0x7FF);
    if (biased < kFastExponentLimit) {
        switch (precision) {
            case 6:
                return FormatFixedFast<6>(out, bits);
            case 7:
                return FormatFixedFast<7>(out, bits);
            case 9:
                return FormatFixedFast<9>(out, bits);
            default:
                return FormatWithLibrary(out, value, precision);
        }
    }
    if (!std::isfinite(value)) {
        return FormatNonFinite(out, value);
    }
    if (precision == 6 || precision == 7 || precision == 9) {
        return FormatLarge(out, value, precision);
    }
    return FormatWithLibrary(out, value, precision);
}

std::size_t FormatFixedScaled(char* out, bool negative, std::uint64_t n, int precision) {
    switch (precision) {
        case 6:
            return WriteFixedDigits<6>(out, negative, n);
        case 7:
            return WriteFixedDigits<7>(out, negative, n);
        default:
            return WriteFixedDigits<9>(out, negative, n);
    }
}

std::size_t FormatCodeCell(char* out, std::int32_t code) {
    const std::uint32_t magnitude =
        code < 0 ? 0u - static_cast<std::uint32_t>(code) : static_cast<std::uint32_t>(code);
    if (magnitude < kTabledCodeLimit) {
        return WriteCodeByTables(out, code < 0, magnitude);
    }
    std::memset(out, ' ', kFieldWidth);
    char* p = PutIntegerBefore(out + kFieldWidth, magnitude);
    if (code < 0) {
        *--p = '-';
    }
    return kFieldWidth;
}

}  // namespace vantrel
