// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Fixed-point cells whose integer part is under 100 (every value of a +/-10 V or +/-25 V
// range), put together from two tables instead of computed digit by digit: the head of the
// cell (padding, sign, integer digits and the point) by sign and integer part, and the
// decimals in groups of four. A cell is then a few loads and stores; the digit arithmetic
// it replaces was most of the time of a 24-bit card's scaled text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/text/DecimalDigits.h"

namespace vantrel {

namespace fixed_tables {

inline constexpr int kFieldWidth = 11;  // "%11.Nf"
inline constexpr std::uint64_t kIntegerLimit = 100;

// 10^Precision: a cell's value is n / kScale<Precision>.
template <int Precision>
inline constexpr std::uint64_t kScale = kPowersOf10[Precision];

// "0000" to "9999".
inline constexpr std::array<std::array<char, 4>, 10000> kFourDigits = [] {
    std::array<std::array<char, 4>, 10000> table{};
    for (int v = 0; v < 10000; ++v) {
        table[v] = {static_cast<char>('0' + v / 1000), static_cast<char>('0' + v / 100 % 10),
                    static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
    }
    return table;
}();

// 0 to 9999 right-aligned in four bytes, leading zeros as spaces, and their digit counts.
inline constexpr std::array<std::array<char, 4>, 10000> kSpacedDigits = [] {
    std::array<std::array<char, 4>, 10000> table = kFourDigits;
    for (auto& text : table) {
        for (std::size_t i = 0; i < 3 && text[i] == '0'; ++i) {
            text[i] = ' ';
        }
    }
    return table;
}();
inline constexpr std::array<std::uint8_t, 10000> kDigitCounts = [] {
    std::array<std::uint8_t, 10000> table{};
    for (int v = 0; v < 10000; ++v) {
        table[v] = static_cast<std::uint8_t>(v < 10 ? 1 : v < 100 ? 2 : v < 1000 ? 3 : 4);
    }
    return table;
}();

// What comes before the decimals written in groups of four: padding, sign, integer digits,
// the point and, with 9 decimals, the first decimal. At most 8 bytes.
struct CellHead {
    std::array<char, 8> text;
    std::uint8_t length;
};

// Decimals a head holds: the rest are whole groups of four (6 and 7 decimals: one group
// after the first two or three, which come from the group table too).
template <int Precision>
inline constexpr int kHeadDecimals = Precision == 9 ? 1 : 0;
// Heads per sign: every integer part under 100 with the head's decimals.
template <int Precision>
inline constexpr std::size_t kHeadsPerSign = Precision == 9 ? 10 * kIntegerLimit : kIntegerLimit;

// The heads of Precision decimals: entry [negative x kHeadsPerSign + n / 10^(Precision -
// kHeadDecimals)].
template <int Precision>
inline constexpr std::array<CellHead, 2 * kHeadsPerSign<Precision>> kHeads = [] {
    constexpr int kDecimals = kHeadDecimals<Precision>;
    std::array<CellHead, 2 * kHeadsPerSign<Precision>> table{};
    for (std::size_t negative = 0; negative < 2; ++negative) {
        for (std::size_t value = 0; value < kHeadsPerSign<Precision>; ++value) {
            const std::size_t integer = kDecimals ? value / 10 : value;
            const int digits = integer < 10 ? 1 : 2;
            const int length = static_cast<int>(negative) + digits + 1 + Precision;
            const int head = (length < kFieldWidth ? kFieldWidth : length) - Precision + kDecimals;
            CellHead& entry = table[negative * kHeadsPerSign<Precision> + value];
            entry.text.fill(' ');
            int at = head - 1;
            if (kDecimals) {
                entry.text[at--] = static_cast<char>('0' + value % 10);
            }
            entry.text[at--] = '.';
            entry.text[at--] = static_cast<char>('0' + integer % 10);
            if (digits == 2) {
                entry.text[at--] = static_cast<char>('0' + integer / 10);
            }
            if (negative) {
                entry.text[at] = '-';
            }
            entry.length = static_cast<std::uint8_t>(head);
        }
    }
    return table;
}();

}  // namespace fixed_tables

// Whether WriteFixedByTables<Precision> takes n.
template <int Precision>
constexpr bool TablesHold(std::uint64_t n) {
    return n < fixed_tables::kIntegerLimit * fixed_tables::kScale<Precision>;
}

// Writes the cell of -+n / 10^Precision (minus where `negative`) as "%11.*f" writes it, for
// Precision 6, 7 or 9 and TablesHold<Precision>(n), into out (room for 16 bytes); returns
// its length.
template <int Precision>
inline std::size_t WriteFixedByTables(char* out, bool negative, std::uint64_t n) {
    static_assert(Precision == 6 || Precision == 7 || Precision == 9);
    using fixed_tables::kFourDigits;
    using fixed_tables::kHeadDecimals;
    if constexpr (Precision == 9) {
        // The head holds the integer part and the first decimal; two groups follow.
        const auto high = static_cast<std::size_t>(n / 100'000'000);
        const auto low = static_cast<std::uint32_t>(n % 100'000'000);
        const fixed_tables::CellHead& head =
            fixed_tables::kHeads<9>[(negative ? fixed_tables::kHeadsPerSign<9> : 0) + high];
        std::memcpy(out, head.text.data(), head.text.size());
        std::memcpy(out + head.length, kFourDigits[low / 10000].data(), 4);
        std::memcpy(out + head.length + 4, kFourDigits[low % 10000].data(), 4);
        return head.length + static_cast<std::size_t>(Precision - kHeadDecimals<9>);
    }
    constexpr std::uint64_t kScale = fixed_tables::kScale<Precision>;
    const auto integer = static_cast<std::size_t>(n / kScale);
    const auto fraction = static_cast<std::uint32_t>(n % kScale);
    const fixed_tables::CellHead& head =
        fixed_tables::kHeads<Precision>[(negative ? fixed_tables::kHeadsPerSign<Precision> : 0) +
                                        integer];
    std::memcpy(out, head.text.data(), head.text.size());
    char* const decimals = out + head.length;
    if constexpr (Precision == 7) {
        // The first group has three digits: its leading '0' lands on the point, put back.
        std::memcpy(decimals - 1, kFourDigits[fraction / 10000].data(), 4);
        decimals[-1] = '.';
        std::memcpy(decimals + 3, kFourDigits[fraction % 10000].data(), 4);
    } else {
        std::memcpy(decimals, kFourDigits[fraction / 10000].data() + 2, 2);
        std::memcpy(decimals + 2, kFourDigits[fraction % 10000].data(), 4);
    }
    return head.length + static_cast<std::size_t>(Precision);
}

// Codes below this many write their "%11d" cell by WriteCodeByTables.
inline constexpr std::uint32_t kTabledCodeLimit = 100'000'000;

// Writes the 11 bytes of "%11d" for -+magnitude (minus where `negative`), magnitude under
// kTabledCodeLimit, into out (room for 11 bytes); returns 11.
inline std::size_t WriteCodeByTables(char* out, bool negative, std::uint32_t magnitude) {
    using namespace fixed_tables;
    const std::uint32_t high = magnitude / 10000;
    const std::uint32_t low = magnitude % 10000;
    // Without a high group the low one loses its leading zeros instead. Selected, not
    // branched on: codes of a signal cross 10^4 unpredictably.
    constexpr std::array<char, 4> kBlank = {' ', ' ', ' ', ' '};
    const std::array<char, 4>& highText = high > 0 ? kSpacedDigits[high] : kBlank;
    const std::array<char, 4>& lowText = high > 0 ? kFourDigits[low] : kSpacedDigits[low];
    const int digits = high > 0 ? 4 + kDigitCounts[high] : kDigitCounts[low];
    std::memcpy(out, kBlank.data(), 4);
    std::memcpy(out + 3, highText.data(), 4);
    std::memcpy(out + 7, lowText.data(), 4);
    out[kFieldWidth - 1 - digits] = negative ? '-' : ' ';
    return kFieldWidth;
}

}  // namespace vantrel
