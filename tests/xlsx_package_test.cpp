// Workbooks as the host writes them beyond the minimal package: names local to sheets,
// the Strict flavour of the format, compound files that are no packages, and workbooks
// over the reader's budget.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/excel.h"
#include "sim/xlsx/xlsx.h"
#include "xlsx_test_files.h"

namespace {

using namespace xlsx_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kTransitionalRels =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kStrictRels = "http://purl.oclc.org/ooxml/officeDocument/relationships";

// A package of worksheets named by `sheets`, each holding sheetInner, with the given
// definedNames element content; strict writes the Strict namespaces and relationships.
Entries Package(const std::vector<std::string>& sheets, const std::string& definedNames,
                const std::string& sheetInner = "", bool strict = false) {
    const std::string rels = strict ? kStrictRels : kTransitionalRels;
    const std::string main = strict ? "http://purl.oclc.org/ooxml/spreadsheetml/main"
                                    : "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    std::string types =
        R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/>)";
    std::string list;
    std::string workbookRels =
        R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    Entries entries;
    for (size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        list += "<sheet name=\"" + sheets[i] + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        workbookRels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rels +
                        "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        entries.emplace_back("xl/worksheets/sheet" + n + ".xml",
                             "<?xml version=\"1.0\"?><worksheet xmlns=\"" + main + "\">" +
                                 sheetInner + "</worksheet>");
    }
    types += "</Types>";
    entries.insert(
        entries.begin(),
        {
            {"[Content_Types].xml", types},
            {"_rels/.rels",
             R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type=")" +
                 rels + R"(/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
            {"xl/workbook.xml", "<?xml version=\"1.0\"?><workbook xmlns=\"" + main +
                                    "\" xmlns:r=\"" + rels + "\"><sheets>" + list +
                                    "</sheets><definedNames>" + definedNames +
                                    "</definedNames></workbook>"},
            {"xl/_rels/workbook.xml.rels", workbookRels + "</Relationships>"},
        });
    return entries;
}

class XlsxNames : public ScratchFolder {};

// Each sheet has its own "Region", and the workbook one more: on a sheet its own name
// hides the workbook's, elsewhere the workbook's is seen, and none of another sheet.
TEST_F(XlsxNames, LocalNamesOfOneSpellingLiveBesideEachOtherAndTheGlobalOne) {
    WriteZip(Path("Regions.xlsx"),
             Package({"North", "South", "Summary"},
                     R"(<definedName name="Region" localSheetId="0">North!$A$1</definedName>)"
                     R"(<definedName name="Region" localSheetId="1">South!$B$2</definedName>)"
                     R"(<definedName name="Region">Summary!$C$3</definedName>)"
                     R"(<definedName name="Only" localSheetId="1">North!$D$4</definedName>)"));
    const auto read = sim::xlsx::Read(Path("Regions.xlsx"));
    ASSERT_TRUE(read) << read.description;

    sim::Excel xl;
    xl.OpenWorkbook(read.workbook);
    const auto app = xl.Application();
    // Application.Range, from the sheet made active.
    const auto where = [&](const std::string& sheet, const std::string& name) {
        xl.ActivateSheet(read.workbook.name, sheet);
        const auto range = app->Range(name);
        return range->Parent()->Name() + "!" + range->Address();
    };
    EXPECT_EQ(where("North", "Region"), "North!$A$1");
    EXPECT_EQ(where("South", "Region"), "South!$B$2");
    EXPECT_EQ(where("Summary", "Region"), "Summary!$C$3");
    // A name local to South and pointing at North is South's alone.
    EXPECT_EQ(where("South", "Only"), "North!$D$4");
    EXPECT_THROW(where("North", "Only"), host::HostError);
    // A local name is spelled with its sheet, as the host lists it; the workbook's stands
    // alone.
    const auto nameOf = [&](const std::string& sheet, const std::string& cell) {
        return app->Workbooks()
            ->Item(read.workbook.name)
            ->Worksheets()
            ->Item(sheet)
            ->Range(cell)
            ->Name()
            ->NameLocal();
    };
    EXPECT_EQ(nameOf("North", "A1"), "North!Region");
    EXPECT_EQ(nameOf("Summary", "C3"), "Region");
    EXPECT_EQ(nameOf("North", "D4"), "South!Only");

    // Written anew, every name keeps its scope.
    const sim::WorkbookSpec desc = xl.Describe(read.workbook.name);
    ASSERT_TRUE(sim::xlsx::Write("", desc, Path("Copy.xlsx")));
    const auto again = sim::xlsx::Read(Path("Copy.xlsx"));
    ASSERT_TRUE(again) << again.description;
    std::vector<std::string> names;
    for (const auto& sheet : again.workbook.sheets)
        for (const auto& name : sheet.names)
            names.push_back(sheet.name + ":" + name.name + "@" + name.scope);
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAre("North:Only@South", "North:Region@North", "South:Region@South",
                                   "Summary:Region@"));
}

