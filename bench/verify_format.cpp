// SPDX-License-Identifier: BSD-3-Clause
// verify_format [COUNT]: compares the cell formatter with the C library's printf, byte for
// byte, on COUNT random values per cell format (10^7 by default) plus every 16-bit code
// through every 16-bit scaling rule and a table of edge values; the 24-bit cells made from
// the code with the formatter's, on every 24-bit code of every rule that has them; and the
// shortest numbers of CSV with std::to_chars, on every code of every scaling rule, scan
// times, edge values and COUNT random doubles. Exits 1 and prints the first differences
// when any text differs.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/scaling/ScaleSample.h"
#include "convert/text/DyadicCells.h"
#include "convert/text/FixedCellFormat.h"
#include "convert/text/ShortestNumber.h"
#include "support/FixedCellSamples.h"

namespace {

constexpr int kShownDifferences = 10;

class Tally {
  public:
    explicit Tally(std::string format) : format_(std::move(format)) {}

    void Check(std::string_view expected, std::string_view actual, const std::string& input) {
        Check(expected, actual, [&] { return input; });
    }

    // `describe()` names the input; called only when the texts differ.
    template <typename Describe>
    void Check(std::string_view expected, std::string_view actual, const Describe& describe) {
        ++checked_;
        if (expected == actual) {
            return;
        }
        const std::string input = describe();
        if (++differences_ <= kShownDifferences) {
            std::printf("  %s of %s: library \"%.*s\", formatter \"%.*s\"\n", format_.c_str(),
                        input.c_str(), static_cast<int>(expected.size()), expected.data(),
                        static_cast<int>(actual.size()), actual.data());
        }
    }

    bool Report() const {
        std::printf("%-7s %llu values, %llu differences\n", format_.c_str(),
                    static_cast<unsigned long long>(checked_),
                    static_cast<unsigned long long>(differences_));
        return differences_ == 0;
    }

