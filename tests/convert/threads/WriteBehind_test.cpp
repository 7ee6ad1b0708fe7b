// SPDX-License-Identifier: BSD-3-Clause
#include "convert/threads/WriteBehind.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

struct Set {
    int value = -1;
    std::atomic<bool> handed{false};  // queued or being written
};

// Hands 50 chunks through N sets, each write slower than its preparation.
template <std::size_t N>
void WritesEverySetInOrder_neverOneQueued() {
    SCOPED_TRACE(N);
    std::array<Set, N> sets;
    WriteBehind behind(sets);
    std::vector<int> written;  // only the helper touches it until Finish
    std::atomic<int> inFlight{0};
    int mostInFlight = 0;
    for (int chunk = 0; chunk < 50; ++chunk) {
        Set& next = behind.Next();
        ASSERT_FALSE(next.handed) << "chunk " << chunk << " prepared into a set not yet written";
        next.value = chunk;
        next.handed = true;
        ASSERT_TRUE(behind.Hand([&](Set& set) {
            mostInFlight = std::max(mostInFlight, ++inFlight);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            written.push_back(set.value);
            --inFlight;
            set.handed = false;
            return true;
        }));
    }
    ASSERT_TRUE(behind.Finish());
    std::vector<int> expected(50);
    for (int i = 0; i < 50; ++i) {
        expected[static_cast<std::size_t>(i)] = i;
    }
    EXPECT_EQ(written, expected);
    EXPECT_EQ(mostInFlight, 1);  // the library is called from one thread at a time
}

TEST(WriteBehind, everySetIsWrittenInOrder_neverWhileItIsPreparedOrQueued) {
    WritesEverySetInOrder_neverOneQueued<2>();
    WritesEverySetInOrder_neverOneQueued<3>();
}

// Which write fails: one in the middle (a later Hand refuses), or the last (only Finish can
// tell). No write after the failed one runs; a Hand refuses once it has failed (its own Hand
// may already), and at the latest when the sets queued behind it have run out.
template <std::size_t N>
void ReportsAFailedWrite() {
    for (const int failing : {3, 9}) {
        SCOPED_TRACE(testing::Message() << N << " sets, write " << failing << " fails");
        std::array<Set, N> sets;
        WriteBehind behind(sets);
        std::vector<int> ran;
        int handed = 0;
        bool refused = false;
        for (int chunk = 0; chunk < 10 && !refused; ++chunk) {
            behind.Next().value = chunk;
            refused = !behind.Hand([failing, &ran](Set& set) {
                ran.push_back(set.value);
                return set.value != failing;
            });
            handed += refused ? 0 : 1;
        }
        EXPECT_FALSE(behind.Finish());
        EXPECT_EQ(ran.back(), failing);
        EXPECT_GE(handed, failing);
        EXPECT_LE(handed, failing == 9 ? 10 : failing + static_cast<int>(N) - 1);
    }
}

TEST(WriteBehind, aFailedWrite_isReportedByALaterHandAndByFinish) {
    ReportsAFailedWrite<2>();
    ReportsAFailedWrite<3>();
}

TEST(WriteBehind, aThrowingWrite_isRethrownByFinish) {
    std::array<Set, 3> sets;
    WriteBehind behind(sets);
    ASSERT_TRUE(behind.Hand([](Set&) -> bool { throw std::runtime_error("library failed"); }));
    EXPECT_THROW(behind.Finish(), std::runtime_error);
}

}  // namespace
}  // namespace vantrel