TEST_F(XlsxNames, TwoNamesOfOneSpellingInOneScopeAreStillRefused) {
    WriteZip(Path("Twice.xlsx"),
             Package({"North"},
                     R"(<definedName name="Region" localSheetId="0">North!$A$1</definedName>)"
                     R"(<definedName name="region" localSheetId="0">North!$B$2</definedName>)"));
    const auto read = sim::xlsx::Read(Path("Twice.xlsx"));
    ASSERT_TRUE(read) << read.description;
    sim::Excel xl;
    EXPECT_THROW(xl.OpenWorkbook(read.workbook), sim::SimError);
}

}  // namespace

namespace {

constexpr const char* kStrictCustom =
    R"(<?xml version="1.0"?><Properties xmlns="http://purl.oclc.org/ooxml/officeDocument/customProperties" xmlns:vt="http://purl.oclc.org/ooxml/officeDocument/docPropsVTypes"><property fmtid="{D5CDD505-2E9C-101B-9397-08002B2CF9AE}" pid="2" name="Client"><vt:lpwstr>ACME</vt:lpwstr></property></Properties>)";

// A Strict package, with a custom properties part related by relationshipKind when given.
Entries StrictPackage(const std::string& relationshipKind) {
    Entries entries = Package({"Sheet1"}, "", "", true);
    if (relationshipKind.empty()) return entries;
    entries.emplace_back("docProps/custom.xml", kStrictCustom);
    for (auto& [name, bytes] : entries) {
        if (name == "_rels/.rels") {
            bytes.insert(bytes.find("</Relationships>"),
                         std::string("<Relationship Id=\"rId9\" Type=\"") + kStrictRels + "/" +
                             relationshipKind + "\" Target=\"docProps/custom.xml\"/>");
        }
        if (name == "[Content_Types].xml") {
            bytes.insert(
                bytes.find("</Types>"),
                R"(<Override PartName="/docProps/custom.xml" ContentType="application/vnd.openxmlformats-officedocument.custom-properties+xml"/>)");
        }
    }
    return entries;
}

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class XlsxStrict : public ScratchFolder {};

TEST_F(XlsxStrict, PropertiesAreReadAndSavedInTheirOnePart) {
    for (const std::string kind : {"customProperties", "custom-properties"}) {
        SCOPED_TRACE(kind);
        WriteZip(Path("Strict.xlsx"), StrictPackage(kind));
        auto read = sim::xlsx::Read(Path("Strict.xlsx"));
        ASSERT_TRUE(read) << read.description;
        ASSERT_EQ(read.workbook.customProperties.size(), 1u);
        EXPECT_EQ(read.workbook.customProperties[0].value, "ACME");

        read.workbook.customProperties[0].value = "1:$B$2;";
        read.workbook.customProperties.push_back({"Second", "x"});
        ASSERT_TRUE(sim::xlsx::Write(Path("Strict.xlsx"), read.workbook, Path("Strict.xlsx")));
        const Entries after = ReadEntries(Path("Strict.xlsx"));
        EXPECT_EQ(after.size(), StrictPackage(kind).size());
        const std::string rels = EntryOf(after, "_rels/.rels");
        EXPECT_EQ(CountOf(rels, "<Relationship "), 2) << rels;
        const std::string custom = EntryOf(after, "docProps/custom.xml");
        EXPECT_THAT(custom, HasSubstr("1:$B$2;"));
        EXPECT_EQ(CountOf(custom, "http://schemas.openxmlformats.org"), 0) << custom;
    }
}

TEST_F(XlsxStrict, PropertiesAddedToAStrictPackageUseStrictUris) {
    WriteZip(Path("Strict.xlsx"), StrictPackage(""));
    auto read = sim::xlsx::Read(Path("Strict.xlsx"));
    ASSERT_TRUE(read) << read.description;
    read.workbook.customProperties.push_back({"Client", "ACME"});
    ASSERT_TRUE(sim::xlsx::Write(Path("Strict.xlsx"), read.workbook, Path("Strict.xlsx")));
    const Entries after = ReadEntries(Path("Strict.xlsx"));
    EXPECT_THAT(EntryOf(after, "_rels/.rels"),
                HasSubstr(std::string(kStrictRels) + "/customProperties\""));
    const std::string custom = EntryOf(after, "docProps/custom.xml");
    EXPECT_THAT(custom, HasSubstr("http://purl.oclc.org/ooxml/officeDocument/customProperties"));
    EXPECT_THAT(custom, HasSubstr("http://purl.oclc.org/ooxml/officeDocument/docPropsVTypes"));
    const auto again = sim::xlsx::Read(Path("Strict.xlsx"));
    ASSERT_EQ(again.workbook.customProperties.size(), 1u);
}

// A custom properties part that lost its relationship is linked again, not doubled.
TEST_F(XlsxStrict, UnrelatedCustomPartIsReusedNotJoinedByASecond) {
    Entries entries = StrictPackage("customProperties");
    for (auto& [name, bytes] : entries) {
        if (name == "_rels/.rels")
            bytes.erase(bytes.find("<Relationship Id=\"rId9\""),
                        bytes.find("</Relationships>") - bytes.find("<Relationship Id=\"rId9\""));
    }
    WriteZip(Path("Orphan.xlsx"), entries);
    auto read = sim::xlsx::Read(Path("Orphan.xlsx"));
    ASSERT_TRUE(read) << read.description;
    EXPECT_TRUE(read.workbook.customProperties.empty());
    read.workbook.customProperties.push_back({"Mark", "1:$A$1;"});
    ASSERT_TRUE(sim::xlsx::Write(Path("Orphan.xlsx"), read.workbook, Path("Orphan.xlsx")));
    const Entries after = ReadEntries(Path("Orphan.xlsx"));
    EXPECT_EQ(after.size(), entries.size());
    const auto again = sim::xlsx::Read(Path("Orphan.xlsx"));
    ASSERT_EQ(again.workbook.customProperties.size(), 1u);
    EXPECT_EQ(again.workbook.customProperties[0].name, "Mark");
}

}  // namespace

