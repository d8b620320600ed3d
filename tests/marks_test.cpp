// Visual marks: how a mark is made, renewed, taken off and put back, and the host's
// design mode taking them away.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

using tessaly::clsBM;
using tessaly::clsBMs;
using ::testing::ElementsAre;

constexpr const char* kBook = "Book1.xlsx";

class MarksTest : public AddinTest {
  protected:
    void SetUp() override {
        ConnectAddin();
        excel.NewWorkbook(kBook, 2);
    }

    clsBMs& BMs() { return addin->BMs(); }
    std::shared_ptr<clsBM> Add(const std::string& sheet, const std::string& address) {
        return BMs().Add(excel.RangeRef(kBook, sheet, address));
    }
    std::vector<sim::OleObjectInfo> Marks(const std::string& sheet, bool withDeleted = false) {
        return excel.OleObjects(kBook, sheet, withDeleted);
    }
    size_t AllMarks() { return Marks("Sheet1").size() + Marks("Sheet2").size(); }
};

TEST_F(MarksTest, AMarkIsASmallTransparentStarAtTheCellsCorner) {
    auto cell = excel.RangeRef(kBook, "Sheet2", "C5");
    Add("Sheet2", "C5");

    auto marks = Marks("Sheet2");
    ASSERT_EQ(marks.size(), 1u);
    const auto& m = marks[0];
    EXPECT_EQ(m.classType, "Forms.Label.1");
    EXPECT_DOUBLE_EQ(m.left, cell->Left());
    EXPECT_DOUBLE_EQ(m.top, cell->Top());
    EXPECT_GT(m.left, 0.0);
    EXPECT_EQ(m.placement, 1);
    EXPECT_FALSE(m.printObject);
    EXPECT_FALSE(m.fillVisible);
    EXPECT_FALSE(m.locked);
    EXPECT_TRUE(m.label.autoSize);
    EXPECT_EQ(m.label.fontName, "MS UI Gothic");
    EXPECT_DOUBLE_EQ(m.label.fontSize, 7.0);
    EXPECT_EQ(m.label.foreColor, 8388608);  // the default "&H800000", dark blue
    EXPECT_EQ(m.label.caption, "*");
    EXPECT_EQ(m.label.backStyle, 0);
    EXPECT_TRUE(excel.ScreenUpdating());
}

TEST_F(MarksTest, ResetTrueMovesAndRecoloursExistingMarksWithoutMakingNewOnes) {
    auto cell = excel.RangeRef(kBook, "Sheet1", "D4");
    Add("Sheet1", "D4");
    Add("Sheet2", "B2");
    excel.MoveOleObject(kBook, "Sheet1", 0, 300, 400);
    excel.ResetCallCounts();
    SetSetting("Color", "255");

    EXPECT_TRUE(BMs().MarkReset(true));

    EXPECT_EQ(excel.CallCount("OLEObjects.Add"), 0);
    auto marks = Marks("Sheet1", true);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_DOUBLE_EQ(marks[0].left, cell->Left());
    EXPECT_DOUBLE_EQ(marks[0].top, cell->Top());
    EXPECT_EQ(marks[0].label.foreColor, 255);
    EXPECT_EQ(marks[0].label.caption, "*");
    EXPECT_EQ(Marks("Sheet2", true).size(), 1u);
    EXPECT_EQ(Marks("Sheet2")[0].label.foreColor, 255);
}

TEST_F(MarksTest, TheColourIsReadWhenAMarkIsMadeAndOneNotANumberBlackensAndSpoils) {
    SetSetting("Color", "255");
    Add("Sheet1", "A1");
    SetSetting("Color", "&HFF0000");
    Add("Sheet2", "A1");
    EXPECT_EQ(Marks("Sheet1")[0].label.foreColor, 255);
    EXPECT_EQ(Marks("Sheet2")[0].label.foreColor, 16711680);

    // Not a number: old marks turn black, new ones are made but their styling stops.
    SetSetting("Color", "navy");
    EXPECT_TRUE(BMs().MarkReset(true));
    EXPECT_EQ(Marks("Sheet1")[0].label.foreColor, 0);

    auto fresh = Add("Sheet1", "B2");
    ASSERT_TRUE(fresh->BMLabel);
    auto marks = Marks("Sheet1");
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1].placement, 1);
    EXPECT_TRUE(marks[1].label.autoSize);
    EXPECT_EQ(marks[1].label.fontName, "MS UI Gothic");
    EXPECT_NE(marks[1].label.caption, "*");
    EXPECT_THAT(MessageTexts(), ElementsAre(tessaly::ResText(tessaly::str::kMarkNotAddedMessage)));
    EXPECT_TRUE(excel.ScreenUpdating());
}

