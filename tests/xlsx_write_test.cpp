// Saving workbooks as .xlsx: over the package they came from (only the custom properties
// and changed cells differ, every other part is copied as it was), as new files, and
// failures that must leave the disk as it was.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "sim/excel.h"
#include "sim/xlsx/xlsx.h"
#include "tests/xlsx_test_files.h"

namespace {

using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Pair;
using namespace xlsx_test;

void SetCell(sim::SheetSpec& sheet, const std::string& address, const std::string& text) {
    sheet.cells.Set(address, text);
}

void RemoveCell(sim::SheetSpec& sheet, const std::string& address) {
    sheet.cells.Set(address, "");
}

void SetProperty(sim::WorkbookSpec& workbook, const std::string& name, const std::string& value) {
    for (auto& property : workbook.customProperties) {
        if (property.name == name) {
            property.value = value;
            return;
        }
    }
    workbook.customProperties.push_back({name, value});
}

std::string PropertyValue(const sim::WorkbookSpec& workbook, const std::string& name) {
    for (const auto& property : workbook.customProperties) {
        if (property.name == name) return property.value;
    }
    return "<none>";
}

// Names of the entries in order, and the names of those whose bytes differ.
std::vector<std::string> Names(const Entries& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.first);
    return names;
}

std::vector<std::string> ChangedEntries(const Entries& before, const Entries& after) {
    std::vector<std::string> changed;
    for (const auto& [name, bytes] : after) {
        bool same = false;
        for (const auto& [oldName, oldBytes] : before) {
            if (oldName == name) same = oldBytes == bytes;
        }
        if (!same) changed.push_back(name);
    }
    return changed;
}

class XlsxWrite : public ScratchFolder {
  protected:
    // Copies a fixture into the scratch folder and reads it.
    sim::WorkbookSpec Open(const std::string& fixture, const std::string& as = "Data.xlsx") {
        std::filesystem::copy_file(Fixture(fixture), Path(as));
        const auto result = sim::xlsx::Read(Path(as));
        EXPECT_TRUE(result) << result.description;
        return result.workbook;
    }

    sim::WorkbookSpec Reopen(const std::string& name = "Data.xlsx") {
        const auto result = sim::xlsx::Read(Path(name));
        EXPECT_TRUE(result) << result.description;
        return result.workbook;
    }

    void Save(const sim::WorkbookSpec& workbook, const std::string& from = "Data.xlsx",
              const std::string& to = "Data.xlsx") {
        const auto result =
            sim::xlsx::Write(from.empty() ? std::string() : Path(from), workbook, Path(to));
        ASSERT_TRUE(result) << result.description;
    }

    // A write that must fail, leaving every name and byte in the folder as it was.
    sim::xlsx::WriteResult FailedWrite(const sim::WorkbookSpec& workbook, const std::string& from,
                                       const std::string& to) {
        const auto before = FolderContent();
        auto result = sim::xlsx::Write(from.empty() ? from : Path(from), workbook, Path(to));
        EXPECT_FALSE(result);
        EXPECT_EQ(FolderContent(), before);
        return result;
    }

    std::vector<std::pair<std::string, std::string>> FolderContent() const {
        std::vector<std::pair<std::string, std::string>> content;
        for (const auto& name : FolderListing()) {
            content.emplace_back(
                name, std::filesystem::is_directory(Path(name)) ? "<folder>" : Slurp(Path(name)));
        }
        return content;
    }
};

TEST_F(XlsxWrite, ChangedPropertyLeavesEveryOtherPartByteForByte) {
    for (const std::string fixture : {"properties.xlsx", "sheets.xlsx", "chart.xlsx"}) {
        SCOPED_TRACE(fixture);
        auto workbook = Open(fixture, fixture);
        SetProperty(workbook, "QEL_BOOKMARK", "1:$A$1;");
        Save(workbook, fixture, "Saved-" + fixture);

        const Entries before = ReadEntries(Path(fixture));
        const Entries after = ReadEntries(Path("Saved-" + fixture));
        const bool hadCustom = HasEntry(before, "docProps/custom.xml");
        if (hadCustom) {
            EXPECT_EQ(Names(after), Names(before));
            EXPECT_THAT(ChangedEntries(before, after), ElementsAre("docProps/custom.xml"));
        } else {
            // A new part goes at the end, announced in the content types and package rels.
            auto expected = Names(before);
            expected.push_back("docProps/custom.xml");
            EXPECT_EQ(Names(after), expected);
            EXPECT_THAT(ChangedEntries(before, after),
                        ::testing::UnorderedElementsAre("_rels/.rels", "[Content_Types].xml",
                                                        "docProps/custom.xml"));
            EXPECT_THAT(EntryOf(after, "[Content_Types].xml"),
                        HasSubstr(R"(<Override PartName="/docProps/custom.xml" )"
                                  R"(ContentType="application/vnd.openxmlformats-)"
                                  R"(officedocument.custom-properties+xml"/>)"));
            EXPECT_THAT(EntryOf(after, "_rels/.rels"),
                        HasSubstr(R"(Type="http://schemas.openxmlformats.org/officeDocument/)"
                                  R"(2006/relationships/custom-properties" )"
                                  R"(Target="docProps/custom.xml")"));
        }
        const auto reopened = Reopen("Saved-" + fixture);
        EXPECT_EQ(PropertyValue(reopened, "QEL_BOOKMARK"), "1:$A$1;");
        ASSERT_EQ(reopened.sheets.size(), workbook.sheets.size());
        for (size_t i = 0; i < workbook.sheets.size(); ++i) {
            EXPECT_EQ(reopened.sheets[i].kind, workbook.sheets[i].kind) << i;
        }
    }
}

