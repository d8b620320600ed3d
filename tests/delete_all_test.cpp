// Delete all: the confirmation and its setting, every workbook's bookmarks going at
// once, marks the host refuses to delete, and the command states afterwards.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kConfirmText = "All bookmarks are deleted. Please push OK to continue.";
constexpr const char* kNotAllDeleted = "A part or all of bookmark was not able to be deleted.";

class DeleteAllTest : public AddinTest {
  protected:
    void SetUp() override {
        ConnectAddin("11.0");
        excel.OpenWorkbook(sim::SimpleWorkbook("One.xlsx", {"Sheet1", "Sheet2"}));
        excel.OpenWorkbook(sim::SimpleWorkbook("Two.xlsx"));
        Bookmark("One.xlsx", "Sheet1", "B2");
        Bookmark("One.xlsx", "Sheet2", "C3");
        Bookmark("Two.xlsx", "Sheet1", "D4");
        excel.Select("Two.xlsx", "Sheet1", "D4");
        platform.ClearMessages();
    }

    void DeleteAll() {
        platform.Advance(1.0);
        addin->subCall_Clear();
    }
    size_t Marks(const std::string& book, const std::string& sheet) {
        return excel.OleObjects(book, sheet).size();
    }
};

TEST_F(DeleteAllTest, AsksFirstAndCancelKeepsEverything) {
    platform.Answer(platform::MsgAnswer::Cancel);
    DeleteAll();

    ASSERT_EQ(platform.Messages().size(), 1u);
    const auto& asked = platform.Messages()[0];
    EXPECT_EQ(asked.text, kConfirmText);
    EXPECT_EQ(asked.caption, "Tessaly");
    EXPECT_EQ(asked.icon, platform::MsgIcon::Information);
    EXPECT_EQ(asked.buttons, platform::MsgButtons::OKCancel);
    EXPECT_EQ(addin->BMs().Count(), 3);
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State(), -1);
    EXPECT_TRUE(addin->CB_BUTTON_Clear->Enabled());
}

TEST_F(DeleteAllTest, OKDeletesTheBookmarksOfEveryWorkbook) {
    DeleteAll();

    EXPECT_THAT(MessageTexts(), ElementsAre(kConfirmText));
    EXPECT_EQ(addin->BMs().Count(), 0);
    EXPECT_EQ(Marks("One.xlsx", "Sheet1"), 0u);
    EXPECT_EQ(Marks("One.xlsx", "Sheet2"), 0u);
    EXPECT_EQ(Marks("Two.xlsx", "Sheet1"), 0u);
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State(), 0);
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel_Copy->State(), 0);
    EXPECT_FALSE(addin->CB_BUTTON_List->Enabled());
    EXPECT_FALSE(addin->CB_BUTTON_Next->Enabled());
    EXPECT_FALSE(addin->CB_BUTTON_Befor->Enabled());
    EXPECT_FALSE(addin->CB_BUTTON_Clear->Enabled());
    EXPECT_FALSE(addin->CB_BUTTON_Clear_Copy->Enabled());
    EXPECT_TRUE(addin->CB_BUTTON_AddOrDel->Enabled());
}

TEST_F(DeleteAllTest, OnlyANumericOneAsks) {
    struct Case {
        const char* confirm;
        bool asks;
    };
    for (const Case& c : {Case{"0", false}, Case{"2", false}, Case{"yes", false}, Case{" 1", true},
                          Case{"1abc", true}, Case{"1.0", true}}) {
        SCOPED_TRACE(c.confirm);
        SetSetting("Confirm", c.confirm);
        Bookmark("One.xlsx", "Sheet1", "A1");
        platform.ClearMessages();
        DeleteAll();
        EXPECT_EQ(platform.Messages().size(), c.asks ? 1u : 0u);
        EXPECT_EQ(addin->BMs().Count(), 0);
    }
}

TEST_F(DeleteAllTest, WithNothingToDeleteItStillAsksAndDisablesTheCommands) {
    DeleteAll();
    platform.ClearMessages();
    DeleteAll();
    EXPECT_THAT(MessageTexts(), ElementsAre(kConfirmText));
    EXPECT_FALSE(addin->CB_BUTTON_Next->Enabled());
}

TEST_F(DeleteAllTest, ASecondRunWithinTheRepeatWindowAsksNothing) {
    platform.Answer(platform::MsgAnswer::Cancel);
    DeleteAll();
    platform.Advance(0.1);
    addin->subCall_Clear();
    EXPECT_EQ(platform.Messages().size(), 1u);
    EXPECT_EQ(addin->BMs().Count(), 3);
}

TEST_F(DeleteAllTest, MarksOnAProtectedSheetKeepTheirBookmarksWithOneMessage) {
    Bookmark("One.xlsx", "Sheet2", "E5");
    excel.Protect("One.xlsx", "Sheet2");
    excel.Select("One.xlsx", "Sheet2", "E5");
    ASSERT_EQ(addin->CB_BUTTON_AddOrDel->State(), -1);
    platform.ClearMessages();

    DeleteAll();

    EXPECT_THAT(MessageTexts(), ElementsAre(kConfirmText, kNotAllDeleted));
    EXPECT_EQ(platform.Messages()[1].icon, platform::MsgIcon::Critical);
    EXPECT_EQ(addin->BMs().Count(), 2);
    EXPECT_EQ(Marks("One.xlsx", "Sheet2"), 2u);
    EXPECT_EQ(Marks("One.xlsx", "Sheet1"), 0u);
    // Bookmarks remain, so the commands stay usable; the toggle is shown up until the
    // next event looks at the active cell again.
    EXPECT_TRUE(addin->CB_BUTTON_Next->Enabled());
    EXPECT_TRUE(addin->CB_BUTTON_Clear->Enabled());
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State(), 0);
    excel.Select("One.xlsx", "Sheet2", "E5");
    EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State(), -1);
}

TEST_F(DeleteAllTest, DoesNothingOnAChartSheetOrWhileTheHostIsBusy) {
    excel.SetEditMode(true);
    DeleteAll();
    excel.SetEditMode(false);
    excel.AddChartSheet("Two.xlsx", "Chart1");
    DeleteAll();
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(addin->BMs().Count(), 3);
}

}  // namespace
}  // namespace tessaly_test
