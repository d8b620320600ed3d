// Ranges of the simulated host: addresses it accepts, live tracking through row and
// column moves, death of cells, sheets and workbooks, geometry and hidden lines.

#include <gtest/gtest.h>

#include "sim/excel.h"

namespace {

using host::HostError;

int32_t ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const HostError& e) {
        return e.Number();
    }
    return 0;
}

class SimRanges : public ::testing::Test {
  protected:
    SimRanges() {
        xl.OpenWorkbook(sim::SimpleWorkbook("Data.xlsx", {"First", "Second"}));
        app = xl.Application();
        sheet = app->Worksheets("First");
    }
    sim::Excel xl;
    host::Ref<host::Application> app;
    host::Ref<host::Worksheet> sheet;
};

TEST_F(SimRanges, AcceptsTheAddressFormsOfTheHost) {
    EXPECT_EQ(sheet->Range("B3")->Address(), "$B$3");
    EXPECT_EQ(sheet->Range("$B$3")->Address(), "$B$3");
    EXPECT_EQ(sheet->Range("b3")->Address(), "$B$3");
    EXPECT_EQ(sheet->Range("B$3")->Address(), "$B$3");
    EXPECT_EQ(sheet->Range("D4:B2")->Address(), "$B$2:$D$4");
    EXPECT_EQ(sheet->Range("XFD1048576")->Address(), "$XFD$1048576");
    EXPECT_EQ(sheet->Range("3:4")->Address(), "$3:$4");
    for (const char* bad : {"", "B0", "XFE1", "A1048577", "$", "B3 ( Name )", "1B",
                            "B3:", "A1:B2:C3", "Nowhere", "$B$3 "}) {
        EXPECT_EQ(ErrorOf([&] { sheet->Range(bad); }), host::err::kHostRefused) << bad;
    }
}

TEST_F(SimRanges, RowAndColumnAreTheFirstCell) {
    auto r = sheet->Range("C5:E9");
    EXPECT_EQ(r->Row(), 5);
    EXPECT_EQ(r->Column(), 3);
}

TEST_F(SimRanges, TwoHandlesOfOneCellAreTheSameObject) {
    auto a = sheet->Range("B3");
    auto b = app->Worksheets("First")->Range("$B$3");
    EXPECT_TRUE(host::SameObject(a, b));
    EXPECT_FALSE(host::SameObject(a, sheet->Range("B4")));
    EXPECT_FALSE(host::SameObject(a, app->Worksheets("Second")->Range("B3")));
    EXPECT_TRUE(host::SameObject(sheet->Range("B2:C3"), sheet->Range("$B$2:$C$3")));
}

TEST_F(SimRanges, RangesFollowInsertedAndDeletedRowsAndColumns) {
    auto cell = sheet->Range("C5");
    xl.InsertRows("Data.xlsx", "First", 5, 2);  // at its own row: it moves down
    EXPECT_EQ(cell->Address(), "$C$7");
    xl.InsertRows("Data.xlsx", "First", 8);  // below it: it stays
    EXPECT_EQ(cell->Address(), "$C$7");
    xl.DeleteRows("Data.xlsx", "First", 1, 3);
    EXPECT_EQ(cell->Address(), "$C$4");
    xl.InsertColumns("Data.xlsx", "First", 1);
    EXPECT_EQ(cell->Address(), "$D$4");
    xl.DeleteColumns("Data.xlsx", "First", 2, 2);
    EXPECT_EQ(cell->Address(), "$B$4");
    // The cell that moved keeps its identity at its new place.
    EXPECT_TRUE(host::SameObject(cell, sheet->Range("B4")));
}

TEST_F(SimRanges, ACellInDeletedRowsOrColumnsDies) {
    auto row = sheet->Range("C5");
    auto col = sheet->Range("E1");
    auto other = sheet->Range("A1");
    xl.DeleteRows("Data.xlsx", "First", 4, 2);
    xl.DeleteColumns("Data.xlsx", "First", 5);
    EXPECT_EQ(ErrorOf([&] { row->Address(); }), host::err::kDisconnected);
    EXPECT_EQ(ErrorOf([&] { col->Row(); }), host::err::kDisconnected);
    EXPECT_EQ(other->Address(), "$A$1");
    // The position is a new cell now.
    EXPECT_FALSE(host::SameObject(row, sheet->Range("C5")));
}

TEST_F(SimRanges, DeletedSheetAndClosedWorkbookKillTheirHandles) {
    auto cell = app->Worksheets("Second")->Range("A1");
    auto second = app->Worksheets("Second");
    auto book = app->ActiveWorkbook();
    xl.DeleteSheet("Data.xlsx", "Second");
    EXPECT_EQ(ErrorOf([&] { cell->Address(); }), host::err::kDisconnected);
    EXPECT_EQ(ErrorOf([&] { second->Name(); }), host::err::kDisconnected);
    EXPECT_EQ(book->Name(), "Data.xlsx");
    auto first = sheet->Range("A1");
    xl.CloseWorkbook("Data.xlsx");
    EXPECT_EQ(ErrorOf([&] { book->Name(); }), host::err::kDisconnected);
    EXPECT_EQ(ErrorOf([&] { sheet->Index(); }), host::err::kDisconnected);
    EXPECT_EQ(ErrorOf([&] { first->Row(); }), host::err::kDisconnected);
    // Reopening a workbook of that name does not bring old handles back.
    xl.OpenWorkbook(sim::SimpleWorkbook("Data.xlsx", {"First"}));
    EXPECT_EQ(ErrorOf([&] { first->Row(); }), host::err::kDisconnected);
}