TEST_F(XlsxWrite, PropertiesOfOtherTypesSurviveAndIdsAreRenumbered) {
    auto workbook = Open("properties.xlsx");
    std::erase_if(workbook.customProperties,
                  [](const sim::PropertySpec& p) { return p.name == "Owner"; });
    SetProperty(workbook, "QEL_BOOKMARK", "1:$B$3;1:$B$3;");
    // Text that XML cannot hold as it is must still come back the same.
    const std::string note = "a < b & \"c\" tab\there\x01 and _x0041_ and \xE6\x97\xA5\xE6\x9C\xAC";
    SetProperty(workbook, "Note", note);
    Save(workbook);

    const std::string custom = EntryOf(ReadEntries(Path("Data.xlsx")), "docProps/custom.xml");
    EXPECT_THAT(custom, HasSubstr(R"(pid="2" name="Checked"><vt:bool>1</vt:bool>)"));
    EXPECT_THAT(custom, HasSubstr(R"(pid="3" name="QEL_BOOKMARK"><vt:lpwstr>1:$B$3;1:$B$3;<)"));
    EXPECT_THAT(custom, HasSubstr(R"(pid="4" name="Revision"><vt:r8>42</vt:r8>)"));
    EXPECT_THAT(custom, HasSubstr(R"(pid="5" name="Note">)"));
    EXPECT_THAT(custom, Not(HasSubstr("Owner")));

    const auto reopened = Reopen();
    ASSERT_EQ(reopened.customProperties.size(), 2u);
    EXPECT_EQ(PropertyValue(reopened, "QEL_BOOKMARK"), "1:$B$3;1:$B$3;");
    EXPECT_EQ(PropertyValue(reopened, "Note"), note);
}

TEST_F(XlsxWrite, PropertyMatchedWithoutRegardToCaseKeepsItsPlaceAndNewOnesGoLast) {
    auto workbook = Open("properties.xlsx");
    auto& properties = workbook.customProperties;
    properties.insert(properties.begin(), {"New", "n"});
    for (auto& property : properties) {
        if (property.name == "Owner") property = {"OWNER", "Bob"};
    }
    Save(workbook);
    const std::string custom = EntryOf(ReadEntries(Path("Data.xlsx")), "docProps/custom.xml");
    EXPECT_THAT(custom, HasSubstr(R"(name="OWNER"><vt:lpwstr>Bob<)"));
    EXPECT_THAT(custom, Not(HasSubstr("Owner")));
    EXPECT_LT(custom.find("OWNER"), custom.find("QEL_BOOKMARK"));
    EXPECT_GT(custom.find(R"(name="New")"), custom.find("Revision"));
}

TEST_F(XlsxWrite, DeletingEveryTextPropertyKeepsTheOthers) {
    auto workbook = Open("properties.xlsx");
    workbook.customProperties.clear();
    Save(workbook);
    EXPECT_TRUE(Reopen().customProperties.empty());
    const std::string custom = EntryOf(ReadEntries(Path("Data.xlsx")), "docProps/custom.xml");
    EXPECT_THAT(custom, Not(HasSubstr("QEL_BOOKMARK")));
    EXPECT_THAT(custom, HasSubstr("Revision"));
}

TEST_F(XlsxWrite, ChangedCellsAreWrittenAndTheRestOfTheSheetKept) {
    auto workbook = Open("properties.xlsx");
    const Entries before = ReadEntries(Path("Data.xlsx"));
    auto& sheet = workbook.sheets[0];
    SetCell(sheet, "B2", "13");          // number over number
    SetCell(sheet, "A3", "Cherries");    // text over a shared string
    SetCell(sheet, "B5", "20");          // over a formula
    SetCell(sheet, "$E$7", " spaced ");  // a new cell on a new row
    SetCell(sheet, "D2", "TRUE");        // a new cell inside an existing row
    RemoveCell(sheet, "A1");             // cleared
    // Text that only looks numeric stays text.
    SetCell(sheet, "F1", "007");
    SetCell(sheet, "F2", "1234567890123456789");
    SetCell(sheet, "F3", "1e5000");
    SetCell(sheet, "F4", "-0.25");
    Save(workbook);

    const Entries after = ReadEntries(Path("Data.xlsx"));
    EXPECT_EQ(Names(after), Names(before));
    EXPECT_THAT(ChangedEntries(before, after),
                ::testing::UnorderedElementsAre("xl/worksheets/sheet1.xml", "docProps/custom.xml"));
    const std::string xml = EntryOf(after, "xl/worksheets/sheet1.xml");
    EXPECT_THAT(xml, HasSubstr(R"(<c r="A1" s="0"/>)"));  // value gone, style kept
    EXPECT_THAT(
        xml,
        HasSubstr(
            R"(<row r="7"><c r="E7" t="inlineStr"><is><t xml:space="preserve"> spaced </t></is></c></row>)"));
    EXPECT_THAT(
        xml, HasSubstr(R"(<c r="B2" s="0"><v>13</v></c><c r="D2" t="b"><v>1</v></c><c r="F2" )"));
    EXPECT_THAT(xml, Not(HasSubstr("<f")));
    EXPECT_THAT(xml, HasSubstr(R"(<dimension ref="A1:F7"/>)"));
    EXPECT_THAT(xml, HasSubstr(R"(<c r="F1" t="inlineStr"><is><t>007</t>)"));
    EXPECT_THAT(xml, HasSubstr(R"(<c r="F2" t="inlineStr">)"));
    EXPECT_THAT(xml, HasSubstr(R"(<c r="F3" t="inlineStr">)"));
    EXPECT_THAT(xml, HasSubstr(R"(</row><row r="4"><c r="F4"><v>-0.25</v></c></row><row r="5")"));
    EXPECT_THAT(xml, HasSubstr(R"(<pageSetup paperSize="9")"));  // untouched elements stay

    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "A1"), "<none>");
    EXPECT_EQ(CellText(reopened, "A2"), "Apples & pears");
    EXPECT_EQ(CellText(reopened, "B2"), "13");
    EXPECT_EQ(CellText(reopened, "A3"), "Cherries");
    EXPECT_EQ(CellText(reopened, "B5"), "20");
    EXPECT_EQ(CellText(reopened, "E7"), " spaced ");
    EXPECT_EQ(CellText(reopened, "D2"), "TRUE");
    EXPECT_EQ(CellText(reopened, "F1"), "007");
}

