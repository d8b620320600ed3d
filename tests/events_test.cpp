// Reactions to the user's moves in the host: the toggle follows the active cell,
// bookmarks of closed workbooks go, marks taken off for a save come back once, and
// add-in workbooks are left alone.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

class EventsTest : public AddinTest {
  protected:
    void SetUp() override {
        ConnectAddin("11.0");
        excel.OpenWorkbook(sim::SimpleWorkbook("Book.xlsx", {"Sheet1", "Sheet2"}));
    }

    int32_t Toggle() { return addin->CB_BUTTON_AddOrDel->State(); }
    int32_t ToggleTwin() { return addin->CB_BUTTON_AddOrDel_Copy->State(); }
    bool CommandsEnabled() {
        const bool list = addin->CB_BUTTON_List->Enabled();
        EXPECT_EQ(addin->CB_BUTTON_Next->Enabled(), list);
        EXPECT_EQ(addin->CB_BUTTON_Befor->Enabled(), list);
        EXPECT_EQ(addin->CB_BUTTON_Clear->Enabled(), list);
        EXPECT_EQ(addin->CB_BUTTON_List_Copy->Enabled(), list);
        EXPECT_EQ(addin->CB_BUTTON_Next_Copy->Enabled(), list);
        EXPECT_EQ(addin->CB_BUTTON_Befor_Copy->Enabled(), list);
        EXPECT_EQ(addin->CB_BUTTON_Clear_Copy->Enabled(), list);
        return list;
    }
    size_t LiveMarks(const std::string& book = "Book.xlsx", const std::string& sheet = "Sheet1") {
        return excel.OleObjects(book, sheet).size();
    }
    size_t MarksEverMade(const std::string& book = "Book.xlsx",
                         const std::string& sheet = "Sheet1") {
        return excel.OleObjects(book, sheet, true).size();
    }
};

TEST_F(EventsTest, SelectionOntoABookmarkPressesTheToggleAndOffRaisesIt) {
    Bookmark("Book.xlsx", "Sheet1", "C3");
    excel.Select("A1");
    EXPECT_EQ(Toggle(), 0);
    EXPECT_EQ(ToggleTwin(), 0);
    excel.Select("C3");
    EXPECT_EQ(Toggle(), -1);
    EXPECT_EQ(ToggleTwin(), -1);
    excel.Select("Book.xlsx", "Sheet2", "C3");  // same address, other sheet
    EXPECT_EQ(Toggle(), 0);
    excel.Select("Book.xlsx", "Sheet1", "C3:E9");  // a range starting on it
    EXPECT_EQ(Toggle(), -1);
}

TEST_F(EventsTest, EditingACellRefreshesLikeASelection) {
    Bookmark("Book.xlsx", "Sheet1", "C3");
    addin->CB_BUTTON_AddOrDel->SetState(0);
    excel.Edit("C3", "text");
    EXPECT_EQ(Toggle(), -1);
}

TEST_F(EventsTest, AChartSheetRaisesTheToggle) {
    Bookmark("Book.xlsx", "Sheet1", "C3");
    ASSERT_EQ(Toggle(), -1);
    excel.AddChartSheet("Book.xlsx", "Chart1");
    EXPECT_EQ(Toggle(), 0);
    EXPECT_EQ(ToggleTwin(), 0);
}

TEST_F(EventsTest, AClosedWorkbooksBookmarksGoAtTheNextSelectionChange) {
    excel.OpenWorkbook(sim::SimpleWorkbook("Closing.xlsx"));
    Bookmark("Closing.xlsx", "Sheet1", "B2");
    ASSERT_TRUE(CommandsEnabled());
    excel.CloseWorkbook("Closing.xlsx");
    EXPECT_EQ(addin->BMs().Count(), 1);  // nothing has looked yet

    excel.Select("Book.xlsx", "Sheet1", "B2");
    EXPECT_EQ(addin->BMs().Count(), 0);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(Toggle(), 0);
    EXPECT_EQ(ToggleTwin(), 0);
}

TEST_F(EventsTest, NewWorkbookAndNewSheetRefresh) {
    excel.OpenWorkbook(sim::SimpleWorkbook("Closing.xlsx"));
    Bookmark("Closing.xlsx", "Sheet1", "B2");
    excel.CloseWorkbook("Closing.xlsx");
    excel.NewWorkbook();
    EXPECT_EQ(addin->BMs().Count(), 0);
    EXPECT_FALSE(CommandsEnabled());

    Bookmark("Book.xlsx", "Sheet1", "B2");
    ASSERT_EQ(Toggle(), -1);
    excel.AddWorksheet("Book.xlsx", "Sheet3");
    EXPECT_EQ(Toggle(), 0);
}

TEST_F(EventsTest, AddinWorkbooksCauseNoRefresh) {
    sim::WorkbookSpec desc = sim::SimpleWorkbook("Tools.xlam");
    desc.isAddin = true;
    excel.OpenWorkbook(desc);
    excel.OpenWorkbook(sim::SimpleWorkbook("Closing.xlsx"));
    Bookmark("Closing.xlsx", "Sheet1", "B2");
    excel.CloseWorkbook("Closing.xlsx");

    excel.AddWorksheet("Tools.xlam", "More");
    addin->NewWorkbook(excel.WorkbookRef("Tools.xlam"));
    EXPECT_EQ(addin->BMs().Count(), 1);  // the dead bookmark is still there
    EXPECT_TRUE(CommandsEnabled());

    addin->NewWorkbook(excel.WorkbookRef("Book.xlsx"));
    EXPECT_EQ(addin->BMs().Count(), 0);
}

