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

TEST(WithSuffixBeforeExtension, putsTheSuffixBeforeTheFileNamesExtensionOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"/data/run1.csv", "/data/run1_1-3s.csv"},
        {"D:\\data\\a.b.daq", "D:\\data\\a.b_1-3s.daq"},
        {"/my.data/run1", "/my.data/run1_1-3s"},  // a dot in a folder name does not count
        {"D:\\my.data\\run1", "D:\\my.data\\run1_1-3s"},
        {"run1", "run1_1-3s"},
    };
    for (const auto& [path, suffixed] : cases) {
        EXPECT_EQ(WithSuffixBeforeExtension(path, "_1-3s"), suffixed) << path;
    }
}

}  // namespace
}  // namespace vantrel
