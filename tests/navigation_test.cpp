// Next and previous bookmark: the ring order by workbook, sheet, row and column (or
// column and row), wrap-around at both ends, bookmarks the user cannot see, distances
// far beyond any fixed weighting, and what a failing jump shows.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

class NavigationTest : public AddinTest {
  protected:
    void SetUp() override {
        SetSetting("Mark", "FALSE");  // marks play no part in the order
        ConnectAddin("11.0");
    }

    // Each step waits out the repeat guard.
    std::string Next() {
        platform.Advance(1.0);
        addin->subCall_Next();
        return Where();
    }
    std::string Previous() {
        platform.Advance(1.0);
        addin->subCall_Befor();
        return Where();
    }
    // One bookmark on C3, the active cell on A1.
    void BookmarkOnC3FromA1() {
        Open("Book.xlsx");
        Bookmark("Book.xlsx", "Sheet1", "C3");
        excel.Select("A1");
    }
    int32_t AddOrDelState() { return addin->CB_BUTTON_AddOrDel->State(); }
};

TEST_F(NavigationTest, RowOrderRunsAlongRowsColumnOrderDownColumnsAndBothWrap) {
    Open("Book.xlsx");
    // Added out of order: the collection order must not matter.
    Bookmark("Book.xlsx", "Sheet1", "A2");
    Bookmark("Book.xlsx", "Sheet1", "B1");
    Bookmark("Book.xlsx", "Sheet1", "A1");
    excel.Select("A1");

    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$B$1");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$2");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$1");
    EXPECT_EQ(Previous(), "Book.xlsx!Sheet1!$A$2");
    EXPECT_EQ(Previous(), "Book.xlsx!Sheet1!$B$1");

    SetSetting("Vector", "COLUMN");
    excel.Select("A1");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$2");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$B$1");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$1");
    EXPECT_EQ(Previous(), "Book.xlsx!Sheet1!$B$1");
}

TEST_F(NavigationTest, FromACellWithoutBookmarkTakesTheNearestOnEitherSide) {
    Open("Book.xlsx");
    Bookmark("Book.xlsx", "Sheet1", "A1");
    Bookmark("Book.xlsx", "Sheet1", "B1");
    Bookmark("Book.xlsx", "Sheet1", "A2");

    excel.Select("C1");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$2");
    excel.Select("C1");
    EXPECT_EQ(Previous(), "Book.xlsx!Sheet1!$B$1");

    // In column order C1 lies after every bookmark: next wraps to the first.
    SetSetting("Vector", "COLUMN");
    excel.Select("C1");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$1");
    excel.Select("C1");
    EXPECT_EQ(Previous(), "Book.xlsx!Sheet1!$B$1");
}

TEST_F(NavigationTest, OnlyTheExactTextROWMeansRowOrder) {
    Open("Book.xlsx");
    Bookmark("Book.xlsx", "Sheet1", "B1");
    Bookmark("Book.xlsx", "Sheet1", "A2");
    for (const char* vector : {"row", "Row", "ROW ", "anything"}) {
        SCOPED_TRACE(vector);
        SetSetting("Vector", vector);
        excel.Select("A1");
        EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$2");
    }
    SetSetting("Vector", "ROW");
    excel.Select("A1");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$B$1");
}

TEST_F(NavigationTest, RunsAcrossSheetsAndWorkbooksInTheirHostOrder) {
    Open("First.xlsx", {"Sheet1", "Sheet2"});
    Open("Second.xlsx", {"Sheet1", "Sheet2"});
    Bookmark("Second.xlsx", "Sheet1", "A5");
    Bookmark("First.xlsx", "Sheet2", "A1");
    Bookmark("First.xlsx", "Sheet1", "Z9");
    Bookmark("Second.xlsx", "Sheet2", "B2");
    excel.Select("First.xlsx", "Sheet1", "Z9");

    EXPECT_EQ(Next(), "First.xlsx!Sheet2!$A$1");
    EXPECT_EQ(Next(), "Second.xlsx!Sheet1!$A$5");
    EXPECT_EQ(Next(), "Second.xlsx!Sheet2!$B$2");
    EXPECT_EQ(Next(), "First.xlsx!Sheet1!$Z$9");
    EXPECT_EQ(Previous(), "Second.xlsx!Sheet2!$B$2");
    EXPECT_EQ(Previous(), "Second.xlsx!Sheet1!$A$5");
    EXPECT_EQ(Previous(), "First.xlsx!Sheet2!$A$1");
}

