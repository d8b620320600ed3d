// The commands that visit every bookmark read the host as little as they can: the same
// answers as reading every part of every bookmark the long way, on random scenes with
// hidden rows, columns, sheets and windows, dead and duplicate bookmarks and failing
// host members, and a number of host calls that grows by about one read per bookmark.

#include <gmock/gmock.h>

#include <optional>
#include <random>

#include "bookmarks/clsBMs.h"
#include "commands/cell_address.h"
#include "host/on_error.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

using tessaly::clsBM;

const std::vector<std::string> kBooks = {"B1.xlsx", "B2.xlsx", "B3.xlsx"};

// The long way: every bookmark's window, sheet, row and column read in full, the
// nearest and farthest on either side of the origin tracked, the lowest index winning
// ties. Nothing when a host call fails, which ends the command.
std::optional<int32_t> LongWayTarget(sim::Excel& excel, tessaly::clsBMs& bms, bool previous,
                                     bool rowOrder) {
    return host::ValueOrNothing([&]() -> int32_t {
        auto app = excel.Application();
        auto position = [&](const host::Ref<host::Workbook>& book, host::Sheet& sheet, int32_t r,
                            int32_t c) {
            int32_t b = 0;
            for (int32_t i = 1; i <= app->Workbooks()->Count(); ++i)
                if (host::SameObject(app->Workbooks()->Item(i), book)) b = i;
            return rowOrder ? std::array<int32_t, 4>{b, sheet.Index(), r, c}
                            : std::array<int32_t, 4>{b, sheet.Index(), c, r};
        };
        auto cell = app->ActiveCell();
        const auto origin =
            position(app->ActiveWorkbook(), *app->ActiveSheet(), cell->Row(), cell->Column());
        std::optional<std::pair<std::array<int32_t, 4>, int32_t>> nearAfter, farAfter, nearBefore,
            farBefore;
        auto keep = [](auto& slot, const auto& pos, int32_t i, bool better) {
            if (!slot || better) slot.emplace(pos, i);
        };
        for (int32_t i = 1; i <= bms.Count(); ++i) {
            clsBM& bm = *bms.Item(i);
            if (!bm.BMBook->Windows(1)->Visible()) continue;
            if (bm.BMSheet->Visible() != host::xl::kSheetVisible) continue;
            if (bm.BMSheet->Rows(bm.BMCell->Row())->Hidden()) continue;
            if (bm.BMSheet->Columns(bm.BMCell->Column())->Hidden()) continue;
            const auto pos =
                position(bm.BMBook, *bm.BMSheet, bm.BMCell->Row(), bm.BMCell->Column());
            if (pos > origin) {
                keep(nearAfter, pos, i, nearAfter && pos < nearAfter->first);
                keep(farAfter, pos, i, farAfter && pos > farAfter->first);
            } else if (pos < origin) {
                keep(nearBefore, pos, i, nearBefore && pos > nearBefore->first);
                keep(farBefore, pos, i, farBefore && pos < farBefore->first);
            }
        }
        const auto& chosen =
            previous ? (nearBefore ? nearBefore : farAfter) : (nearAfter ? nearAfter : farBefore);
        return chosen ? chosen->second : 0;
    });
}

bool LongWayIsActiveCellBookmark(sim::Excel& excel, tessaly::clsBMs& bms) {
    auto app = excel.Application();
    auto active = host::ValueOrNothing([&] {
        return app->ActiveWorkbook()->Name() + "!" + app->ActiveSheet()->Name() + "!" +
               app->ActiveCell()->Address();
    });
    for (int32_t i = 1; active && i <= bms.Count(); ++i) {
        auto key = host::ValueOrNothing([&] { return tessaly::BookmarkKey(*bms.Item(i)); });
        if (key == active) return true;
    }
    return false;
}

class HostReadsTest : public AddinTest {
  protected:
    void SetUp() override {
        SetSetting("Mark", "FALSE");
        ConnectAddin("11.0");
    }

    std::string A1(int32_t row, int32_t col) {
        return std::string(1, static_cast<char>('A' + col - 1)) + std::to_string(row);
    }

