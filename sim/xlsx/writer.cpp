#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <functional>
#include <new>
#include <set>
#include <unordered_map>

#include "platform/linux/replacement_file.h"
#include "sim/xlsx/package.h"
#include "sim/xlsx/xlsx.h"

namespace sim::xlsx {

using namespace detail;

namespace {

constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kContentTypesNamespace =
    "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr const char* kCustomPropertiesContentType =
    "application/vnd.openxmlformats-officedocument.custom-properties+xml";
constexpr const char* kPropertyFormatId = "{D5CDD505-2E9C-101B-9397-08002B2CF9AE}";

// ---- Package parts ----

// The custom properties part: text properties from desc (in the file's order, new ones
// at the end), properties of other types kept as they were, ids numbered from 2.
std::string BuildCustomProperties(const ZipArchive* zip, const std::string& part,
                                  const std::vector<PropertySpec>& properties,
                                  const Flavour& flavour) {
    pugi::xml_document doc;
    if (zip != nullptr && !part.empty()) ParseXml(doc, zip->Read(part), zip->DisplayName(), part);
    pugi::xml_node root = doc.document_element();
    if (!root || LocalName(root.name()) != "Properties") {
        doc.reset();
        AddDeclaration(doc);
        root = doc.append_child("Properties");
        root.append_attribute("xmlns") = flavour.customPropertiesNamespace;
    }
    const std::string rootPrefix(PrefixOf(root.name()));
    std::string vtPrefix;
    bool vtDeclared = false;
    for (pugi::xml_attribute a : root.attributes()) {
        const std::string_view uri = a.value();
        if (PrefixOf(a.name()) == "xmlns" &&
            (uri == kTransitional.variantTypesNamespace || uri == kStrict.variantTypesNamespace)) {
            vtPrefix = std::string(LocalName(a.name()));
            vtDeclared = true;
        }
    }
    if (!vtDeclared) {
        vtPrefix = "vt";
        root.append_attribute("xmlns:vt") = flavour.variantTypesNamespace;
    }

    // Names match without regard to case: for each, the indexes of the properties not yet
    // written, first at the back.
    const auto folded = [](std::string_view name) {
        std::string key(name);
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return key;
    };
    std::unordered_map<std::string, std::vector<size_t>> unwritten;
    for (size_t i = properties.size(); i-- > 0;) unwritten[folded(properties[i].name)].push_back(i);
    const auto setText = [&](pugi::xml_node property, const std::string& value) {
        while (property.first_child()) property.remove_child(property.first_child());
        property.append_child(Qualified(vtPrefix, "lpwstr").c_str())
            .text()
            .set(EncodeEscapes(value).c_str());
    };

    std::vector<bool> written(properties.size(), false);
    for (pugi::xml_node property : Children(root, "property")) {
        const std::string name = DecodeEscapes(Attr(property, "name").value());
        pugi::xml_node value = property.first_child();
        while (value && value.type() != pugi::node_element) value = value.next_sibling();
        const auto type = value ? LocalName(value.name()) : std::string_view();
        const bool isText = type == "lpwstr" || type == "bstr";
        size_t match = properties.size();
        if (const auto it = unwritten.find(folded(name));
            it != unwritten.end() && !it->second.empty()) {
            match = it->second.back();
            it->second.pop_back();
        }
        if (match < properties.size()) {
            written[match] = true;
            Attr(property, "name").set_value(EncodeEscapes(properties[match].name).c_str());
            setText(property, properties[match].value);
        } else if (isText || !value) {
            root.remove_child(property);  // the workbook no longer has it
        }
    }
    for (size_t i = 0; i < properties.size(); ++i) {
        if (written[i]) continue;
        pugi::xml_node property = root.append_child(Qualified(rootPrefix, "property").c_str());
        property.append_attribute("fmtid") = kPropertyFormatId;
        property.append_attribute("pid") = 0;
        property.append_attribute("name") = EncodeEscapes(properties[i].name).c_str();
        setText(property, properties[i].value);
    }
    int pid = 2;
    for (pugi::xml_node property : Children(root, "property")) {
        pugi::xml_attribute attribute = Attr(property, "pid");
        if (!attribute) attribute = property.append_attribute("pid");
        attribute.set_value(pid++);
    }
    return SerializeXml(doc);
}

// [Content_Types].xml with an override for part (added, or its type corrected).
std::string WithContentTypeOverride(const std::string& bytes, const std::string& file,
                                    const std::string& part, const char* contentType) {
    pugi::xml_document doc;
    ParseXml(doc, bytes, file, "[Content_Types].xml");
    pugi::xml_node root = doc.document_element();
    const std::string partName = "/" + part;
    for (pugi::xml_node node : Children(root, "Override")) {
        if (std::string_view(Attr(node, "PartName").value()) == partName) {
            Attr(node, "ContentType").set_value(contentType);
            return SerializeXml(doc);
        }
    }
    pugi::xml_node node =
        root.append_child(Qualified(std::string(PrefixOf(root.name())), "Override").c_str());
    node.append_attribute("PartName") = partName.c_str();
    node.append_attribute("ContentType") = contentType;
    return SerializeXml(doc);
}

// The part [Content_Types].xml gives contentType, or empty when none has it.
std::string PartOfContentType(const std::string& bytes, const std::string& file,
                              const char* contentType) {
    pugi::xml_document doc;
    ParseXml(doc, bytes, file, "[Content_Types].xml");
    for (pugi::xml_node node : Children(doc.document_element(), "Override")) {
        if (std::string_view(Attr(node, "ContentType").value()) == contentType) {
            return ResolvePartName("", Attr(node, "PartName").value());
        }
    }
    return {};
}

std::string WithoutContentTypeOverride(const std::string& bytes, const std::string& file,
                                       const std::string& part) {
    pugi::xml_document doc;
    ParseXml(doc, bytes, file, "[Content_Types].xml");
    const std::string partName = "/" + part;
    for (pugi::xml_node node : Children(doc.document_element(), "Override")) {
        std::string name = Attr(node, "PartName").value();
        if (ResolvePartName("", name) == ResolvePartName("", partName)) {
            doc.document_element().remove_child(node);
        }
    }
    return SerializeXml(doc);
}

std::string WithRelationship(const std::string& bytes, const std::string& file,
                             const std::string& relsPart, const char* type,
                             const std::string& target) {
    pugi::xml_document doc;
    ParseXml(doc, bytes, file, relsPart);
    pugi::xml_node root = doc.document_element();
    std::set<std::string> ids;
    for (pugi::xml_node node : Children(root, "Relationship")) ids.insert(Attr(node, "Id").value());
    int n = 1;
    while (ids.count("rId" + std::to_string(n))) ++n;
    pugi::xml_node node =
        root.append_child(Qualified(std::string(PrefixOf(root.name())), "Relationship").c_str());
    node.append_attribute("Id") = ("rId" + std::to_string(n)).c_str();
    node.append_attribute("Type") = type;
    node.append_attribute("Target") = target.c_str();
    return SerializeXml(doc);
}

std::string WithoutRelationshipsTo(const std::string& bytes, const std::string& file,
                                   const std::string& relsPart, const std::string& sourcePart,
                                   const std::string& target) {
    pugi::xml_document doc;
    ParseXml(doc, bytes, file, relsPart);
    for (pugi::xml_node node : Children(doc.document_element(), "Relationship")) {
        if (std::string_view(Attr(node, "TargetMode").value()) == "External") continue;
        if (ResolvePartName(sourcePart, Attr(node, "Target").value()) == target) {
            doc.document_element().remove_child(node);
        }
    }
    return SerializeXml(doc);
}

// ---- The output package ----

struct OutputEntry {
    std::string name;
    std::optional<std::string> bytes;  // new content; nothing: copy the source entry
    int64_t sourceIndex = -1;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Writes the entries to one temporary file beside destPath and renames it over destPath
// once complete, so a failure at any point leaves the destination as it was. The archive
// is built in memory: libzip writing to a file would make a temporary of its own, which a
// killed save would leave behind where nothing recognises it.
void WritePackage(zip_t* source, const std::vector<OutputEntry>& entries,
                  const std::string& destPath) {
    const std::string file = FileNameOf(destPath);
    const std::string folder = FolderOf(destPath);
    const std::string cannot = file + " could not be saved: ";
    struct stat folderStat;
    if (stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode)) {
        Fail(Status::WriteFailed, cannot + "the folder " + folder + " does not exist.");
    }
    linuxplatform::ReplacementFile temporary(destPath);
    if (temporary.Error() != 0) {
        Fail(Status::WriteFailed, cannot + "no file can be created in the folder " + folder + " (" +
                                      std::strerror(temporary.Error()) + ").");
    }

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (buffer == nullptr) Fail(Status::WriteFailed, cannot + "out of memory.");
    zip_source_keep(buffer);  // it outlives the archive written into it
    const std::unique_ptr<zip_source_t, decltype(&zip_source_free)> owner(buffer, &zip_source_free);
    zip_t* out = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (out == nullptr) {
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        Fail(Status::WriteFailed, cannot + text + ".");
    }
    const auto abandon = [&](const std::string& what) {
        const std::string text = zip_strerror(out);
        zip_discard(out);
        Fail(Status::WriteFailed, cannot + what + " (" + text + ").");
    };
    for (const OutputEntry& entry : entries) {
        zip_source_t* data = nullptr;
        if (entry.bytes) {
            data = zip_source_buffer(out, entry.bytes->data(), entry.bytes->size(), 0);
        } else {
            data =
                zip_source_zip(out, source, static_cast<zip_uint64_t>(entry.sourceIndex), 0, 0, -1);
        }
        if (data == nullptr) abandon("the part " + entry.name + " cannot be prepared");
        const bool isFolder = !entry.name.empty() && entry.name.back() == '/';
        const zip_int64_t index =
            isFolder ? zip_dir_add(out, entry.name.c_str(), ZIP_FL_ENC_GUESS)
                     : zip_file_add(out, entry.name.c_str(), data, ZIP_FL_ENC_GUESS);
        if (isFolder) zip_source_free(data);
        if (index < 0) {
            if (!isFolder) zip_source_free(data);
            abandon("the part " + entry.name + " cannot be added");
        }
        if (entry.sourceIndex >= 0) {
            zip_stat_t stat;
            zip_stat_init(&stat);
            if (zip_stat_index(source, static_cast<zip_uint64_t>(entry.sourceIndex), 0, &stat) ==
                    0 &&
                (stat.valid & ZIP_STAT_MTIME)) {
                zip_file_set_mtime(out, static_cast<zip_uint64_t>(index), stat.mtime, 0);
            }
        }
    }
    if (zip_close(out) != 0) abandon("the package cannot be built");

