// The host editing a cell: Excel then refuses every call (and greys control 18). The
// commands and the event reactions end quietly, and no bookmark is taken for dead
// because the host would not answer for it.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

class EditModeTest : public AddinTest {
  protected:
    void SetUp() override {
        ConnectAddin("11.0");
        Open("Book.xlsx");
        Bookmark("Book.xlsx", "Sheet1", "B2");
        Bookmark("Book.xlsx", "Sheet1", "D4");
        excel.Select("A1");
        platform.ClearMessages();
    }

    // Every member of the host refuses with `number`, as Excel does while a cell is
    // being edited (50290) or COM while the host is in a modal state.
    void EnterEditMode(int32_t number) {
        excel.SetEditMode(true);
        for (const std::string& member : sim::Excel::MemberNames())
            excel.FailAlways(member, number, "refused");
    }
    void LeaveEditMode() {
        excel.ClearFailures();
        excel.SetEditMode(false);
    }
    void Next() {
        platform.Advance(1.0);
        addin->subCall_Next();
    }
    size_t Marks() { return excel.OleObjects("Book.xlsx", "Sheet1").size(); }
};

TEST_F(EditModeTest, EveryCommandAndEventEndsQuietlyAndEveryBookmarkStays) {
    for (const int32_t number : {host::err::kHostBusy, host::err::kCallRejected}) {
        SCOPED_TRACE(number);
        EnterEditMode(number);
        for (auto command :
             {&tessaly::Connect::subCall_AddOrDelete, &tessaly::Connect::subCall_Next,
              &tessaly::Connect::subCall_Befor, &tessaly::Connect::subCall_Clear,
              &tessaly::Connect::subCall_List, &tessaly::Connect::subCall_Setting}) {
            platform.Advance(1.0);
            EXPECT_NO_THROW(((*addin).*command)());
        }
        excel.Select("C3");
        excel.Edit("E5", "typed");
        LeaveEditMode();

        EXPECT_EQ(addin->BMs().Count(), 2);
        EXPECT_EQ(Marks(), 2u);
        EXPECT_THAT(MessageTexts(), ::testing::IsEmpty());
        excel.Select("A1");
        Next();
        EXPECT_EQ(Where(), "Book.xlsx!Sheet1!$B$2");
        Next();
        EXPECT_EQ(Where(), "Book.xlsx!Sheet1!$D$4");
        excel.Select("A1");
    }
}

TEST_F(EditModeTest, OnlyTheBusyHostIsSparedOtherFailuresStillDropABookmark) {
    // A refused search for control 18 is ignored, unless it is the busy host speaking.
    excel.FailAlways("CommandBars.FindControl", 1004, "refused");
    Next();
    EXPECT_EQ(Where(), "Book.xlsx!Sheet1!$B$2");
    excel.ClearFailures();
    excel.Select("A1");
    excel.FailAlways("CommandBars.FindControl", host::err::kHostBusy, "busy");
    Next();
    EXPECT_EQ(Where(), "Book.xlsx!Sheet1!$A$1");
    excel.ClearFailures();

    // An address the host cannot give for another reason makes a bookmark dead.
    excel.FailAlways("Range.Address", 1004, "refused");
    Next();
    excel.ClearFailures();
    EXPECT_EQ(addin->BMs().Count(), 0);
}

}  // namespace
}  // namespace tessaly_test
