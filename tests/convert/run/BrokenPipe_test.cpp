// SPDX-License-Identifier: BSD-3-Clause
// A pipe whose reader goes away mid-write: with the signal ignored the write fails and is
// reported; without it the whole process dies, which the window must never do.

#include <gtest/gtest.h>

#include <vector>

#include <unistd.h>

#include "platform/OsFileApi.h"
#include "platform/ProcessSignals.h"
#include "support/ChildProcess.h"

namespace vantrel::test {
namespace {

// Writes to a pipe whose read end is closed; reports whether the write said it failed.
std::string WriteToClosedPipe(bool ignoreSignal) {
    if (ignoreSignal) {
        IgnoreBrokenPipeSignal();
    }
    int ends[2];
    if (pipe(ends) != 0) {
        return "no pipe";
    }
    close(ends[0]);
    OsFileApi files;
    const std::vector<char> block(4096, 'x');
    const bool written = files.Write(ends[1], block.data(), block.size());
    files.Close(ends[1]);
    return written ? "written" : "write failed";
}

TEST(BrokenPipe, signalIgnored_writeFailsAndProcessLives) {
    const ChildResult child = RunInChild([] { return WriteToClosedPipe(true); });
    ASSERT_TRUE(child.exitedNormally);
    EXPECT_EQ(child.report, "write failed");
}

TEST(BrokenPipe, signalNotIgnored_killsTheProcess) {
    // The case the window guards against: without the call the write never returns.
    const ChildResult child = RunInChild([] { return WriteToClosedPipe(false); });
    EXPECT_FALSE(child.exitedNormally);
}

}  // namespace
}  // namespace vantrel::test
