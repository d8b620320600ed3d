// OLE objects of the simulated host keep the cell under their corner: through hidden,
// shown and resized rows and columns, filters, inserts and deletes, as the host
// anchors them.

#include <gtest/gtest.h>

#include <string>

#include "sim/excel.h"

namespace {

using host::Ref;

// A sheet of a new workbook and an object placed as the add-in places a mark: on a
// cell's top left corner, sized by its label.
struct AnchorsTest : ::testing::Test {
    sim::Excel xl;
    Ref<host::Worksheet> sheet;

    void SetUp() override {
        xl.NewWorkbook();
        sheet = xl.Application()->Worksheets("Sheet1");
    }

    Ref<host::OLEObject> MarkAt(const std::string& cell, int32_t placement = 1) {
        auto range = sheet->Range(cell);
        auto o = sheet->OLEObjects()->Add("Forms.Label.1", false, false, range->Left(),
                                          range->Top(), 1, 1);
        o->SetPlacement(placement);
        auto label = o->Object();
        label->SetAutoSize(true);
        label->SetCaption("*");
        return o;
    }

    // True when the object sits on the cell's corner and the host anchors it there.
    ::testing::AssertionResult OnCorner(const Ref<host::OLEObject>& o, size_t index,
                                        const std::string& cell) {
        auto range = sheet->Range(cell);
        const sim::OleObjectInfo info = xl.OleObjects("Book1", "Sheet1")[index];
        if (o->Left() != range->Left() || o->Top() != range->Top())
            return ::testing::AssertionFailure()
                   << "at (" << o->Left() << ", " << o->Top() << "), " << cell << " at ("
                   << range->Left() << ", " << range->Top() << ")";
        if (info.anchorRow != range->Row() || info.anchorColumn != range->Column())
            return ::testing::AssertionFailure()
                   << "anchored to row " << info.anchorRow << " column " << info.anchorColumn;
        return ::testing::AssertionSuccess();
    }

    sim::OleObjectInfo Info(size_t index) { return xl.OleObjects("Book1", "Sheet1")[index]; }
};

TEST_F(AnchorsTest, AMarkStaysOnItsCellThroughHiddenShownAndResizedLines) {
    auto mark = MarkAt("B5");
    auto above = MarkAt("D2");  // made later, anchored higher
    const double height = Info(0).height;
    ASSERT_GT(height, 0.0);

    xl.HideRows("Book1", "Sheet1", 3);
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_EQ(mark->Top(), 45.0);
    xl.ShowRows("Book1", "Sheet1", 3);
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_EQ(mark->Top(), 60.0);

    xl.SetColumnWidth("Book1", "Sheet1", 1, 20);
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_EQ(mark->Left(), 20.0);
    xl.SetRowHeight("Book1", "Sheet1", 4, 30);
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_EQ(mark->Top(), 75.0);

    xl.FilterHideRows("Book1", "Sheet1", 2);
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_TRUE(OnCorner(above, 1, "D2"));
    EXPECT_EQ(Info(1).height, 0.0);
    xl.ClearFilter("Book1", "Sheet1");
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_TRUE(OnCorner(above, 1, "D2"));
    EXPECT_EQ(Info(1).height, height);
    EXPECT_EQ(Info(0).height, height);
}

TEST_F(AnchorsTest, HidingTheMarksOwnRowCollapsesItThereUntilTheRowIsShown) {
    auto mark = MarkAt("B5");
    auto moveOnly = MarkAt("C5", 2);
    const double height = Info(0).height;

    xl.HideRows("Book1", "Sheet1", 5);
    // Row 6 now starts where row 5 does; the marks still belong to row 5.
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_TRUE(OnCorner(moveOnly, 1, "C5"));
    EXPECT_EQ(Info(0).height, 0.0);  // sized with its cells: hidden with its row
    EXPECT_EQ(Info(1).height, height);

    // Other rows moving meanwhile carry it along.
    xl.InsertRows("Book1", "Sheet1", 2);
    xl.HideRows("Book1", "Sheet1", 1);
    EXPECT_EQ(Info(0).anchorRow, 6);
    xl.ShowRows("Book1", "Sheet1", 1);
    xl.ShowRows("Book1", "Sheet1", 6);
    EXPECT_TRUE(OnCorner(mark, 0, "B6"));
    EXPECT_TRUE(OnCorner(moveOnly, 1, "C6"));
    EXPECT_EQ(mark->Top(), 75.0);
    EXPECT_EQ(Info(0).height, height);

    // The same for a hidden column.
    xl.HideColumns("Book1", "Sheet1", 2);
    EXPECT_TRUE(OnCorner(mark, 0, "B6"));
    EXPECT_EQ(Info(0).width, 0.0);
    xl.ShowColumns("Book1", "Sheet1", 2);
    EXPECT_TRUE(OnCorner(mark, 0, "B6"));
    EXPECT_GT(Info(0).width, 0.0);
}

TEST_F(AnchorsTest, AnObjectSizedWithCellsShrinksWithItsCellAndGrowsBack) {
    auto mark = MarkAt("B5");
    const double width = Info(0).width;
    xl.SetColumnWidth("Book1", "Sheet1", 2, width / 2);
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    EXPECT_EQ(Info(0).width, width / 2);
    xl.SetColumnWidth("Book1", "Sheet1", 2, 48);
    EXPECT_EQ(Info(0).width, width);

    // One spanning several rows grows with a row inserted inside it, not with one
    // inserted right below it.
    auto tall = sheet->OLEObjects()->Add("Forms.Label.1", false, false, 48, 60, 10, 30);
    tall->SetPlacement(1);
    xl.InsertRows("Book1", "Sheet1", 7);
    EXPECT_EQ(Info(1).height, 30.0);
    xl.InsertRows("Book1", "Sheet1", 6);
    EXPECT_EQ(Info(1).height, 45.0);
    xl.HideRows("Book1", "Sheet1", 6);
    EXPECT_EQ(Info(1).height, 30.0);
}

TEST_F(AnchorsTest, FreeFloatingObjectsNeverMoveUntilTheyStopFloating) {
    auto floating = MarkAt("B5", 3);
    xl.HideRows("Book1", "Sheet1", 3);
    xl.SetColumnWidth("Book1", "Sheet1", 1, 10);
    xl.InsertRows("Book1", "Sheet1", 1, 2);
    xl.DeleteColumns("Book1", "Sheet1", 1);
    EXPECT_EQ(floating->Left(), 48.0);
    EXPECT_EQ(floating->Top(), 60.0);
    // It lies over another cell now, and moves with that one once anchored.
    EXPECT_EQ(Info(0).anchorRow, 6);
    EXPECT_EQ(Info(0).anchorColumn, 2);
    floating->SetPlacement(2);
    xl.ShowRows("Book1", "Sheet1", 5);
    EXPECT_TRUE(OnCorner(floating, 0, "B6"));
    EXPECT_EQ(floating->Top(), 75.0);
}

TEST_F(AnchorsTest, ObjectsPlacedOnHiddenLinesOrOddSizesFindTheRightCell) {
    // A corner given where a hidden row and the next one both start is in the row shown.
    xl.HideRows("Book1", "Sheet1", 4);
    auto mark = MarkAt("B5");
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));
    xl.ShowRows("Book1", "Sheet1", 4);
    EXPECT_TRUE(OnCorner(mark, 0, "B5"));

    // Sizes that points cannot add up exactly still give the cell the range reports.
    for (int32_t row = 1; row <= 40; ++row) xl.SetRowHeight("Book1", "Sheet1", row, 12.3);
    xl.SetColumnWidth("Book1", "Sheet1", 3, 33.7);
    auto odd = MarkAt("D41");
    EXPECT_TRUE(OnCorner(odd, 1, "D41"));
    EXPECT_EQ(Info(1).rowOffset, 0.0);
}