TEST_F(SimRanges, PositionsInPointsLeaveOutHiddenLines) {
    EXPECT_EQ(sheet->Range("A1")->Left(), 0.0);
    EXPECT_EQ(sheet->Range("C4")->Left(), 96.0);
    EXPECT_EQ(sheet->Range("C4")->Top(), 45.0);
    xl.HideRows("Data.xlsx", "First", 2);
    xl.SetRowHeight("Data.xlsx", "First", 1, 30.0);
    xl.HideColumns("Data.xlsx", "First", 1);
    EXPECT_EQ(sheet->Range("C4")->Top(), 45.0);  // 30 + 0 + 15
    EXPECT_EQ(sheet->Range("C4")->Left(), 48.0);
}

TEST_F(SimRanges, WholeRowsAndColumnsTellWhetherTheyAreHidden) {
    xl.HideRows("Data.xlsx", "First", 3);
    xl.FilterHideRows("Data.xlsx", "First", 5);
    xl.HideColumns("Data.xlsx", "First", 2);
    EXPECT_TRUE(sheet->Rows(3)->Hidden());
    EXPECT_TRUE(sheet->Rows(5)->Hidden());
    EXPECT_FALSE(sheet->Rows(4)->Hidden());
    EXPECT_TRUE(sheet->Columns(2)->Hidden());
    EXPECT_FALSE(sheet->Columns(3)->Hidden());
    // Hidden flags move with their rows.
    xl.InsertRows("Data.xlsx", "First", 1);
    EXPECT_TRUE(sheet->Rows(4)->Hidden());
    EXPECT_FALSE(sheet->Rows(3)->Hidden());
    xl.ClearFilter("Data.xlsx", "First");
    EXPECT_FALSE(sheet->Rows(6)->Hidden());
    // A plain cell range has no Hidden of its own.
    EXPECT_EQ(ErrorOf([&] { sheet->Range("B2")->Hidden(); }), host::err::kHostRefused);
    EXPECT_EQ(ErrorOf([&] { sheet->Rows(0); }), host::err::kHostRefused);
}

TEST_F(SimRanges, DefinedNamesResolveAndAreReadFromTheirCell) {
    xl.DefineName("Data.xlsx", "First", "C3", "Total");
    auto named = sheet->Range("total");
    EXPECT_EQ(named->Address(), "$C$3");
    EXPECT_EQ(sheet->Range("C3")->Name()->NameLocal(), "Total");
    EXPECT_EQ(ErrorOf([&] { sheet->Range("C4")->Name(); }), host::err::kHostRefused);
    // A name of another sheet is not a reference on this one, but is for the application.
    EXPECT_EQ(ErrorOf([&] { app->Worksheets("Second")->Range("Total"); }), host::err::kHostRefused);
    xl.ActivateSheet("Data.xlsx", "Second");
    EXPECT_TRUE(host::SameObject(app->Range("Total"), named));
    // The name follows its cell and dies with it.
    xl.InsertRows("Data.xlsx", "First", 1);
    EXPECT_EQ(sheet->Range("Total")->Address(), "$C$4");
    xl.DeleteRows("Data.xlsx", "First", 4);
    EXPECT_EQ(ErrorOf([&] { sheet->Range("Total"); }), host::err::kHostRefused);
}

TEST_F(SimRanges, ApplicationRangeNeedsAnActiveWorksheet) {
    EXPECT_EQ(app->Range("B2")->Parent()->Name(), "First");
    xl.AddChartSheet("Data.xlsx", "Chart1");
    EXPECT_EQ(app->ActiveCell(), nullptr);
    EXPECT_EQ(ErrorOf([&] { app->Range("B2"); }), host::err::kHostRefused);
}

TEST_F(SimRanges, SnapshotCarriesCellsAndNamesAtTheirNewPlaces) {
    xl.Edit("B2", "hello");
    xl.DefineName("Data.xlsx", "First", "B2", "Greeting");
    xl.InsertRows("Data.xlsx", "First", 1);
    sim::WorkbookSpec desc = xl.Describe("Data.xlsx");
    ASSERT_EQ(desc.sheets[0].cells.Size(), 1u);
    EXPECT_EQ(desc.sheets[0].cells.Text("$B$3"), "hello");
    ASSERT_EQ(desc.sheets[0].names.size(), 1u);
    EXPECT_EQ(desc.sheets[0].names[0].address, "$B$3");
    EXPECT_EQ(xl.CellText("Data.xlsx", "First", "B3"), "hello");
}

}  // namespace
