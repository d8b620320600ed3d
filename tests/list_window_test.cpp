// The bookmark list: the tree of workbooks, sheets and cells, grey entries the user
// cannot jump to, the jump itself, the busy flag, the layout and the saved placement.

#include <gmock/gmock.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bookmarks/clsBMs.h"
#include "forms/frmJump.h"
#include "locale/resource_strings.h"
#include "tests/support/addin_fixture.h"
#include "tests/support/scripted_windows.h"

namespace tessaly_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t kGrey = static_cast<int32_t>(0x80000010);

class ListWindowTest : public AddinTest {
  protected:
    void SetUp() override {
        SetSetting("Mark", "FALSE");  // marks play no part in the list
        ConnectAddin("11.0");
    }

    void BookWithBookmarkOnA1() {
        Open("Book.xlsx");
        Bookmark("Book.xlsx", "Sheet1", "A1");
    }
    std::optional<std::string> Placement(const std::string& key) const {
        return Setting("FormJump", key);
    }

    ScriptedWindows windows{platform};
};

// ---- The tree -----------------------------------------------------------------------

TEST_F(ListWindowTest, EachWorkbookAndSheetStandsOnceWhereItsFirstBookmarkStands) {
    Open("A.xlsx", {"S1", "S2"});
    Open("B.xlsx");
    Bookmark("A.xlsx", "S2", "C1");
    Bookmark("B.xlsx", "Sheet1", "A1");
    Bookmark("A.xlsx", "S1", "E5");
    Bookmark("A.xlsx", "S2", "A9");
    windows.Click("cmdClose");

    addin->subCall_List();

    const WindowView& view = windows.Opened();
    EXPECT_EQ(view.caption, "Bookmark List");
    EXPECT_THAT(view.TreeLines(), ElementsAre("A.xlsx", "  S2", "    C1", "    A9", "  S1",
                                              "    E5", "B.xlsx", "  Sheet1", "    A1"));
    EXPECT_EQ(view.tree[1].key, "A.xlsx!S2");
    EXPECT_EQ(view.tree[2].key, "");
    EXPECT_EQ(view.tree[1].image, 2);
    EXPECT_EQ(view.tree[3].image, 3);
    EXPECT_TRUE(view.tree[0].expanded && view.tree[1].expanded);
    EXPECT_TRUE(view.treeVisible);
    EXPECT_FALSE(view.Control("cmdGoto").enabled);
    EXPECT_FALSE(view.Control("cmdGotoAndClose").enabled);
    EXPECT_EQ(view.Control("cmdGotoAndClose").caption, "Goto and Close");
    EXPECT_EQ(view.Control("cmdGotoAndClose").tabIndex, 3);
    EXPECT_FALSE(addin->blnListBusy);
}

TEST_F(ListWindowTest, NamedCellReadsAddressAndNameAndGotoJumpsToIt) {
    Open("Book.xlsx", {"Sheet1", "Sheet2"});
    excel.DefineName("Book.xlsx", "Sheet1", "B3", "Total");
    Bookmark("Book.xlsx", "Sheet1", "B3");
    excel.ActivateSheet("Book.xlsx", "Sheet2");
    excel.Select("A1");
    windows.ClickNode({"Book.xlsx", "Sheet1", "B3 ( Total )"}).Click("cmdGoto").Click("cmdClose");

    addin->subCall_List();

    EXPECT_THAT(windows.Opened().TreeLines(),
                ElementsAre("Book.xlsx", "  Sheet1", "    B3 ( Total )"));
    // The entry is not an address: the jump goes to its address part, without a message.
    EXPECT_EQ(Where(), "Book.xlsx!Sheet1!$B$3");
    EXPECT_THAT(MessageTexts(), IsEmpty());
}

