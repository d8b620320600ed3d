// Columns and sheets as references spell them.

#include "text/references.h"

#include <gtest/gtest.h>

namespace {

using tessaly::ColumnLetters;
using tessaly::SheetPrefix;

TEST(ColumnLetters, BijectiveBase26UpToTheLastColumn) {
    EXPECT_EQ(ColumnLetters(1), "A");
    EXPECT_EQ(ColumnLetters(26), "Z");
    EXPECT_EQ(ColumnLetters(27), "AA");
    EXPECT_EQ(ColumnLetters(702), "ZZ");
    EXPECT_EQ(ColumnLetters(703), "AAA");
    EXPECT_EQ(ColumnLetters(16384), "XFD");
    EXPECT_EQ(ColumnLetters(0), "");
}

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
