#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <new>

#include "platform/linux/replacement_file.h"
#include "sim/xlsx/package.h"
#include "sim/xlsx/xlsx.h"

namespace sim::xlsx {

using namespace detail;

namespace {

std::optional<double> ParseDouble(const char* text) {
    if (text == nullptr || *text == '\0') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// A whole number in [low, high], or nothing for text, fractions and absurd values.
std::optional<int64_t> ParseInteger(const char* text, int64_t low, int64_t high) {
    if (text == nullptr || *text == '\0') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Text of a string item (<si> or <is>): its own <t> and the <t> of its runs, without
// the phonetic guides.
std::string StringItemText(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node child : item.children()) {
        if (child.type() != pugi::node_element) continue;
        const auto name = LocalName(child.name());
        if (name == "t") {
            text += child.text().get();
        } else if (name == "r") {
            text += Child(child, "t").text().get();
        }
    }
    return DecodeEscapes(text);
}

std::vector<std::string> ReadSharedStrings(const ZipArchive& zip, const std::string& part) {
    std::vector<std::string> strings;
    pugi::xml_document doc;
    ParseXml(doc, zip.Read(part), zip.DisplayName(), part);
    for (pugi::xml_node item : Children(doc.document_element(), "si")) {
        strings.push_back(StringItemText(item));
    }
    return strings;
}

std::string CellText(pugi::xml_node cell, const std::vector<std::string>& sharedStrings,
                     bool& hasValue) {
    const std::string_view type = Attr(cell, "t").value();
    const pugi::xml_node value = Child(cell, "v");
    hasValue = true;
    if (type == "inlineStr") {
        const pugi::xml_node inlineString = Child(cell, "is");
        if (inlineString) return StringItemText(inlineString);
        if (value) return DecodeEscapes(value.text().get());
        hasValue = false;
        return {};
    }
    if (!value) {
        hasValue = false;
        return {};
    }
    const char* raw = value.text().get();
    if (type == "s") {
        const auto index = ParseInteger(raw, 0, static_cast<int64_t>(sharedStrings.size()) - 1);
        if (!index) {
            hasValue = false;  // an index past the table names no string
            return {};
        }
        return sharedStrings[static_cast<size_t>(*index)];
    }
    if (type == "b") return std::string_view(raw) == "0" ? "FALSE" : "TRUE";
    if (type == "str") return DecodeEscapes(raw);
    return raw;  // numbers as written, error values, ISO dates
}

// Fills missing row and cell positions the way the format defines them: one past the
// previous row, one right of the previous cell.
struct PositionCounter {
    int32_t row = 0;
    int32_t column = 0;

    bool NextRow(pugi::xml_node rowNode) {
        const auto r = ParseInteger(Attr(rowNode, "r").value(), 1, kMaxRow);
        const pugi::xml_attribute attribute = Attr(rowNode, "r");
        if (attribute && !r) return false;
        row = r ? static_cast<int32_t>(*r) : row + 1;
        column = 0;
        return row >= 1 && row <= kMaxRow;
    }

    bool NextCell(pugi::xml_node cellNode) {
        const pugi::xml_attribute attribute = Attr(cellNode, "r");
        if (attribute) {
            int32_t r = 0;
            int32_t c = 0;
            if (!ParseCellReference(attribute.value(), r, c)) return false;
            column = c;
            return r == row;
        }
        ++column;
        return column <= kMaxColumn;
    }
};

void ReadSheetView(pugi::xml_node sheet, SheetSpec& desc) {
    const pugi::xml_node view = Child(Child(sheet, "sheetViews"), "sheetView");
    if (!view) return;
    std::string activePane = "topLeft";
    if (const pugi::xml_node pane = Child(view, "pane")) {
        if (const auto a = Attr(pane, "activePane")) activePane = a.value();
    }
    pugi::xml_node chosen;
    for (pugi::xml_node selection : Children(view, "selection")) {
        const pugi::xml_attribute paneAttribute = Attr(selection, "pane");
        const std::string pane = paneAttribute ? paneAttribute.value() : "topLeft";
        if (!chosen || pane == activePane) chosen = selection;
        if (pane == activePane) break;
    }
    if (!chosen) return;
    const std::string cell = NormalizedCellName(Attr(chosen, "activeCell").value());
    if (!cell.empty()) desc.activeCell = cell;
}

}  // namespace

void detail::ReadWorksheetXml(const pugi::xml_document& doc, const std::string& file,
                              const std::vector<std::string>& sharedStrings, SheetSpec& desc,
                              std::map<std::string, std::string>& cells) {
    const pugi::xml_node sheet = doc.document_element();
    if (const pugi::xml_node protection = Child(sheet, "sheetProtection")) {
        desc.isProtected = IsTrue(Attr(protection, "sheet"));
    }
    ReadSheetView(sheet, desc);

    int64_t lastColumn = 0;
    for (pugi::xml_node col : Children(Child(sheet, "cols"), "col")) {
        const auto low = ParseInteger(Attr(col, "min").value(), 1, kMaxColumn);
        const auto high = ParseInteger(Attr(col, "max").value(), 1, kMaxColumn);
        // Column ranges come sorted and apart; one reaching back over another is damage,
        // and skipping it keeps a file of many overlapping ranges from costing minutes.
        if (!low || !high || *high < *low || *low <= lastColumn) continue;
        lastColumn = *high;
        const bool hidden = IsTrue(Attr(col, "hidden"));
        const auto width = ParseDouble(Attr(col, "width").value());
        // Only widths someone chose: the rest is the default width written out.
        const bool customWidth = width && IsTrue(Attr(col, "customWidth"));
        for (auto c = static_cast<int32_t>(*low); c <= static_cast<int32_t>(*high); ++c) {
            if (hidden) desc.hiddenColumns.push_back(c);
            if (customWidth) desc.columnWidths.emplace_back(c, ColumnWidthToPoints(*width));
        }
    }

    PositionCounter position;
    for (pugi::xml_node row : Children(Child(sheet, "sheetData"), "row")) {
        if (!position.NextRow(row)) continue;
        if (IsTrue(Attr(row, "hidden"))) desc.hiddenRows.push_back(position.row);
        if (IsTrue(Attr(row, "customHeight"))) {
            const auto height = ParseDouble(Attr(row, "ht").value());
            if (height && *height >= 0) desc.rowHeights.emplace_back(position.row, *height);
        }
        for (pugi::xml_node cell : Children(row, "c")) {
            if (!position.NextCell(cell)) continue;
            bool hasValue = false;
            std::string text = CellText(cell, sharedStrings, hasValue);
            if (!hasValue) continue;
            const std::string name = CellName(position.row, position.column);
            // The format gives each cell once: a file giving one twice is damaged. Taking
            // either value would be a guess, and a save could put the user's edit in the
            // place a later read does not take.
            if (!cells.emplace(name, text).second) {
                Fail(Status::InvalidContent, file + " cannot be read: the sheet \"" + desc.name +
                                                 "\" gives the cell " + name +
                                                 " twice; let a spreadsheet application repair "
                                                 "the file and save it again.");
            }
            desc.cells.push_back({name, std::move(text)});
        }
    }
    const auto sortUnique = [](std::vector<int32_t>& v) {
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
    };
    sortUnique(desc.hiddenRows);
    sortUnique(desc.hiddenColumns);
}

namespace {

void ReadChartSheetXml(const pugi::xml_document& doc, SheetSpec& desc) {
    if (const pugi::xml_node protection = Child(doc.document_element(), "sheetProtection")) {
        desc.isProtected = IsTrue(Attr(protection, "content"));
    }
}

Relationship FindMainPart(const ZipArchive& zip) {
    const std::string& file = zip.DisplayName();
    if (!zip.Has("_rels/.rels")) {
        Fail(Status::NotWorkbook,
             file + " is not a workbook: the package has no _rels/.rels part.");
    }
    for (const Relationship& rel : ReadRelationships(zip, "")) {
        if (RelationshipKind(rel.type) == "officeDocument" && !rel.external) return rel;
    }
    Fail(Status::NotWorkbook, file + " is not a workbook: _rels/.rels names no main document.");
}

void ReadDefinedNames(pugi::xml_node workbookNode, WorkbookSpec& workbook) {
    for (pugi::xml_node node : Children(Child(workbookNode, "definedNames"), "definedName")) {
        const std::string name = Attr(node, "name").value();
        // Built-in names (print areas, filter ranges) are the host's, not the user's.
        if (name.empty() || name.rfind("_xlnm.", 0) == 0) continue;
        std::string sheetName;
        std::string address;
        if (!ParseSheetReference(node.text().get(), sheetName, address)) continue;
        auto target = std::find_if(workbook.sheets.begin(), workbook.sheets.end(),
                                   [&](const SheetSpec& s) { return s.name == sheetName; });
        if (target == workbook.sheets.end() || target->kind != SheetKind::Worksheet) continue;
        std::string scope;
        if (const pugi::xml_attribute local = Attr(node, "localSheetId")) {
            const auto index =
                ParseInteger(local.value(), 0, static_cast<int64_t>(workbook.sheets.size()) - 1);
            if (!index) continue;  // local to no sheet there is
            scope = workbook.sheets[static_cast<size_t>(*index)].name;
        }
        target->names.push_back({name, address, std::move(scope)});
    }
}

void ReadCustomProperties(const ZipArchive& zip, const std::string& part, WorkbookSpec& workbook) {
    pugi::xml_document doc;
    ParseXml(doc, zip.Read(part), zip.DisplayName(), part);
    for (pugi::xml_node property : Children(doc.document_element(), "property")) {
        const std::string name = DecodeEscapes(Attr(property, "name").value());
        if (name.empty()) continue;
        pugi::xml_node value = property.first_child();
        while (value && value.type() != pugi::node_element) value = value.next_sibling();
        if (!value) continue;
        const auto type = LocalName(value.name());
        if (type == "lpwstr" || type == "bstr") {
            workbook.customProperties.push_back({name, DecodeEscapes(value.text().get())});
        }
    }
}

}  // namespace

LoadedPackage detail::LoadPackage(const std::string& path) {
    LoadedPackage package;
    const std::string file = FileNameOf(path);
    package.zip = std::make_unique<ZipArchive>(path, file);
    const ZipArchive& zip = *package.zip;
    WorkbookSpec& workbook = package.workbook;
    workbook.name = file;

    const Relationship main = FindMainPart(zip);
    package.workbookPart = main.target;
    package.flavour = &FlavourOfMainRelationship(main.type);
    const std::string& workbookPart = package.workbookPart;
    if (!zip.Has(workbookPart)) {
        Fail(Status::MissingPart,
             file + ": the main part " + workbookPart + " named in _rels/.rels is missing.");
    }
    pugi::xml_document workbookDoc;
    ParseXml(workbookDoc, zip.Read(workbookPart), file, workbookPart);
    const pugi::xml_node workbookNode = workbookDoc.document_element();
    if (LocalName(workbookNode.name()) != "workbook") {
        Fail(Status::NotWorkbook, file + " is not a workbook: its main part " + workbookPart +
                                      " is a " + std::string(LocalName(workbookNode.name())) +
                                      " document.");
    }

    const std::vector<Relationship> workbookRels = ReadRelationships(zip, workbookPart);
    std::vector<std::string> sharedStrings;
    for (const Relationship& rel : workbookRels) {
        if (RelationshipKind(rel.type) == "sharedStrings" && !rel.external && zip.Has(rel.target)) {
            sharedStrings = ReadSharedStrings(zip, rel.target);
        }
    }

    const pugi::xml_node sheetsNode = Child(workbookNode, "sheets");
    for (pugi::xml_node sheetNode : Children(sheetsNode, "sheet")) {
        SheetSpec sheet;
        sheet.name = Attr(sheetNode, "name").value();
        const std::string_view state = Attr(sheetNode, "state").value();
        sheet.visible = state == "hidden" ? 0 : state == "veryHidden" ? 2 : -1;
        const std::string id = RelationshipIdOf(sheetNode);
        const auto rel = std::find_if(workbookRels.begin(), workbookRels.end(),
                                      [&](const Relationship& r) { return r.id == id; });
        if (rel == workbookRels.end() || rel->external) {
            Fail(Status::InvalidContent, file + ": the sheet \"" + sheet.name + "\" in " +
                                             workbookPart + " has no relationship \"" + id +
                                             "\" to its part.");
        }
        if (!zip.Has(rel->target)) {
            Fail(Status::MissingPart,
                 file + ": the part " + rel->target + " named in the workbook is missing.");
        }
        SheetSource source;
        source.part = zip.StoredName(rel->target);
        pugi::xml_document sheetDoc;
        ParseXml(sheetDoc, zip.Read(rel->target), file, rel->target);
        if (RelationshipKind(rel->type) == "chartsheet") {
            sheet.kind = SheetKind::Chart;
            source.kind = SheetKind::Chart;
            ReadChartSheetXml(sheetDoc, sheet);
        } else {
            ReadWorksheetXml(sheetDoc, file, sharedStrings, sheet, source.cells);
        }
        workbook.sheets.push_back(std::move(sheet));
        package.sheets.push_back(std::move(source));
    }
    if (workbook.sheets.empty()) {
        Fail(Status::InvalidContent, file + ": " + workbookPart + " lists no sheets.");
    }

    const pugi::xml_node view = Child(Child(workbookNode, "bookViews"), "workbookView");
    if (view) {
        const std::string_view visibility = Attr(view, "visibility").value();
        workbook.windowVisible = visibility != "hidden" && visibility != "veryHidden";
        const auto activeTab = ParseInteger(Attr(view, "activeTab").value(), 0,
                                            static_cast<int64_t>(workbook.sheets.size()) - 1);
        if (activeTab) workbook.activeSheet = static_cast<int32_t>(*activeTab) + 1;
    }
    ReadDefinedNames(workbookNode, workbook);

    for (const Relationship& rel : ReadRelationships(zip, "")) {
        if (IsCustomPropertiesRelationship(rel.type) && !rel.external) {
            if (!zip.Has(rel.target)) {
                Fail(Status::MissingPart,
                     file + ": the part " + rel.target + " named in _rels/.rels is missing.");
            }
            package.customPropertiesPart = zip.StoredName(rel.target);
            ReadCustomProperties(zip, rel.target, workbook);
            break;
        }
    }
    return package;
}

ReadResult Read(const std::string& path) {
    ReadResult result;
    linuxplatform::RemoveStaleReplacements(path);
    try {
        result.workbook = LoadPackage(path).workbook;
    } catch (const PackageError& error) {
        result.status = error.status;
        result.description = error.description;
    } catch (const std::bad_alloc&) {
        result.status = Status::DamagedPart;
        result.description = FileNameOf(path) + " cannot be read: it is too large for memory.";
    } catch (const std::exception& error) {
        result.status = Status::InvalidContent;
        result.description = FileNameOf(path) + " cannot be read: " + error.what() + ".";
    }
    return result;
}

}  // namespace sim::xlsx
