// SPDX-License-Identifier: BSD-3-Clause
// vantrel-convert as a process: its exit status, and which stream each report takes. A
// usage error (status 2) is checked as a process with the others, in UsageErrors_test.

#include <gtest/gtest.h>

#include <string>

#include "cli/ProcessRun.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

TEST(ProcessExit, statusIs0ForSuccessAnd1ForAFailedFile) {
    test::TempDir dir;
    const std::string good = dir.File("good.daq");
    test::TwoChannels(1).WriteTo(good);
    const std::string missing = dir.File("missing.daq");

    test::ProcessRun e = test::RunConverterProcess(dir, {good});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.out, "Write to " + dir.File("good.cvt") + " successful!\n");
    EXPECT_EQ(e.err, "");

    e = test::RunConverterProcess(dir, {missing, good});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.out, "Write to " + dir.File("good.cvt") + " successful!\n");
    EXPECT_EQ(e.err, missing + ": Cannot open input file!\n");

    e = test::RunConverterProcess(dir, {"--info", missing});
    EXPECT_EQ(e.status, 1);

    e = test::RunConverterProcess(dir, {"--version"});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.out, "vantrel-convert 1.0\n");
}

}  // namespace
}  // namespace vantrel