TEST_F(XlsxWrite, TypingOverAFormulaDropsTheCalculationChainAndOrphanedSharedFormulas) {
    auto entries = MinimalPackage(Worksheet(
        R"(<sheetData><row r="1"><c r="A1"><f t="shared" ref="A1:A3" si="0">B1*2</f><v>2</v></c></row>)"
        R"(<row r="2"><c r="A2"><f t="shared" si="0"/><v>4</v></c></row>)"
        R"(<row r="3"><c r="A3"><f t="shared" si="0"/><v>6</v></c><c r="C3"><f>A3+1</f><v>7</v></c></row></sheetData>)"));
    entries[0].second.insert(
        entries[0].second.find("</Types>"),
        R"(<Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/>)");
    entries[3].second.insert(
        entries[3].second.find("</Relationships>"),
        R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/>)");
    entries.emplace_back(
        "xl/calcChain.xml",
        R"(<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><c r="A1" i="1"/></calcChain>)");
    WriteZip(Path("Data.xlsx"), entries);

    auto workbook = Reopen();
    SetCell(workbook.sheets[0], "A1", "5");
    Save(workbook);

    const Entries after = ReadEntries(Path("Data.xlsx"));
    EXPECT_FALSE(HasEntry(after, "xl/calcChain.xml"));
    EXPECT_THAT(EntryOf(after, "[Content_Types].xml"), Not(HasSubstr("calcChain")));
    EXPECT_THAT(EntryOf(after, "xl/_rels/workbook.xml.rels"), Not(HasSubstr("calcChain")));
    const std::string xml = EntryOf(after, "xl/worksheets/sheet1.xml");
    EXPECT_THAT(xml, HasSubstr(R"(<c r="A2"><v>4</v></c>)"));
    EXPECT_THAT(xml, HasSubstr(R"(<f>A3+1</f>)"));  // an unrelated formula stays
    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "A1"), "5");
    EXPECT_EQ(CellText(reopened, "A3"), "6");
}

TEST_F(XlsxWrite, CellInsertedAmongImpliedPositionsInAPrefixedSheet) {
    WriteZip(
        Path("Data.xlsx"),
        MinimalPackage(
            R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
            R"(<x:sheetData><x:row><x:c><x:v>1</x:v></x:c><x:c r="C1"><x:v>3</x:v></x:c><x:c><x:v>4</x:v></x:c></x:row>)"
            R"(<x:row><x:c><x:v>5</x:v></x:c></x:row></x:sheetData></x:worksheet>)"));
    auto workbook = Reopen();
    SetCell(workbook.sheets[0], "B1", "2");
    SetCell(workbook.sheets[0], "A4", "x");
    Save(workbook);
    const std::string xml = EntryOf(ReadEntries(Path("Data.xlsx")), "xl/worksheets/sheet1.xml");
    EXPECT_THAT(
        xml,
        HasSubstr(
            R"(<x:row r="1"><x:c r="A1"><x:v>1</x:v></x:c><x:c r="B1"><x:v>2</x:v></x:c><x:c r="C1"><x:v>3</x:v></x:c><x:c r="D1"><x:v>4</x:v></x:c></x:row>)"));
    EXPECT_THAT(
        xml,
        HasSubstr(
            R"(<x:row r="4"><x:c r="A4" t="inlineStr"><x:is><x:t>x</x:t></x:is></x:c></x:row>)"));
    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "D1"), "4");
    EXPECT_EQ(CellText(reopened, "A2"), "5");
    EXPECT_EQ(CellText(reopened, "A4"), "x");
}

// Rows and cells out of order are read as they stand; a save edits the very cell that
// was read, never adding a second of the same position that a later read would refuse.
TEST_F(XlsxWrite, CellsOutOfOrderAreEditedWhereTheyStand) {
    WriteZip(
        Path("Data.xlsx"),
        MinimalPackage(Worksheet(
            R"(<sheetData><row r="3"><c r="C3"><v>1</v></c><c r="A3"><v>2</v></c><c><v>3</v></c></row>)"
            R"(<row r="1"><c r="A1"><v>4</v></c></row></sheetData>)")));
    auto workbook = Reopen();
    EXPECT_EQ(CellText(workbook.sheets[0], "B3"), "3");  // the cell after A3
    SetCell(workbook.sheets[0], "A3", "20");
    SetCell(workbook.sheets[0], "A1", "40");
    SetCell(workbook.sheets[0], "A2", "new");
    Save(workbook);
    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "A3"), "20");
    EXPECT_EQ(CellText(reopened, "A1"), "40");
    EXPECT_EQ(CellText(reopened, "A2"), "new");
    EXPECT_EQ(CellText(reopened, "B3"), "3");
    EXPECT_EQ(CellText(reopened, "C3"), "1");
    EXPECT_EQ(reopened.cells.Size(), 5u);
}

// Row numbers as the schema allows them written (a plus sign, white space around) are
// the same rows to the reader and to a save's editor: an edit lands on the cell read, the
// rows after keep their places. A sheet with two sheetData is refused, not half read.
// Zero may carry a minus sign (a shared string's index); no other number may.
TEST_F(XlsxWrite, RowNumbersReadAlikeByReaderAndEditor) {
    WriteZip(Path("Strings.xlsx"),
             WithSharedStrings(
                 MinimalPackage(Worksheet(R"(<sheetData><row r="1"><c r="A1" t="s"><v>-0</v></c>)"
                                          R"(<c r="B1" t="s"><v>-1</v></c></row></sheetData>)")),
                 "<si><t>first</t></si><si><t>second</t></si>"));
    const auto strings = sim::xlsx::Read(Path("Strings.xlsx"));
    ASSERT_TRUE(strings) << strings.description;
    EXPECT_EQ(strings.workbook.sheets[0].cells.Text("$A$1"), "first");
    EXPECT_EQ(strings.workbook.sheets[0].cells.Size(), 1u);
    WriteZip(Path("Data.xlsx"),
             MinimalPackage(Worksheet(R"(<sheetData><row r="+3"><c><v>1</v></c></row>)"
                                      R"(<row r=" 5 "><c><v>2</v></c></row>)"
                                      R"(<row><c><v>3</v></c></row></sheetData>)")));
    auto workbook = Reopen();
    EXPECT_EQ(CellText(workbook.sheets[0], "A3"), "1");
    EXPECT_EQ(CellText(workbook.sheets[0], "A5"), "2");
    EXPECT_EQ(CellText(workbook.sheets[0], "A6"), "3");
    SetCell(workbook.sheets[0], "A3", "10");
    SetCell(workbook.sheets[0], "B6", "30");
    SetCell(workbook.sheets[0], "A4", "new");
    Save(workbook);
    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "A3"), "10");
    EXPECT_EQ(CellText(reopened, "A4"), "new");
    EXPECT_EQ(CellText(reopened, "A5"), "2");
    EXPECT_EQ(CellText(reopened, "A6"), "3");
    EXPECT_EQ(CellText(reopened, "B6"), "30");
    EXPECT_EQ(reopened.cells.Size(), 5u);

    WriteZip(
        Path("Twice.xlsx"),
        MinimalPackage(Worksheet(R"(<sheetData><row r="1"><c><v>1</v></c></row></sheetData>)"
                                 R"(<sheetData><row r="1"><c><v>2</v></c></row></sheetData>)")));
    const auto twice = sim::xlsx::Read(Path("Twice.xlsx"));
    EXPECT_EQ(twice.status, sim::xlsx::Status::InvalidContent);
    EXPECT_THAT(twice.description, HasSubstr("holds its cells twice"));
}