TEST_F(NavigationTest, ASingleBookmarkIsBothNextAndPreviousAndOnTheActiveCellShowsPressed) {
    Open("Book.xlsx");
    Bookmark("Book.xlsx", "Sheet1", "D4");
    excel.Select("A1");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$D$4");
    excel.Select("Z100");
    EXPECT_EQ(Previous(), "Book.xlsx!Sheet1!$D$4");
    excel.Select("Z100");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$D$4");

    // On the active cell it stays.
    addin->CB_BUTTON_AddOrDel->SetState(0);
    excel.ResetCallCounts();
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$D$4");
    EXPECT_EQ(Previous(), "Book.xlsx!Sheet1!$D$4");
    EXPECT_EQ(excel.CallCount("Application.Goto"), 0);
    EXPECT_EQ(AddOrDelState(), -1);
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel_Copy->State(), -1);
}

TEST_F(NavigationTest, AnEmptyCollectionDoesNothing) {
    Open("Book.xlsx");
    excel.Select("B2");
    addin->CB_BUTTON_AddOrDel->SetState(-1);  // a refresh would raise it
    excel.ResetCallCounts();

    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$B$2");
    EXPECT_EQ(excel.CallCount("Application.Goto"), 0);
    EXPECT_EQ(AddOrDelState(), -1);
    EXPECT_TRUE(platform.Messages().empty());
}

// Ten and more workbooks apart, sheet indexes 100 apart and rows a million apart: a
// weighted single number overflows or misorders here.
TEST_F(NavigationTest, PositionsFarApartKeepTheirOrder) {
    for (int i = 1; i <= 12; ++i) Open("Book" + std::to_string(i) + ".xlsx");
    Bookmark("Book12.xlsx", "Sheet1", "A1");
    Bookmark("Book1.xlsx", "Sheet1", "A1");
    excel.Select("Book1.xlsx", "Sheet1", "A1");

    EXPECT_EQ(Next(), "Book12.xlsx!Sheet1!$A$1");
    EXPECT_EQ(Next(), "Book1.xlsx!Sheet1!$A$1");
    EXPECT_EQ(Previous(), "Book12.xlsx!Sheet1!$A$1");

    Bookmark("Book11.xlsx", "Sheet1", "A1");
    excel.Select("Book1.xlsx", "Sheet1", "B1");
    EXPECT_EQ(Next(), "Book11.xlsx!Sheet1!$A$1");
    EXPECT_EQ(Previous(), "Book1.xlsx!Sheet1!$A$1");
    EXPECT_EQ(Previous(), "Book12.xlsx!Sheet1!$A$1");

    // Sheet indexes a hundred apart.
    std::vector<std::string> sheets;
    for (int i = 1; i <= 101; ++i) sheets.push_back("Sheet" + std::to_string(i));
    Open("Many.xlsx", sheets);
    Open("Other.xlsx");
    // The other workbook's bookmark comes first in the collection, so a tie on a
    // weighted key would pick it.
    Bookmark("Other.xlsx", "Sheet1", "A1");
    Bookmark("Many.xlsx", "Sheet101", "A1");
    excel.Select("Many.xlsx", "Sheet1", "A1");

    EXPECT_EQ(Next(), "Many.xlsx!Sheet101!$A$1");
    EXPECT_EQ(Next(), "Other.xlsx!Sheet1!$A$1");
    EXPECT_EQ(Previous(), "Many.xlsx!Sheet101!$A$1");

    // Rows a million apart.
    Open("Tall.xlsx", {"Sheet1", "Sheet2"});
    Bookmark("Tall.xlsx", "Sheet2", "A1");
    Bookmark("Tall.xlsx", "Sheet1", "A1048576");
    excel.Select("Tall.xlsx", "Sheet1", "A1");

    EXPECT_EQ(Next(), "Tall.xlsx!Sheet1!$A$1048576");
    EXPECT_EQ(Next(), "Tall.xlsx!Sheet2!$A$1");
    EXPECT_EQ(Previous(), "Tall.xlsx!Sheet1!$A$1048576");

    SetSetting("Vector", "COLUMN");
    Bookmark("Tall.xlsx", "Sheet1", "XFD1");
    excel.Select("Tall.xlsx", "Sheet1", "A1");
    EXPECT_EQ(Next(), "Tall.xlsx!Sheet1!$A$1048576");
    EXPECT_EQ(Next(), "Tall.xlsx!Sheet1!$XFD$1");
}

// Every way a bookmark can be out of sight. The hidden ones lie before, between and
// after the two visible ones, so that neither a step nor a wrap-around may reach them.
enum class Hiding { Sheet, VerySheet, Row, FilteredRow, Column, Window };

class HiddenBookmarkTest : public NavigationTest, public ::testing::WithParamInterface<Hiding> {
  protected:
    // Hides cell C3 of that sheet in the way under test.
    void Hide(const std::string& book, const std::string& sheet) {
        switch (GetParam()) {
            case Hiding::Sheet:
                excel.SetSheetVisible(book, sheet, 0);
                break;
            case Hiding::VerySheet:
                excel.SetSheetVisible(book, sheet, 2);
                break;
            case Hiding::Row:
                excel.HideRows(book, sheet, 3);
                break;
            case Hiding::FilteredRow:
                excel.FilterHideRows(book, sheet, 3);
                break;
            case Hiding::Column:
                excel.HideColumns(book, sheet, 3);
                break;
            case Hiding::Window:
                excel.SetWindowVisible(book, false);
                break;
        }
    }
};

