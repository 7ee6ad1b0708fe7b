// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/ShortestNumber.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include <fmt/format.h>

#include "convert/text/DecimalDigits.h"
#include "convert/text/FixedCellTables.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

__extension__ typedef unsigned __int128 Uint128;

// The eight digits of v < 10^8, the first in the lowest byte.
std::uint64_t EightDigits(std::uint32_t v) {
    const char* high = fixed_tables::kFourDigits[v / 10000].data();
    const char* low = fixed_tables::kFourDigits[v % 10000].data();
    std::uint32_t first;
    std::uint32_t second;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&first, high, 4);
        std::memcpy(&second, low, 4);
    } else {
        first = LoadLe32(reinterpret_cast<const std::uint8_t*>(high));
        second = LoadLe32(reinterpret_cast<const std::uint8_t*>(low));
    }
    return first | (std::uint64_t{second} << 32);
}

// Stores 16 characters held first-in-the-lowest-byte. One 16-byte store: digits put
// together in registers and stored once, never stored and read back in pieces (a read
// spanning several smaller stores waits for them to reach the cache).
void StoreSixteen(char* out, Uint128 text) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &text, sizeof text);
    } else {
        StoreLe64(reinterpret_cast<std::uint8_t*>(out), static_cast<std::uint64_t>(text));
        StoreLe64(reinterpret_cast<std::uint8_t*>(out) + 8, static_cast<std::uint64_t>(text >> 64));
    }
}

std::size_t FormatByLibrary(char* out, double value) {
    return static_cast<std::size_t>(std::to_chars(out, out + kShortestLength, value).ptr - out);
}

}  // namespace

std::size_t FormatShortest(char* out, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool nonFinite = ((bits >> 52) & 0x7FF) == 0x7FF;
    if (nonFinite || (bits << 1) == 0) {
        return FormatByLibrary(out, value);  // "0", "-0", "inf", "nan" and their signs
    }
    // value = digits x 10^exponent, digits the shortest that read back as value, without
    // trailing zeros. fmt offers them only in its detail namespace: its public formatting
    // lays them out in another way ("0.0001" where std::to_chars writes "1e-04").
    const auto decimal = fmt::detail::dragonbox::to_decimal(value);
    const std::uint64_t digits = decimal.significand;
    const int count = CountDigits(digits);
    const int point = count + decimal.exponent;  // digits before the point
    const int exponent = point - 1;              // of the scientific form
    const int magnitude = exponent < 0 ? -exponent : exponent;
    // "d.ddde+dd": a third exponent digit only comes where the fixed form is far longer.
    const int scientificLength = count + (count > 1 ? 1 : 0) + 4;
    const int fixedLength = decimal.exponent >= 0 ? point
                            : point > 0           ? count + 1
                                                  : 2 - point + count;
    const bool fixed = fixedLength <= scientificLength;
    if (fixed && decimal.exponent > 0) {
        // A whole number ending in zeros (100, 2^60): std::to_chars writes the exact value's
        // digits, which above 2^53 are not the shortest digits padded with zeros. Rare in
        // samples and times, so left to it.
        return FormatByLibrary(out, value);
    }

    // The 17 digits of `digits` with leading zeros: the top one, then sixteen.
    const std::uint64_t upper = digits / 100'000'000;
    const auto top = static_cast<char>('0' + upper / 100'000'000);
    const Uint128 sixteen =
        EightDigits(static_cast<std::uint32_t>(upper % 100'000'000)) |
        (static_cast<Uint128>(EightDigits(static_cast<std::uint32_t>(digits % 100'000'000))) << 64);
    // The first significant digit, and the count - 1 after it in the lowest bytes.
    const int zeros = 17 - count;
    const char first = zeros == 0 ? top : static_cast<char>(sixteen >> (8 * (zeros - 1)));
    const Uint128 rest = zeros == 0 ? sixteen : zeros == 16 ? 0 : sixteen >> (8 * zeros);

    char* p = out;
    *p = '-';
    p += bits >> 63;
    p[0] = first;
    if (fixed && point >= count) {
        StoreSixteen(p + 1, rest);
        return static_cast<std::size_t>(p + count - out);
    }
    if (fixed && point > 0) {
        const int before = point - 1;  // of rest, before the point
        StoreSixteen(p + 1, rest & ((Uint128{1} << (8 * before)) - 1));
        p[point] = '.';
        StoreSixteen(p + point + 1, rest >> (8 * before));
        return static_cast<std::size_t>(p + count + 1 - out);
    }
    if (fixed) {
        // "0.", up to three zeros (more would make the scientific form shorter), the digits.
        std::memcpy(p, "0.000", 5);
        p[2 - point] = first;
        StoreSixteen(p + 3 - point, rest);
        return static_cast<std::size_t>(p + fixedLength - out);
    }
    if (count > 1) {
        p[1] = '.';
        StoreSixteen(p + 2, rest);
        p += count + 1;
    } else {
        p += 1;
    }
    *p++ = 'e';
    *p++ = exponent < 0 ? '-' : '+';
    if (magnitude >= 100) {
        *p++ = static_cast<char>('0' + magnitude / 100);
    }
    std::memcpy(p, fixed_tables::kFourDigits[static_cast<std::size_t>(magnitude % 100)].data() + 2,
                2);
    return static_cast<std::size_t>(p + 2 - out);
}

}  // namespace vantrel
