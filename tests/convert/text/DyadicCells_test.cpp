// SPDX-License-Identifier: BSD-3-Clause
#include "convert/text/DyadicCells.h"

#include <gtest/gtest.h>

#include <string_view>

#include "convert/scaling/ScaleSample.h"
#include "convert/text/FixedCellFormat.h"

namespace vantrel {
namespace {

struct Setting {
    ScalingRules rules;
    std::uint16_t range;
    std::int8_t kind;
    bool fromCode;  // its cells are made from the code
};

// Every rule of the 24-bit cards: those that multiply by a short binary fraction make their
// cells from the code; those that also divide by a decimal constant (kinds 2 to 6) and the
// settings without a rule do not. verify_format checks every code of the accepted ones.
TEST(DyadicCells, takenExactlyByTheRulesThatAreCodeTimesStep) {
    const Setting settings[] = {
        {ScalingRules::kCard7, 1, 0, true},   {ScalingRules::kCard7, 2, 0, false},
        {ScalingRules::kCard4, 35, 0, true},  {ScalingRules::kCard4, 36, 0, true},
        {ScalingRules::kCard4, 1, 0, false},  {ScalingRules::kCard4, 3, 1, true},
        {ScalingRules::kCard4, 6, 1, true},   {ScalingRules::kCard4, 2, 2, false},
        {ScalingRules::kCard4, 1, 3, false},  {ScalingRules::kCard4, 1, 6, false},
        {ScalingRules::kCard4, 1, 7, true},   {ScalingRules::kCard4, 1, 14, true},
        {ScalingRules::kCard4, 1, 10, false},
    };
    char fast[kCellCapacity];
    char general[kCellCapacity];
    for (const Setting& s : settings) {
        const int decimals = s.rules == ScalingRules::kCard4 ? 9 : 7;
        SCOPED_TRACE(testing::Message() << "range " << s.range << ", kind " << int{s.kind});
        const auto step = DyadicStepOf(s.rules, s.range, s.kind, decimals);
        ASSERT_EQ(step.has_value(), s.fromCode);
        EXPECT_FALSE(DyadicStepOf(s.rules, s.range, s.kind, 8).has_value());  // no such cell
        if (!step) {
            continue;
        }
        // A sweep of every 24-bit code (the whole range is verify_format's), the extremes,
        // and words whose upper byte is set.
        for (std::uint32_t word = 0; word < (1u << 24); word += 997) {
            for (const std::uint32_t w :
                 {word, word | 0x7F000000u, 0x00800000u, 0x007FFFFFu, 0x7FFFFFFFu, 0x80000000u}) {
                const auto value = ScaleSample(s.rules, s.range, s.kind, w);
                ASSERT_TRUE(value.has_value());
                const std::size_t want = FormatFixedCell(general, *value, decimals);
                const std::size_t got = FormatDyadicCell(fast, *step, Decode24(w));
                ASSERT_EQ(std::string_view(fast, got), std::string_view(general, want)) << w;
            }
        }
    }
}

}  // namespace
}  // namespace vantrel