TEST_P(HiddenBookmarkTest, IsNeverATarget) {
    Open("Before.xlsx", {"Front", "Back"});
    Open("Shown.xlsx", {"Sheet1", "Mid", "Sheet2"});
    Open("After.xlsx", {"Front", "Back"});
    Bookmark("Before.xlsx", "Back", "C3");
    Bookmark("After.xlsx", "Back", "C3");
    Bookmark("Shown.xlsx", "Sheet1", "B2");
    Bookmark("Shown.xlsx", "Sheet2", "D4");
    Hide("Before.xlsx", "Back");
    Hide("After.xlsx", "Back");
    if (GetParam() != Hiding::Window) {
        Bookmark("Shown.xlsx", "Mid", "C3");
        Hide("Shown.xlsx", "Mid");
    }
    excel.Select("Shown.xlsx", "Sheet1", "B2");

    EXPECT_EQ(Next(), "Shown.xlsx!Sheet2!$D$4");
    EXPECT_EQ(Next(), "Shown.xlsx!Sheet1!$B$2");
    EXPECT_EQ(Previous(), "Shown.xlsx!Sheet2!$D$4");
    EXPECT_EQ(Previous(), "Shown.xlsx!Sheet1!$B$2");
    EXPECT_TRUE(platform.Messages().empty());
}

std::string HidingName(const ::testing::TestParamInfo<Hiding>& info) {
    static const char* const names[] = {"HiddenSheet", "VeryHiddenSheet", "HiddenRow",
                                        "FilteredRow", "HiddenColumn",    "HiddenWindow"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryHiding, HiddenBookmarkTest,
                         ::testing::Values(Hiding::Sheet, Hiding::VerySheet, Hiding::Row,
                                           Hiding::FilteredRow, Hiding::Column, Hiding::Window),
                         HidingName);

TEST_F(NavigationTest, AFailingJumpShowsTheHostErrorAndStillRefreshes) {
    BookmarkOnC3FromA1();
    addin->CB_BUTTON_AddOrDel->SetState(-1);  // wrong for A1: the refresh must raise it
    excel.FailNext("Application.Goto", 1004, "Goto method of Application class failed");

    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$1");
    ASSERT_EQ(platform.Messages().size(), 1u);
    const auto& shown = platform.Messages()[0];
    EXPECT_EQ(shown.text, "(1004) Goto method of Application class failed");
    EXPECT_EQ(shown.caption, "Tessaly");
    EXPECT_EQ(shown.icon, platform::MsgIcon::Critical);
    EXPECT_EQ(shown.buttons, platform::MsgButtons::OK);
    EXPECT_EQ(AddOrDelState(), 0);
}

TEST_F(NavigationTest, AFailureDuringTheSearchOrOnTheActiveCellEndsQuietlyWithoutMoving) {
    BookmarkOnC3FromA1();

    excel.FailNext("Window.Visible", 9, "Subscript out of range");
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$1");
    excel.FailNext("Application.ActiveCell", 1004, "refused");
    EXPECT_NO_THROW(EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$1"));
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$C$3");
}

TEST_F(NavigationTest, NothingMovesWhileTheHostIsBusyOrNoCellIsActive) {
    BookmarkOnC3FromA1();

    excel.SetEditMode(true);
    EXPECT_EQ(Next(), "Book.xlsx!Sheet1!$A$1");
    excel.SetEditMode(false);

    excel.AddChartSheet("Book.xlsx", "Chart1");
    excel.ResetCallCounts();
    platform.Advance(1.0);
    addin->subCall_Next();
    EXPECT_EQ(excel.ActiveSheetName(), "Chart1");
    EXPECT_EQ(excel.CallCount("Application.Goto"), 0);
}

TEST_F(NavigationTest, BookmarksOfAClosedWorkbookAreDroppedFirst) {
    Open("Kept.xlsx");
    Open("Closed.xlsx");
    Bookmark("Closed.xlsx", "Sheet1", "B2");
    excel.Select("Kept.xlsx", "Sheet1", "A1");
    ASSERT_TRUE(addin->CB_BUTTON_Next->Enabled());
    excel.CloseWorkbook("Closed.xlsx");

    EXPECT_EQ(Next(), "Kept.xlsx!Sheet1!$A$1");
    EXPECT_EQ(addin->BMs().Count(), 0);
    EXPECT_FALSE(addin->CB_BUTTON_Next->Enabled());
    EXPECT_FALSE(addin->CB_BUTTON_Befor_Copy->Enabled());
    EXPECT_TRUE(platform.Messages().empty());
}

}  // namespace
}  // namespace tessaly_test