TEST_F(MarksTest, ResetFalseThenTrueMakesEveryMarkAgain) {
    auto a = Add("Sheet1", "A1");
    auto b = Add("Sheet2", "B2");
    auto oldA = a->BMLabel;

    EXPECT_TRUE(BMs().MarkReset(false));
    EXPECT_EQ(AllMarks(), 0u);
    EXPECT_TRUE(BMs().MarkReset(false));  // deleting them again counts as done
    EXPECT_EQ(BMs().Count(), 2);

    EXPECT_TRUE(BMs().MarkReset(true));
    EXPECT_EQ(AllMarks(), 2u);
    EXPECT_EQ(Marks("Sheet1", true).size(), 2u);  // the old one, deleted, and a new one
    EXPECT_FALSE(host::SameObject(a->BMLabel, oldA));
    EXPECT_EQ(Marks("Sheet2")[0].label.caption, "*");
}

TEST_F(MarksTest, AProtectedSheetKeepsItsMarkAndFailsTheReset) {
    Add("Sheet1", "A1");
    Add("Sheet2", "B2");
    excel.Protect(kBook, "Sheet1");

    EXPECT_FALSE(BMs().MarkReset(false));
    EXPECT_EQ(Marks("Sheet1").size(), 1u);
    EXPECT_EQ(Marks("Sheet2").size(), 0u);
    EXPECT_TRUE(platform.Messages().empty());  // the callers speak, not the reset
}

TEST_F(MarksTest, DeadBookmarksOnlyTurnTheResultFalse) {
    excel.NewWorkbook("Gone.xlsx", 1);
    BMs().Add(excel.RangeRef("Gone.xlsx", "Sheet1", "A1"));
    Add("Sheet1", "A1");
    excel.CloseWorkbook("Gone.xlsx");
    excel.DeleteOleObject(kBook, "Sheet1", 0);

    EXPECT_TRUE(BMs().MarkReset(false));
    EXPECT_FALSE(BMs().MarkReset(true));
    EXPECT_EQ(Marks("Sheet1").size(), 1u);  // the live bookmark got its mark back
    EXPECT_EQ(BMs().Count(), 2);            // nothing is removed here
    EXPECT_TRUE(excel.ScreenUpdating());
}

// Design mode.

class DesignModeTest : public MarksTest {
  protected:
    void ClickDesignMode() { ASSERT_TRUE(excel.ClickControl(excel.DesignModeControls().at(0))); }
};

TEST_F(DesignModeTest, MarksGoForDesignModeAndComeBackEachTime) {
    ASSERT_EQ(addin->arrDesignMode.size(), excel.DesignModeControls().size());
    for (const auto& sink : addin->arrDesignMode) EXPECT_EQ(sink->objParent, addin.get());
    Add("Sheet1", "A1");
    Add("Sheet2", "B2");

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ClickDesignMode();
        EXPECT_TRUE(excel.DesignMode());  // the host's own action still runs
        EXPECT_EQ(AllMarks(), 0u);

        ClickDesignMode();
        EXPECT_FALSE(excel.DesignMode());
        EXPECT_EQ(AllMarks(), 2u);
        EXPECT_FALSE(addin->blnDesignMode);
    }
}

TEST_F(DesignModeTest, RuleTagOneClickOnEitherDesignModeButtonActsOnce) {
    // The host's design-mode buttons share Id and Tag, so one click reaches the sinks of
    // both and DesignButtonClick runs twice; the second run must change nothing.
    ASSERT_EQ(excel.DesignModeControls().size(), 2u);
    Add("Sheet1", "A1");
    Add("Sheet2", "B2");
    for (size_t which = 0; which < 2; ++which) {
        SCOPED_TRACE(which);
        auto control = excel.DesignModeControls().at(which);
        excel.ResetCallCounts();
        ASSERT_TRUE(excel.ClickControl(control));
        EXPECT_TRUE(excel.DesignMode());
        EXPECT_EQ(AllMarks(), 0u);
        EXPECT_EQ(excel.CallCount("OLEObject.Delete"), 2);

        excel.ResetCallCounts();
        ASSERT_TRUE(excel.ClickControl(control));
        EXPECT_FALSE(excel.DesignMode());
        EXPECT_EQ(AllMarks(), 2u);
        EXPECT_EQ(excel.CallCount("OLEObjects.Add"), 2);  // no mark made twice
    }
}

TEST_F(DesignModeTest, ASaveAfterDesignModeTakesTheMarksOffAgain) {
    Add("Sheet1", "A1");
    ClickDesignMode();
    ClickDesignMode();

    ASSERT_TRUE(excel.SaveWorkbook(kBook));

    EXPECT_EQ(AllMarks(), 0u);
    EXPECT_TRUE(addin->blnMarksOffForSave);
}

TEST_F(DesignModeTest,
       WithoutADesignModeButtonTheMarksAreMadeAgainAndAFailingLookUpChangesNothing) {
    Add("Sheet1", "A1");
    ClickDesignMode();
    ASSERT_EQ(AllMarks(), 0u);
    for (const auto& control : excel.DesignModeControls()) control->Delete();

    addin->DesignButtonClick();

    EXPECT_EQ(AllMarks(), 1u);
    EXPECT_FALSE(addin->blnDesignMode);

    // A failing look-up changes nothing.
    excel.FailNext("CommandBars.FindControl", 1004, "refused");
    addin->DesignButtonClick();
    EXPECT_EQ(AllMarks(), 1u);
    EXPECT_FALSE(addin->blnDesignMode);
}

}  // namespace
}  // namespace tessaly_test
