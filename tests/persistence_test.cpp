// Bookmarks kept in the workbook: the property written before a save and read when
// the workbook opens, its split over numbered parts, and the marks taken off for a save.

#include <gmock/gmock.h>

#include "bookmarks/clsBMs.h"
#include "host/on_error.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

using tessaly::clsBMs;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kBook = "Book1.xlsx";

std::optional<std::string> PropertyOf(const sim::WorkbookSpec& file, const std::string& name) {
    for (const auto& p : file.customProperties) {
        if (p.name == name) return p.value;
    }
    return std::nullopt;
}

sim::SheetSpec SheetNamed(const std::string& name,
                          sim::SheetKind kind = sim::SheetKind::Worksheet) {
    sim::SheetSpec sheet;
    sheet.name = name;
    sheet.kind = kind;
    return sheet;
}

std::vector<std::string> BookmarkPropertyNames(const sim::WorkbookSpec& file) {
    std::vector<std::string> names;
    for (const auto& p : file.customProperties) {
        if (p.name.rfind("QEL_BOOKMARK", 0) == 0) names.push_back(p.name);
    }
    return names;
}

class PersistenceTest : public AddinTest {
  protected:
    void SetUp() override {
        SetSetting("SaveMark", "1");
        ConnectAddin();
    }

    clsBMs& BMs() { return addin->BMs(); }
    void Add(const std::string& book, const std::string& sheet, const std::string& address) {
        BMs().Add(excel.RangeRef(book, sheet, address));
    }
    std::optional<std::string> Saved(const std::string& book,
                                     const std::string& name = "QEL_BOOKMARK") {
        return PropertyOf(excel.Snapshot(book), name);
    }
    // "Book!Sheet!$A$1" of each live bookmark, in order.
    std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        for (int32_t i = 1; i <= BMs().Count(); ++i) {
            auto key = host::ValueOrNothing([&] { return tessaly::BookmarkKey(*BMs().Item(i)); });
            if (key) keys.push_back(*key);
        }
        return keys;
    }
    void Reopen(const std::string& book) {
        sim::WorkbookSpec saved = excel.Snapshot(book);
        excel.CloseWorkbook(book);
        BMs().Check();
        excel.OpenWorkbook(saved);
    }
    size_t Marks(const std::string& book, const std::string& sheet) {
        return excel.OleObjects(book, sheet).size();
    }
};

TEST_F(PersistenceTest, WritesTheWorkbooksBookmarksInOrderOfAdditionAndReadsThemBack) {
    excel.NewWorkbook(kBook, 3);
    excel.NewWorkbook("Other.xlsx", 1);
    Add(kBook, "Sheet3", "AB12");
    Add("Other.xlsx", "Sheet1", "A1");
    Add(kBook, "Sheet1", "C5");
    Add(kBook, "Sheet1", "C5");

    ASSERT_TRUE(excel.SaveWorkbook(kBook));

    EXPECT_EQ(Saved(kBook), "3:$AB$12;1:$C$5;1:$C$5;");
    EXPECT_THAT(BookmarkPropertyNames(excel.Snapshot(kBook)), ElementsAre("QEL_BOOKMARK"));
    Reopen(kBook);
    EXPECT_THAT(Keys(), ElementsAre("Other.xlsx!Sheet1!$A$1", "Book1.xlsx!Sheet3!$AB$12",
                                    "Book1.xlsx!Sheet1!$C$5", "Book1.xlsx!Sheet1!$C$5"));
}

