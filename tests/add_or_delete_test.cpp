// The add/delete toggle on the active cell: the bookmark and its mark, the pressed
// state of the toggle buttons, the commands it enables, and when it does nothing.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

constexpr const char* kMarkNotMade =
    "The mark (for visual check) cannot Add. Please release it when the seat is protected.";

class AddOrDeleteTest : public AddinTest {
  protected:
    void SetUp() override {
        ConnectAddin("11.0");
        excel.OpenWorkbook(sim::SimpleWorkbook("Book.xlsx", {"Sheet1", "Sheet2"}));
    }

    void Toggle() {
        platform.Advance(1.0);
        addin->subCall_AddOrDelete();
    }
    bool Bookmarked(const std::string& sheet, const std::string& cell) {
        const auto target = excel.RangeRef("Book.xlsx", sheet, cell);
        for (int32_t i = 1; i <= addin->BMs().Count(); ++i)
            if (host::SameObject(addin->BMs().Item(i)->BMCell, target)) return true;
        return false;
    }
    size_t Marks(const std::string& sheet = "Sheet1") {
        return excel.OleObjects("Book.xlsx", sheet).size();
    }
    // Pressed state of the toggle and its toolbar twin, and the enabled state of the
    // four commands that need a bookmark, menu and toolbar alike.
    void ExpectButtons(int32_t toggle, bool commands) {
        EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State(), toggle);
        EXPECT_EQ(addin->CB_BUTTON_AddOrDel_Copy->State(), toggle);
        for (ButtonPtr b :
             {&tessaly::Connect::CB_BUTTON_List, &tessaly::Connect::CB_BUTTON_Next,
              &tessaly::Connect::CB_BUTTON_Befor, &tessaly::Connect::CB_BUTTON_Clear,
              &tessaly::Connect::CB_BUTTON_List_Copy, &tessaly::Connect::CB_BUTTON_Next_Copy,
              &tessaly::Connect::CB_BUTTON_Befor_Copy, &tessaly::Connect::CB_BUTTON_Clear_Copy})
            EXPECT_EQ(((*addin).*b)->Enabled(), commands);
        EXPECT_TRUE(addin->CB_BUTTON_AddOrDel->Enabled());
        EXPECT_TRUE(addin->CB_BUTTON_AddOrDel_Copy->Enabled());
    }
    using ButtonPtr = tessaly::ButtonField tessaly::Connect::*;
};

TEST_F(AddOrDeleteTest, AddsThenDeletesTheActiveCellsBookmark) {
    excel.Select("C3");
    Toggle();
    EXPECT_EQ(addin->BMs().Count(), 1);
    EXPECT_TRUE(Bookmarked("Sheet1", "C3"));
    EXPECT_EQ(Marks(), 1u);
    ExpectButtons(-1, true);

    Toggle();
    EXPECT_EQ(addin->BMs().Count(), 0);
    EXPECT_EQ(Marks(), 0u);
    ExpectButtons(0, false);
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(AddOrDeleteTest, WorksOnTheActiveCellOfALargerSelection) {
    excel.Select("B2:D4");
    Toggle();
    ASSERT_EQ(addin->BMs().Count(), 1);
    EXPECT_TRUE(Bookmarked("Sheet1", "B2"));
}

TEST_F(AddOrDeleteTest, OnAProtectedSheetWithMarksTheBookmarkStaysWithoutMark) {
    excel.Protect("Book.xlsx", "Sheet1");
    excel.Select("C3");
    Toggle();

    EXPECT_EQ(addin->BMs().Count(), 1);
    EXPECT_EQ(addin->BMs().Item(1)->BMLabel, nullptr);
    ASSERT_EQ(platform.Messages().size(), 1u);
    EXPECT_EQ(platform.Messages()[0].text, kMarkNotMade);
    EXPECT_EQ(platform.Messages()[0].icon, platform::MsgIcon::Critical);
    EXPECT_EQ(platform.Messages()[0].caption, "Tessaly");
    ExpectButtons(-1, true);
}

TEST_F(AddOrDeleteTest, OnAChartSheetOnlyStaleBookmarksGo) {
    excel.OpenWorkbook(sim::SimpleWorkbook("Gone.xlsx"));
    excel.Select("Gone.xlsx", "Sheet1", "A1");
    Toggle();
    excel.CloseWorkbook("Gone.xlsx");
    excel.AddChartSheet("Book.xlsx", "Chart1");
    ASSERT_EQ(excel.ActiveSheetName(), "Chart1");

    Toggle();
    EXPECT_EQ(addin->BMs().Count(), 0);
    ExpectButtons(0, false);
}

TEST_F(AddOrDeleteTest, DoesNothingWhileTheHostIsEditingACell) {
    excel.Select("C3");
    excel.SetEditMode(true);
    Toggle();
    EXPECT_EQ(addin->BMs().Count(), 0);
    excel.SetEditMode(false);
    Toggle();
    EXPECT_EQ(addin->BMs().Count(), 1);
}

TEST_F(AddOrDeleteTest, ACellTwiceInTheCollectionLosesOneCopyPerRun) {
    excel.Select("C3");
    addin->BMs().Add(excel.RangeRef("Book.xlsx", "Sheet1", "C3"));
    addin->BMs().Add(excel.RangeRef("Book.xlsx", "Sheet1", "C3"));

    Toggle();
    EXPECT_EQ(addin->BMs().Count(), 1);
    EXPECT_TRUE(Bookmarked("Sheet1", "C3"));
    // The run shows the toggle up; the next event sees the copy that is left.
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State(), 0);
    excel.Select("C3");
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State(), -1);
}

TEST_F(AddOrDeleteTest, AFailureAfterTheChangeKeepsItAndEndsQuietly) {
    excel.Select("C3");
    excel.FailNext("CommandBarControl.SetState", 1004, "refused");
    EXPECT_NO_THROW(Toggle());
    EXPECT_EQ(addin->BMs().Count(), 1);
    // The refresh that would have followed did not run.
    EXPECT_FALSE(addin->CB_BUTTON_Next->Enabled());
    EXPECT_TRUE(platform.Messages().empty());
}

}  // namespace
}  // namespace tessaly_test
