// Workbooks, sheets, events, navigation, OLE objects and document properties of the
// simulated host.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/excel.h"

namespace {

using host::Ref;

int32_t ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const host::HostError& e) {
        return e.Number();
    }
    return 0;
}

// Records the events as text, reading the host while they arrive.
struct Recorder : host::AppEvents {
    std::vector<std::string> log;
    bool cancelSave = false;
    void WorkbookOpen(const Ref<host::Workbook>& wb) override {
        log.push_back("open " + wb->Name());
    }
    void WorkbookBeforeSave(const Ref<host::Workbook>& wb, bool saveAsUI, bool& cancel) override {
        log.push_back("save " + wb->Name() + (saveAsUI ? " as" : ""));
        if (cancelSave) cancel = true;
    }
    void NewWorkbook(const Ref<host::Workbook>& wb) override { log.push_back("new " + wb->Name()); }
    void WorkbookNewSheet(const Ref<host::Workbook>& wb, const Ref<host::Sheet>& sh) override {
        log.push_back("sheet " + wb->Name() + " " + sh->Name());
    }
    void SheetChange(const Ref<host::Sheet>& sh, const Ref<host::Range>& target) override {
        log.push_back("change " + sh->Name() + " " + target->Address());
    }
    void SheetSelectionChange(const Ref<host::Sheet>& sh, const Ref<host::Range>& target) override {
        log.push_back("select " + sh->Name() + " " + target->Address());
    }
};

sim::WorkbookSpec ChartFirst() {
    sim::WorkbookSpec desc = sim::SimpleWorkbook("Mixed.xlsx", {"Chart1", "Data", "More"});
    desc.sheets[0].kind = sim::SheetKind::Chart;
    desc.activeSheet = 2;
    return desc;
}

// Add-ins are found by name only: they take no place in the count or the order.
TEST(SimWorkbooks, OrderAndLookupByNameWithAddinsOutOfTheCount) {
    sim::Excel xl;
    auto app = xl.Application();
    EXPECT_EQ(app->ActiveWorkbook(), nullptr);
    EXPECT_EQ(app->ActiveCell(), nullptr);
    xl.NewWorkbook();
    sim::WorkbookSpec addin = sim::SimpleWorkbook("Tools.xlam");
    addin.isAddin = true;
    xl.OpenWorkbook(addin);
    EXPECT_EQ(xl.ActiveWorkbookName(), "Book1");
    xl.OpenWorkbook(sim::SimpleWorkbook("Two.xlsx"));
    xl.NewWorkbook();
    auto books = app->Workbooks();
    ASSERT_EQ(books->Count(), 3);
    EXPECT_TRUE(books->Item("Tools.xlam")->IsAddin());
    EXPECT_EQ(books->Item(1)->Name(), "Book1");
    EXPECT_EQ(books->Item(3)->Name(), "Book2");
    EXPECT_TRUE(host::SameObject(books->Item("two.XLSX"), books->Item(2)));
    EXPECT_EQ(ErrorOf([&] { books->Item(4); }), host::err::kSubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { books->Item("Three.xlsx"); }), host::err::kSubscriptOutOfRange);
    xl.CloseWorkbook("Two.xlsx");  // closing closes the gap
    EXPECT_EQ(books->Item(2)->Name(), "Book2");
    EXPECT_THROW(xl.OpenWorkbook(sim::SimpleWorkbook("BOOK1")), sim::SimError);
}

TEST(SimWorkbooks, SheetIndexCountsAllSheetsWorksheetsOnlyWorksheets) {
    sim::Excel xl;
    xl.OpenWorkbook(ChartFirst());
    auto wb = xl.Application()->ActiveWorkbook();
    EXPECT_EQ(wb->Sheets()->Count(), 3);
    EXPECT_EQ(wb->Worksheets()->Count(), 2);
    auto data = wb->Worksheets()->Item(1);
    EXPECT_EQ(data->Name(), "Data");
    EXPECT_EQ(data->Index(), 2);
    EXPECT_EQ(wb->Sheets()->Item(1)->AsWorksheet(), nullptr);
    EXPECT_TRUE(host::SameObject(wb->Sheets()->Item(2)->AsWorksheet(), data));
    EXPECT_EQ(ErrorOf([&] { wb->Worksheets()->Item(3); }), host::err::kSubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { wb->Worksheets()->Item("Chart1"); }), host::err::kSubscriptOutOfRange);
    // A sheet added after the first moves the later ones along.
    xl.AddWorksheet("Mixed.xlsx", "Inserted", "Chart1");
    EXPECT_EQ(data->Index(), 3);
    EXPECT_EQ(wb->Worksheets()->Item(1)->Name(), "Inserted");
}

TEST(SimWorkbooks, WindowsOtherThanTheFirstAreOutOfRange) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto wb = xl.Application()->ActiveWorkbook();
    EXPECT_TRUE(wb->Windows(1)->Visible());
    xl.SetWindowVisible("Book1", false);
    EXPECT_FALSE(wb->Windows(1)->Visible());
    EXPECT_EQ(ErrorOf([&] { wb->Windows(2); }), host::err::kSubscriptOutOfRange);
    EXPECT_EQ(xl.ActiveWorkbookName(), "");  // no other window to show
}