// A sheet part copied as it is shows what the shared strings beside it say: a file
// replaced since the read by one of the same sheet part but other strings has the cells
// the user saw written out, not the other file's texts shown in their places.
TEST_F(XlsxWrite, SheetCopiedOnlyWhileItsSharedStringsAreThoseRead) {
    const std::string sheet =
        Worksheet(R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData>)");
    WriteZip(Path("Data.xlsx"), WithSharedStrings(MinimalPackage(sheet), "<si><t>mine</t></si>"));
    auto workbook = Reopen();
    WriteZip(Path("Data.xlsx"), WithSharedStrings(MinimalPackage(sheet), "<si><t>theirs</t></si>"));
    SetProperty(workbook, "Mark", "1:$A$1;");
    Save(workbook);
    EXPECT_EQ(CellText(Reopen().sheets[0], "A1"), "mine");
}

// ---- Edits streamed over a sheet ----

// Replaces the one occurrence of from in text.
void ReplaceOnce(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    ASSERT_EQ(text.find(from, at + 1), std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// A sheet over many chunks of the stream, written as no tree serializer writes it (single
// quotes, line breaks, comments, an entity): only the changed cells, the row that takes a
// new cell, the new row and the dimension differ from it, to the byte.
TEST_F(XlsxWrite, EditsInABigSheetKeepEveryOtherByte) {
    std::string inner = "<dimension ref='A1:E3000'/>\n<sheetData>\n";
    for (int row = 1; row <= 3000; ++row) {
        const std::string n = std::to_string(row);
        inner += "<row r='" + n + "' spans='1:5'>";
        for (const char column : std::string("ABCDE")) {
            inner += "<c r='" + std::string(1, column) + n + "' s='1'><v>" + n + "</v></c>";
            if (row % 100 == 0 && column == 'B') inner += "<!-- note " + n + " -->";
        }
        if (row % 7 == 0) {
            inner += "<c r='F" + n + "' t='inlineStr'><is><t>a &amp; b</t></is></c>";
        }
        inner += "</row>\n";
    }
    inner += "</sheetData>\n<pageMargins left='0.7' right='0.7'/>";
    const std::string original = Worksheet(inner);
    WriteZip(Path("Data.xlsx"), MinimalPackage(original));

    auto workbook = Reopen();
    std::string expected = original;
    for (int row = 13; row <= 3000; row += 97) {
        const std::string n = std::to_string(row);
        SetCell(workbook.sheets[0], "C" + n, "x&y");
        ReplaceOnce(expected, "<c r='C" + n + "' s='1'><v>" + n + "</v></c>",
                    "<c r=\"C" + n + "\" s=\"1\" t=\"inlineStr\"><is><t>x&amp;y</t></is></c>");
        const std::string cleared = std::to_string(row + 50);
        RemoveCell(workbook.sheets[0], "D" + cleared);
        ReplaceOnce(expected, "<c r='D" + cleared + "' s='1'><v>" + cleared + "</v></c>",
                    "<c r=\"D" + cleared + "\" s=\"1\"/>");
    }
    // Cells the part's 64 KiB chunks cut in two, or end just before a cut.
    for (size_t cut = 65536; cut < original.size(); cut += 65536) {
        const size_t at = original.rfind("<c r='", cut);
        const size_t quote = original.find('\'', at + 6);
        const std::string cell = original.substr(at, original.find("</c>", at) + 4 - at);
        const std::string ref = original.substr(at + 6, quote - at - 6);
        if (expected.find(cell) == std::string::npos) continue;  // edited above
        SetCell(workbook.sheets[0], ref, "edge");
        ReplaceOnce(expected, cell,
                    "<c r=\"" + ref + (ref[0] == 'F' ? "\"" : "\" s=\"1\"") +
                        R"( t="inlineStr"><is><t>edge</t></is></c>)");
    }
    SetCell(workbook.sheets[0], "G500", "2");
    ReplaceOnce(expected, "<row r='500' spans='1:5'>", R"(<row r="500">)");
    ReplaceOnce(expected, "<v>500</v></c></row>",
                R"(<v>500</v></c><c r="G500"><v>2</v></c></row>)");
    SetCell(workbook.sheets[0], "A3001", "1");
    ReplaceOnce(expected, "</sheetData>",
                R"(<row r="3001"><c r="A3001"><v>1</v></c></row></sheetData>)");
    ReplaceOnce(expected, "<dimension ref='A1:E3000'/>", R"(<dimension ref="A1:G3001"/>)");
    Save(workbook);

    const std::string xml = EntryOf(ReadEntries(Path("Data.xlsx")), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(xml.size(), expected.size());
    EXPECT_TRUE(xml == expected);  // not printed: a few hundred kilobytes
    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "C13"), "x&y");
    EXPECT_EQ(CellText(reopened, "D63"), "<none>");
    EXPECT_EQ(CellText(reopened, "F7"), "a & b");
    EXPECT_EQ(CellText(reopened, "G500"), "2");
}

// New rows go before the row of the least number above theirs, wherever it stands; new
// cells before the cell of the least column above theirs in the row. A cell that takes
// its column from the one before it is given its place, so nothing read moves.
TEST_F(XlsxWrite, NewRowsAndCellsGoWhereTheReaderPlacesThem) {
    WriteZip(
        Path("Data.xlsx"),
        MinimalPackage(Worksheet(
            R"(<sheetData><row r="2"><c r="A2"><v>1</v></c></row>)"
            R"(<row r="5"><c r="A5"><v>2</v></c></row>)"
            R"(<row r="4"><c r="A4"><v>4</v></c><c r="E4"><v>3</v></c><c r="C4"><v>8</v></c></row>)"
            R"(<row r="9"/>)"
            R"(<row r="10"><c r="A10"><v>5</v></c><c r="C7"><v>6</v></c><c><v>7</v></c></row>)"
            R"(</sheetData>)")));
    auto workbook = Reopen();
    auto& sheet = workbook.sheets[0];
    EXPECT_EQ(CellText(sheet, "D10"), "7");  // after the cell of another row, read as C7
    EXPECT_EQ(CellText(sheet, "C7"), "<none>");
    SetCell(sheet, "A1", "first");
    SetCell(sheet, "A3", "before four");
    SetCell(sheet, "A7", "before nine");
    SetCell(sheet, "A12", "last");
    SetCell(sheet, "B4", "between");
    SetCell(sheet, "D4", "after");
    SetCell(sheet, "A9", "into empty");
    SetCell(sheet, "B10", "before implied");
    Save(workbook);

    const std::string xml = EntryOf(ReadEntries(Path("Data.xlsx")), "xl/worksheets/sheet1.xml");
    const auto inline_ = [](const std::string& cell, const std::string& text) {
        return R"(<c r=")" + cell + R"(" t="inlineStr"><is><t>)" + text + "</t></is></c>";
    };
    EXPECT_THAT(
        xml,
        HasSubstr(
            "<sheetData><row r=\"1\">" + inline_("A1", "first") +
            R"(</row><row r="2"><c r="A2"><v>1</v></c></row><row r="5"><c r="A5"><v>2</v></c></row><row r="3">)" +
            inline_("A3", "before four") + "</row>" + R"(<row r="4"><c r="A4"><v>4</v></c>)" +
            inline_("D4", "after") + R"(<c r="E4"><v>3</v></c>)" + inline_("B4", "between") +
            R"(<c r="C4"><v>8</v></c></row>)"));
    EXPECT_THAT(xml, HasSubstr("<row r=\"7\">" + inline_("A7", "before nine") +
                               "</row><row r=\"9\">" + inline_("A9", "into empty") + "</row>"));
    EXPECT_THAT(xml, HasSubstr(R"(<c r="C7"><v>6</v></c>)" + inline_("B10", "before implied") +
                               R"(<c r="D10"><v>7</v></c></row><row r="12">)" +
                               inline_("A12", "last") + "</row></sheetData>"));

    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(reopened.cells.Size(), 15u);
    for (const auto& [cell, text] :
         std::vector<std::pair<std::string, std::string>>{{"A1", "first"},
                                                          {"A3", "before four"},
                                                          {"A7", "before nine"},
                                                          {"A9", "into empty"},
                                                          {"A12", "last"},
                                                          {"B4", "between"},
                                                          {"C4", "8"},
                                                          {"E4", "3"},
                                                          {"D4", "after"},
                                                          {"B10", "before implied"},
                                                          {"D10", "7"}}) {
        EXPECT_EQ(CellText(reopened, cell), text) << cell;
    }
}

// A sheet with no sheetData gets one after the elements the schema puts first, in the
// file's prefix; an empty root or an empty sheetData is opened to take the rows.
TEST_F(XlsxWrite, SheetWithoutSheetDataGetsOneWhereTheSchemaWantsIt) {
    const std::string ns = R"(xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main")";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<x:worksheet " + ns +
             R"(><x:dimension ref="A1"/><x:sheetViews><x:sheetView workbookViewId="0"/></x:sheetViews><x:pageMargins left="1"/></x:worksheet>)",
         R"(<x:dimension ref="B2"/><x:sheetViews><x:sheetView workbookViewId="0"/></x:sheetViews><x:sheetData><x:row r="2"><x:c r="B2"><x:v>5</x:v></x:c></x:row></x:sheetData><x:pageMargins left="1"/></x:worksheet>)"},
        {"<x:worksheet " + ns + R"(><x:pageMargins left="1"/></x:worksheet>)",
         R"(><x:sheetData><x:row r="2"><x:c r="B2"><x:v>5</x:v></x:c></x:row></x:sheetData><x:pageMargins left="1"/></x:worksheet>)"},
        {"<x:worksheet " + ns + "/>",
         R"(><x:sheetData><x:row r="2"><x:c r="B2"><x:v>5</x:v></x:c></x:row></x:sheetData></x:worksheet>)"},
        {"<x:worksheet " + ns + R"(><x:sheetData/></x:worksheet>)",
         R"(<x:sheetData><x:row r="2"><x:c r="B2"><x:v>5</x:v></x:c></x:row></x:sheetData></x:worksheet>)"},
    };
    for (const auto& [sheetXml, wanted] : cases) {
        SCOPED_TRACE(sheetXml);
        WriteZip(Path("Data.xlsx"), MinimalPackage(sheetXml));
        auto workbook = Reopen();
        SetCell(workbook.sheets[0], "B2", "5");
        Save(workbook);
        const std::string xml = EntryOf(ReadEntries(Path("Data.xlsx")), "xl/worksheets/sheet1.xml");
        EXPECT_THAT(xml, HasSubstr(wanted));
        EXPECT_EQ(CellText(Reopen().sheets[0], "B2"), "5");
    }
}

