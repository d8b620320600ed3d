// A sheet's name as references spell it before a name local to it.

#include "text/sheet_reference.h"

#include <gtest/gtest.h>

namespace {

using tessaly::SheetPrefix;

TEST(SheetPrefix, PlainWordsStandAsTheyAre) {
    EXPECT_EQ(SheetPrefix("North"), "North!");
    EXPECT_EQ(SheetPrefix("_Data.2024"), "_Data.2024!");
    EXPECT_EQ(SheetPrefix("売上"), "売上!");
    EXPECT_EQ(SheetPrefix("Rate"), "Rate!");
    EXPECT_EQ(SheetPrefix("ABCD1"), "ABCD1!");  // more letters than a column has
}

TEST(SheetPrefix, AnythingElseIsQuotedWithItsApostrophesDoubled) {
    EXPECT_EQ(SheetPrefix("Costs 2024"), "'Costs 2024'!");
    EXPECT_EQ(SheetPrefix("2024"), "'2024'!");
    EXPECT_EQ(SheetPrefix("Bob's"), "'Bob''s'!");
    EXPECT_EQ(SheetPrefix("a-b"), "'a-b'!");
    EXPECT_EQ(SheetPrefix(""), "''!");
    // Words a formula reads as cells.
    EXPECT_EQ(SheetPrefix("AB12"), "'AB12'!");
    EXPECT_EQ(SheetPrefix("R2C3"), "'R2C3'!");
    EXPECT_EQ(SheetPrefix("rc"), "'rc'!");
    EXPECT_EQ(SheetPrefix("C"), "'C'!");
}

}  // namespace
