// SPDX-License-Identifier: BSD-3-Clause
// Cost of one text cell: the C library's snprintf, std::to_chars (with the same padding) and
// the cell formatter, per precision, on scaled random codes; the codes cell; and CSV's
// shortest number by std::to_chars and by FormatShortest (arg 9: 24-bit values, 7: 16-bit).

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "convert/text/FixedCellFormat.h"
#include "convert/text/ShortestNumber.h"

namespace {

constexpr std::size_t kValueCount = 4096;  // a power of two, cycled through

// Values of random codes scaled as the card types that use each precision scale them:
// "+/-10V" of 16-bit codes for 6 and 7 decimals, "+/-25V" of 24-bit codes for 9.
std::vector<double> MakeValues(int precision) {
    std::mt19937 rng(static_cast<unsigned>(precision));
    std::vector<double> v(kValueCount);
    for (double& x : v) {
        if (precision == 9) {
            std::int32_t code = static_cast<std::int32_t>(rng() & 0x00FFFFFF);
            if (code & 0x00800000) {
                code -= 0x01000000;
            }
            x = code * 25.0 / 8388608.0;
        } else {
            const auto code = static_cast<std::int16_t>(rng() & 0xFFFF);
            x = code / 32768.0 * 10.0;
        }
    }
    return v;
}

const std::vector<double>& ScaledValues(int precision) {
    static const std::vector<double> values6 = MakeValues(6);
    static const std::vector<double> values7 = MakeValues(7);
    static const std::vector<double> values9 = MakeValues(9);
    return precision == 6 ? values6 : precision == 7 ? values7 : values9;
}

const std::vector<std::int32_t>& Codes() {
    static const std::vector<std::int32_t> codes = [] {
        std::mt19937 rng(2);
        std::vector<std::int32_t> v(kValueCount);
        for (std::int32_t& x : v) {
            x = static_cast<std::int32_t>(rng() & 0xFFFF);
        }
        return v;
    }();
    return codes;
}

void BM_Snprintf(benchmark::State& state) {
    const int precision = static_cast<int>(state.range(0));
    const auto& values = ScaledValues(precision);
    char cell[vantrel::kCellCapacity];
    std::size_t i = 0;
    for (auto _ : state) {
        const int n =
            std::snprintf(cell, sizeof cell, "%11.*f", precision, values[i++ & (kValueCount - 1)]);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(cell);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ToChars(benchmark::State& state) {
    const int precision = static_cast<int>(state.range(0));
    const auto& values = ScaledValues(precision);
    char digits[vantrel::kCellCapacity];
    char cell[vantrel::kCellCapacity];
    std::size_t i = 0;
    for (auto _ : state) {
        const auto result =
            std::to_chars(digits, digits + sizeof digits, values[i++ & (kValueCount - 1)],
                          std::chars_format::fixed, precision);
        const auto length = static_cast<std::size_t>(result.ptr - digits);
        const std::size_t pad = length < 11 ? 11 - length : 0;
        std::memset(cell, ' ', pad);
        std::memcpy(cell + pad, digits, length);
        benchmark::DoNotOptimize(cell);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FormatFixedCell(benchmark::State& state) {
    const int precision = static_cast<int>(state.range(0));
    const auto& values = ScaledValues(precision);
    char cell[vantrel::kCellCapacity];
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t n =
            vantrel::FormatFixedCell(cell, values[i++ & (kValueCount - 1)], precision);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(cell);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SnprintfCode(benchmark::State& state) {
    const auto& codes = Codes();
    char cell[32];
    std::size_t i = 0;
    for (auto _ : state) {
        const int n = std::snprintf(cell, sizeof cell, "%11d", codes[i++ & (kValueCount - 1)]);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(cell);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FormatCodeCell(benchmark::State& state) {
    const auto& codes = Codes();
    char cell[32];
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t n = vantrel::FormatCodeCell(cell, codes[i++ & (kValueCount - 1)]);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(cell);
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

void BM_ToCharsShortest(benchmark::State& state) {
    const auto& values = ScaledValues(static_cast<int>(state.range(0)));
    char text[vantrel::kShortestLength];
    std::size_t i = 0;
    for (auto _ : state) {
        const auto result =
            std::to_chars(text, text + sizeof text, values[i++ & (kValueCount - 1)]);
        benchmark::DoNotOptimize(result.ptr);
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FormatShortest(benchmark::State& state) {
    const auto& values = ScaledValues(static_cast<int>(state.range(0)));
    char text[vantrel::kShortestRoom];
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t n = vantrel::FormatShortest(text, values[i++ & (kValueCount - 1)]);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Snprintf)->Arg(6)->Arg(7)->Arg(9);
BENCHMARK(BM_ToChars)->Arg(6)->Arg(7)->Arg(9);
BENCHMARK(BM_FormatFixedCell)->Arg(6)->Arg(7)->Arg(9);
BENCHMARK(BM_SnprintfCode);
BENCHMARK(BM_FormatCodeCell);
BENCHMARK(BM_ToCharsShortest)->Arg(7)->Arg(9);
BENCHMARK(BM_FormatShortest)->Arg(7)->Arg(9);

BENCHMARK_MAIN();