// The master of a shared formula may come after the cells sharing it; those cells lose the
// formula even in rows nothing else changed, their neighbours keep their bytes, and
// another group stays whole.
TEST_F(XlsxWrite, OrphanedSharedFormulaIsDroppedInRowsOtherwiseUnchanged) {
    WriteZip(
        Path("Data.xlsx"),
        MinimalPackage(Worksheet(
            R"(<sheetData><row r='3'><c r='A3' cm='1'><f t='shared' si='0'/><v>6</v></c><c r='B3' s='2'><v>1</v></c></row>)"
            R"(<row r='1'><c r='A1'><f t='shared' ref='A1:A3' si='0'>C1*2</f><v>2</v></c>)"
            R"(<c r='B1'><f t='shared' ref='B1:B2' si='1'>C1+1</f><v>3</v></c></row>)"
            R"(<row r='2'><c r='B2'><f t='shared' si='1'/><v>4</v></c></row></sheetData>)")));
    auto workbook = Reopen();
    SetCell(workbook.sheets[0], "A1", "5");
    Save(workbook);
    const std::string xml = EntryOf(ReadEntries(Path("Data.xlsx")), "xl/worksheets/sheet1.xml");
    EXPECT_THAT(
        xml, HasSubstr(R"(<row r='3'><c r="A3"><v>6</v></c><c r='B3' s='2'><v>1</v></c></row>)"));
    EXPECT_THAT(xml,
                HasSubstr(R"(<c r="A1"><v>5</v></c><c r='B1'><f t='shared' ref='B1:B2' si='1'>)"));
    EXPECT_THAT(xml, HasSubstr(R"(<row r='2'><c r='B2'><f t='shared' si='1'/><v>4</v></c></row>)"));
    const auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "A3"), "6");
    EXPECT_EQ(CellText(reopened, "A1"), "5");
}

