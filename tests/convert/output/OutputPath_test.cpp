// SPDX-License-Identifier: BSD-3-Clause
#include "convert/output/OutputPath.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(DeriveOutputPath, replacesEverythingAfterTheLastDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\data\\run1.daq", "D:\\data\\run1.cvt"},
        {"D:\\data\\run1", "D:\\data\\run1.cvt"},
        {"D:\\data\\run1.", "D:\\data\\run1.cvt"},
        {"D:\\data\\a.b.daq", "D:\\data\\a.b.cvt"},
        {"D:\\my.data\\run1", "D:\\my.cvt"},  // a dot in a folder name counts
        {"/data/run1.daq", "/data/run1.cvt"},
        {"run1.cvt", "run1.cvt"},  // the conversion refuses this one as the input itself
        {"", ".cvt"},
    };
    for (const auto& [input, output] : cases) {
        EXPECT_EQ(DeriveOutputPath(input), output) << input;
    }
}

}  // namespace
}  // namespace vantrel
