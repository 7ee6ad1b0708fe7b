#include "convert/HelperThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

TEST(HelperThread, runsEachTaskBeforeWaitReturns) {
    HelperThread helper;
    std::vector<int> done;
    for (int i = 0; i < 200; ++i) {
        helper.Start([&done, i] { done.push_back(i); });
        helper.Wait();
        ASSERT_EQ(done.size(), static_cast<std::size_t>(i + 1));
        EXPECT_EQ(done.back(), i);
    }
}

TEST(HelperThread, runsTasksOnAnotherThread) {
    HelperThread helper;
    std::thread::id where;
    helper.Start([&where] { where = std::this_thread::get_id(); });
    helper.Wait();
    EXPECT_NE(where, std::thread::id());
    EXPECT_NE(where, std::this_thread::get_id());
}

TEST(HelperThread, waitRethrowsWhatTheTaskThrewOnce) {
    HelperThread helper;
    helper.Start([] { throw std::bad_alloc(); });
    EXPECT_THROW(helper.Wait(), std::bad_alloc);
    // The helper goes on after a failed task, and the failure is not reported again.
    int runs = 0;
    helper.Start([&runs] { ++runs; });
    EXPECT_NO_THROW(helper.Wait());
    EXPECT_EQ(runs, 1);
}

TEST(HelperThread, destructionLetsARunningTaskFinish) {
    std::atomic<bool> finished{false};
    {
        HelperThread helper;
        helper.Start([&finished] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            finished = true;
        });
    }
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace vantrel