    // Three workbooks of three worksheets (the second with a chart sheet in front, so
    // that sheet indexes are not worksheet numbers), bookmarks on a small grid so that
    // many share an address, some twice, and everything a user may hide, hidden.
    void MakeScene(std::mt19937& random) {
        auto pick = [&](int32_t n) { return static_cast<int32_t>(random() % n); };
        for (const std::string& book : kBooks) Open(book, {"S1", "S2", "S3"});
        excel.AddChartSheet("B2.xlsx", "C1", "S1");
        for (int k = 0; k < 40; ++k) {
            const std::string book = kBooks[pick(3)];
            const std::string sheet = "S" + std::to_string(1 + pick(3));
            const int32_t row = 1 + pick(8), col = 1 + pick(6);
            excel.Select(book, sheet, A1(row, col));
            // Now and then a cell twice, or a range as a stored bookmark may name one.
            if (LongWayIsActiveCellBookmark(excel, addin->BMs()) && pick(4) != 0) continue;
            const std::string cell =
                pick(10) == 0 ? A1(row, col) + ":" + A1(row + 1, col + 1) : A1(row, col);
            addin->BMs().Add(excel.RangeRef(book, sheet, cell));
        }
        for (int k = 0; k < 3; ++k) {
            const std::string book = kBooks[pick(3)];
            const std::string sheet = "S" + std::to_string(1 + pick(3));
            try {
                Hide(book, sheet, pick);
            } catch (const sim::SimError&) {
                // the host refuses to hide or delete its last visible sheet
            }
        }
    }
    template <class Pick>
    void Hide(const std::string& book, const std::string& sheet, Pick& pick) {
        switch (pick(7)) {
            case 0:
                return excel.HideRows(book, sheet, 1 + pick(8), 1 + pick(2));
            case 1:
                return excel.FilterHideRows(book, sheet, 1 + pick(8));
            case 2:
                return excel.HideColumns(book, sheet, 1 + pick(6));
            case 3:
                return excel.SetSheetVisible(book, sheet, pick(2) == 0 ? 0 : 2);
            case 4:
                return excel.SetWindowVisible("B3.xlsx", false);  // one stays to work in
            case 5:
                return excel.DeleteRows(book, sheet, 1 + pick(8));  // dead bookmarks
            default:
                return excel.DeleteSheet(book, sheet);
        }
    }

    // A visible worksheet's cell, on a bookmark now and then.
    void SelectSomewhere(std::mt19937& random) {
        std::vector<std::pair<std::string, std::string>> shown;
        for (const sim::WorkbookInfo& book : excel.WorkbookList()) {
            for (const sim::SheetInfo& sheet : book.sheets) {
                if (book.windowVisible && sheet.visible == host::xl::kSheetVisible &&
                    sheet.name[0] == 'S')
                    shown.emplace_back(book.name, sheet.name);
            }
        }
        ASSERT_FALSE(shown.empty());
        const auto& [book, sheet] = shown[random() % shown.size()];
        excel.Select(book, sheet, A1(1 + random() % 8, 1 + random() % 6));
    }

    // What the jump did: the Goto target, "" for none.
    std::string Jump(bool previous) {
        const size_t before = excel.GotoLog().size();
        platform.Advance(1.0);
        previous ? addin->subCall_Befor() : addin->subCall_Next();
        return excel.GotoLog().size() == before ? "" : excel.GotoLog().back();
    }
    std::string GotoText(std::optional<int32_t> target) {
        if (!target || *target == 0) return "";
        clsBM& bm = *addin->BMs().Item(*target);
        return "[" + bm.BMBook->Name() + "]" + bm.BMSheet->Name() + "!" + bm.BMCell->Address();
    }

    // Every jump from the active cell, both ways in both orders, against the long way.
    void ExpectJumpsAsTheLongWay(const std::string& scene) {
        const std::string book = excel.ActiveWorkbookName(), sheet = excel.ActiveSheetName(),
                          cell = excel.ActiveCellAddress();
        for (const char* vector : {"ROW", "COLUMN"}) {
            SetSetting("Vector", vector);
            for (bool previous : {false, true}) {
                excel.Select(book, sheet, cell);
                addin->BMs().Check();  // as the command does first
                const std::string expected = GotoText(
                    LongWayTarget(excel, addin->BMs(), previous, std::string(vector) == "ROW"));
                EXPECT_EQ(Jump(previous), expected)
                    << scene << (previous ? " previous " : " next ") << vector << " from " << book
                    << "!" << sheet << "!" << cell;
            }
        }
    }
};

TEST_F(HostReadsTest, JumpsAndTheToggleStateAreThoseOfTheLongWayOnRandomScenes) {
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        std::mt19937 random(seed);
        MakeScene(random);
        const std::string scene = "seed " + std::to_string(seed);
        for (int move = 0; move < 4; ++move) {
            SelectSomewhere(random);
            addin->BMs().Check();
            EXPECT_EQ(addin->CB_BUTTON_AddOrDel->State() == host::mso::kButtonDown,
                      LongWayIsActiveCellBookmark(excel, addin->BMs()))
                << scene << " at " << Where();
            ExpectJumpsAsTheLongWay(scene);
        }
        for (const std::string& book : kBooks) excel.CloseWorkbook(book);
        addin->BMs().Check();
    }
}