    if (zip_source_open(buffer) < 0) {
        Fail(Status::WriteFailed, cannot + zip_error_strerror(zip_source_error(buffer)) + ".");
    }
    std::string chunk(1 << 16, '\0');
    zip_int64_t n = 0;
    int failure = 0;
    while (failure == 0 && (n = zip_source_read(buffer, chunk.data(), chunk.size())) > 0) {
        failure = temporary.Write(std::string_view(chunk.data(), static_cast<size_t>(n)));
    }
    zip_source_close(buffer);
    if (failure != 0) Fail(Status::WriteFailed, cannot + std::strerror(failure) + ".");
    if (n < 0) Fail(Status::WriteFailed, cannot + "the package cannot be read back.");
    if (const int commit = temporary.Commit(0666); commit != 0) {
        Fail(Status::WriteFailed,
             cannot + destPath + " cannot be replaced (" + std::strerror(commit) + ").");
    }
}

// ---- Saving over a source package ----

std::string SheetListOf(const std::vector<SheetSpec>& sheets) {
    std::string list;
    for (const auto& sheet : sheets) {
        list += (list.empty() ? "" : ", ") + ("\"" + sheet.name + "\"");
        if (sheet.kind == SheetKind::Chart) list += " (chart)";
    }
    return list;
}

void SaveOverSource(const std::string& sourcePath, const WorkbookSpec& desc,
                    const std::string& destPath, const Budget& budget) {
    ReadOptions listOnly;
    listOnly.cells = false;
    LoadedPackage source = LoadPackage(sourcePath, listOnly);
    const ZipArchive& zip = *source.zip;
    const std::string& file = zip.DisplayName();

    const auto& before = source.workbook.sheets;
    const bool sameSheets = before.size() == desc.sheets.size() &&
                            std::equal(before.begin(), before.end(), desc.sheets.begin(),
                                       [](const SheetSpec& a, const SheetSpec& b) {
                                           return a.name == b.name && a.kind == b.kind;
                                       });
    if (!sameSheets) {
        Fail(Status::UnsupportedChange,
             FileNameOf(destPath) + " could not be saved: its sheets changed from " +
                 SheetListOf(before) + " to " + SheetListOf(desc.sheets) +
                 ", and adding, removing, renaming or moving sheets of an existing file is not "
                 "supported.");
    }

    std::map<std::string, std::string> replaced;  // stored entry name -> new bytes
    std::vector<OutputEntry> added;
    std::set<std::string> dropped;
    const auto current = [&](const std::string& part) {
        const std::string stored = zip.StoredName(part);
        const auto it = replaced.find(stored);
        return it != replaced.end() ? it->second : zip.Read(part);
    };

    // The cells of a sheet part as they are in the source, read only for a sheet whose
    // cells may have changed.
    std::optional<SharedStrings> sharedStrings;
    const auto overBudget = [&](const std::string& limit, const char* option) {
        Fail(Status::OverBudget, FileNameOf(destPath) + " could not be saved: its source " + file +
                                     " is past the limit of " + limit +
                                     "; if this machine has the memory, save it with a larger " +
                                     option + ".");
    };
    const auto overBytes = [&] {
        overBudget(Thousands(budget.maxXmlBytes) + " bytes of XML", "--max-xml-bytes");
    };
    const auto overCells = [&] {
        overBudget(Thousands(budget.maxCells) + " cells", "--max-cells");
    };
    const auto cellsOf = [&](size_t i) {
        if (!sharedStrings) {
            sharedStrings =
                source.sharedStringsPart.empty()
                    ? SharedStrings()
                    : ReadSharedStrings(zip, source.sharedStringsPart, budget.maxXmlBytes,
                                        overBytes, budget.MaxSharedStrings(), overCells);
        }
        SheetSpec sheet;
        sheet.name = desc.sheets[i].name;
        uint64_t cells = 0;
        ReadWorksheet(zip, source.sheets[i].part, *sharedStrings, sheet, budget.maxXmlBytes,
                      overBytes, [&](uint64_t) {
                          if (++cells > budget.maxCells) overCells();
                      });
        return std::move(sheet.cells);
    };

    bool removedFormula = false;
    const uint32_t stringsCrc = source.SharedStringsCrc();
    for (size_t i = 0; i < desc.sheets.size(); ++i) {
        if (desc.sheets[i].kind != SheetKind::Worksheet) continue;
        const SheetSpec::SourceMark& mark = desc.sheets[i].source;
        // A part whose cells are those read from it is copied as it is, unparsed.
        if (mark.known && mark.partCrc == zip.CrcOf(source.sheets[i].part) &&
            mark.sharedStringsCrc == stringsCrc &&
            mark.cellsVersion == desc.sheets[i].cells.Version()) {
            continue;
        }
        const CellTable original = cellsOf(i);
        const CellTable& wanted = desc.sheets[i].cells;
        std::vector<CellChange> changes;
        wanted.ForEach([&](int32_t row, int32_t column, std::string_view text) {
            if (original.Text(row, column) != text)
                changes.push_back({row, column, std::string(text)});
        });
        original.ForEach([&](int32_t row, int32_t column, std::string_view) {
            if (wanted.Text(row, column).empty()) changes.push_back({row, column, {}});
        });
        if (changes.empty()) continue;

        // The edited part is the one buffer of the sheet's size: the package is built
        // in memory before it replaces the file.
        const std::string& part = source.sheets[i].part;
        SheetEdit edit = EditWorksheet(zip, part, changes, budget.maxXmlBytes, overBytes);
        removedFormula = removedFormula || edit.removedFormula;
        replaced[part] = std::move(edit.bytes);
    }

    // The calculation chain lists the cells that hold formulas; one that names a cell
    // without a formula makes the host repair the file, so let the host rebuild it.
    if (removedFormula) {
        const std::string workbookRels = RelationshipsPartOf(source.workbookPart);
        for (const Relationship& rel : ReadRelationships(zip, source.workbookPart)) {
            if (RelationshipKind(rel.type) != "calcChain" || rel.external) continue;
            dropped.insert(zip.StoredName(rel.target));
            replaced[zip.StoredName(workbookRels)] = WithoutRelationshipsTo(
                current(workbookRels), file, workbookRels, source.workbookPart, rel.target);
            replaced[zip.StoredName("[Content_Types].xml")] =
                WithoutContentTypeOverride(current("[Content_Types].xml"), file, rel.target);
        }
    }

    const Flavour& flavour = *source.flavour;
    if (!source.customPropertiesPart.empty()) {
        replaced[source.customPropertiesPart] = BuildCustomProperties(
            &zip, source.customPropertiesPart, desc.customProperties, flavour);
    } else if (!desc.customProperties.empty()) {
        // A package holds one custom properties part at most: one that lost its
        // relationship is linked again and used rather than joined by a second.
        const std::string orphan =
            PartOfContentType(current("[Content_Types].xml"), file, kCustomPropertiesContentType);
        const bool reuse = !orphan.empty() && zip.Has(orphan);
        std::string part = reuse ? zip.StoredName(orphan) : "docProps/custom.xml";
        for (int n = 2; !reuse && zip.Has(part); ++n)
            part = "docProps/custom" + std::to_string(n) + ".xml";
        std::string bytes = BuildCustomProperties(reuse ? &zip : nullptr, reuse ? part : "",
                                                  desc.customProperties, flavour);
        if (reuse) {
            replaced[part] = std::move(bytes);
        } else {
            added.push_back({part, std::move(bytes)});
            replaced[zip.StoredName("[Content_Types].xml")] = WithContentTypeOverride(
                current("[Content_Types].xml"), file, part, kCustomPropertiesContentType);
        }
        replaced[zip.StoredName("_rels/.rels")] = WithRelationship(
            current("_rels/.rels"), file, "_rels/.rels", flavour.customPropertiesType, part);
    }

    std::vector<OutputEntry> entries;
    for (int64_t i = 0; i < zip.EntryCount(); ++i) {
        const std::string name = zip.EntryName(i);
        if (dropped.count(name)) continue;
        const auto it = replaced.find(name);
        if (it != replaced.end()) {
            entries.push_back({name, std::move(it->second), i});  // no second copy of a sheet
        } else {
            entries.push_back({name, std::nullopt, i});
        }
    }
    for (auto& entry : added) entries.push_back(std::move(entry));
    WritePackage(zip.Handle(), entries, destPath);
}

// ---- A new workbook ----

pugi::xml_node NewRoot(pugi::xml_document& doc, const char* name, const char* ns) {
    AddDeclaration(doc);
    pugi::xml_node root = doc.append_child(name);
    root.append_attribute("xmlns") = ns;
    return root;
}

std::string WorksheetXml(const SheetSpec& sheet, bool selected) {
    pugi::xml_document doc;
    pugi::xml_node root = NewRoot(doc, "worksheet", kMainNamespace);
    root.append_attribute("xmlns:r") = kRelationshipsNamespace;

    std::map<std::pair<int32_t, int32_t>, std::string> cells;
    sheet.cells.ForEach([&](int32_t row, int32_t column, std::string_view text) {
        cells.emplace(std::make_pair(row, column), text);
    });
    pugi::xml_node view = root.append_child("sheetViews").append_child("sheetView");
    if (selected) view.append_attribute("tabSelected") = "1";
    view.append_attribute("workbookViewId") = "0";
    const std::string active = NormalizedCellName(sheet.activeCell);
    if (!active.empty() && active != "A1") {
        pugi::xml_node selection = view.append_child("selection");
        selection.append_attribute("activeCell") = active.c_str();
        selection.append_attribute("sqref") = active.c_str();
    }

    std::map<int32_t, double> widths;
    for (const auto& [column, points] : sheet.columnWidths) {
        if (column >= 1 && column <= kMaxColumn) widths[column] = points;
    }
    std::set<int32_t> hiddenColumns;
    for (int32_t column : sheet.hiddenColumns) {
        if (column >= 1 && column <= kMaxColumn) hiddenColumns.insert(column);
    }
    std::set<int32_t> columns;
    for (const auto& [column, points] : widths) columns.insert(column);
    columns.insert(hiddenColumns.begin(), hiddenColumns.end());
    if (!columns.empty()) {
        pugi::xml_node cols = root.append_child("cols");
        for (int32_t column : columns) {
            pugi::xml_node col = cols.append_child("col");
            col.append_attribute("min") = column;
            col.append_attribute("max") = column;
            const auto width = widths.find(column);
            col.append_attribute("width") =
                width != widths.end() ? PointsToColumnWidth(width->second) : 8.43;
            if (hiddenColumns.count(column)) col.append_attribute("hidden") = "1";
            if (width != widths.end()) col.append_attribute("customWidth") = "1";
        }
    }

    std::set<int32_t> hiddenRows;
    for (const auto* list : {&sheet.hiddenRows, &sheet.filterHiddenRows}) {
        for (int32_t row : *list) {
            if (row >= 1 && row <= kMaxRow) hiddenRows.insert(row);
        }
    }
    std::map<int32_t, double> heights;
    for (const auto& [row, points] : sheet.rowHeights) {
        if (row >= 1 && row <= kMaxRow && points >= 0 && points <= 409.5) heights[row] = points;
    }
    std::set<int32_t> rows(hiddenRows);
    for (const auto& [row, points] : heights) rows.insert(row);
    for (const auto& [position, text] : cells) rows.insert(position.first);

    pugi::xml_node sheetData = root.append_child("sheetData");
    for (int32_t row : rows) {
        pugi::xml_node rowNode = sheetData.append_child("row");
        rowNode.append_attribute("r") = row;
        if (hiddenRows.count(row)) rowNode.append_attribute("hidden") = "1";
        if (const auto height = heights.find(row); height != heights.end()) {
            rowNode.append_attribute("ht") = height->second;
            rowNode.append_attribute("customHeight") = "1";
        }
        for (auto it = cells.lower_bound({row, 0}); it != cells.end() && it->first.first == row;
             ++it) {
            pugi::xml_node cell = rowNode.append_child("c");
            cell.append_attribute("r") = CellName(row, it->first.second).c_str();
            SetCellValue(cell, "", it->second, pugi::xml_node());
        }
    }
    if (sheet.isProtected) root.append_child("sheetProtection").append_attribute("sheet") = "1";
    return SerializeXml(doc);
}

std::string QuotedSheetName(const std::string& name) {
    std::string quoted = "'";
    for (char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

constexpr const char* kStylesXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

void SaveNew(const WorkbookSpec& desc, const std::string& destPath) {
    const std::string cannot = FileNameOf(destPath) + " could not be saved: ";
    if (desc.sheets.empty()) Fail(Status::InvalidContent, cannot + "the workbook has no sheets.");
    for (const SheetSpec& sheet : desc.sheets) {
        if (sheet.kind == SheetKind::Chart) {
            Fail(Status::UnsupportedChange, cannot + "the chart sheet \"" + sheet.name +
                                                "\" cannot be written into a new file.");
        }
    }
    std::vector<OutputEntry> entries;
    const auto add = [&](std::string name, std::string bytes) {
        entries.push_back({std::move(name), std::move(bytes), -1});
    };

    pugi::xml_document types;
    pugi::xml_node typesRoot = NewRoot(types, "Types", kContentTypesNamespace);
    const auto addDefault = [&](const char* extension, const char* type) {
        pugi::xml_node node = typesRoot.append_child("Default");
        node.append_attribute("Extension") = extension;
        node.append_attribute("ContentType") = type;
    };
    const auto addOverride = [&](const std::string& part, const char* type) {
        pugi::xml_node node = typesRoot.append_child("Override");
        node.append_attribute("PartName") = ("/" + part).c_str();
        node.append_attribute("ContentType") = type;
    };
    addDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
    addDefault("xml", "application/xml");
    addOverride("xl/workbook.xml",
                "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
    addOverride("xl/styles.xml",
                "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");
    for (size_t i = 0; i < desc.sheets.size(); ++i) {
        addOverride("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
    }
    if (!desc.customProperties.empty()) {
        addOverride("docProps/custom.xml", kCustomPropertiesContentType);
    }
    add("[Content_Types].xml", SerializeXml(types));

    pugi::xml_document rels;
    pugi::xml_node relsRoot = NewRoot(rels, "Relationships", kPackageRelationshipsNamespace);
    const auto addRel = [](pugi::xml_node root, const std::string& id, const std::string& type,
                           const std::string& target) {
        pugi::xml_node node = root.append_child("Relationship");
        node.append_attribute("Id") = id.c_str();
        node.append_attribute("Type") = type.c_str();
        node.append_attribute("Target") = target.c_str();
    };
    const std::string relBase =
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    addRel(relsRoot, "rId1", relBase + "officeDocument", "xl/workbook.xml");
    if (!desc.customProperties.empty()) {
        addRel(relsRoot, "rId2", kTransitional.customPropertiesType, "docProps/custom.xml");
    }
    add("_rels/.rels", SerializeXml(rels));

    const int32_t activeSheet =
        desc.activeSheet >= 1 && desc.activeSheet <= static_cast<int32_t>(desc.sheets.size())
            ? desc.activeSheet
            : 1;
    pugi::xml_document workbook;
    pugi::xml_node workbookRoot = NewRoot(workbook, "workbook", kMainNamespace);
    workbookRoot.append_attribute("xmlns:r") = kRelationshipsNamespace;
    pugi::xml_node view = workbookRoot.append_child("bookViews").append_child("workbookView");
    if (!desc.windowVisible) view.append_attribute("visibility") = "hidden";
    view.append_attribute("activeTab") = activeSheet - 1;
    pugi::xml_node sheets = workbookRoot.append_child("sheets");
    pugi::xml_document workbookRels;
    pugi::xml_node workbookRelsRoot =
        NewRoot(workbookRels, "Relationships", kPackageRelationshipsNamespace);
    std::set<std::string> globalNames;
    const auto sheetIndexOf = [&](const std::string& name) -> std::optional<size_t> {
        for (size_t k = 0; k < desc.sheets.size(); ++k)
            if (desc.sheets[k].name == name) return k;
        return std::nullopt;
    };
    pugi::xml_node definedNames;
    for (size_t i = 0; i < desc.sheets.size(); ++i) {
        const SheetSpec& sheet = desc.sheets[i];
        const std::string id = "rId" + std::to_string(i + 1);
        const std::string part = "worksheets/sheet" + std::to_string(i + 1) + ".xml";
        pugi::xml_node node = sheets.append_child("sheet");
        node.append_attribute("name") = sheet.name.c_str();
        node.append_attribute("sheetId") = i + 1;
        if (sheet.visible == 0) node.append_attribute("state") = "hidden";
        if (sheet.visible == 2) node.append_attribute("state") = "veryHidden";
        node.append_attribute("r:id") = id.c_str();
        addRel(workbookRelsRoot, id, relBase + "worksheet", part);
        add("xl/" + part, WorksheetXml(sheet, static_cast<int32_t>(i + 1) == activeSheet));
        for (const DefinedNameSpec& name : sheet.names) {
            if (!definedNames) definedNames = workbookRoot.append_child("definedNames");
            pugi::xml_node defined = definedNames.append_child("definedName");
            defined.append_attribute("name") = name.name.c_str();
            const std::optional<size_t> scope =
                name.scope.empty() ? std::nullopt : sheetIndexOf(name.scope);
            if (scope) {
                defined.append_attribute("localSheetId") = *scope;
            } else if (!globalNames.insert(name.name).second) {
                // A name of the workbook given on two sheets can only be local to the second.
                defined.append_attribute("localSheetId") = i;
            }
            defined.text().set((QuotedSheetName(sheet.name) + "!" + name.address).c_str());
        }
    }
    addRel(workbookRelsRoot, "rId" + std::to_string(desc.sheets.size() + 1), relBase + "styles",
           "styles.xml");
    add("xl/workbook.xml", SerializeXml(workbook));
    add("xl/_rels/workbook.xml.rels", SerializeXml(workbookRels));
    add("xl/styles.xml", kStylesXml);
    if (!desc.customProperties.empty()) {
        add("docProps/custom.xml",
            BuildCustomProperties(nullptr, "", desc.customProperties, kTransitional));
    }
    WritePackage(nullptr, entries, destPath);
}

}  // namespace

WriteResult Write(const std::string& sourcePath, const WorkbookSpec& desc,
                  const std::string& destPath, const Budget& budget) {
    WriteResult result;
    // Checked first, so a read-only file costs no work and nothing on disk changes.
    if (linuxplatform::IsReadOnly(destPath)) {
        result.status = Status::ReadOnly;
        result.description = FileNameOf(destPath) +
                             " is read-only: save it under another name, or make the file "
                             "writable and save again.";
        return result;
    }
    try {
        if (sourcePath.empty()) {
            SaveNew(desc, destPath);
        } else {
            SaveOverSource(sourcePath, desc, destPath, budget);
        }
    } catch (const PackageError& error) {
        result.status = error.status;
        result.description = error.description;
    } catch (const std::bad_alloc&) {
        result.status = Status::WriteFailed;
        result.description = FileNameOf(destPath) + " could not be saved: out of memory.";
    } catch (const std::exception& error) {
        result.status = Status::WriteFailed;
        result.description = FileNameOf(destPath) + " could not be saved: " + error.what() + ".";
    }
    return result;
}

}  // namespace sim::xlsx