// Inputs a streamed edit must not mistake: cells outside any row (the reader takes none
// there), elements that give one position twice without a value (the reader takes the
// position once, so the edit must too), and a part in another encoding than UTF-8 (bytes
// copied as they are beside new UTF-8 markup would mix), which is refused untouched.
TEST_F(XlsxWrite, StreamedEditsOfOddSheetsLandOnceOrAreRefused) {
    WriteZip(Path("Data.xlsx"),
             MinimalPackage(Worksheet(R"(<sheetData><row r="1"><c r="A1"><v>1</v></c></row>)"
                                      R"(<foo><c r="C1"><v>3</v></c></foo></sheetData>)")));
    auto outside = Reopen();
    EXPECT_EQ(CellText(outside.sheets[0], "C1"), "<none>");
    SetCell(outside.sheets[0], "B1", "2");
    SetCell(outside.sheets[0], "C1", "30");
    Save(outside);
    auto reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "B1"), "2");
    EXPECT_EQ(CellText(reopened, "C1"), "30");
    EXPECT_EQ(reopened.cells.Size(), 3u);

    WriteZip(Path("Data.xlsx"),
             MinimalPackage(Worksheet(R"(<sheetData><row r="1"><c r="A1"/><c r="A1"/>)"
                                      R"(<c r="C1"/><c r="C1"/></row>)"
                                      R"(<row r="1"><c r="A1"/></row></sheetData>)")));
    auto twice = Reopen();
    SetCell(twice.sheets[0], "A1", "1");
    SetCell(twice.sheets[0], "B1", "2");
    Save(twice);
    reopened = Reopen().sheets[0];
    EXPECT_EQ(CellText(reopened, "A1"), "1");
    EXPECT_EQ(CellText(reopened, "B1"), "2");
    EXPECT_EQ(reopened.cells.Size(), 2u);

    std::string latin = Worksheet(R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>)"
                                  "\xFC"
                                  R"(</t></is></c></row></sheetData>)");
    latin.replace(0, latin.find("?>"), R"(<?xml version="1.0" encoding="ISO-8859-1")");
    WriteZip(Path("Data.xlsx"), MinimalPackage(latin));
    auto foreign = Reopen();
    EXPECT_EQ(CellText(foreign.sheets[0], "A1"), "\xC3\xBC");  // read as the part says
    SetCell(foreign.sheets[0], "B1", "\xC3\xBC");
    const auto refused = FailedWrite(foreign, "Data.xlsx", "Data.xlsx");
    EXPECT_EQ(refused.status, sim::xlsx::Status::UnsupportedChange);
    EXPECT_THAT(refused.description, HasSubstr("ISO-8859-1 encoding"));
}

TEST_F(XlsxWrite, ChangedSheetListIsRefusedAndFileKept) {
    auto workbook = Open("sheets.xlsx");
    workbook.sheets[1].name = "Renamed";
    const auto result = FailedWrite(workbook, "Data.xlsx", "Data.xlsx");
    EXPECT_EQ(result.status, sim::xlsx::Status::UnsupportedChange);
    EXPECT_THAT(result.description, HasSubstr("Data.xlsx could not be saved: its sheets changed"));
}

// ---- New workbooks ----

TEST_F(XlsxWrite, NewWorkbookReadsBackAsWritten) {
    sim::WorkbookSpec workbook;
    workbook.name = "New.xlsx";
    workbook.windowVisible = false;
    workbook.activeSheet = 2;
    sim::SheetSpec first;
    first.name = "Ledger";
    first.isProtected = true;
    first.hiddenRows = {2, 4};
    first.filterHiddenRows = {6};
    first.hiddenColumns = {3};
    first.rowHeights = {{1, 24.0}};
    first.columnWidths = {{2, 96.0}};
    first.cells = {{"A1", "Item"}, {"$B$1", "12.75"}, {"A2", "two\nlines"}, {"C3", "FALSE"}};
    first.names = {{"Total", "$B$1"}, {"Area", "$A$1:$B$2"}};
    sim::SheetSpec second;
    second.name = "It's hidden";
    second.visible = 2;
    second.activeCell = "D9";
    second.names = {{"Total", "$D$9"}};
    sim::SheetSpec third;
    third.name = "Third";
    third.visible = 0;
    workbook.sheets = {first, second, third};
    workbook.customProperties = {{"QEL_BOOKMARK", "1:$C$5;3:$AB$12;"}};
    Save(workbook, "", "New.xlsx");

    const auto back = Reopen("New.xlsx");
    EXPECT_EQ(back.name, "New.xlsx");
    EXPECT_FALSE(back.windowVisible);
    EXPECT_EQ(back.activeSheet, 2);
    ASSERT_EQ(back.sheets.size(), 3u);
    const auto& ledger = back.sheets[0];
    EXPECT_EQ(ledger.name, "Ledger");
    EXPECT_EQ(ledger.visible, -1);
    EXPECT_TRUE(ledger.isProtected);
    EXPECT_THAT(ledger.hiddenRows, ElementsAre(2, 4, 6));
    EXPECT_THAT(ledger.hiddenColumns, ElementsAre(3));
    EXPECT_THAT(ledger.rowHeights, ElementsAre(Pair(1, DoubleNear(24.0, 1e-9))));
    EXPECT_THAT(ledger.columnWidths, ElementsAre(Pair(2, DoubleNear(96.0, 0.01))));
    EXPECT_EQ(CellText(ledger, "A1"), "Item");
    EXPECT_EQ(CellText(ledger, "B1"), "12.75");
    EXPECT_EQ(CellText(ledger, "A2"), "two\nlines");
    EXPECT_EQ(CellText(ledger, "C3"), "FALSE");
    EXPECT_THAT(NameList(ledger), ElementsAre("Area=$A$1:$B$2", "Total=$B$1"));
    const auto& hidden = back.sheets[1];
    EXPECT_EQ(hidden.name, "It's hidden");
    EXPECT_EQ(hidden.visible, 2);
    EXPECT_EQ(hidden.activeCell, "D9");
    // The same name again, local to this sheet.
    EXPECT_THAT(NameList(hidden), ElementsAre("Total=$D$9"));
    EXPECT_EQ(back.sheets[2].visible, 0);
    EXPECT_EQ(PropertyValue(back, "QEL_BOOKMARK"), "1:$C$5;3:$AB$12;");
}