namespace {

// The smallest compound file: a header, one allocation sector and one directory sector
// holding a root and the streams named.
std::string CompoundFile(const std::vector<std::string>& streams) {
    std::string file(512 * 3, '\0');
    const auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) file[at + k] = static_cast<char>(v >> (8 * k));
    };
    const unsigned char magic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(magic, magic + 8, file.begin());
    file[26] = 3;  // major version
    file[28] = '\xFE', file[29] = '\xFF';
    file[30] = 9;  // 512-byte sectors
    file[32] = 6;
    put32(44, 1);  // one allocation sector
    put32(48, 1);  // the directory in sector 1
    put32(60, 0xFFFFFFFEu);
    for (size_t i = 0; i < 109; ++i) put32(76 + 4 * i, 0xFFFFFFFFu);
    put32(76, 0);  // the allocation table in sector 0
    for (size_t i = 0; i < 128; ++i) put32(512 + 4 * i, 0xFFFFFFFFu);
    put32(512, 0xFFFFFFFDu);
    put32(516, 0xFFFFFFFEu);
    std::vector<std::string> names = {"Root Entry"};
    names.insert(names.end(), streams.begin(), streams.end());
    for (size_t e = 0; e < names.size() && e < 4; ++e) {
        const size_t at = 1024 + 128 * e;
        for (size_t k = 0; k < names[e].size(); ++k) file[at + 2 * k] = names[e][k];
        const size_t length = 2 * (names[e].size() + 1);
        file[at + 64] = static_cast<char>(length);
        file[at + 66] = e == 0 ? 5 : 2;
    }
    return file;
}

class XlsxFormats : public ScratchFolder {};

TEST_F(XlsxFormats, EncryptedAndLegacyWorkbooksAreNamedForWhatTheyAre) {
    Spit(Path("Secret.xlsx"), CompoundFile({"EncryptionInfo", "EncryptedPackage"}));
    auto read = sim::xlsx::Read(Path("Secret.xlsx"));
    EXPECT_EQ(read.status, sim::xlsx::Status::PasswordProtected);
    EXPECT_EQ(read.description,
              "Secret.xlsx is protected by a password, and this program cannot open encrypted "
              "workbooks; remove the password in a spreadsheet application (or save an "
              "unprotected copy) and open that.");

    for (const std::string stream : {"Workbook", "Book"}) {
        Spit(Path("Old.xls"), CompoundFile({"\x05SummaryInformation", stream}));
        read = sim::xlsx::Read(Path("Old.xls"));
        EXPECT_EQ(read.status, sim::xlsx::Status::UnsupportedFormat);
        EXPECT_EQ(read.description,
                  "Old.xls is a workbook in the older binary format (.xls), which this program "
                  "does not read; save it as .xlsx in a spreadsheet application and open that.");
    }
    Spit(Path("Note.doc"), CompoundFile({"WordDocument"}));
    EXPECT_EQ(sim::xlsx::Read(Path("Note.doc")).status, sim::xlsx::Status::UnsupportedFormat);
}

std::string Rows(int count) {
    std::string xml = "<sheetData>";
    for (int r = 1; r <= count; ++r)
        xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
               std::to_string(r) + "</v></c></row>";
    return xml + "</sheetData>";
}

