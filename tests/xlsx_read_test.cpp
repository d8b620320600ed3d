// Reading .xlsx packages: fixtures saved by a real spreadsheet application, odd but legal
// XML, and damaged files that must give a clear error instead of a crash.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/xlsx/xlsx.h"
#include "tests/xlsx_test_files.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace xlsx_test;

sim::WorkbookSpec ReadFixture(const std::string& name) {
    const auto result = sim::xlsx::Read(Fixture(name));
    EXPECT_TRUE(result) << result.description;
    return result.workbook;
}

TEST(XlsxReadFixtures, PropertiesWorkbookGivesTextPropertiesAndCellValues) {
    const auto workbook = ReadFixture("properties.xlsx");
    EXPECT_EQ(workbook.name, "properties.xlsx");
    ASSERT_EQ(workbook.sheets.size(), 1u);
    const auto& sheet = workbook.sheets[0];
    EXPECT_EQ(sheet.name, "Sheet1");
    EXPECT_EQ(sheet.kind, sim::SheetKind::Worksheet);
    EXPECT_EQ(CellText(sheet, "A2"), "Apples & pears");
    EXPECT_EQ(CellText(sheet, "B2"), "12.5");
    EXPECT_EQ(CellText(sheet, "B5"), "19.5");  // a formula's last value
    EXPECT_EQ(CellText(sheet, "C5"), "bookmarked");
    EXPECT_EQ(CellText(sheet, "C1"), "<none>");

    // The number and the Boolean property are not text: they stay out of the desc.
    ASSERT_EQ(workbook.customProperties.size(), 2u);
    EXPECT_EQ(workbook.customProperties[0].name, "Owner");
    EXPECT_EQ(workbook.customProperties[0].value, "Ada");
    EXPECT_EQ(workbook.customProperties[1].name, "QEL_BOOKMARK");
    EXPECT_EQ(workbook.customProperties[1].value, "1:$C$5;2:$B$2;");
    EXPECT_TRUE(workbook.windowVisible);
    EXPECT_EQ(workbook.activeSheet, 1);
}

TEST(XlsxReadFixtures, SheetsWorkbookGivesStatesProtectionHiddenLinesAndNames) {
    const auto workbook = ReadFixture("sheets.xlsx");
    const auto& sheets = workbook.sheets;
    ASSERT_EQ(sheets.size(), 4u);
    EXPECT_EQ(sheets[0].name, "First");
    EXPECT_EQ(sheets[0].visible, -1);
    EXPECT_TRUE(sheets[0].isProtected);
    EXPECT_EQ(sheets[1].visible, 0);
    EXPECT_FALSE(sheets[1].isProtected);
    EXPECT_EQ(sheets[2].visible, 2);
    EXPECT_EQ(sheets[3].name, "My Sheet");
    EXPECT_EQ(sheets[3].visible, -1);

    const auto& spaced = sheets[3];
    EXPECT_THAT(spaced.hiddenRows, ElementsAre(3, 5));
    EXPECT_THAT(spaced.hiddenColumns, ElementsAre(3, 5, 6));
    ASSERT_EQ(spaced.rowHeights.size(), 1u);
    EXPECT_EQ(spaced.rowHeights[0].first, 2);
    EXPECT_NEAR(spaced.rowHeights[0].second, 30.0, 0.01);
    ASSERT_EQ(spaced.columnWidths.size(), 1u);
    EXPECT_EQ(spaced.columnWidths[0].first, 2);
    EXPECT_NEAR(spaced.columnWidths[0].second, 80.0, 12.0);  // widths convert roughly
    EXPECT_EQ(CellText(spaced, "C2"), "99");

    EXPECT_EQ(workbook.activeSheet, 4);
    EXPECT_EQ(spaced.activeCell, "D4");
    EXPECT_EQ(sheets[0].activeCell, "A1");

    // Global names land on the sheet they point at, local ones on their own sheet; a
    // name holding a formula is not a cell and is left out.
    EXPECT_THAT(NameList(spaced), ElementsAre("Block=$B$2:$D$4", "Total=$C$2"));
    EXPECT_THAT(NameList(sheets[0]), ElementsAre("Local=$A$1", "Start=$B$3"));
}

