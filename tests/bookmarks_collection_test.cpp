// The bookmark collection: dead bookmarks dropped by Check, Clear and Del keeping what
// a protected sheet will not give up, Add with and without marks, keys that follow
// renames.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "host/on_error.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

using tessaly::clsBM;
using tessaly::clsBMs;
using ::testing::ElementsAre;

class BookmarkCollectionTest : public AddinTest {
  protected:
    void SetUp() override {
        ConnectAddin();
        excel.NewWorkbook("Book1.xlsx", 2);
        excel.NewWorkbook("Book2.xlsx", 1);
    }

    clsBMs& BMs() { return addin->BMs(); }
    host::Ref<host::Range> Cell(const std::string& book, const std::string& sheet,
                                const std::string& address) {
        return excel.RangeRef(book, sheet, address);
    }
    std::shared_ptr<clsBM> Add(const std::string& book, const std::string& sheet,
                               const std::string& address) {
        return BMs().Add(Cell(book, sheet, address));
    }
    // Each bookmark's key, "-" for one whose key cannot be read.
    std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        for (int32_t i = 1; i <= BMs().Count(); ++i) {
            auto key = host::ValueOrNothing([&] { return tessaly::BookmarkKey(*BMs().Item(i)); });
            keys.push_back(key.value_or("-"));
        }
        return keys;
    }
    size_t Marks(const std::string& book, const std::string& sheet) {
        return excel.OleObjects(book, sheet).size();
    }
};

TEST_F(BookmarkCollectionTest, CheckOnAnEmptyCollectionRemovesNothing) {
    EXPECT_FALSE(BMs().Check());
    EXPECT_EQ(BMs().Count(), 0);
}

