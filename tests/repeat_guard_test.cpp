// The 0.2-second repeat guard of the bookmark commands, on the platform's monotonic
// clock: the first run always passes, a refused run does not restart the window, and
// each command has a guard of its own.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

TEST(RepeatGuard, AcceptsTheFirstRunWhateverTheClockSays) {
    for (double start : {0.0, 0.05, 86399.9, -5.0}) {
        tessaly::RepeatGuard guard;
        EXPECT_TRUE(guard.Accept(start)) << start;
    }
}

TEST(RepeatGuard, RefusesWithinTheWindowMeasuredFromTheLastAcceptedRun) {
    tessaly::RepeatGuard guard;
    ASSERT_TRUE(guard.Accept(0.0));
    EXPECT_FALSE(guard.Accept(0.1));
    EXPECT_FALSE(guard.Accept(0.19));
    // 0.21 s after the accepted run, though only 0.02 s after the refused one.
    EXPECT_TRUE(guard.Accept(0.21));
    EXPECT_FALSE(guard.Accept(0.3));
    EXPECT_TRUE(guard.Accept(0.46));
}

class CommandGuardTest : public AddinTest {
  protected:
    void SetUp() override {
        SetSetting("Mark", "FALSE");
        ConnectAddin("11.0");
        excel.OpenWorkbook(sim::SimpleWorkbook("Book.xlsx"));
    }
};

TEST_F(CommandGuardTest, TheVeryFirstRunAtClockZeroIsAccepted) {
    platform.SetNow(0.0);
    excel.Select("B2");
    addin->subCall_AddOrDelete();
    EXPECT_EQ(addin->BMs().Count(), 1);

    excel.Select("A1");
    addin->subCall_Next();
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$2");

    SetSetting("Confirm", "0");
    addin->subCall_Clear();
    EXPECT_EQ(addin->BMs().Count(), 0);
}

TEST_F(CommandGuardTest, NextAndPreviousShareOneGuard) {
    excel.Select("B2");
    addin->subCall_AddOrDelete();
    excel.Select("D4");
    platform.Advance(1.0);
    addin->subCall_AddOrDelete();
    excel.Select("A1");

    platform.Advance(1.0);
    addin->subCall_Next();
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$2");
    platform.Advance(0.1);
    addin->subCall_Befor();
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$2");
    platform.Advance(0.15);  // 0.25 s after the accepted run
    addin->subCall_Next();
    EXPECT_EQ(excel.ActiveCellAddress(), "$D$4");
}

TEST_F(CommandGuardTest, EachCommandHasItsOwnGuard) {
    excel.Select("B2");
    addin->subCall_AddOrDelete();
    excel.Select("A1");
    platform.Advance(0.01);
    addin->subCall_Next();
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$2");
    platform.Advance(0.01);
    addin->subCall_Clear();  // asks: its guard has not been touched
    EXPECT_EQ(platform.Messages().size(), 1u);
    EXPECT_EQ(addin->BMs().Count(), 0);
}

TEST_F(CommandGuardTest, ARunThatEndsEarlyStillStampsItsGuard) {
    excel.AddChartSheet("Book.xlsx", "Chart1");
    addin->subCall_AddOrDelete();  // no active cell: ends early
    excel.Select("Book.xlsx", "Sheet1", "B2");
    platform.Advance(0.1);
    addin->subCall_AddOrDelete();
    EXPECT_EQ(addin->BMs().Count(), 0);
    platform.Advance(0.15);
    addin->subCall_AddOrDelete();
    EXPECT_EQ(addin->BMs().Count(), 1);
}

}  // namespace
}  // namespace tessaly_test