TEST(XlsxReadFixtures, ChartSheetBeforeWorksheetKeepsTabOrderAndKinds) {
    const auto sheets = ReadFixture("chart.xlsx").sheets;
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, "Chart1");
    EXPECT_EQ(sheets[0].kind, sim::SheetKind::Chart);
    EXPECT_EQ(sheets[1].name, "Data");
    EXPECT_EQ(sheets[1].kind, sim::SheetKind::Worksheet);
    EXPECT_EQ(CellText(sheets[1], "A2"), "South");
    EXPECT_EQ(CellText(sheets[1], "B2"), "8");
}

class XlsxReadPackage : public ScratchFolder {
  protected:
    sim::xlsx::ReadResult ReadSheet(const std::string& sheetInner) {
        WriteZip(Path("Data.xlsx"), MinimalPackage(Worksheet(sheetInner)));
        return sim::xlsx::Read(Path("Data.xlsx"));
    }
};

TEST_F(XlsxReadPackage, CellKindsGiveTheirDisplayText) {
    const auto result = ReadSheet(
        R"(<sheetData><row r="1">)"
        R"(<c r="A1" t="inlineStr"><is><r><t>Rich </t></r><r><t>text</t></r><rPh><t>ruby</t></rPh></is></c>)"
        R"(<c r="B1" t="b"><v>1</v></c><c r="C1" t="b"><v>0</v></c>)"
        R"(<c r="D1" t="str"><f>"a"&amp;"b"</f><v>ab</v></c>)"
        R"(<c r="E1"><v>1.5E-3</v></c><c r="F1" t="e"><v>#DIV/0!</v></c>)"
        R"(<c r="G1" s="3"/><c r="H1" t="inlineStr"><is><t>line_x000D_break</t></is></c>)"
        R"(<c r="I1" t="inlineStr"><is><t xml:space="preserve">  </t></is></c>)"
        R"(</row></sheetData>)");
    ASSERT_TRUE(result) << result.description;
    const auto& sheet = result.workbook.sheets[0];
    EXPECT_EQ(CellText(sheet, "A1"), "Rich text");
    EXPECT_EQ(CellText(sheet, "B1"), "TRUE");
    EXPECT_EQ(CellText(sheet, "C1"), "FALSE");
    EXPECT_EQ(CellText(sheet, "D1"), "ab");
    EXPECT_EQ(CellText(sheet, "E1"), "1.5E-3");
    EXPECT_EQ(CellText(sheet, "F1"), "#DIV/0!");
    EXPECT_EQ(CellText(sheet, "G1"), "<none>");  // styled but empty
    EXPECT_EQ(CellText(sheet, "H1"), "line\rbreak");
    EXPECT_EQ(CellText(sheet, "I1"), "  ");
}

// Declarations in a DOCTYPE are refused: entities (expansion attacks) and attribute
// defaults (attributes no element shows, read here one way and edited another).
TEST_F(XlsxReadPackage, DeclarationsInADoctypeAreRefused) {
    for (const std::string doctype : {R"(<!DOCTYPE worksheet [<!ENTITY a "aaaaaaaaaa">]>)",
                                      R"(<!DOCTYPE worksheet [<!ATTLIST c t CDATA "s">]>)"}) {
        SCOPED_TRACE(doctype);
        std::string sheet =
            Worksheet(R"(<sheetData><row r="1"><c r="A1"><v>0</v></c></row></sheetData>)");
        sheet.insert(sheet.find("?>") + 2, doctype);
        WriteZip(Path("Data.xlsx"), MinimalPackage(sheet));
        const auto result = sim::xlsx::Read(Path("Data.xlsx"));
        EXPECT_EQ(result.status, sim::xlsx::Status::MalformedXml);
        EXPECT_THAT(result.description, HasSubstr("it declares"));
    }
}

