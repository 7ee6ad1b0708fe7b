// SPDX-License-Identifier: BSD-3-Clause
// The words of the progress line, and that it stays silent where it is not shown.

#include <gtest/gtest.h>

#include <sstream>

#include "ProgressLine.h"

namespace vantrel::cli {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

TEST(ProgressLine, text_tellsBytesRateAndTimeLeft) {
    struct Case {
        ProgressCounts counts;
        const char* text;
    };
    const Case cases[] = {
        {{45 * kMiB, 100 * kMiB, 5.0 * kMiB, 0, 1},
         "45%  45.0 MiB of 100.0 MiB  5.0 MiB/s  0:11 left"},
        {{512, 2048, 100.0, 0, 1}, "25%  512 B of 2.0 KiB  100 B/s  0:16 left"},
        {{0, 0, 0.0, 0, 1}, "100%  0 B of 0 B  0 B/s  --:-- left"},
        {{kMiB, 4096 * kMiB, 1.0 * kMiB, 3, 10},
         "[3/10] 0%  1.0 MiB of 4.0 GiB  1.0 MiB/s  1:08:15 left"},
        {{10 * kMiB, 10 * kMiB, 2.0 * kMiB, 9, 10},
         "[9/10] 100%  10.0 MiB of 10.0 MiB  2.0 MiB/s  0:00 left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressText(c.counts), c.text);
    }
}

TEST(ProgressLine, notShown_writesNothingEvenAroundMessages) {
    std::ostringstream err;
    ProgressLine line(err, false, 2);
    for (std::uint64_t done = 0; done <= 100; ++done) {
        line.Update(0, done * kMiB, 100 * kMiB);
    }
    line.PrintAbove([&] { err << "message\n"; });
    line.Finished(0);
    line.Clear();
    EXPECT_EQ(err.str(), "message\n");
}

}  // namespace
}  // namespace vantrel::cli