TEST(SimWorkbooks, UserActionsRaiseTheirEvents) {
    sim::Excel xl;
    Recorder rec;
    auto conn = xl.Application()->Advise(rec);
    xl.NewWorkbook();
    xl.OpenWorkbook(sim::SimpleWorkbook("Open.xlsx"));
    xl.AddWorksheet("Open.xlsx");
    xl.AddChartSheet("Open.xlsx");
    xl.Select("Open.xlsx", "Sheet1", "B2:D4");
    xl.Edit("C3", "x");
    xl.InsertRows("Open.xlsx", "Sheet1", 2, 2);
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"new Book1", "open Open.xlsx", "sheet Open.xlsx Sheet2",
                                        "sheet Open.xlsx Chart1", "select Sheet1 $B$2:$D$4",
                                        "change Sheet1 $C$3", "change Sheet1 $2:$3"}));
    EXPECT_EQ(xl.ActiveCellAddress(), "$C$5");
    conn.Reset();
    xl.Select("A1");
    EXPECT_EQ(rec.log.size(), 7u);
    EXPECT_EQ(xl.AdvisedSinks(), 0);
}

TEST(SimWorkbooks, SaveCanBeCancelledAndRecordsWhatWasWritten) {
    sim::Excel xl;
    Recorder rec;
    auto conn = xl.Application()->Advise(rec);
    xl.NewWorkbook();
    rec.cancelSave = true;
    EXPECT_FALSE(xl.SaveWorkbook("Book1"));
    EXPECT_FALSE(xl.WasSaved("Book1"));
    rec.cancelSave = false;
    auto props = xl.Application()->ActiveWorkbook()->CustomDocumentProperties();
    props->Add("Note", false, host::xl::kPropertyTypeString, "kept");
    EXPECT_TRUE(xl.SaveWorkbookAs("Book1", "Kept.xlsx"));
    EXPECT_EQ(rec.log.back(), "save Book1 as");
    xl.CloseWorkbook("Kept.xlsx");
    sim::WorkbookSpec saved = xl.Snapshot("Kept.xlsx");
    ASSERT_EQ(saved.customProperties.size(), 1u);
    EXPECT_EQ(saved.customProperties[0].value, "kept");
    xl.OpenWorkbook(saved);
    EXPECT_EQ(xl.CustomProperty("Kept.xlsx", "NOTE"), "kept");
}

TEST(SimWorkbooks, GotoActivatesAndSelectsUnlessTheTargetIsHidden) {
    sim::Excel xl;
    Recorder rec;
    auto app = xl.Application();
    auto conn = app->Advise(rec);
    xl.OpenWorkbook(sim::SimpleWorkbook("A.xlsx", {"S1", "S2"}));
    xl.NewWorkbook();
    auto target = xl.RangeRef("A.xlsx", "S2", "C7");
    app->Goto(target);
    EXPECT_EQ(xl.ActiveWorkbookName(), "A.xlsx");
    EXPECT_EQ(xl.ActiveSheetName(), "S2");
    EXPECT_EQ(xl.ActiveCellAddress(), "$C$7");
    EXPECT_EQ(rec.log.back(), "select S2 $C$7");
    EXPECT_EQ(xl.GotoLog().back(), "[A.xlsx]S2!$C$7");

    xl.SetSheetVisible("A.xlsx", "S1", 0);
    EXPECT_EQ(ErrorOf([&] { app->Goto(xl.RangeRef("A.xlsx", "S1", "A1")); }),
              host::err::kHostRefused);
    xl.SetSheetVisible("A.xlsx", "S1", -1);
    xl.SetWindowVisible("A.xlsx", false);
    EXPECT_EQ(ErrorOf([&] { app->Goto(xl.RangeRef("A.xlsx", "S1", "A1")); }),
              host::err::kHostRefused);
    EXPECT_EQ(xl.ActiveWorkbookName(), "Book1");
    EXPECT_EQ(xl.GotoLog().size(), 1u);
}

TEST(SimWorkbooks, ActivateNeedsTheActiveWorkbookAndSheet) {
    sim::Excel xl;
    auto app = xl.Application();
    xl.OpenWorkbook(sim::SimpleWorkbook("A.xlsx", {"S1", "S2"}));
    xl.NewWorkbook();
    auto cell = xl.RangeRef("A.xlsx", "S2", "B2");
    EXPECT_EQ(ErrorOf([&] { cell->Activate(); }), host::err::kHostRefused);
    EXPECT_EQ(
        ErrorOf([&] { app->Workbooks()->Item("A.xlsx")->Worksheets()->Item("S2")->Activate(); }),
        host::err::kHostRefused);
    app->Workbooks()->Item("A.xlsx")->Activate();
    app->Worksheets("S2")->Activate();
    app->Range("B2")->Activate();
    EXPECT_EQ(xl.ActiveCellAddress(), "$B$2");
    EXPECT_TRUE(host::SameObject(app->ActiveCell(), cell));
    // Inside the selection only the active cell moves.
    xl.Select("A1:C3");
    app->Range("C3")->Activate();
    EXPECT_EQ(xl.SelectionAddress(), "$A$1:$C$3");
    EXPECT_EQ(xl.ActiveCellAddress(), "$C$3");
    xl.SetSheetVisible("A.xlsx", "S1", 2);
    EXPECT_EQ(ErrorOf([&] { app->Workbooks()->Item("A.xlsx")->Sheets()->Item(1)->Activate(); }),
              host::err::kHostRefused);
}