// A shared string costs one copy however many cells of however many sheets show it, and
// a table of more strings than the budget has cells is refused before the sheets are read.
TEST_F(XlsxReadPackage, SharedStringsAreKeptOnceAndTheirTableIsBounded) {
    const std::string big(1 << 18, 'b');
    std::string rows;
    for (int row = 1; row <= 2000; ++row)
        rows += "<row r=\"" + std::to_string(row) +
                "\"><c t=\"s\"><v>1</v></c><c t=\"s\"><v>0</v></c></row>";
    Entries package =
        WithSharedStrings(MinimalPackage(Worksheet("<sheetData>" + rows + "</sheetData>")),
                          "<si><t>small</t></si><si><t>" + big + "</t></si>");
    // A second sheet showing the big string once.
    for (auto& [name, bytes] : package) {
        if (name == "xl/workbook.xml") {
            bytes.insert(bytes.find("</sheets>"), R"(<sheet name="Two" sheetId="2" r:id="rId2"/>)");
        } else if (name == "xl/_rels/workbook.xml.rels") {
            bytes.insert(
                bytes.find("</Relationships>"),
                R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/>)");
        }
    }
    package.emplace_back(
        "xl/worksheets/sheet2.xml",
        Worksheet(R"(<sheetData><row r="1"><c t="s"><v>1</v></c></row></sheetData>)"));
    WriteZip(Path("Data.xlsx"), package);
    auto result = sim::xlsx::Read(Path("Data.xlsx"));
    ASSERT_TRUE(result) << result.description;
    const sim::CellTable& cells = result.workbook.sheets[0].cells;
    EXPECT_EQ(cells.Size(), 4000u);
    EXPECT_EQ(cells.Text(2000, 1), big);
    EXPECT_EQ(cells.Text(1, 2), "small");
    EXPECT_LT(cells.TextBytes(), big.size() + 100);
    ASSERT_EQ(result.workbook.sheets.size(), 2u);
    EXPECT_EQ(result.workbook.sheets[1].cells.Text(1, 1), big);
    EXPECT_TRUE(cells.SharesTextsWith(result.workbook.sheets[1].cells));

    std::string items;
    for (uint64_t i = 0; i <= sim::xlsx::Budget::kFewStrings; ++i) items += "<si/>";
    WriteZip(Path("Data.xlsx"),
             WithSharedStrings(MinimalPackage(Worksheet("<sheetData/>")), items));
    sim::xlsx::ReadOptions tight;
    tight.budget.maxCells = 1000;
    result = sim::xlsx::Read(Path("Data.xlsx"), tight);
    EXPECT_EQ(result.status, sim::xlsx::Status::OverBudget);
    EXPECT_EQ(result.description,
              "Data.xlsx is too large to open: its table of shared strings takes it past the "
              "limit of 1,000 cells; if this machine has the memory, open it with a larger "
              "--max-cells.");
    tight.budget.maxCells = sim::xlsx::Budget::kFewStrings + 1;
    EXPECT_TRUE(sim::xlsx::Read(Path("Data.xlsx"), tight));
}

// Progress follows the bytes of the part read, whatever the cells' size.
TEST_F(XlsxReadPackage, ProgressFollowsTheBytesRead) {
    std::string rows;
    const std::string text(200, 't');
    for (int row = 1; row <= 200000; ++row)
        rows += "<row><c t=\"inlineStr\"><is><t>" + text + "</t></is></c></row>";
    WriteZip(Path("Data.xlsx"), MinimalPackage(Worksheet("<sheetData>" + rows + "</sheetData>")));
    std::vector<double> told;
    sim::xlsx::ReadOptions options;
    options.progress = [&](const sim::xlsx::ReadProgress& p) { told.push_back(p.fraction); };
    ASSERT_TRUE(sim::xlsx::Read(Path("Data.xlsx"), options));
    ASSERT_GE(told.size(), 4u);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_GT(told[told.size() - 2], 0.6);  // the last report before the end
    EXPECT_EQ(told.back(), 1.0);
}

// More text than a cell can hold is damage to name, not text to cut short.
TEST_F(XlsxReadPackage, ACellOfMoreTextThanACellHoldsIsRefusedByName) {
    const std::string huge(sim::CellTable::kMaxTextBytes + 1, 'x');
    const auto result = ReadSheet(R"(<sheetData><row r="1"><c r="A1"><v>1</v></c>)"
                                  R"(<c r="C1" t="inlineStr"><is><t>)" +
                                  huge + "</t></is></c></row></sheetData>");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.status, sim::xlsx::Status::InvalidContent);
    EXPECT_EQ(result.description,
              "Data.xlsx cannot be read: the cell C1 of the sheet \"Sheet1\" holds 16,777,216 "
              "bytes of text, more than the 16,777,215 a cell can hold; the file is damaged.");
}