TEST_F(EventsTest, AWorkbookWhoseKindCannotBeReadCausesNoRefresh) {
    excel.OpenWorkbook(sim::SimpleWorkbook("Closing.xlsx"));
    Bookmark("Closing.xlsx", "Sheet1", "B2");
    auto closed = excel.WorkbookRef("Closing.xlsx");
    excel.CloseWorkbook("Closing.xlsx");
    EXPECT_NO_THROW(addin->NewWorkbook(closed));
    EXPECT_NO_THROW(addin->NewWorkbook(nullptr));
    EXPECT_EQ(addin->BMs().Count(), 1);
}

TEST_F(EventsTest, MarksTakenOffForASaveComeBackOnceAtTheNextEvent) {
    Bookmark("Book.xlsx", "Sheet1", "C3");
    ASSERT_EQ(LiveMarks(), 1u);
    ASSERT_TRUE(excel.SaveWorkbook("Book.xlsx"));
    EXPECT_EQ(LiveMarks(), 0u);
    EXPECT_TRUE(addin->blnMarksOffForSave);

    excel.Select("A1");
    EXPECT_EQ(LiveMarks(), 1u);
    EXPECT_FALSE(addin->blnMarksOffForSave);
    EXPECT_EQ(MarksEverMade(), 2u);

    excel.Select("B1");
    excel.Edit("B2", "x");
    EXPECT_EQ(LiveMarks(), 1u);
    EXPECT_EQ(MarksEverMade(), 2u);
}

TEST_F(EventsTest, MarksStayOffAfterASaveWhenTheSettingIsOff) {
    Bookmark("Book.xlsx", "Sheet1", "C3");
    ASSERT_TRUE(excel.SaveWorkbook("Book.xlsx"));
    SetSetting("Mark", "FALSE");
    excel.Select("A1");
    EXPECT_EQ(LiveMarks(), 0u);
    EXPECT_FALSE(addin->blnMarksOffForSave);
}

TEST_F(EventsTest, AnUnreadableMarkSettingLeavesTheMarksPending) {
    Bookmark("Book.xlsx", "Sheet1", "C3");
    ASSERT_TRUE(excel.SaveWorkbook("Book.xlsx"));
    SetSetting("Mark", "perhaps");
    EXPECT_NO_THROW(excel.Select("A1"));
    EXPECT_TRUE(addin->blnMarksOffForSave);
    SetSetting("Mark", "TRUE");
    excel.Select("A2");
    EXPECT_EQ(LiveMarks(), 1u);
    EXPECT_FALSE(addin->blnMarksOffForSave);
}

TEST_F(EventsTest, DesignModeKeepsTheMarksOffAfterASave) {
    Bookmark("Book.xlsx", "Sheet1", "C3");
    ASSERT_TRUE(excel.SaveWorkbook("Book.xlsx"));
    addin->blnDesignMode = true;
    excel.Select("A1");
    EXPECT_EQ(LiveMarks(), 0u);
    EXPECT_TRUE(addin->blnMarksOffForSave);
}

// A bookmark of a closed workbook can still be in the collection when the open handler
// refreshes the toggle; it must not hide the live bookmark under the active cell.
TEST_F(EventsTest, ADeadBookmarkDoesNotHideTheActiveCellsBookmark) {
    excel.OpenWorkbook(sim::SimpleWorkbook("Closing.xlsx"));
    Bookmark("Closing.xlsx", "Sheet1", "B2");
    excel.CloseWorkbook("Closing.xlsx");

    sim::WorkbookSpec saved = sim::SimpleWorkbook("Saved.xlsx");
    saved.customProperties.push_back({"QEL_BOOKMARK", "1:$A$1;"});
    excel.OpenWorkbook(saved);

    ASSERT_EQ(excel.ActiveCellAddress(), "$A$1");
    ASSERT_EQ(addin->BMs().Count(), 2);
    EXPECT_EQ(Toggle(), -1);
}

TEST_F(EventsTest, ANewerHostWorksOnItsSingleSetOfButtons) {
    DisconnectAddin();
    ConnectAddin("16.0");
    ASSERT_FALSE(addin->CB_BUTTON_AddOrDel_Copy);
    ASSERT_FALSE(addin->CB_BUTTON_Next_Copy);
    excel.Select("C3");
    Click("Bookmark", "&Add/Delete of bookmark");
    ASSERT_EQ(addin->BMs().Count(), 1);
    EXPECT_EQ(Toggle(), -1);
    EXPECT_TRUE(addin->CB_BUTTON_Next->Enabled());
    excel.Select("A1");
    EXPECT_EQ(Toggle(), 0);
    excel.Select("C3");
    EXPECT_EQ(Toggle(), -1);

    const auto toolbar = Toolbar();
    ASSERT_TRUE(toolbar.has_value());
    EXPECT_EQ(toolbar->controls.size(), 8u);
    EXPECT_EQ(toolbar->controls[1].state, -1);
    EXPECT_TRUE(toolbar->controls[2].enabled);

    Click("Bookmark", "&Add/Delete of bookmark");
    EXPECT_EQ(addin->BMs().Count(), 0);
    EXPECT_EQ(Toggle(), 0);
    EXPECT_FALSE(addin->CB_BUTTON_Next->Enabled());
}

}  // namespace
}  // namespace tessaly_test