TEST_F(PersistenceTest, NoPropertyWhenSaveMarkIsOffOrTheLastBookmarkIsGone) {
    SetSetting("SaveMark", "0");
    sim::WorkbookSpec file = sim::SimpleWorkbook(kBook, {"Sheet1"});
    file.customProperties = {{"QEL_BOOKMARK", "1:$A$1;"}, {"Author", "me"}};
    excel.OpenWorkbook(file);
    ASSERT_EQ(BMs().Count(), 1);

    ASSERT_TRUE(excel.SaveWorkbook(kBook));
    EXPECT_THAT(BookmarkPropertyNames(excel.Snapshot(kBook)), IsEmpty());
    EXPECT_EQ(Saved(kBook, "Author"), "me");

    SetSetting("SaveMark", "1");
    ASSERT_TRUE(excel.SaveWorkbook(kBook));
    ASSERT_EQ(Saved(kBook), "1:$A$1;");
    BMs().Del(excel.RangeRef(kBook, "Sheet1", "A1"));
    ASSERT_TRUE(excel.SaveWorkbook(kBook));
    EXPECT_EQ(Saved(kBook), std::nullopt);
}

TEST_F(PersistenceTest, DeadBookmarksDoNotCostTheSavedWorkbookItsProperty) {
    excel.NewWorkbook("Closed.xlsx", 1);
    excel.NewWorkbook(kBook, 2);
    Add("Closed.xlsx", "Sheet1", "A1");
    Add(kBook, "Sheet2", "B2");
    Add(kBook, "Sheet1", "C3");
    excel.CloseWorkbook("Closed.xlsx");
    excel.DeleteSheet(kBook, "Sheet2");

    ASSERT_TRUE(excel.SaveWorkbook(kBook));

    EXPECT_EQ(Saved(kBook), "1:$C$3;");
}

TEST_F(PersistenceTest, AThousandBookmarksSurviveSaveAndReopen) {
    SetSetting("Mark", "FALSE");
    excel.NewWorkbook(kBook, 3);
    std::vector<std::string> expected;
    for (int i = 0; i < 1000; ++i) {
        const std::string sheet = "Sheet" + std::to_string(i % 3 + 1);
        const std::string address = "$" + std::string(1, static_cast<char>('A' + i % 26)) + "$" +
                                    std::to_string(i / 26 * 37 + 1);
        Add(kBook, sheet, address);
        expected.push_back(std::string(kBook) + "!" + sheet + "!" + address);
    }

    ASSERT_TRUE(excel.SaveWorkbook(kBook));

    const auto saved = excel.Snapshot(kBook);
    const auto names = BookmarkPropertyNames(saved);
    ASSERT_GT(names.size(), 30u);
    std::string joined;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string name = i == 0 ? "QEL_BOOKMARK" : "QEL_BOOKMARK_" + std::to_string(i + 1);
        auto text = PropertyOf(saved, name);
        ASSERT_TRUE(text) << name;
        EXPECT_LE(text->size(), 255u);
        EXPECT_EQ(text->back(), ';');
        joined += *text;
    }
    EXPECT_EQ(joined.substr(0, 16), "1:$A$1;2:$B$1;3:");

    Reopen(kBook);
    EXPECT_EQ(Keys(), expected);
    EXPECT_TRUE(platform.Messages().empty());

    // Fewer bookmarks later: the surplus parts go.
    BMs().Clear();
    Add(kBook, "Sheet2", "D4");
    ASSERT_TRUE(excel.SaveWorkbook(kBook));
    EXPECT_THAT(BookmarkPropertyNames(excel.Snapshot(kBook)), ElementsAre("QEL_BOOKMARK"));
    EXPECT_EQ(Saved(kBook), "2:$D$4;");
}

TEST_F(PersistenceTest, PartsLeftOverBeyondAGapGiveWayToTheNewText) {
    SetSetting("Mark", "FALSE");
    sim::WorkbookSpec file = sim::SimpleWorkbook(kBook, {"Sheet1"});
    file.customProperties = {{"QEL_BOOKMARK", "1:$A$1;"},
                             {"QEL_BOOKMARK_3", "1:$Z$99;"},
                             {"QEL_BOOKMARK_4", "1:$Z$98;"}};
    excel.OpenWorkbook(file);
    // Reading stops at the missing second part.
    EXPECT_THAT(Keys(), ElementsAre("Book1.xlsx!Sheet1!$A$1"));

    // Three parts now: the third takes the old third's name, and the old fourth must not
    // read as a continuation.
    for (int row = 2; row <= 70; ++row) Add(kBook, "Sheet1", "$B$" + std::to_string(row));
    ASSERT_TRUE(excel.SaveWorkbook(kBook));
    const auto names = BookmarkPropertyNames(excel.Snapshot(kBook));
    ASSERT_THAT(names, ElementsAre("QEL_BOOKMARK", "QEL_BOOKMARK_2", "QEL_BOOKMARK_3"));

    Reopen(kBook);
    EXPECT_EQ(BMs().Count(), 70);
    EXPECT_EQ(Keys().back(), "Book1.xlsx!Sheet1!$B$70");
}

