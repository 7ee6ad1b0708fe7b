// SPDX-License-Identifier: BSD-3-Clause
#include "recording/CardCatalogue.h"

#include "recording/CardTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <set>
#include <string>
#include <string_view>

namespace vantrel {
namespace {

// The names themselves are checked where they are shown (PresentHeaderTest, CliInfoTest,
// the window's tests); here, what holds for every entry of the tables.

// Each card type of the table has a name of its own; a card that converts is never blank.
TEST(CardCatalogueTest, cardName_eachCardItsOwnName) {
    std::set<std::string> names;
    for (const CardInfo& card : kCards) {
        SCOPED_TRACE(card.cardType);
        const std::string name = CardName(card.cardType);
        EXPECT_EQ(name, card.name);
        EXPECT_TRUE(names.insert(name).second) << "named twice: " << name;
        if (card.converts()) {
            EXPECT_NE(name.find_first_not_of(' '), std::string::npos);
        }
    }
}

// Each range code of the table has a label of its own: after 0 (none) a span in volts,
// "+/-NV" around zero or "0~NV" from it, N a plain positive decimal.
TEST(CardCatalogueTest, rangeLabel_eachCodeItsOwnSpan) {
    const std::regex span(R"((\+/-|0~)(0|[1-9][0-9]*)(\.[0-9]*[1-9])?V)");
    std::set<std::string> labels;
    for (std::size_t i = 0; i < RangeLabels.size(); ++i) {
        const auto code = static_cast<std::int32_t>(i);
        SCOPED_TRACE(code);
        const std::string label = RangeLabel(code);
        EXPECT_EQ(label, RangeLabels[i]);
        EXPECT_TRUE(labels.insert(label).second) << "labelled twice: " << label;
        if (code == 0) {
            continue;  // no range
        }
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(label, parts, span)) << label;
        EXPECT_GT(std::stod(parts[2].str() + parts[3].str()), 0.0) << label;
    }
}

TEST(CardCatalogueTest, lookupsOutsideTheirTables_readAsUnknownWithTheSignedValue) {
    EXPECT_EQ(CardName(9), "Unknown (9)");
    EXPECT_EQ(CardName(-1), "Unknown (-1)");
    EXPECT_EQ(CardName(-32768), "Unknown (-32768)");
    EXPECT_EQ(RangeLabel(37), "Unknown (37)");
    EXPECT_EQ(RangeLabel(255), "Unknown (255)");  // a queue entry's byte
    EXPECT_EQ(RangeLabel(-2), "Unknown (-2)");
    EXPECT_EQ(RangeLabel(32767), "Unknown (32767)");
}

// Codes 0 and 1 have names of their own; every other code, negative ones too, reads as the
// last name (32 bits, Custom).
TEST(CardCatalogueTest, widthAndOrderNames_fallBackForEveryOtherCode) {
    EXPECT_EQ(WidthName(0), WidthNames[0]);
    EXPECT_EQ(WidthName(1), WidthNames[1]);
    EXPECT_EQ(OrderName(0), OrderNames[0]);
    EXPECT_EQ(OrderName(1), OrderNames[1]);
    for (const std::int32_t code : {2, 3, 7, 32767, -1, -32768}) {
        EXPECT_EQ(WidthName(code), WidthNames[2]) << code;
        EXPECT_EQ(OrderName(code), OrderNames[2]) << code;
    }
    EXPECT_EQ(std::set<std::string_view>(WidthNames.begin(), WidthNames.end()).size(), 3u);
    EXPECT_EQ(std::set<std::string_view>(OrderNames.begin(), OrderNames.end()).size(), 3u);
}

// The card table is indexed by card type, and a card converts exactly when it has both a
// sample element and a cell format.
TEST(CardTableTest, entriesStandAtTheirCardTypeAndConvertWithElementAndCellFormat) {
    for (std::size_t i = 0; i < kCards.size(); ++i) {
        const CardInfo& card = kCards[i];
        SCOPED_TRACE(card.name);
        EXPECT_EQ(static_cast<std::size_t>(card.cardType), i);
        EXPECT_EQ(&CardFacts(card.cardType), &card);
        EXPECT_EQ(card.converts(), card.elementSize > 0);
        EXPECT_EQ(card.converts(), card.cellDecimals >= 0);
        EXPECT_EQ(card.inputKinds, card.rules == ScalingRules::kCard4);
    }
    for (const int outside : {-1, 9, 32767, -32768}) {
        EXPECT_FALSE(CardFacts(outside).converts()) << outside;
    }
}

}  // namespace
}  // namespace vantrel
