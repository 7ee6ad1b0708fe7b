// verify_format [COUNT]: compares the cell formatter with the C library's printf, byte for
// byte, on COUNT random values per cell format (10^7 by default) plus every 16-bit code
// through every 16-bit scaling rule and a table of edge values. Exits 1 and prints the first
// differences when any cell differs.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "convert/FixedCellFormat.h"
#include "support/FixedCellSamples.h"

namespace {

constexpr int kShownDifferences = 10;

class Tally {
  public:
    explicit Tally(std::string format) : format_(std::move(format)) {}

    void Check(std::string_view expected, std::string_view actual, const std::string& input) {
        ++checked_;
        if (expected == actual) {
            return;
        }
        if (++differences_ <= kShownDifferences) {
            std::printf("  %s of %s: printf \"%.*s\", formatter \"%.*s\"\n", format_.c_str(),
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
    std::printf(same ? "formatter matches printf\n" : "formatter DIFFERS from printf\n");
    return same ? 0 : 1;
}