TEST_F(PersistenceTest, MalformedEntriesAreSkippedSilently) {
    sim::WorkbookSpec file = sim::SimpleWorkbook(kBook, {"First", "Second"});
    file.customProperties = {
        {"QEL_BOOKMARK", "2:$B$2;junk;9:$A$1;1:not an address;;0:$A$1;1;x:$A$1;1:$C$3;"}};
    excel.OpenWorkbook(file);

    EXPECT_THAT(Keys(), ElementsAre("Book1.xlsx!Second!$B$2", "Book1.xlsx!First!$C$3"));
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(Marks(kBook, "First"), 1u);
    EXPECT_EQ(Marks(kBook, "Second"), 1u);
}

TEST_F(PersistenceTest, OpeningRefreshesTheCommandStates) {
    ASSERT_FALSE(excel.CommandBar("Bookmark")->controls.at(2).enabled);
    sim::WorkbookSpec file = sim::SimpleWorkbook(kBook, {"Sheet1"});
    file.customProperties = {{"QEL_BOOKMARK", "1:$A$1;"}};
    excel.OpenWorkbook(file);
    // The next-bookmark button needs bookmarks; the active cell A1 carries one.
    EXPECT_TRUE(excel.CommandBar("Bookmark")->controls.at(2).enabled);
    EXPECT_EQ(excel.CommandBar("Bookmark")->controls.at(1).state, -1);
}

TEST_F(PersistenceTest, AChartSheetCountsInThePositionsButAnEntryNamingItIsDropped) {
    sim::WorkbookSpec file;
    file.name = kBook;
    file.sheets.push_back(SheetNamed("Chart1", sim::SheetKind::Chart));
    file.sheets.push_back(SheetNamed("Data"));
    file.sheets.push_back(SheetNamed("More"));
    file.activeSheet = 2;
    file.customProperties = {{"QEL_BOOKMARK", "1:$A$1;2:$A$1;"}};
    excel.OpenWorkbook(file);
    EXPECT_THAT(Keys(), ElementsAre("Book1.xlsx!Data!$A$1"));
    Add(kBook, "More", "C3");

    ASSERT_TRUE(excel.SaveWorkbook(kBook));
    EXPECT_EQ(Saved(kBook), "2:$A$1;3:$C$3;");

    Reopen(kBook);
    EXPECT_THAT(Keys(), ElementsAre("Book1.xlsx!Data!$A$1", "Book1.xlsx!More!$C$3"));
}

TEST_F(PersistenceTest, AddinWorkbooksAreNeitherWrittenNorRead) {
    sim::WorkbookSpec file = sim::SimpleWorkbook("Tool.xlam", {"Sheet1"});
    file.isAddin = true;
    file.customProperties = {{"QEL_BOOKMARK", "1:$A$1;"}};
    excel.OpenWorkbook(file);
    EXPECT_EQ(BMs().Count(), 0);

    Add("Tool.xlam", "Sheet1", "B2");
    ASSERT_TRUE(excel.SaveWorkbook("Tool.xlam"));
    EXPECT_EQ(Saved("Tool.xlam"), "1:$A$1;");
    EXPECT_EQ(Marks("Tool.xlam", "Sheet1"), 1u);  // and its marks stay
    EXPECT_FALSE(addin->blnMarksOffForSave);
}