TEST(SimWorkbooks, OleObjectsRefuseProtectedSheetsAndDieWhenDeleted) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto sheet = xl.Application()->Worksheets("Sheet1");
    auto ole = sheet->OLEObjects()->Add("Forms.Label.1", false, false, 48, 30, 1, 1);
    ole->SetPlacement(host::xl::kMoveAndSize);
    ole->Object()->SetCaption("*");
    EXPECT_EQ(ErrorOf([&] {
                  sheet->OLEObjects()->Add("Forms.CommandButton.1", false, false, 0, 0, 1, 1);
              }),
              host::err::kHostRefused);
    xl.Protect("Book1", "Sheet1");
    EXPECT_EQ(ErrorOf([&] { sheet->OLEObjects()->Add("Forms.Label.1", false, false, 0, 0, 1, 1); }),
              host::err::kHostRefused);
    EXPECT_EQ(ErrorOf([&] { ole->Delete(); }), host::err::kHostRefused);
    xl.Unprotect("Book1", "Sheet1");
    auto label = ole->Object();
    ole->Delete();
    EXPECT_EQ(ErrorOf([&] { ole->Object(); }), host::err::kDisconnected);
    EXPECT_EQ(ErrorOf([&] { label->SetForeColor(0); }), host::err::kDisconnected);
    int32_t again = ErrorOf([&] { ole->Delete(); });
    EXPECT_NE(again, 0);
    EXPECT_NE(again, host::err::kHostRefused);
    ASSERT_EQ(xl.OleObjects("Book1", "Sheet1", true).size(), 1u);
    EXPECT_TRUE(xl.OleObjects("Book1", "Sheet1", true)[0].deleted);
    EXPECT_TRUE(xl.OleObjects("Book1", "Sheet1").empty());
}

TEST(SimWorkbooks, ObjectsPlacedWithCellsMoveWithThem) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto sheet = xl.Application()->Worksheets("Sheet1");
    auto withCells = sheet->OLEObjects()->Add("Forms.Label.1", false, false, 48, 30, 1, 1);
    withCells->SetPlacement(1);
    auto floating = sheet->OLEObjects()->Add("Forms.Label.1", false, false, 48, 30, 1, 1);
    floating->SetPlacement(3);
    auto moveOnly = sheet->OLEObjects()->Add("Forms.Label.1", false, false, 48, 30, 1, 1);
    xl.InsertRows("Book1", "Sheet1", 1, 2);
    xl.InsertColumns("Book1", "Sheet1", 2);
    EXPECT_EQ(withCells->Top(), 60.0);
    EXPECT_EQ(withCells->Left(), 96.0);
    EXPECT_EQ(withCells->Top(), sheet->Range("C5")->Top());
    EXPECT_EQ(floating->Top(), 30.0);
    EXPECT_EQ(moveOnly->Top(), 60.0);  // a new object moves with its cells too
    xl.DeleteRows("Book1", "Sheet1", 1);
    EXPECT_EQ(withCells->Top(), 45.0);
}

TEST(SimWorkbooks, CustomPropertiesFollowTheHostsRules) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto props = xl.Application()->ActiveWorkbook()->CustomDocumentProperties();
    EXPECT_NE(ErrorOf([&] { props->Item("QEL_BOOKMARK"); }), 0);
    auto p = props->Add("QEL_BOOKMARK", false, host::xl::kPropertyTypeString, "1:$C$5;");
    EXPECT_EQ(props->Item("qel_bookmark")->Value(), "1:$C$5;");
    EXPECT_NE(ErrorOf([&] { props->Add("Qel_Bookmark", false, 4, "x"); }), 0);
    EXPECT_NE(ErrorOf([&] { props->Add("Number", false, 1, "1"); }), 0);
    EXPECT_EQ(ErrorOf([&] { props->Add("Max", false, 4, std::string(255, 'x')); }), 0);
    EXPECT_NE(ErrorOf([&] { props->Add("Long", false, 4, std::string(256, 'x')); }), 0);
    // The limit counts characters, not bytes.
    std::string kana;
    for (int i = 0; i < 255; ++i) kana += "\xE3\x81\x82";
    EXPECT_EQ(ErrorOf([&] { props->Add("Kana", false, 4, kana); }), 0);
    p->Delete();
    EXPECT_EQ(ErrorOf([&] { p->Value(); }), host::err::kDisconnected);
    EXPECT_NE(ErrorOf([&] { props->Item("QEL_BOOKMARK"); }), 0);
    EXPECT_EQ(xl.CustomProperties("Book1").size(), 2u);
}

}  // namespace
