#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
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
    if (text == nullptr) return std::nullopt;
    return ParseWholeNumber(text, low, high);
}

// The text of a string item (<si> or <is>) as its elements stream by: its own <t> and
// those of its runs, without the phonetic guides (<rPh>).
class StringItemText {
  public:
    void Clear() {
        text_.clear();
        inText_ = false;
        phonetic_ = 0;
    }
    // An element inside the item starts or ends.
    void Start(std::string_view name) {
        if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && phonetic_ == 0) {
            inText_ = true;
        }
    }
    void End(std::string_view name) {
        if (name == "rPh") {
            --phonetic_;
        } else if (name == "t") {
            inText_ = false;
        }
    }
    void Text(std::string_view text) {
        if (inText_) text_.append(text);
    }
    std::string Decoded() const { return DecodeEscapes(text_); }

  private:
    std::string text_;
    bool inText_ = false;
    int phonetic_ = 0;
};

// Shared strings as a stream: the text of each <si>.
class SharedStringsStream : public XmlStream {
  public:
    SharedStringsStream(std::string file, std::string part, uint64_t maxItems,
                        const std::function<void()>& overItems)
        : XmlStream(std::move(file), std::move(part)), maxItems_(maxItems), overItems_(overItems) {}
    SharedStrings strings;

  protected:
    void Start(std::string_view name, const char**) override {
        if (name == "si") {
            inItem_ = true;
            item_.Clear();
        } else if (inItem_) {
            item_.Start(name);
        }
    }
    void End(std::string_view name) override {
        if (name == "si") {
            if (strings.Size() >= maxItems_) overItems_();
            strings.Add(item_.Decoded());
            inItem_ = false;
        } else if (inItem_) {
            item_.End(name);
        }
    }
    void Text(std::string_view text) override { item_.Text(text); }

  private:
    const uint64_t maxItems_;
    const std::function<void()>& overItems_;
    bool inItem_ = false;
    StringItemText item_;
};

// A worksheet part as a stream, into a SheetSpec.
class WorksheetStream : public XmlStream {
  public:
    WorksheetStream(std::string file, std::string part, const SharedStrings& strings,
                    SheetSpec& desc, const std::function<void(uint64_t)>& onCell)
        : XmlStream(std::move(file), part), strings_(strings), desc_(desc), onCell_(onCell) {}

  protected:
    void Start(std::string_view name, const char** a) override {
        ++depth_;
        if (depth_ == 2) {
            top_ = std::string(name);
            // A sheet has one sheetData. Of two, reading both or either is a guess the
            // editor of a save would have to guess alike; the file is damaged.
            if (name == "sheetData" && sheetData_++ > 0) {
                Fail(Status::InvalidContent,
                     File() + " cannot be read: the sheet \"" + desc_.name +
                         "\" holds its cells twice (two sheetData elements); let a spreadsheet "
                         "application repair the file and save it again.");
            }
        }
        if (top_ == "sheetData") {
            if (name == "row" && depth_ == 3) return StartRow(a);
            if (depth_ == 3) positions_.LeaveRow();  // cells count only inside rows
            if (name == "c" && depth_ == 4) return StartCell(a);
            if (!inCell_) return;
            if (name == "v" && depth_ == 5) {
                inValue_ = true;
                value_.clear();
                hasV_ = true;
            } else if (name == "is" && depth_ == 5) {
                hasIs_ = true;
                inline_.Clear();
            } else if (hasIs_) {
                inline_.Start(name);
            }
            return;
        }
        if (depth_ == 2 && name == "sheetProtection") {
            desc_.isProtected = IsTrueValue(AttributeOf(a, "sheet"));
        } else if (top_ == "cols" && name == "col" && depth_ == 3) {
            Column(a);
        } else if (top_ == "sheetViews" && depth_ == 3 && name == "sheetView") {
            ++views_;
        } else if (top_ == "sheetViews" && depth_ == 4 && views_ == 1) {
            if (name == "pane") {
                if (const char* pane = AttributeOf(a, "activePane")) activePane_ = pane;
            } else if (name == "selection") {
                const char* pane = AttributeOf(a, "pane");
                selections_.emplace_back(pane ? pane : "topLeft",
                                         NormalizedCellName(Value(AttributeOf(a, "activeCell"))));
            }
        }
    }