TEST_F(XlsxReadPackage, RowsAndCellsWithoutPositionsFollowTheirPredecessors) {
    const auto result = ReadSheet(
        R"(<sheetData><row r="2"><c><v>1</v></c><c><v>2</v></c><c r="E2"><v>5</v></c><c><v>6</v></c></row>)"
        R"(<row><c><v>7</v></c></row></sheetData>)");
    ASSERT_TRUE(result) << result.description;
    const auto& sheet = result.workbook.sheets[0];
    EXPECT_EQ(CellText(sheet, "A2"), "1");
    EXPECT_EQ(CellText(sheet, "B2"), "2");
    EXPECT_EQ(CellText(sheet, "E2"), "5");
    EXPECT_EQ(CellText(sheet, "F2"), "6");
    EXPECT_EQ(CellText(sheet, "A3"), "7");
}

TEST_F(XlsxReadPackage, AbsurdNumbersAreIgnoredNotTrusted) {
    const auto result = ReadSheet(
        R"(<sheetViews><sheetView workbookViewId="0"><selection activeCell="ZZZZ99999999"/></sheetView></sheetViews>)"
        R"(<cols><col min="0" max="99999999" hidden="1"/><col min="-3" max="2" hidden="1"/>)"
        R"(<col min="16384" max="16384" hidden="1" width="1e999" customWidth="1"/></cols>)"
        R"(<sheetData><row r="0"><c r="A1"><v>1</v></c></row><row r="99999999999"><c><v>1</v></c></row>)"
        R"(<row r="4" hidden="1" ht="-5" customHeight="1"><c r="B4" t="s"><v>7</v></c>)"
        R"(<c r="C4" t="s"><v>-1</v></c><c r="XFE4"><v>9</v></c><c r="D9"><v>9</v></c></row></sheetData>)");
    ASSERT_TRUE(result) << result.description;
    const auto& sheet = result.workbook.sheets[0];
    EXPECT_TRUE(sheet.cells.Empty());
    EXPECT_THAT(sheet.hiddenRows, ElementsAre(4));
    EXPECT_THAT(sheet.hiddenColumns, ElementsAre(16384));
    EXPECT_TRUE(sheet.rowHeights.empty());
    EXPECT_TRUE(sheet.columnWidths.empty());
    EXPECT_EQ(sheet.activeCell, "A1");
}

TEST_F(XlsxReadPackage, OverlappingColumnRangesCountOnce) {
    std::string cols = "<cols>";
    for (int i = 0; i < 5000; ++i) cols += R"(<col min="1" max="16384" hidden="1"/>)";
    const auto result = ReadSheet(cols + "</cols><sheetData/>");
    ASSERT_TRUE(result) << result.description;
    EXPECT_EQ(result.workbook.sheets[0].hiddenColumns.size(), 16384u);
}

TEST_F(XlsxReadPackage, ActiveCellComesFromTheActivePane) {
    const auto result = ReadSheet(
        R"(<sheetViews><sheetView workbookViewId="0"><pane ySplit="1" topLeftCell="A2" activePane="bottomLeft" state="frozen"/>)"
        R"(<selection pane="topLeft" activeCell="B1"/><selection pane="bottomLeft" activeCell="$c$7" sqref="C7"/>)"
        R"(</sheetView></sheetViews><sheetData/>)");
    ASSERT_TRUE(result) << result.description;
    EXPECT_EQ(result.workbook.sheets[0].activeCell, "C7");
}

TEST_F(XlsxReadPackage, PrefixedSpreadsheetNamespaceReadsTheSame) {
    auto entries = MinimalPackage(
        R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><x:sheetData><x:row r="1"><x:c r="A1"><x:v>4</x:v></x:c></x:row></x:sheetData></x:worksheet>)");
    entries[2].second =
        R"(<x:workbook xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><x:bookViews><x:workbookView visibility="hidden"/></x:bookViews><x:sheets><x:sheet name="S" sheetId="1" rel:id="rId1"/></x:sheets></x:workbook>)";
    WriteZip(Path("Data.xlsx"), entries);
    const auto result = sim::xlsx::Read(Path("Data.xlsx"));
    ASSERT_TRUE(result) << result.description;
    EXPECT_FALSE(result.workbook.windowVisible);
    EXPECT_EQ(result.workbook.sheets[0].name, "S");
    EXPECT_EQ(CellText(result.workbook.sheets[0], "A1"), "4");
}