TEST_F(XlsxFormats, WorkbookOverTheBudgetIsRefusedNamingSheetAndLimitAndLeftAsItWas) {
    WriteZip(Path("Big.xlsx"), Package({"Small", "Large"}, "", Rows(30)));
    const std::string before = Slurp(Path("Big.xlsx"));

    sim::xlsx::ReadOptions cells;
    cells.budget.maxCells = 45;  // the second sheet takes it past
    auto read = sim::xlsx::Read(Path("Big.xlsx"), cells);
    EXPECT_EQ(read.status, sim::xlsx::Status::OverBudget);
    EXPECT_EQ(read.description,
              "Big.xlsx is too large to open: the sheet \"Large\" takes it past the limit of 45 "
              "cells; if this machine has the memory, open it with a larger --max-cells.");

    sim::xlsx::ReadOptions bytes;
    bytes.budget.maxXmlBytes = 1500;
    read = sim::xlsx::Read(Path("Big.xlsx"), bytes);
    EXPECT_EQ(read.status, sim::xlsx::Status::OverBudget);
    EXPECT_THAT(read.description, HasSubstr("the sheet \"Large\" takes it past the limit of "
                                            "1,500 bytes of XML; if this machine has the "
                                            "memory, open it with a larger --max-xml-bytes."));
    EXPECT_EQ(before, Slurp(Path("Big.xlsx")));

    // Within the budget, or without reading cells, the same file opens.
    cells.budget.maxCells = 60;
    EXPECT_TRUE(sim::xlsx::Read(Path("Big.xlsx"), cells));
    sim::xlsx::ReadOptions listOnly;
    listOnly.cells = false;
    listOnly.budget.maxCells = 1;
    read = sim::xlsx::Read(Path("Big.xlsx"), listOnly);
    ASSERT_TRUE(read) << read.description;
    ASSERT_EQ(read.workbook.sheets.size(), 2u);
    EXPECT_TRUE(read.workbook.sheets[1].cells.Empty());
}

TEST_F(XlsxFormats, ProgressGoesSheetBySheetToTheEnd) {
    WriteZip(Path("Three.xlsx"), Package({"A", "B", "C"}, "", Rows(5)));
    sim::xlsx::ReadOptions options;
    std::vector<std::string> seen;
    double last = -1;
    options.progress = [&](const sim::xlsx::ReadProgress& p) {
        EXPECT_GE(p.fraction, last);
        last = p.fraction;
        seen.push_back(p.sheet + "/" + std::to_string(p.sheetCount));
    };
    ASSERT_TRUE(sim::xlsx::Read(Path("Three.xlsx"), options));
    EXPECT_EQ(last, 1.0);
    EXPECT_THAT(seen, ElementsAre("A/3", "A/3", "B/3", "C/3", "C/3"));
}

uint32_t CrcOfEntry(const std::string& path, const std::string& entry) {
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
    zip_stat_t stat;
    zip_stat_init(&stat);
    zip_stat(zip, entry.c_str(), 0, &stat);
    zip_discard(zip);
    return stat.crc;
}

// A save where only the properties changed copies the sheet parts without reading them:
// here a sheet part that could not be parsed at all is copied as it is.
TEST_F(XlsxFormats, SheetWhoseCellsAreAsReadIsCopiedUnparsed) {
    Entries entries = Package({"Sheet1"}, "");
    const std::string broken = "<worksheet><sheetData><row>";
    for (auto& [name, bytes] : entries)
        if (name == "xl/worksheets/sheet1.xml") bytes = broken;
    WriteZip(Path("Data.xlsx"), entries);

    sim::WorkbookSpec desc = sim::SimpleWorkbook("Data.xlsx");
    desc.customProperties.push_back({"Mark", "1:$A$1;"});
    // Unknown to the writer, the sheet must be read to find what changed: it cannot be.
    auto written = sim::xlsx::Write(Path("Data.xlsx"), desc, Path("Data.xlsx"));
    EXPECT_EQ(written.status, sim::xlsx::Status::MalformedXml);

    desc.sheets[0].source.known = true;
    desc.sheets[0].source.partCrc = CrcOfEntry(Path("Data.xlsx"), "xl/worksheets/sheet1.xml");
    desc.sheets[0].source.cellsVersion = desc.sheets[0].cells.Version();
    written = sim::xlsx::Write(Path("Data.xlsx"), desc, Path("Data.xlsx"));
    ASSERT_TRUE(written) << written.description;
    EXPECT_EQ(EntryOf(ReadEntries(Path("Data.xlsx")), "xl/worksheets/sheet1.xml"), broken);

    // A cell typed since, or a part changed on disk since, is read again.
    desc.sheets[0].cells.Set("A1", "typed");
    EXPECT_EQ(sim::xlsx::Write(Path("Data.xlsx"), desc, Path("Data.xlsx")).status,
              sim::xlsx::Status::MalformedXml);
}

}  // namespace