TEST_F(HostReadsTest, OnlyASingleCellsAbsoluteAddressIsTakenApart) {
    using tessaly::SingleCellOf;
    EXPECT_EQ(SingleCellOf("$B$3")->column, 2);
    EXPECT_EQ(SingleCellOf("$B$3")->row, 3);
    EXPECT_EQ(SingleCellOf("$XFD$1048576")->column, 16384);
    EXPECT_EQ(SingleCellOf("$XFD$1048576")->row, 1048576);
    // Left to the host: ranges, whole rows and columns, relative forms, and anything
    // past the sheet's edge, which could not be a cell (nor overflow the arithmetic).
    for (const char* other : {"$B$3:$C$4", "$3:$3", "$B:$B", "B3", "$B3", "$b$3", "$A$0", "$A$01",
                              "$XFE$1", "$A$1048577", "$A$99999999999", "", "$", "$A$"})
        EXPECT_FALSE(SingleCellOf(other).has_value()) << other;
}

// A member both ways read fails at every call: the command ends where the long way
// would, with the same jump or none.
TEST_F(HostReadsTest, FailingMembersEndTheJumpAsTheLongWay) {
    for (const char* member : {"Window.Visible", "Sheet.Visible", "Sheet.Index", "Range.Hidden",
                               "Workbooks.Item", "Range.Address"}) {
        std::mt19937 random(7);
        MakeScene(random);
        SelectSomewhere(random);
        excel.FailAlways(member, 1004, "Application-defined or object-defined error");
        ExpectJumpsAsTheLongWay(member);
        excel.ClearFailures();
        for (const std::string& book : kBooks) excel.CloseWorkbook(book);
        addin->BMs().Check();
    }
}

// Host calls on a scene of N bookmarks over three workbooks of ten sheets, none on the
// active cell's column: the dead-bookmark check reads one address per bookmark and the
// comparisons reuse it; the rest is a few reads per workbook, sheet and candidate.
class HostCallsTest : public HostReadsTest {
  protected:
    void MakeBookmarks(int32_t n) {
        std::vector<std::string> sheets;
        for (int s = 1; s <= 10; ++s) sheets.push_back("Sheet" + std::to_string(s));
        for (const std::string& book : kBooks) Open(book, sheets);
        for (int32_t k = 0; k < n; ++k) {
            addin->BMs().Add(excel.RangeRef(kBooks[k % 3], sheets[(k / 3) % 10],
                                            "B" + std::to_string(k / 30 + 2)));
        }
        excel.Select("B1.xlsx", "Sheet1", "A1");
    }
    template <class Command>
    int64_t Calls(Command command) {
        platform.Advance(1.0);
        excel.ResetCallCounts();
        command();
        return excel.TotalCalls();
    }
};

TEST_F(HostCallsTest, AboutOneReadPerBookmarkForTheSelectionAndTheToggle) {
    for (int32_t n : {300, 3000}) {
        MakeBookmarks(n);
        EXPECT_EQ(Calls([&] { excel.Select("B1.xlsx", "Sheet1", "A2"); }), n + 8) << n;
        // Add, then delete: finding the cell again reuses the check's addresses.
        EXPECT_EQ(Calls([&] { addin->subCall_AddOrDelete(); }), n + 28) << n;
        EXPECT_EQ(Calls([&] { addin->subCall_AddOrDelete(); }), (n + 1) + 35) << n;
        // Each jump: its own check and the selection change the host raises for it, one
        // address per bookmark each; the toggle's refresh after it reads addresses up to
        // the landing bookmark (early in the collection for next, late for previous).
        // The bookmarks of the thirty sheets that share the landing address have their
        // sheet names read.
        EXPECT_EQ(Calls([&] { addin->subCall_Next(); }), 2 * n + 110) << n;
        EXPECT_EQ(Calls([&] { addin->subCall_Befor(); }), 3 * n + 171) << n;

        // A save reads the address of each of its workbook's bookmarks and each sheet's
        // index once, then writes a property per 25 or so bookmarks; an open makes each
        // bookmark's cell once, then the toggle's state reads addresses once more.
        const int32_t own = n / 3;
        SetSetting("SaveMark", "1");
        EXPECT_LE(Calls([&] { excel.SaveWorkbook("B1.xlsx"); }), own + own / 10 + 20) << n;
        const sim::WorkbookSpec saved = excel.Snapshot("B1.xlsx");
        excel.CloseWorkbook("B1.xlsx");
        addin->BMs().Check();
        EXPECT_LE(Calls([&] { excel.OpenWorkbook(saved); }), own + n + 10) << n;
        EXPECT_EQ(addin->BMs().Count(), n);
        for (const std::string& book : kBooks) excel.CloseWorkbook(book);
        addin->BMs().Check();
    }
}

}  // namespace
}  // namespace tessaly_test