    void End(std::string_view name) override {
        if (top_ == "sheetData") {
            if (name == "c" && depth_ == 4) EndCell();
            if (depth_ == 3) positions_.LeaveRow();
            if (name == "v" && depth_ == 5) inValue_ = false;
            if (inCell_ && hasIs_) inline_.End(name);
        }
        if (depth_ == 2) {
            if (top_ == "sheetViews") ChooseSelection();
            top_.clear();
        }
        --depth_;
    }

    void Text(std::string_view text) override {
        if (inValue_) value_.append(text);
        inline_.Text(text);
    }

  private:
    static std::string_view Value(const char* text) { return text ? text : ""; }

    void StartRow(const char** a) {
        if (!positions_.StartRow(AttributeOf(a, "r"))) return;
        const int32_t row = positions_.Row();
        if (IsTrueValue(AttributeOf(a, "hidden"))) desc_.hiddenRows.push_back(row);
        if (IsTrueValue(AttributeOf(a, "customHeight"))) {
            const auto height = ParseDouble(AttributeOf(a, "ht"));
            if (height && *height >= 0) desc_.rowHeights.emplace_back(row, *height);
        }
    }

    void StartCell(const char** a) {
        inCell_ = false;
        if (!positions_.StartCell(AttributeOf(a, "r"))) return;
        inCell_ = true;
        const char* type = AttributeOf(a, "t");
        type_ = type ? type : "";
        hasV_ = hasIs_ = false;
        value_.clear();
        inline_.Clear();
    }

    void EndCell() {
        if (!inCell_) return;
        inCell_ = false;
        // A view of the cell's text: into the shared strings, the value as written, or
        // decoded_ for text that needed decoding.
        std::string_view text;
        if (type_ == "inlineStr") {
            if (hasIs_) {
                text = decoded_ = inline_.Decoded();
            } else if (hasV_) {
                text = decoded_ = DecodeEscapes(value_);
            } else {
                return;
            }
        } else if (!hasV_) {
            return;
        } else if (type_ == "s") {
            const auto index =
                ParseInteger(value_.c_str(), 0, static_cast<int64_t>(strings_.Size()) - 1);
            if (!index) return;  // an index past the table names no string
            CheckLength(strings_[static_cast<size_t>(*index)]);
            const auto [offset, length] = strings_.Span(static_cast<size_t>(*index));
            desc_.cells.AppendShared(positions_.Row(), positions_.Column(), strings_.Block(),
                                     offset, length);
            if (onCell_) onCell_(BytesRead());
            return;
        } else if (type_ == "b") {
            text = value_ == "0" ? "FALSE" : "TRUE";
        } else if (type_ == "str") {
            text = decoded_ = DecodeEscapes(value_);
        } else {
            text = value_;  // numbers as written, error values, ISO dates
        }
        CheckLength(text);
        desc_.cells.Append(positions_.Row(), positions_.Column(), text);
        if (onCell_) onCell_(BytesRead());
    }

    // More text than a cell can hold is damage to name, not text to cut short.
    void CheckLength(std::string_view text) const {
        if (text.size() <= CellTable::kMaxTextBytes) return;
        Fail(Status::InvalidContent,
             File() + " cannot be read: the cell " +
                 CellName(positions_.Row(), positions_.Column()) + " of the sheet \"" + desc_.name +
                 "\" holds " + Thousands(text.size()) + " bytes of text, more than the " +
                 Thousands(CellTable::kMaxTextBytes) + " a cell can hold; the file is damaged.");
    }

    void Column(const char** a) {
        const auto low = ParseInteger(AttributeOf(a, "min"), 1, kMaxColumn);
        const auto high = ParseInteger(AttributeOf(a, "max"), 1, kMaxColumn);
        // Column ranges come sorted and apart; one reaching back over another is damage,
        // and skipping it keeps a file of many overlapping ranges from costing minutes.
        if (!low || !high || *high < *low || *low <= lastColumn_) return;
        lastColumn_ = *high;
        const bool hidden = IsTrueValue(AttributeOf(a, "hidden"));
        const auto width = ParseDouble(AttributeOf(a, "width"));
        // Only widths someone chose: the rest is the default width written out.
        const bool customWidth = width && IsTrueValue(AttributeOf(a, "customWidth"));
        for (auto c = static_cast<int32_t>(*low); c <= static_cast<int32_t>(*high); ++c) {
            if (hidden) desc_.hiddenColumns.push_back(c);
            if (customWidth) desc_.columnWidths.emplace_back(c, ColumnWidthToPoints(*width));
        }
    }