TEST_F(ListWindowTest, EntryOfAFailingCellIsLeftOutAndTheOthersAreListed) {
    BookWithBookmarkOnA1();
    Bookmark("Book.xlsx", "Sheet1", "A2");
    Bookmark("Book.xlsx", "Sheet1", "A3");
    windows.PressEscape();
    // The command's Check reads addresses as this one does; the filling reads one per
    // bookmark after it. Let the filling's second read fail.
    excel.ResetCallCounts();
    addin->BMs().Check();
    const int64_t perCheck = excel.CallCount("Range.Address");
    excel.FailNext("Range.Address", 1004, "Application-defined or object-defined error",
                   static_cast<int32_t>(perCheck) + 1);

    addin->subCall_List();

    EXPECT_THAT(windows.Opened().TreeLines(),
                ElementsAre("Book.xlsx", "  Sheet1", "    A1", "    A3"));
    EXPECT_THAT(MessageTexts(), IsEmpty());
    EXPECT_FALSE(addin->blnListBusy);
}

// ---- Grey entries --------------------------------------------------------------------

TEST_F(ListWindowTest, EntriesTheUserCannotSeeAreGrey) {
    Open("Book.xlsx", {"Sheet1", "Sheet2"});
    Open("Hidden.xlsx");
    Bookmark("Book.xlsx", "Sheet1", "A1");
    Bookmark("Book.xlsx", "Sheet1", "A5");
    Bookmark("Book.xlsx", "Sheet1", "C1");
    Bookmark("Book.xlsx", "Sheet1", "A9");
    Bookmark("Book.xlsx", "Sheet2", "B2");
    Bookmark("Hidden.xlsx", "Sheet1", "A1");
    excel.HideRows("Book.xlsx", "Sheet1", 5);
    excel.HideColumns("Book.xlsx", "Sheet1", 3);
    excel.FilterHideRows("Book.xlsx", "Sheet1", 9);
    excel.ActivateSheet("Book.xlsx", "Sheet1");
    excel.SetSheetVisible("Book.xlsx", "Sheet2", 0);
    excel.SetWindowVisible("Hidden.xlsx", false);
    windows.PressEscape();

    addin->subCall_List();

    EXPECT_THAT(windows.Opened().TreeLines(),
                ElementsAre("Book.xlsx", "  Sheet1", "    A1", "    A5 [grey]", "    C1 [grey]",
                            "    A9 [grey]", "  Sheet2 [grey]", "    B2 [grey]",
                            "Hidden.xlsx [grey]", "  Sheet1 [grey]", "    A1 [grey]"));
    EXPECT_EQ(windows.Opened().tree[3].foreColor, kGrey);
}

TEST_F(ListWindowTest, JumpButtonsAreOnOnlyForAVisibleCellAndGreyCellsCannotBeJumpedTo) {
    BookWithBookmarkOnA1();
    Bookmark("Book.xlsx", "Sheet1", "A5");
    excel.HideRows("Book.xlsx", "Sheet1", 5);
    excel.Select("B2");
    std::vector<bool> enabled;
    auto record = [&](tessaly::WindowModel& w) {
        enabled.push_back(w.Ctl("cmdGoto").Enabled);
        EXPECT_EQ(w.Ctl("cmdGoto").Enabled, w.Ctl("cmdGotoAndClose").Enabled);
    };
    windows.ClickNode({"Book.xlsx", "Sheet1", "A1"})
        .Inspect(record)
        .ClickNode({"Book.xlsx", "Sheet1"})
        .Inspect(record)
        .ClickNode({"Book.xlsx", "Sheet1", "A1"})
        .ClickNode({"Book.xlsx"})
        .Inspect(record)
        .PressEnter()  // on a workbook entry
        .ClickNode({"Book.xlsx", "Sheet1", "A5"})
        .Inspect(record)
        .PressEnter()
        .DoubleClickNode({"Book.xlsx", "Sheet1", "A5"})
        .Click("cmdGotoAndClose")  // disabled: does not close either
        .Inspect([&](tessaly::WindowModel& w) { EXPECT_TRUE(w.Shown()); })
        .Click("cmdClose");

    addin->subCall_List();

    EXPECT_THAT(enabled, ElementsAre(true, false, false, false));
    EXPECT_EQ(Where(), "Book.xlsx!Sheet1!$B$2");
    EXPECT_THAT(MessageTexts(), IsEmpty());
    EXPECT_THAT(windows.Activations(), IsEmpty());
}