// ---- Damaged files ----

class XlsxReadErrors : public ScratchFolder {
  protected:
    // Reads path and checks that the file is byte for byte what it was.
    sim::xlsx::ReadResult ReadUnchanged(const std::string& path) {
        const std::string before = Slurp(path);
        auto result = sim::xlsx::Read(path);
        EXPECT_EQ(Slurp(path), before);
        EXPECT_FALSE(result);
        return result;
    }
    sim::xlsx::ReadResult ReadUnchanged(const Entries& package,
                                        const std::string& name = "Data.xlsx") {
        WriteZip(Path(name), package);
        return ReadUnchanged(Path(name));
    }
};

TEST_F(XlsxReadErrors, MissingFileIsNamed) {
    const auto result = sim::xlsx::Read(Path("Nowhere.xlsx"));
    EXPECT_EQ(result.status, sim::xlsx::Status::CannotOpen);
    EXPECT_EQ(result.description, "Nowhere.xlsx cannot be opened: there is no such file.");
}

TEST_F(XlsxReadErrors, TextOrEmptyFileIsNoZipArchive) {
    for (const char* text : {"Name,Amount\nPlums,7\n", ""}) {
        Spit(Path("Data.xlsx"), text);
        const auto result = ReadUnchanged(Path("Data.xlsx"));
        EXPECT_EQ(result.status, sim::xlsx::Status::NotZip);
        EXPECT_THAT(result.description,
                    HasSubstr("Data.xlsx is not a workbook: it is not a zip archive"));
    }
}

// A truncated archive never reads; a flipped byte gives an error or a workbook.
TEST_F(XlsxReadErrors, TruncatedOrCorruptedArchiveNeverCrashes) {
    const std::string whole = Slurp(Fixture("sheets.xlsx"));
    for (size_t at = 0; at < whole.size(); at += 211) {
        Spit(Path("Data.xlsx"), whole.substr(0, at));
        EXPECT_THAT(ReadUnchanged(Path("Data.xlsx")).description, HasSubstr("Data.xlsx")) << at;
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        Spit(Path("Data.xlsx"), damaged);
        const auto result = sim::xlsx::Read(Path("Data.xlsx"));
        if (!result) {
            EXPECT_THAT(result.description, HasSubstr("Data.xlsx")) << "at " << at;
        }
    }
}

TEST_F(XlsxReadErrors, DamagedXmlInsideEveryPartGivesAnErrorOrAWorkbook) {
    const Entries original = ReadEntries(Fixture("sheets.xlsx"));
    unsigned seed = 12345;
    const auto next = [&seed](size_t bound) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<size_t>((seed >> 8) % std::max<size_t>(bound, 1));
    };
    for (size_t part = 0; part < original.size(); ++part) {
        for (int round = 0; round < 12; ++round) {
            Entries damaged = original;
            std::string& xml = damaged[part].second;
            switch (round % 4) {
                case 0:
                    xml.resize(next(xml.size()));
                    break;
                case 1:
                    xml.erase(next(xml.size()), 1);
                    break;
                case 2: {  // a number grows absurd
                    const size_t at = xml.find_first_of("0123456789", next(xml.size()));
                    if (at != std::string::npos) xml.insert(at, "99999999999999999999");
                    break;
                }
                default: {  // quotes and brackets swap places
                    const size_t at = xml.find_first_of("\"<>", next(xml.size()));
                    if (at != std::string::npos) xml[at] = xml[at] == '"' ? '<' : '"';
                }
            }
            WriteZip(Path("Data.xlsx"), damaged);
            const auto result = sim::xlsx::Read(Path("Data.xlsx"));
            if (!result) {
                EXPECT_THAT(result.description, HasSubstr("Data.xlsx"))
                    << damaged[part].first << " round " << round;
            }
        }
    }
}