TEST_F(AnchorsTest, DraggedAndSetPositionsKeepTheirPlaceInsideTheCell) {
    auto mark = MarkAt("B5");
    xl.MoveOleObject("Book1", "Sheet1", 0, 96 + 5, 90 + 3);  // inside C7
    EXPECT_EQ(Info(0).anchorRow, 7);
    EXPECT_EQ(Info(0).anchorColumn, 3);
    EXPECT_EQ(Info(0).columnOffset, 5.0);
    EXPECT_EQ(Info(0).rowOffset, 3.0);
    xl.HideColumns("Book1", "Sheet1", 1);
    EXPECT_EQ(mark->Left(), 48.0 + 5);
    // Through the seam one coordinate at a time: the other keeps its anchor.
    mark->SetTop(15);
    EXPECT_EQ(Info(0).anchorRow, 2);
    EXPECT_EQ(Info(0).anchorColumn, 3);
    xl.ShowColumns("Book1", "Sheet1", 1);
    EXPECT_EQ(mark->Left(), 96.0 + 5);
    EXPECT_EQ(mark->Top(), 15.0);
}

TEST_F(AnchorsTest, DeletedLinesTakeTheObjectToTheLinesAfterThem) {
    auto mark = MarkAt("B5");
    auto tall = sheet->OLEObjects()->Add("Forms.Label.1", false, false, 0, 15, 10, 45);
    tall->SetPlacement(1);  // rows 2 to 4
    const double height = Info(0).height;
    xl.DeleteRows("Book1", "Sheet1", 4, 2);
    EXPECT_TRUE(OnCorner(mark, 0, "B4"));  // its row is gone: the start of the next
    EXPECT_EQ(Info(0).height, height);
    EXPECT_EQ(Info(1).height, 30.0);  // lost its last row
    xl.DeleteRows("Book1", "Sheet1", 1, 3);
    EXPECT_EQ(tall->Top(), 0.0);  // wholly deleted: kept whole at the next row
    EXPECT_EQ(Info(1).height, 30.0);
    xl.HideRows("Book1", "Sheet1", 1);
    EXPECT_TRUE(OnCorner(mark, 0, "B1"));
}

TEST_F(AnchorsTest, LineChangesByTheUserAreNotCalls) {
    MarkAt("B5");
    xl.ResetCallCounts();
    xl.HideRows("Book1", "Sheet1", 3);
    xl.SetRowHeight("Book1", "Sheet1", 2, 20);
    xl.SetColumnWidth("Book1", "Sheet1", 1, 20);
    xl.ClearFilter("Book1", "Sheet1");
    EXPECT_EQ(xl.TotalCalls(), 0);
}

}  // namespace