    void ChooseSelection() {
        const std::pair<std::string, std::string>* chosen = nullptr;
        for (const auto& selection : selections_) {
            if (!chosen || selection.first == activePane_) chosen = &selection;
            if (selection.first == activePane_) break;
        }
        if (chosen && !chosen->second.empty()) desc_.activeCell = chosen->second;
        selections_.clear();
    }

  private:
    const SharedStrings& strings_;
    SheetSpec& desc_;
    const std::function<void(uint64_t)>& onCell_;
    int depth_ = 0;
    int sheetData_ = 0;
    std::string top_;
    CellPositions positions_;
    bool inCell_ = false, inValue_ = false;
    bool hasV_ = false, hasIs_ = false;
    std::string type_, value_, decoded_;
    StringItemText inline_;
    int64_t lastColumn_ = 0;
    int views_ = 0;
    std::string activePane_ = "topLeft";
    std::vector<std::pair<std::string, std::string>> selections_;
};

}  // namespace

SharedStrings detail::ReadSharedStrings(const ZipArchive& zip, const std::string& part,
                                        uint64_t limit, const std::function<void()>& overLimit,
                                        uint64_t maxItems, const std::function<void()>& overItems) {
    SharedStringsStream stream(zip.DisplayName(), part, maxItems, overItems);
    stream.Run(zip, limit, overLimit);
    stream.strings.Finish();
    return std::move(stream.strings);
}