TEST_F(BookmarkCollectionTest, CheckDropsTheBookmarksOfAClosedWorkbook) {
    Add("Book1.xlsx", "Sheet1", "C5");
    Add("Book2.xlsx", "Sheet1", "A1");
    Add("Book1.xlsx", "Sheet2", "B2");
    excel.CloseWorkbook("Book1.xlsx");

    EXPECT_TRUE(BMs().Check());
    EXPECT_THAT(Keys(), ElementsAre("Book2.xlsx!Sheet1!$A$1"));
    EXPECT_FALSE(BMs().Check());
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(BookmarkCollectionTest, CheckDropsTheBookmarksOfADeletedSheetIgnoringTheirMarks) {
    Add("Book1.xlsx", "Sheet1", "A1");
    Add("Book1.xlsx", "Sheet2", "B2");
    Add("Book1.xlsx", "Sheet2", "C3");
    excel.DeleteSheet("Book1.xlsx", "Sheet2");
    excel.ResetCallCounts();

    EXPECT_TRUE(BMs().Check());

    EXPECT_THAT(Keys(), ElementsAre("Book1.xlsx!Sheet1!$A$1"));
    EXPECT_EQ(excel.CallCount("OLEObject.Delete"), 2);  // tried, failed, ignored
    EXPECT_EQ(Marks("Book1.xlsx", "Sheet1"), 1u);
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(BookmarkCollectionTest, ClearKeepsOnlyTheBookmarksOfAProtectedSheetAndSaysSoOnce) {
    Add("Book1.xlsx", "Sheet1", "A1");
    Add("Book1.xlsx", "Sheet2", "B2");
    Add("Book1.xlsx", "Sheet1", "C3");
    Add("Book2.xlsx", "Sheet1", "D4");
    excel.Protect("Book1.xlsx", "Sheet1");

    BMs().Clear();

    EXPECT_THAT(Keys(), ElementsAre("Book1.xlsx!Sheet1!$A$1", "Book1.xlsx!Sheet1!$C$3"));
    EXPECT_EQ(Marks("Book1.xlsx", "Sheet1"), 2u);
    EXPECT_EQ(Marks("Book1.xlsx", "Sheet2"), 0u);
    EXPECT_EQ(Marks("Book2.xlsx", "Sheet1"), 0u);
    ASSERT_EQ(platform.Messages().size(), 1u);
    const auto& shown = platform.Messages()[0];
    EXPECT_EQ(shown.text, "A part or all of bookmark was not able to be deleted.");
    EXPECT_EQ(shown.caption, "Tessaly");
    EXPECT_EQ(shown.icon, platform::MsgIcon::Critical);
    EXPECT_EQ(shown.buttons, platform::MsgButtons::OK);
}

TEST_F(BookmarkCollectionTest, ClearWithoutMarksRemovesEverythingSilently) {
    SetSetting("Mark", "FALSE");
    Add("Book1.xlsx", "Sheet1", "A1");
    Add("Book2.xlsx", "Sheet1", "B1");
    excel.Protect("Book1.xlsx", "Sheet1");

    EXPECT_EQ(Marks("Book1.xlsx", "Sheet1"), 0u);

    BMs().Clear();

    EXPECT_EQ(BMs().Count(), 0);
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(BookmarkCollectionTest, DelRemovesOnlyTheFirstOfTwoBookmarksOfTheSameCell) {
    auto first = Add("Book1.xlsx", "Sheet1", "C5");
    auto other = Add("Book1.xlsx", "Sheet1", "D1");
    auto second = Add("Book1.xlsx", "Sheet1", "C5");

    BMs().Del(Cell("Book1.xlsx", "Sheet1", "C5"));

    ASSERT_EQ(BMs().Count(), 2);
    EXPECT_EQ(BMs().Item(1), other);
    EXPECT_EQ(BMs().Item(2), second);
    // The removed bookmark's mark went with it; the second one keeps its own.
    EXPECT_EQ(Marks("Book1.xlsx", "Sheet1"), 2u);
    EXPECT_ANY_THROW(first->BMLabel->Object());
    EXPECT_NO_THROW(second->BMLabel->Object());
}

TEST_F(BookmarkCollectionTest, DelOfACellWithoutABookmarkChangesNothing) {
    Add("Book1.xlsx", "Sheet1", "C5");
    BMs().Del(Cell("Book1.xlsx", "Sheet2", "C5"));
    BMs().Del(Cell("Book2.xlsx", "Sheet1", "C5"));
    EXPECT_EQ(BMs().Count(), 1);
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(BookmarkCollectionTest, DelPassesOverDeadBookmarks) {
    Add("Book2.xlsx", "Sheet1", "A1");
    Add("Book1.xlsx", "Sheet1", "A1");
    excel.CloseWorkbook("Book2.xlsx");

    BMs().Del(Cell("Book1.xlsx", "Sheet1", "A1"));

    EXPECT_THAT(Keys(), ElementsAre("-"));
}

TEST_F(BookmarkCollectionTest, DelOnAProtectedSheetKeepsTheBookmarkWithAMessage) {
    Add("Book1.xlsx", "Sheet1", "C5");
    excel.Protect("Book1.xlsx", "Sheet1");

    BMs().Del(Cell("Book1.xlsx", "Sheet1", "C5"));

    EXPECT_EQ(BMs().Count(), 1);
    EXPECT_THAT(MessageTexts(),
                ElementsAre("The bookmark cannot Delete. Please release it when the seat is "
                            "protected."));
}

TEST_F(BookmarkCollectionTest, AddAppendsWithAMarkWhenMarksAreWanted) {
    auto bm = Add("Book1.xlsx", "Sheet2", "B3");

    ASSERT_EQ(BMs().Count(), 1);
    EXPECT_EQ(BMs().Item(1), bm);
    EXPECT_TRUE(host::SameObject(bm->BMBook, excel.WorkbookRef("Book1.xlsx")));
    EXPECT_TRUE(host::SameObject(bm->BMSheet, excel.SheetRef("Book1.xlsx", "Sheet2")));
    EXPECT_TRUE(host::SameObject(bm->BMCell, Cell("Book1.xlsx", "Sheet2", "B3")));
    ASSERT_TRUE(bm->BMLabel);
    EXPECT_EQ(Marks("Book1.xlsx", "Sheet2"), 1u);
}

TEST_F(BookmarkCollectionTest, AddOnAProtectedSheetKeepsTheBookmarkWithoutAMark) {
    excel.Protect("Book1.xlsx", "Sheet1");

    auto bm = Add("Book1.xlsx", "Sheet1", "B3");

    EXPECT_EQ(BMs().Count(), 1);
    EXPECT_FALSE(bm->BMLabel);
    EXPECT_THAT(MessageTexts(), ElementsAre(tessaly::ResText(tessaly::str::kMarkNotAddedMessage)));
    EXPECT_EQ(MessageTexts()[0],
              "The mark (for visual check) cannot Add. Please release it when the seat is "
              "protected.");
    EXPECT_TRUE(excel.ScreenUpdating());
}

TEST_F(BookmarkCollectionTest, ItemOutsideTheListRaisesSubscriptOutOfRange) {
    Add("Book1.xlsx", "Sheet1", "B3");
    for (int32_t index : {0, 2, -1}) {
        try {
            BMs().Item(index);
            ADD_FAILURE() << index;
        } catch (const host::HostError& e) {
            EXPECT_EQ(e.Number(), 9);
        }
    }
}

TEST_F(BookmarkCollectionTest, KeysFollowRenamesAndRowMoves) {
    Add("Book1.xlsx", "Sheet1", "B3");
    excel.RenameWorkbook("Book1.xlsx", "Plan.xlsx");
    excel.RenameSheet("Plan.xlsx", "Sheet1", "Costs");
    excel.InsertRows("Plan.xlsx", "Costs", 1, 2);

    EXPECT_FALSE(BMs().Check());
    EXPECT_THAT(Keys(), ElementsAre("Plan.xlsx!Costs!$B$5"));
    BMs().Del(Cell("Plan.xlsx", "Costs", "B5"));
    EXPECT_EQ(BMs().Count(), 0);
}

}  // namespace
}  // namespace tessaly_test