TEST_F(XlsxWrite, NewWorkbookWithoutPropertiesHasNoCustomPart) {
    Save(sim::SimpleWorkbook("Plain.xlsx", {"One", "Two"}), "", "Plain.xlsx");
    const Entries entries = ReadEntries(Path("Plain.xlsx"));
    EXPECT_FALSE(HasEntry(entries, "docProps/custom.xml"));
    EXPECT_THAT(EntryOf(entries, "[Content_Types].xml"), Not(HasSubstr("custom")));
    const auto back = Reopen("Plain.xlsx");
    ASSERT_EQ(back.sheets.size(), 2u);
    EXPECT_EQ(back.sheets[1].name, "Two");
    EXPECT_TRUE(back.customProperties.empty());
}

TEST_F(XlsxWrite, NewWorkbookWithChartSheetOrBadAddressIsRefusedWithoutAFile) {
    auto workbook = sim::SimpleWorkbook("New.xlsx");
    workbook.sheets.push_back({});
    workbook.sheets.back().name = "Chart1";
    workbook.sheets.back().kind = sim::SheetKind::Chart;
    EXPECT_EQ(FailedWrite(workbook, "", "New.xlsx").status, sim::xlsx::Status::UnsupportedChange);

    workbook = sim::SimpleWorkbook("New.xlsx");
    // A description cannot hold a cell that has no address.
    EXPECT_THROW((workbook.sheets[0].cells = {{"not a cell", "x"}}), sim::SimError);
    EXPECT_TRUE(FolderListing().empty());
}

// ---- Failures leave the disk as it was ----

TEST_F(XlsxWrite, MissingDestinationFolderFailsAndTouchesNothing) {
    const auto result = FailedWrite(Open("properties.xlsx"), "Data.xlsx", "missing/Data.xlsx");
    EXPECT_EQ(result.status, sim::xlsx::Status::WriteFailed);
    EXPECT_EQ(result.description,
              "Data.xlsx could not be saved: the folder " + Path("missing") + " does not exist.");
}

TEST_F(XlsxWrite, DestinationThatCannotBeReplacedLeavesNoTemporaryFile) {
    auto workbook = Open("properties.xlsx");
    std::filesystem::create_directory(Path("Taken.xlsx"));  // a folder holds the name
    const auto result = FailedWrite(workbook, "Data.xlsx", "Taken.xlsx");
    EXPECT_EQ(result.status, sim::xlsx::Status::WriteFailed);
    EXPECT_THAT(result.description, HasSubstr("Taken.xlsx could not be saved: "));
    EXPECT_TRUE(std::filesystem::is_empty(Path("Taken.xlsx")));
}

TEST_F(XlsxWrite, ReadOnlyFolderFailsAndKeepsTheOriginal) {
    auto workbook = Open("properties.xlsx");
    SetProperty(workbook, "QEL_BOOKMARK", "1:$A$1;");
    chmod(folder_.c_str(), 0555);
    if (access(folder_.c_str(), W_OK) == 0) {
        chmod(folder_.c_str(), 0755);
        GTEST_SKIP() << "this user may write into read-only folders";
    }
    const auto result = FailedWrite(workbook, "Data.xlsx", "Data.xlsx");
    chmod(folder_.c_str(), 0755);
    EXPECT_EQ(result.status, sim::xlsx::Status::WriteFailed);
    EXPECT_THAT(result.description,
                HasSubstr("Data.xlsx could not be saved: no file can be created"));
}

TEST_F(XlsxWrite, BrokenSourceFailsWithTheReadersMessageAndKeepsBothFiles) {
    auto workbook = Open("properties.xlsx", "Good.xlsx");
    Spit(Path("Data.xlsx"), "not a zip");
    EXPECT_EQ(FailedWrite(workbook, "Data.xlsx", "Good.xlsx").status, sim::xlsx::Status::NotZip);
}

