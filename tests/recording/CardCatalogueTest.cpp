#include "recording/CardCatalogue.h"

#include "recording/CardTable.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(CardCatalogueTest, cardName_namesZeroToEight) {
    EXPECT_EQ(CardName(0), " ");
    EXPECT_EQ(CardName(1), "MODEL_A");
    EXPECT_EQ(CardName(4), "MODEL_D");
    EXPECT_EQ(CardName(8), "MODEL_H");
}

TEST(CardCatalogueTest, rangeLabel_matchesTheRangeTable) {
    const std::pair<int, const char*> cases[] = {
        {0, "none"},       {1, "+/-10V"},     {6, "+/-0.3125V"}, {9, "+/-0.005V"},
        {13, "+/-0.001V"}, {14, "0~20V"},     {22, "0~0.001V"},  {23, "+/-2V"},
        {25, "+/-0.2V"},   {26, "0~4V"},      {29, "0~0.4V"},    {31, "+/-0.2125V"},
        {33, "+/-3.16V"},  {34, "+/-0.316V"}, {35, "+/-25V"},    {36, "+/-12.5V"},
    };
    for (const auto& [code, label] : cases) {
        EXPECT_EQ(RangeLabel(code), label) << "range code " << code;
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

TEST(CardCatalogueTest, widthAndOrderNames_fallBackForEveryOtherCode) {
    EXPECT_EQ(WidthName(0), "8 bits");
    EXPECT_EQ(WidthName(1), "16 bits");
    EXPECT_EQ(WidthName(2), "32 bits");
    EXPECT_EQ(WidthName(-1), "32 bits");
    EXPECT_EQ(WidthName(32767), "32 bits");
    EXPECT_EQ(OrderName(0), "0-1-2-3");
    EXPECT_EQ(OrderName(1), "3-2-1-0");
    EXPECT_EQ(OrderName(2), "Custom");
    EXPECT_EQ(OrderName(7), "Custom");
    EXPECT_EQ(OrderName(-1), "Custom");
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
