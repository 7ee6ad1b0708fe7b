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
    std::atomic<bool> writing{false};
};

TEST(WriteBehind, everySetIsWrittenInOrder_neverWhileItIsPrepared) {
    std::array<Set, 2> sets;
    WriteBehind<Set> behind(sets);
    std::vector<int> written;  // only the helper touches it until Finish
    std::atomic<int> inFlight{0};
    int mostInFlight = 0;
    for (int chunk = 0; chunk < 50; ++chunk) {
        Set& next = behind.Next();
        ASSERT_FALSE(next.writing) << "chunk " << chunk << " prepared into the set being written";
        next.value = chunk;
        ASSERT_TRUE(behind.Hand([&](Set& set) {
            set.writing = true;
            mostInFlight = std::max(mostInFlight, ++inFlight);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            written.push_back(set.value);
            --inFlight;
            set.writing = false;
            return true;
        }));
    }
    ASSERT_TRUE(behind.Finish());
    std::vector<int> expected(50);
    for (int i = 0; i < 50; ++i) {
        expected[static_cast<std::size_t>(i)] = i;
    }
    EXPECT_EQ(written, expected);
    EXPECT_EQ(mostInFlight, 1);
}

TEST(WriteBehind, aFailedWrite_isReportedByTheNextHandAndByFinish) {
    // Which write fails: one in the middle (the next Hand refuses), or the last (only
    // Finish can tell).
    for (const int failing : {3, 9}) {
        SCOPED_TRACE(failing);
        std::array<Set, 2> sets;
        WriteBehind<Set> behind(sets);
        int handed = 0;
        bool refused = false;
        for (int chunk = 0; chunk < 10 && !refused; ++chunk) {
            behind.Next().value = chunk;
            refused = !behind.Hand([failing](Set& set) { return set.value != failing; });
            handed += refused ? 0 : 1;
        }
        EXPECT_FALSE(behind.Finish());
        EXPECT_EQ(handed, failing == 9 ? 10 : failing + 1);
    }
}

TEST(WriteBehind, aThrowingWrite_isRethrownByFinish) {
    std::array<Set, 2> sets;
    WriteBehind<Set> behind(sets);
    ASSERT_TRUE(behind.Hand([](Set&) -> bool { throw std::runtime_error("library failed"); }));
    EXPECT_THROW(behind.Finish(), std::runtime_error);
}

}  // namespace
}  // namespace vantrel