TEST_F(XlsxWrite, SavingInPlaceKeepsTheFilesPermissionsAndOwnerAndLeavesNoOtherFile) {
    auto workbook = Open("properties.xlsx");
    chmod(Path("Data.xlsx").c_str(), 0640);
    // Only the superuser may keep another user's file theirs.
    const bool giveAway = geteuid() == 0 && chown(Path("Data.xlsx").c_str(), 65534, 65534) == 0;
    Save(workbook);
    struct stat info;
    ASSERT_EQ(stat(Path("Data.xlsx").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    if (giveAway) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
    EXPECT_THAT(FolderListing(), ElementsAre("Data.xlsx"));
}

// The user's file is the one a link points at: it is saved, the link stays a link.
TEST_F(XlsxWrite, SavingThroughASymbolicLinkSavesItsTargetAndKeepsTheLink) {
    Open("properties.xlsx", "Kept.xlsx");
    std::filesystem::create_symlink("Kept.xlsx", Path("Data.xlsx"));
    auto workbook = Reopen("Data.xlsx");
    SetProperty(workbook, "QEL_BOOKMARK", "1,$B$2");
    Save(workbook);
    EXPECT_TRUE(std::filesystem::is_symlink(Path("Data.xlsx")));
    EXPECT_EQ(PropertyValue(Reopen("Kept.xlsx"), "QEL_BOOKMARK"), "1,$B$2");
    EXPECT_THAT(FolderListing(), ElementsAre("Data.xlsx", "Kept.xlsx"));
}

// ---- Read-only files and the temporaries of saves that were killed ----

TEST_F(XlsxWrite, ReadOnlyWorkbookIsRefusedAndKeptAsItWas) {
    auto workbook = Open("properties.xlsx");
    SetProperty(workbook, "QEL_BOOKMARK", "1:$A$1;");
    Save(workbook, "Data.xlsx", "Other.xlsx");
    chmod(Path("Data.xlsx").c_str(), 0444);
    struct stat before;
    ASSERT_EQ(stat(Path("Data.xlsx").c_str(), &before), 0);
    const std::string bytes = Slurp(Path("Data.xlsx"));
    // Saved in place, or over it from another file: the file stays byte for byte.
    for (const char* from : {"Data.xlsx", "Other.xlsx", ""}) {
        const auto result = FailedWrite(workbook, from, "Data.xlsx");
        EXPECT_EQ(result.status, sim::xlsx::Status::ReadOnly);
        EXPECT_EQ(result.description,
                  "Data.xlsx is read-only: save it under another name, or make the file writable "
                  "and save again.");
    }
    struct stat after;
    ASSERT_EQ(stat(Path("Data.xlsx").c_str(), &after), 0);
    EXPECT_EQ(Slurp(Path("Data.xlsx")), bytes);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
}

class XlsxWriteTemporaries : public XlsxWrite {
  protected:
    // A temporary as a save leaves it, and files that only look like one.
    static constexpr const char* kStale = ".tessaly-save.Data.xlsx.k3Xq9Z";
    const std::vector<std::string> foreign_ = {".Data.xlsx.k3Xq9Z",
                                               ".tessaly-save.Data.xlsx.k3Xq9",
                                               ".tessaly-save.Data.xlsx.k3Xq9Z.1",
                                               ".tessaly-save.Data.xlsx.k3-q9Z",
                                               ".tessaly-save.Other.xlsx.k3Xq9Z",
                                               "tessaly-save.Data.xlsx.k3Xq9Z"};

    void LeaveFiles() {
        Spit(Path(kStale), "PK half a package");
        for (const auto& name : foreign_) Spit(Path(name), "not ours");
    }
    std::vector<std::string> Expected(std::vector<std::string> also) const {
        also.insert(also.end(), foreign_.begin(), foreign_.end());
        std::sort(also.begin(), also.end());
        return also;
    }
};

TEST_F(XlsxWriteTemporaries, SaveAndOpenRemoveStaleTemporariesOfTheirWorkbookOnly) {
    auto workbook = Open("properties.xlsx");
    LeaveFiles();
    // A save still running holds its temporary's lock.
    const std::string held = ".tessaly-save.Data.xlsx.Held42";
    Spit(Path(held), "being written");
    const int fd = open(Path(held).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);

    SetProperty(workbook, "QEL_BOOKMARK", "1:$A$1;");
    Save(workbook);
    EXPECT_EQ(FolderListing(), Expected({"Data.xlsx", held}));
    EXPECT_EQ(PropertyValue(Reopen(), "QEL_BOOKMARK"), "1:$A$1;");
    EXPECT_EQ(Slurp(Path(held)), "being written");

    close(fd);  // the writer died
    Spit(Path(kStale), "PK half a package");
    Reopen();
    EXPECT_EQ(FolderListing(), Expected({"Data.xlsx"}));
}

// A save killed while it writes leaves the old file or the new one, and its one
// temporary goes at the next open.
TEST_F(XlsxWriteTemporaries, SaveKilledDuringTheWriteLeavesOldOrNewWhole) {
    sim::WorkbookSpec workbook;
    workbook.sheets.push_back({});
    workbook.sheets[0].name = "Sheet1";
    for (int row = 1; row <= 20000; ++row) {
        workbook.sheets[0].cells.Set(row, 1, "text " + std::to_string(row));
    }
    SetProperty(workbook, "Version", "old");
    Save(workbook, "", "Data.xlsx");
    workbook = Reopen();
    SetProperty(workbook, "Version", "new");
    const auto temporaries = [&] {
        const auto names = FolderListing();
        return std::count_if(names.begin(), names.end(), [](const std::string& name) {
            return name.starts_with(".tessaly-save.Data.xlsx.");
        });
    };
    int leftBehind = 0;
    for (const int delay : {0, 2, 10, 30}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) sim::xlsx::Write(Path("Data.xlsx"), workbook, Path("Data.xlsx"));
        }
        // Killed once a save has made its temporary, a little later each time.
        for (int wait = 0; wait < 20000 && temporaries() == 0; ++wait) usleep(100);
        usleep(delay * 1000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const auto left = temporaries();
        EXPECT_LE(left, 1);
        leftBehind += static_cast<int>(left);
        const auto read = sim::xlsx::Read(Path("Data.xlsx"));
        ASSERT_TRUE(read) << read.description;
        EXPECT_THAT(PropertyValue(read.workbook, "Version"), ::testing::AnyOf("old", "new"));
        EXPECT_EQ(read.workbook.sheets[0].cells.Size(), 20000u);
        EXPECT_THAT(FolderListing(), ElementsAre("Data.xlsx"));
    }
    EXPECT_GT(leftBehind, 0) << "no kill came during a write";
}

// ---- The office suite reads what we write (only where it is installed) ----

class XlsxWriteOffice : public XlsxWrite {
  protected:
    void SetUp() override {
        XlsxWrite::SetUp();
        if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "soffice is not installed";
        }
    }

    // The flat XML the suite makes of an .xlsx file.
    std::string ConvertToFlat(const std::string& name) {
        const std::string command = "cd '" + folder_ +
                                    "' && timeout 180 soffice --headless --norestore "
                                    "-env:UserInstallation=file://" +
                                    folder_ + "/profile --convert-to fods --outdir out '" + name +
                                    "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return Slurp(Path("out/" + name.substr(0, name.rfind('.')) + ".fods"));
    }
};

TEST_F(XlsxWriteOffice, SuiteSeesThePropertyInSavedAndNewWorkbooks) {
    auto workbook = Open("chart.xlsx");
    SetProperty(workbook, "QEL_BOOKMARK", "2:$B$2;");
    SetCell(workbook.sheets[1], "C1", "added");
    Save(workbook);
    std::string flat = ConvertToFlat("Data.xlsx");
    EXPECT_THAT(
        flat,
        HasSubstr(R"(<meta:user-defined meta:name="QEL_BOOKMARK">2:$B$2;</meta:user-defined>)"));
    EXPECT_THAT(flat, HasSubstr("<text:p>added</text:p>"));

    auto fresh = sim::SimpleWorkbook("New.xlsx", {"One", "Two"});
    fresh.sheets[1].cells = {{"B2", "hello"}, {"C3", "2.5"}};
    fresh.customProperties = {{"QEL_BOOKMARK", "1:$C$5;2:$B$2;"}};
    Save(fresh, "", "New.xlsx");
    flat = ConvertToFlat("New.xlsx");
    EXPECT_THAT(
        flat,
        HasSubstr(
            R"(<meta:user-defined meta:name="QEL_BOOKMARK">1:$C$5;2:$B$2;</meta:user-defined>)"));
    EXPECT_THAT(flat, HasSubstr(R"(<table:table table:name="Two")"));
    EXPECT_THAT(flat, HasSubstr("<text:p>hello</text:p>"));
    EXPECT_THAT(flat, HasSubstr(R"(office:value="2.5")"));
}

}  // namespace