TEST_F(XlsxReadErrors, ZipWithoutWorkbookIsNoWorkbook) {
    const auto result = ReadUnchanged({{"readme.txt", "hello"}});
    EXPECT_EQ(result.status, sim::xlsx::Status::NotWorkbook);
    EXPECT_EQ(result.description,
              "Data.xlsx is not a workbook: the package has no _rels/.rels part.");
}

TEST_F(XlsxReadErrors, WordProcessingDocumentIsNoWorkbook) {
    auto entries = MinimalPackage(Worksheet("<sheetData/>"));
    entries[2].second =
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"/>)";
    const auto result = ReadUnchanged(entries, "Letter.xlsx");
    EXPECT_EQ(result.status, sim::xlsx::Status::NotWorkbook);
    EXPECT_EQ(result.description,
              "Letter.xlsx is not a workbook: its main part xl/workbook.xml is a document "
              "document.");
}

TEST_F(XlsxReadErrors, BrokenXmlNamesPartAndLine) {
    auto entries = MinimalPackage(Worksheet("<sheetData/>"));
    entries[2].second = "<?xml version=\"1.0\"?>\n<workbook>\n<sheets><sheet name=\"A\"></sheets>";
    const auto result = ReadUnchanged(entries);
    EXPECT_EQ(result.status, sim::xlsx::Status::MalformedXml);
    EXPECT_THAT(result.description,
                HasSubstr("Data.xlsx: xl/workbook.xml is not well-formed XML (line 3"));
}

TEST_F(XlsxReadErrors, MissingSheetPartIsNamed) {
    auto entries = MinimalPackage(Worksheet("<sheetData/>"));
    entries.pop_back();
    const auto result = ReadUnchanged(entries);
    EXPECT_EQ(result.status, sim::xlsx::Status::MissingPart);
    EXPECT_EQ(result.description,
              "Data.xlsx: the part xl/worksheets/sheet1.xml named in the workbook is missing.");
}

TEST_F(XlsxReadErrors, SheetWithoutRelationshipAndWorkbookWithoutSheetsAreRefused) {
    auto entries = MinimalPackage(Worksheet("<sheetData/>"));
    entries[2].second =
        R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="A" sheetId="1" r:id="rId9"/></sheets></workbook>)";
    EXPECT_EQ(ReadUnchanged(entries).status, sim::xlsx::Status::InvalidContent);

    entries[2].second =
        R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheets/></workbook>)";
    EXPECT_EQ(ReadUnchanged(entries).description, "Data.xlsx: xl/workbook.xml lists no sheets.");
}

// Given again in a later row of the same number, or by position in its own row.
TEST_F(XlsxReadErrors, CellGivenTwiceIsRefusedNamingTheCell) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(<row r="1"><c r="A1"><v>1</v></c></row><row r="2"><c r="A2"><v>2</v></c></row>)"
         R"(<row r="1"><c r="A1"><v>3</v></c></row>)",
         "A1"},
        {R"(<row r="1"><c r="B1"><v>1</v></c><c r="A1"><v>2</v></c><c><v>3</v></c></row>)", "B1"}};
    for (const auto& [rows, cell] : cases) {
        const auto result = ReadUnchanged(
            MinimalPackage(Worksheet("<sheetData>" + std::string(rows) + "</sheetData>")));
        EXPECT_EQ(result.status, sim::xlsx::Status::InvalidContent);
        EXPECT_EQ(result.description,
                  "Data.xlsx cannot be read: the sheet \"Sheet1\" gives the cell " +
                      std::string(cell) +
                      " twice; let a spreadsheet application repair the file "
                      "and save it again.");
    }
}

TEST_F(XlsxReadErrors, BrokenCustomPropertiesPartIsReported) {
    auto entries = MinimalPackage(Worksheet("<sheetData/>"));
    entries[1].second =
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/custom-properties" Target="docProps/custom.xml"/></Relationships>)";
    EXPECT_EQ(ReadUnchanged(entries).description,
              "Data.xlsx: the part docProps/custom.xml named in _rels/.rels is missing.");

    entries.emplace_back("docProps/custom.xml", "<Properties><property name=");
    EXPECT_THAT(ReadUnchanged(entries).description,
                HasSubstr("Data.xlsx: docProps/custom.xml is not well-formed XML (line 1"));
}

}  // namespace