  private:
    std::string format_;
    std::uint64_t checked_ = 0;
    std::uint64_t differences_ = 0;
};

std::string Describe(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g (%a)", value, value);
    return buf;
}

bool VerifyPrecision(int precision, std::uint64_t count) {
    Tally tally("%11." + std::to_string(precision) + "f");
    char cell[vantrel::kCellCapacity];
    auto check = [&](double value) {
        const std::size_t n = vantrel::FormatFixedCell(cell, value, precision);
        tally.Check(vantrel::test::PrintfFixed(value, precision), std::string_view(cell, n),
                    Describe(value));
    };

    for (double value : vantrel::test::EdgeDoubles()) {
        check(value);
    }
    for (const auto& rule : vantrel::test::ScaleRules16()) {
        for (int code = -32768; code <= 32767; ++code) {
            check(rule(code));
        }
    }
    vantrel::test::FixedCellSampler sampler(0x5eed0000u + static_cast<unsigned>(precision));
    for (std::uint64_t i = 0; i < count; ++i) {
        check(sampler.Next(precision));
    }
    return tally.Report();
}

bool VerifyCodes(std::uint64_t count) {
    Tally tally("%11d");
    char cell[vantrel::kCellCapacity];
    auto check = [&](std::int32_t code) {
        const std::size_t n = vantrel::FormatCodeCell(cell, code);
        tally.Check(vantrel::test::PrintfCode(code), std::string_view(cell, n),
                    std::to_string(code));
    };

    for (std::int32_t code : vantrel::test::EdgeCodes()) {
        check(code);
    }
    for (std::int32_t code = -70000; code <= 70000; ++code) {
        check(code);
    }
    vantrel::test::FixedCellSampler sampler(0xc0de0000u);
    for (std::uint64_t i = 0; i < count; ++i) {
        check(sampler.Code());
    }
    return tally.Report();
}

// The 24-bit cells made from the code: for every rule of cards 4 and 7 that takes that path,
// every 24-bit code (and words whose upper byte is set without bit 23) must give the cell of
// the rule's value, which the checks above compare with printf. Settings that select the
// same rule (card 7 ignores the input kind, most kinds of card 4 the range) are checked once:
// the same values on a sweep of 4096 codes count as the same rule.
bool VerifyDyadicCells() {
    Tally tally("24-bit");
    char fast[vantrel::kCellCapacity];
    char general[vantrel::kCellCapacity];
    int accepted = 0;
    std::set<std::vector<double>> seen;
    for (const vantrel::ScalingRules rules :
         {vantrel::ScalingRules::kCard4, vantrel::ScalingRules::kCard7}) {
        const int decimals = rules == vantrel::ScalingRules::kCard4 ? 9 : 7;
        for (int kind = -1; kind <= 16; ++kind) {
            for (int range = 0; range <= 37; ++range) {
                const auto range16 = static_cast<std::uint16_t>(range);
                const auto kind8 = static_cast<std::int8_t>(kind);
                const auto step = vantrel::DyadicStepOf(rules, range16, kind8, decimals);
                if (!step) {
                    continue;
                }
                std::vector<double> sweep;
                for (std::uint32_t word = 0; word < (1u << 24); word += 4096 + 1) {
                    sweep.push_back(vantrel::ScaleSample(rules, range16, kind8, word).value());
                }
                if (!seen.insert(sweep).second) {
                    continue;
                }
                ++accepted;
                auto check = [&](std::uint32_t word) {
                    const auto value = vantrel::ScaleSample(rules, range16, kind8, word);
                    const std::size_t want =
                        value ? vantrel::FormatFixedCell(general, *value, decimals) : 0;
                    const std::size_t got =
                        vantrel::FormatDyadicCell(fast, *step, vantrel::Decode24(word));
                    tally.Check(std::string_view(general, want), std::string_view(fast, got),
                                "word " + std::to_string(word) + " of rule " +
                                    std::to_string(static_cast<int>(rules)) + "/" +
                                    std::to_string(kind) + "/" + std::to_string(range));
                };
                for (std::uint32_t word = 0; word < (1u << 24); ++word) {
                    check(word);
                }
                for (std::uint32_t high = 1; high < 256; ++high) {
                    for (const std::uint32_t low : {0u, 1u, 0x7FFFFFu, 0x123456u, 0x800000u}) {
                        check((high << 24) | low);
                    }
                }
            }
        }
    }
    std::printf("24-bit rules whose cells are made from the code: %d\n", accepted);
    return tally.Report() && accepted > 0;
}

// CSV's numbers: FormatShortest against std::to_chars on every value a scaling rule gives
// (every 16-bit and every 24-bit code), the times of the first 2^20 scans at common rates,
// the edge values and `count` random doubles.
bool VerifyShortestNumbers(std::uint64_t count) {
    Tally tally("shortest");
    char expected[vantrel::kShortestLength];
    char actual[vantrel::kShortestRoom];
    auto check = [&](double value) {
        const auto end = std::to_chars(expected, expected + sizeof expected, value).ptr;
        const std::size_t n = vantrel::FormatShortest(actual, value);
        tally.Check(std::string_view(expected, static_cast<std::size_t>(end - expected)),
                    std::string_view(actual, n), [value] { return Describe(value); });
    };

    for (double value : vantrel::test::EdgeDoubles()) {
        check(value);
    }
    for (const auto& rule : vantrel::test::ScaleRules16()) {
        for (int code = -32768; code <= 32767; ++code) {
            check(rule(code));
        }
    }
    for (const auto& rule : vantrel::test::ScaleRules24()) {
        for (std::int32_t code = -(1 << 23); code < (1 << 23); ++code) {
            check(rule(code));
        }
    }
    for (const double rate : {1.0, 3.0, 7.5, 10.0, 100.0, 1000.0, 2048.0, 44100.0, 1e5, 1e6}) {
        for (std::uint32_t scan = 0; scan < (1u << 20); ++scan) {
            check(static_cast<double>(scan) / rate);
        }
    }
    vantrel::test::FixedCellSampler sampler(0x5407e500u);
    for (std::uint64_t i = 0; i < count; ++i) {
        check(i % 2 == 0 ? sampler.RandomBits() : sampler.Next(7));
    }
    return tally.Report();
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t count = 10'000'000;
    if (argc > 2) {
        std::fprintf(stderr, "usage: verify_format [COUNT]\n");
        return 2;
    }
    if (argc == 2) {
        char* end = nullptr;
        count = std::strtoull(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0') {
            std::fprintf(stderr, "verify_format: COUNT must be a number: %s\n", argv[1]);
            return 2;
        }
    }

    bool same = true;
    for (int precision : {6, 7, 9}) {
        same = VerifyPrecision(precision, count) && same;
    }
    same = VerifyCodes(count) && same;
    same = VerifyDyadicCells() && same;
    same = VerifyShortestNumbers(count) && same;
    std::printf(same ? "formatter matches printf and std::to_chars\n"
                     : "formatter DIFFERS from printf or std::to_chars\n");
    return same ? 0 : 1;
}