TEST_F(PersistenceTest, MarksOfAllWorkbooksComeOffOnceForSavesAndBackAtTheNextSelection) {
    excel.NewWorkbook("Other.xlsx", 1);
    excel.NewWorkbook(kBook, 1);
    Add(kBook, "Sheet1", "A1");
    Add("Other.xlsx", "Sheet1", "B2");
    excel.ResetCallCounts();

    ASSERT_TRUE(excel.SaveWorkbook(kBook));
    ASSERT_TRUE(excel.SaveWorkbook(kBook));

    EXPECT_EQ(excel.CallCount("OLEObject.Delete"), 2);
    EXPECT_TRUE(excel.Snapshot(kBook).sheets[0].oleObjects.empty());
    EXPECT_EQ(Marks("Other.xlsx", "Sheet1"), 0u);
    EXPECT_TRUE(addin->blnMarksOffForSave);

    excel.Select("C3");
    excel.Select("D3");
    EXPECT_EQ(excel.CallCount("OLEObjects.Add"), 2);
    EXPECT_EQ(Marks(kBook, "Sheet1"), 1u);
    EXPECT_EQ(Marks("Other.xlsx", "Sheet1"), 1u);
    EXPECT_FALSE(addin->blnMarksOffForSave);
}

class ProtectedMarkSaveTest : public PersistenceTest {
  protected:
    void SetUp() override {
        PersistenceTest::SetUp();
        excel.NewWorkbook(kBook, 2);
        Add(kBook, "Sheet1", "A1");
        Add(kBook, "Sheet2", "B2");
        excel.Protect(kBook, "Sheet1");
    }
    void ExpectTheQuestion() {
        ASSERT_EQ(platform.Messages().size(), 1u);
        const auto& shown = platform.Messages()[0];
        EXPECT_EQ(shown.text, tessaly::ResText(tessaly::str::kMarksLeftOnSaveMessage));
        EXPECT_EQ(shown.text.rfind("The sign (for visual check) cannot be deleted.", 0), 0u);
        EXPECT_EQ(shown.caption, "Tessaly");
        EXPECT_EQ(shown.icon, platform::MsgIcon::Critical);
        EXPECT_EQ(shown.buttons, platform::MsgButtons::OKCancel);
    }
};

TEST_F(ProtectedMarkSaveTest, CancelStopsTheSaveAndMakesTheMarksAgain) {
    platform.Answer(platform::MsgAnswer::Cancel);

    EXPECT_FALSE(excel.SaveWorkbook(kBook));

    ExpectTheQuestion();
    EXPECT_FALSE(excel.WasSaved(kBook));
    EXPECT_EQ(Marks(kBook, "Sheet1"), 1u);
    EXPECT_EQ(Marks(kBook, "Sheet2"), 1u);
    EXPECT_FALSE(addin->blnMarksOffForSave);
}

TEST_F(ProtectedMarkSaveTest, OkSavesWithTheMarkThatStayed) {
    platform.Answer(platform::MsgAnswer::OK);

    EXPECT_TRUE(excel.SaveWorkbook(kBook));

    ExpectTheQuestion();
    const auto saved = excel.Snapshot(kBook);
    EXPECT_EQ(saved.sheets[0].oleObjects.size(), 1u);
    EXPECT_TRUE(saved.sheets[1].oleObjects.empty());
    EXPECT_EQ(PropertyOf(saved, "QEL_BOOKMARK"), "1:$A$1;2:$B$2;");
    EXPECT_TRUE(addin->blnMarksOffForSave);
}

TEST_F(PersistenceTest, AFailureWhileWritingLetsTheSaveGoOn) {
    excel.NewWorkbook(kBook, 1);
    Add(kBook, "Sheet1", "A1");
    excel.FailNext("DocumentProperties.Add", -2147467259, "failed");
    EXPECT_TRUE(excel.SaveWorkbook(kBook));
    EXPECT_EQ(Saved(kBook), std::nullopt);
    EXPECT_TRUE(platform.Messages().empty());
}

}  // namespace
}  // namespace tessaly_test