void detail::ReadWorksheet(const ZipArchive& zip, const std::string& part,
                           const SharedStrings& sharedStrings, SheetSpec& desc, uint64_t limit,
                           const std::function<void()>& overLimit,
                           const std::function<void(uint64_t)>& onCell) {
    WorksheetStream stream(zip.DisplayName(), part, sharedStrings, desc, onCell);
    stream.Run(zip, limit, overLimit);
    // The format gives each cell once: a file giving one twice is damaged. Taking either
    // value would be a guess, and a save could put the user's edit in the place a later
    // read does not take. Cells nearly always come in order, so this costs one pass.
    if (const auto twice = desc.cells.Finish()) {
        Fail(Status::InvalidContent, zip.DisplayName() + " cannot be read: the sheet \"" +
                                         desc.name + "\" gives the cell " +
                                         CellName(twice->first, twice->second) +
                                         " twice; let a spreadsheet application repair the "
                                         "file and save it again.");
    }
    const auto sortUnique = [](std::vector<int32_t>& v) {
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
    };
    sortUnique(desc.hiddenRows);
    sortUnique(desc.hiddenColumns);
    desc.source.known = true;
    desc.source.partCrc = zip.CrcOf(part);
    desc.source.cellsVersion = desc.cells.Version();
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

namespace {

[[noreturn]] void OverBudget(const std::string& file, const std::string& where,
                             const std::string& limit, const char* option) {
    Fail(Status::OverBudget,
         file + " is too large to open: " + where + " takes it past the limit of " + limit +
             "; if this machine has the memory, open it with a larger " + option + ".");
}

}  // namespace

LoadedPackage detail::LoadPackage(const std::string& path, const ReadOptions& options) {
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
    for (const Relationship& rel : workbookRels) {
        if (RelationshipKind(rel.type) == "sharedStrings" && !rel.external && zip.Has(rel.target)) {
            package.sharedStringsPart = rel.target;
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
        if (RelationshipKind(rel->type) == "chartsheet") {
            sheet.kind = SheetKind::Chart;
            source.kind = SheetKind::Chart;
        }
        workbook.sheets.push_back(std::move(sheet));
        package.sheets.push_back(std::move(source));
    }
    if (workbook.sheets.empty()) {
        Fail(Status::InvalidContent, file + ": " + workbookPart + " lists no sheets.");
    }

    if (options.cells) {
        // The budget is checked on the sizes the package states before anything is read,
        // and again on the data as it streams, since a stated size can lie.
        const Budget& budget = options.budget;
        const std::string bytesLimit = Thousands(budget.maxXmlBytes) + " bytes of XML";
        const std::string cellsLimit = Thousands(budget.maxCells) + " cells";
        const auto stringsOverBytes = [&] {
            OverBudget(file, "its table of shared strings", bytesLimit, "--max-xml-bytes");
        };
        const auto stringsOverItems = [&] {
            OverBudget(file, "its table of shared strings", cellsLimit, "--max-cells");
        };
        const auto sheetOverBytes = [&](const SheetSpec& sheet) {
            OverBudget(file, "the sheet \"" + sheet.name + "\"", bytesLimit, "--max-xml-bytes");
        };
        uint64_t stated =
            package.sharedStringsPart.empty() ? 0 : zip.SizeOf(package.sharedStringsPart);
        if (stated > budget.maxXmlBytes) stringsOverBytes();
        for (size_t i = 0; i < package.sheets.size(); ++i) {
            stated += zip.SizeOf(package.sheets[i].part);
            if (stated > budget.maxXmlBytes) sheetOverBytes(workbook.sheets[i]);
        }
        const uint64_t total = std::max<uint64_t>(stated, 1);
        uint64_t bytesBefore = 0;  // of the parts read whole so far
        uint64_t cells = 0;
        SharedStrings sharedStrings;
        if (options.progress)
            options.progress({workbook.sheets[0].name, 0, package.sheets.size(), 0.0});
        if (!package.sharedStringsPart.empty()) {
            sharedStrings =
                ReadSharedStrings(zip, package.sharedStringsPart, budget.maxXmlBytes,
                                  stringsOverBytes, budget.MaxSharedStrings(), stringsOverItems);
            bytesBefore += zip.SizeOf(package.sharedStringsPart);
        }
        for (size_t i = 0; i < package.sheets.size(); ++i) {
            SheetSpec& sheet = workbook.sheets[i];
            const std::string& part = package.sheets[i].part;
            const auto tell = [&](double fraction) {
                if (options.progress) {
                    options.progress({sheet.name, i, package.sheets.size(), fraction});
                }
            };
            tell(static_cast<double>(bytesBefore) / static_cast<double>(total));
            if (sheet.kind == SheetKind::Chart) {
                pugi::xml_document sheetDoc;
                ParseXml(sheetDoc, zip.Read(part), file, part);
                ReadChartSheetXml(sheetDoc, sheet);
            } else {
                const uint64_t partSize = std::max<uint64_t>(zip.SizeOf(part), 1);
                const auto overBytes = [&] { sheetOverBytes(sheet); };
                size_t cellsHere = 0;
                ReadWorksheet(zip, part, sharedStrings, sheet, budget.maxXmlBytes - bytesBefore,
                              overBytes, [&](uint64_t bytesRead) {
                                  if (++cells > budget.maxCells) {
                                      OverBudget(file, "the sheet \"" + sheet.name + "\"",
                                                 cellsLimit, "--max-cells");
                                  }
                                  if (options.progress && (++cellsHere & 0xFFFF) == 0) {
                                      const double here =
                                          std::min(1.0, static_cast<double>(bytesRead) /
                                                            static_cast<double>(partSize));
                                      tell((static_cast<double>(bytesBefore) +
                                            here * static_cast<double>(partSize)) /
                                           static_cast<double>(total));
                                  }
                              });
            }
            sheet.source.sharedStringsCrc = package.SharedStringsCrc();
            bytesBefore += zip.SizeOf(part);
        }
        if (options.progress) {
            options.progress({workbook.sheets.back().name, package.sheets.size() - 1,
                              package.sheets.size(), 1.0});
        }
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

ReadResult Read(const std::string& path, const ReadOptions& options) {
    ReadResult result;
    linuxplatform::RemoveStaleReplacements(path);
    try {
        const std::string file = FileNameOf(path);
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            Fail(Status::NotWorkbook,
                 file + " is a folder, not a workbook: give the path of an .xlsx file.");
        }
        switch (SniffCompoundFile(path)) {
            case CompoundKind::NotCompound:
                break;
            case CompoundKind::Encrypted:
                Fail(Status::PasswordProtected,
                     file +
                         " is protected by a password, and this program cannot open "
                         "encrypted workbooks; remove the password in a spreadsheet "
                         "application (or save an unprotected copy) and open that.");
            case CompoundKind::LegacyWorkbook:
                Fail(Status::UnsupportedFormat,
                     file +
                         " is a workbook in the older binary format (.xls), which this "
                         "program does not read; save it as .xlsx in a spreadsheet "
                         "application and open that.");
            case CompoundKind::Other:
                Fail(Status::UnsupportedFormat,
                     file +
                         " is not a workbook: it is a compound document of another kind; "
                         "save it as .xlsx in the application that made it and open that.");
        }
        result.workbook = LoadPackage(path, options).workbook;
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
    // A read that failed ends too, so whatever shows its progress can clear it.
    if (!result && options.progress) options.progress({"", 0, 0, 1.0});
    return result;
}

}  // namespace sim::xlsx