TEST_F(ListWindowTest, GotoEnterAndDoubleClickJumpAndBringTheHostForward) {
    Open("A.xlsx");
    Open("B.xlsx", {"One", "Two"});
    Bookmark("B.xlsx", "Two", "C4");
    Bookmark("A.xlsx", "Sheet1", "A1");
    Bookmark("A.xlsx", "Sheet1", "D4");
    std::vector<std::string> seen;
    auto where = [&] { seen.push_back(Where()); };
    bool stillOpen = false;
    windows.ClickNode({"B.xlsx", "Two", "C4"})
        .Click("cmdGoto")
        .Run(where)
        .ClickNode({"A.xlsx", "Sheet1", "D4"})
        .PressEnter()
        .Run(where)
        .DoubleClickNode({"B.xlsx", "Two", "C4"})
        .Run(where)
        .Inspect([&](tessaly::WindowModel& w) { stillOpen = w.Shown(); })
        .ClickNode({"A.xlsx", "Sheet1", "A1"})
        .Click("cmdGotoAndClose");

    addin->subCall_List();

    EXPECT_THAT(seen, ElementsAre("B.xlsx!Two!$C$4", "A.xlsx!Sheet1!$D$4", "B.xlsx!Two!$C$4"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(Where(), "A.xlsx!Sheet1!$A$1");
    EXPECT_TRUE(windows.Shown()[0].closedByScript);
    EXPECT_EQ(windows.Activations().front(), "Microsoft Excel - B.xlsx");
    EXPECT_EQ(windows.Activations().size(), 4u);
    EXPECT_THAT(MessageTexts(), IsEmpty());
}

TEST_F(ListWindowTest, FailingJumpShowsTheErrorAndKeepsTheListOpenUnlessClosing) {
    Open("Book.xlsx");
    Bookmark("Book.xlsx", "Sheet1", "B2");
    bool stillOpen = false;
    windows.ClickNode({"Book.xlsx", "Sheet1", "B2"})
        .Run([&] {
            excel.FailNext("Range.Activate", 1004, "Activate method of Range class failed");
        })
        .Click("cmdGoto")
        .Inspect([&](tessaly::WindowModel& w) { stillOpen = w.Shown(); })
        .Run([&] { excel.FailNext("Workbook.Activate", 1004, "Activate method failed"); })
        .Click("cmdGotoAndClose");

    addin->subCall_List();

    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(windows.Shown()[0].closedByScript);
    EXPECT_THAT(MessageTexts(), ElementsAre("(1004) Activate method of Range class failed",
                                            "(1004) Activate method failed"));
    EXPECT_EQ(platform.Messages()[0].caption, "Tessaly");
    EXPECT_EQ(platform.Messages()[0].icon, platform::MsgIcon::Critical);
    // The host is not brought forward over the message.
    EXPECT_THAT(windows.Activations(), IsEmpty());
}

// ---- The command --------------------------------------------------------------------

TEST_F(ListWindowTest, OnlyDeadBookmarksLeftBeepsAndRefreshesTheButtons) {
    Open("A.xlsx");
    Open("B.xlsx");
    Bookmark("B.xlsx", "Sheet1", "A1");
    excel.CloseWorkbook("B.xlsx");

    addin->subCall_List();

    EXPECT_EQ(platform.Beeps(), 1);
    EXPECT_THAT(windows.Shown(), IsEmpty());
    EXPECT_EQ(addin->BMs().Count(), 0);
    EXPECT_FALSE(addin->CB_BUTTON_List->Enabled());
    EXPECT_THAT(MessageTexts(), IsEmpty());
    EXPECT_FALSE(addin->blnListBusy);
}

TEST_F(ListWindowTest, SecondListWhileOpenDoesNothing) {
    BookWithBookmarkOnA1();
    bool busyWhileOpen = false;
    windows.Run([&] { busyWhileOpen = addin->blnListBusy; })
        .Run([&] { addin->subCall_List(); })
        .Run([&] { addin->CallByName("subCall_List"); })
        .Click("cmdClose");

    addin->subCall_List();

    EXPECT_TRUE(busyWhileOpen);
    EXPECT_EQ(windows.Shown().size(), 1u);
    EXPECT_FALSE(addin->blnListBusy);
    EXPECT_EQ(platform.Beeps(), 0);

    // Free again once the window has closed.
    windows.Click("cmdClose");
    addin->subCall_List();
    EXPECT_EQ(windows.Shown().size(), 2u);
}

TEST_F(ListWindowTest, FailureOutsideTheFillingEndsTheCommandQuietlyAndClearsTheFlag) {
    BookWithBookmarkOnA1();
    // No string table: the window cannot get its captions while it loads.
    tessaly::SetResourceStringLoader(
        [](int32_t) -> std::optional<std::string> { return std::nullopt; });
    addin->subCall_List();
    tessaly::SetResourceStringLoader(nullptr);

    EXPECT_THAT(windows.Shown(), IsEmpty());
    EXPECT_THAT(MessageTexts(), IsEmpty());
    EXPECT_FALSE(addin->blnListBusy);
    EXPECT_TRUE(addin->loadedWindows.empty());

    windows.Click("cmdClose");
    addin->subCall_List();
    EXPECT_EQ(windows.Shown().size(), 1u);
}

TEST_F(ListWindowTest, WithoutAFrontEndTheWindowClosesAtOnceThroughItsClosingSteps) {
    BookWithBookmarkOnA1();
    platform.AttachWindows(nullptr);

    addin->subCall_List();
    platform.AttachWindows(&windows);

    EXPECT_FALSE(addin->blnListBusy);
    EXPECT_TRUE(addin->loadedWindows.empty());
    EXPECT_TRUE(Placement("Width").has_value());
}

// ---- Size, layout and placement --------------------------------------------------------

// The layout every resize ends with.
void ExpectLayout(const WindowView& view) {
    const tessaly::Geometry tree = view.Control("treMain").rect;
    const tessaly::Geometry go = view.Control("cmdGoto").rect;
    const tessaly::Geometry goClose = view.Control("cmdGotoAndClose").rect;
    const tessaly::Geometry close = view.Control("cmdClose").rect;
    EXPECT_EQ(tree, (tessaly::Geometry{0, 0, view.scaleWidth - 1800 - 100, view.scaleHeight}));
    EXPECT_EQ(go, (tessaly::Geometry{tree.Width + 50, 50, 1800, 330}));
    EXPECT_EQ(goClose, (tessaly::Geometry{tree.Width + 50, 50 + 330 + 50, 1800, 330}));
    EXPECT_EQ(close, (tessaly::Geometry{tree.Width + 50, view.scaleHeight - 330 - 50, 1800, 330}));
}

TEST_F(ListWindowTest, ResizeBelowTheMinimumSnapsBackAndLaysOut) {
    BookWithBookmarkOnA1();
    std::vector<WindowView> views;
    auto look = [&](tessaly::WindowModel& w) { views.push_back(ScriptedWindows::View(w)); };
    windows.Resize(10, 10)
        .Inspect(look)
        .Resize(4000, 6000)
        .Inspect(look)
        .SetWindowState(tessaly::WindowState::Minimized)
        .Resize(9000, 7000)  // while minimised: nothing is laid out
        .Inspect(look)
        .SetWindowState(tessaly::WindowState::Normal)
        .Inspect(look)
        .Click("cmdClose");

    addin->subCall_List();

    EXPECT_EQ(windows.Opened().scaleWidth, 7200);
    EXPECT_EQ(windows.Opened().scaleHeight, 4740);
    ExpectLayout(windows.Opened());
    ASSERT_EQ(views.size(), 4u);
    EXPECT_EQ(views[0].width, 5000);
    EXPECT_EQ(views[0].height, 2000);
    ExpectLayout(views[0]);
    EXPECT_GT(views[0].Control("treMain").rect.Width, 0);
    EXPECT_EQ(views[1].width, 5000);
    EXPECT_EQ(views[1].height, 6000);
    ExpectLayout(views[1]);
    EXPECT_EQ(views[2].Control("cmdClose").rect, views[1].Control("cmdClose").rect);
    EXPECT_EQ(views[3].width, 9000);
    ExpectLayout(views[3]);
}

class ListPlacementTest : public ListWindowTest, public ::testing::WithParamInterface<const char*> {
  protected:
    void CloseTheWay(const std::string& way) {
        if (way == "Close")
            windows.Click("cmdClose");
        else if (way == "GotoAndClose")
            windows.ClickNode({"Book.xlsx", "Sheet1", "A1"}).Click("cmdGotoAndClose");
        else if (way == "Escape")
            windows.PressEscape();
        else if (way == "CloseBox")
            windows.CloseBox();
        else if (way == "Disconnection")
            windows.Run([this] { DisconnectAddin(); });
        else
            FAIL() << way;
    }
};

TEST_P(ListPlacementTest, EveryWayOfClosingSavesThePlacementAndTheNextListRestoresIt) {
    BookWithBookmarkOnA1();
    windows.Move(1234.5f, 567).Resize(8000, 6000);
    CloseTheWay(GetParam());

    addin->subCall_List();

    ASSERT_EQ(windows.Shown().size(), 1u);
    EXPECT_TRUE(windows.Shown()[0].closedByScript);
    EXPECT_EQ(Placement("Width"), "8000");
    EXPECT_EQ(Placement("Height"), "6000");
    EXPECT_EQ(Placement("Top"), "567");
    EXPECT_EQ(Placement("Left"), "1234.5");
    EXPECT_FALSE(addin->blnListBusy);
    EXPECT_TRUE(addin->loadedWindows.empty());

    if (std::string(GetParam()) == "Disconnection") {
        ConnectAddin("11.0");  // a new connection, with a new collection
        Bookmark("Book.xlsx", "Sheet1", "A1");
    }
    windows.Click("cmdClose");
    addin->subCall_List();
    ASSERT_EQ(windows.Shown().size(), 2u);
    const WindowView& reopened = windows.Shown()[1].first;
    EXPECT_EQ(reopened.left, 1234.5f);
    EXPECT_EQ(reopened.top, 567);
    EXPECT_EQ(reopened.width, 8000);
    EXPECT_EQ(reopened.height, 6000);
    ExpectLayout(reopened);
}

INSTANTIATE_TEST_SUITE_P(Ways, ListPlacementTest,
                         ::testing::Values("Close", "GotoAndClose", "Escape", "CloseBox",
                                           "Disconnection"));

TEST_F(ListWindowTest, UnreadableStoredPlacementKeepsThatValueAndStillOpens) {
    platform.Set(kApp, "FormJump", "Width", "wide");
    platform.Set(kApp, "FormJump", "Height", "-40");
    platform.Set(kApp, "FormJump", "Top", "&H100");
    platform.Set(kApp, "FormJump", "Left", " 99 ");
    BookWithBookmarkOnA1();
    windows.PressEscape();

    addin->subCall_List();

    ASSERT_EQ(windows.Shown().size(), 1u);
    EXPECT_EQ(windows.Opened().scaleWidth, 7200);
    EXPECT_EQ(windows.Opened().scaleHeight, 4740);
    EXPECT_EQ(windows.Opened().top, 256);
    EXPECT_EQ(windows.Opened().left, 99);
    // Written back in good form.
    EXPECT_EQ(Placement("Top"), "256");
    EXPECT_EQ(Placement("Left"), "99");
}

// The placement's text is the shortest that reads back as the same value, as
// std::to_chars writes it; the window's own formatting must agree with it everywhere.
TEST(SingleTextTest, WritesWhatToCharsWrites) {
    std::vector<float> values = {1500,  1234.5f, 0.1f,      -0.5f,  100000, 123000,    1e7f,
                                 1e-5f, 3.4e38f, 1.17e-38f, 2e-45f, 16.75f, -7200.25f, 1e30f};
    uint32_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        float value;
        std::memcpy(&value, &seed, sizeof value);
        if (std::isfinite(value)) values.push_back(value);
        values.push_back(static_cast<float>(seed % 200000) / 8.0f - 10000.0f);
    }
    for (float value : values) {
        if (value == 0) continue;
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        ASSERT_EQ(tessaly::SingleText(value), std::string(buffer, result.ptr)) << value;
    }
}

}  // namespace
}  // namespace tessaly_test
