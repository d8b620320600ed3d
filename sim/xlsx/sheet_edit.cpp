// Editing the cells of a worksheet part as a stream: the part is read twice with expat,
// once to learn where the changes land, once to write it out. Bytes nothing touches are
// copied as they were; only the changed cells, the rows that take new cells, new rows,
// the dimension and cells whose shared formula lost its master are written anew, each
// from a tree of that one element. Besides the part written out, memory is the changes,
// one cell and the parser's chunk, however big the sheet.

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "sim/xlsx/package.h"

namespace sim::xlsx::detail {

namespace {

// Text the host would store as a number and show again exactly as typed: plain decimal
// notation, no leading zeros, at most fifteen significant digits (more would be lost).
bool IsPlainNumber(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    const size_t intStart = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    const size_t intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && text[intStart] == '0')) return false;
    size_t significant = text[intStart] == '0' ? 0 : intDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const size_t fracStart = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (i == fracStart) return false;
        if (significant == 0) {
            size_t k = fracStart;
            while (k < i && text[k] == '0') ++k;
            significant = i - k;
        } else {
            significant += i - fracStart;
        }
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const size_t expStart = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (i == expStart || i - expStart > 3) return false;
        if (std::stoi(std::string(text.substr(expStart, i - expStart))) > 300) return false;
    }
    return i == text.size() && significant <= 15;
}

bool NeedsPreservedSpace(std::string_view text) {
    return !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                             std::isspace(static_cast<unsigned char>(text.back())) ||
                             text.find('\n') != std::string_view::npos);
}

// What is known of one row the changes touch.
struct RowPlan {
    std::map<int32_t, const std::string*> changes;  // column -> text, empty to clear
    int64_t element = -1;        // ordinal of the first row element of this number, -1: none
    int64_t before = -1;         // a new row: the ordinal of the row it goes before, -1: last
    int32_t beforeRow = 0;       // that row's number
    std::set<int32_t> existing;  // changed columns that have a cell
    // Each changed column: the least column after it among the cells of `element`, 0: none.
    std::map<int32_t, int32_t> next;
    // Each new cell: the column of the cell of `element` it goes before, 0: after all.
    std::map<int32_t, int32_t> addedBefore;
};

// Offers candidate as the successor (the least number above its own) of each key below
// it, from the greatest down, until one refuses it by having one no greater. Successors
// grow with the key, so every key below that one would refuse it too.
template <class Map, class Get>
void OfferSuccessor(Map& map, int32_t candidate, Get&& successor) {
    for (auto it = map.lower_bound(candidate); it != map.begin();) {
        --it;
        if (!successor(it->second, candidate)) break;
    }
}

std::string Print(pugi::xml_node node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

// One element cut out of the part, as a tree of its own. It was well-formed in the part
// (the stream has passed it), and the part is UTF-8 (the survey refuses others); a cut
// that still does not parse must fail the save, never drop the element.
void ParseFragment(pugi::xml_document& doc, std::string_view bytes) {
    const pugi::xml_parse_result parsed =
        doc.load_buffer(bytes.data(), bytes.size(),
                        pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_utf8);
    if (!parsed || !doc.document_element()) {
        Fail(Status::MalformedXml, "An element of a sheet could not be edited (" +
                                       std::string(parsed.description()) +
                                       "); the file was left as it was.");
    }
}

// The encoding a part declares (its byte order mark, else its XML declaration), upper
// case; "UTF-8" when it declares none, as XML has it.
std::string DeclaredEncoding(std::string_view head) {
    if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF") return "UTF-16";
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    if (head.substr(0, 5) != "<?xml") return "UTF-8";
    const std::string_view declaration = head.substr(0, head.find("?>"));
    const auto at = declaration.find("encoding");
    if (at == std::string_view::npos) return "UTF-8";
    const auto quote = declaration.find_first_of("\"'", at);
    if (quote == std::string_view::npos) return "UTF-8";
    const auto close = declaration.find(declaration[quote], quote + 1);
    std::string name(declaration.substr(
        quote + 1, close == std::string_view::npos ? std::string_view::npos : close - quote - 1));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "UTF8" ? "UTF-8" : name;
}

// A start tag edited by edit: the tag as written, made empty for the parse and given
// back open again when it was.
std::string EditStartTag(std::string_view tag, const std::function<void(pugi::xml_node)>& edit) {
    const bool empty = tag.size() >= 2 && tag.substr(tag.size() - 2) == "/>";
    std::string closed(empty ? tag : tag.substr(0, tag.size() - 1));
    if (!empty) closed += "/>";
    pugi::xml_document doc;
    ParseFragment(doc, closed);
    edit(doc.document_element());
    std::string edited = Print(doc.document_element());
    if (!empty && edited.size() >= 2) edited.replace(edited.size() - 2, 2, ">");
    return edited;
}

// A tag written empty (<row r="1"/>) as the start tag of one that is not.
std::string Opened(std::string_view emptyTag) {
    return std::string(emptyTag.substr(0, emptyTag.size() - 2)) + ">";
}

bool IsEmptyTag(std::string_view tag) {
    return tag.size() >= 2 && tag.substr(tag.size() - 2) == "/>";
}

// ---- The first pass: where the changes land ----

class SheetSurvey : public XmlStream {
  public:
    SheetSurvey(std::string file, std::string part, std::map<int32_t, RowPlan>& plans)
        : XmlStream(std::move(file), std::move(part)), plans_(plans) {}

    bool hasSheetData = false;
    int64_t sheetDataAfter = -1;  // for a missing sheetData: after this child of the root
    int64_t dimension = -1;       // ordinal of the dimension among the root's children
    bool anyCell = false;         // the sheet had a cell the reader reads
    bool removedFormula = false;
    std::set<std::string> orphaned;  // the si of shared formulas whose master is typed over
    std::set<int64_t> touchedRows;   // ordinals of row elements holding a changed cell

  protected:
    // Bytes are copied as the part has them and new markup is UTF-8: a part in another
    // encoding would come out mixed, so it is not edited.
    void Input(std::string_view chunk) override {
        if (checkedEncoding_) return;
        checkedEncoding_ = true;
        const std::string encoding = DeclaredEncoding(chunk);
        if (encoding != "UTF-8") {
            Fail(Status::UnsupportedChange,
                 File() + " could not be saved: a sheet whose cells changed is written in the " +
                     encoding +
                     " encoding, which this program does not edit; save the workbook once in a "
                     "spreadsheet application (it writes UTF-8) and try again.");
        }
    }

    void Start(std::string_view name, const char** a) override {
        ++depth_;
        if (depth_ == 2) {
            ++child_;
            inSheetData_ = name == "sheetData" && !hasSheetData;
            if (inSheetData_) hasSheetData = true;
            if (name == "dimension" && dimension < 0) dimension = child_;
            return;
        }
        if (!inSheetData_) return;
        if (depth_ == 3 && name == "row") {
            ++rowOrdinal_;
            plan_ = nullptr;
            if (!positions_.StartRow(AttributeOf(a, "r"))) return;
            const int32_t row = positions_.Row();
            OfferSuccessor(plans_, row, [&](RowPlan& plan, int32_t candidate) {
                if (plan.before >= 0 && plan.beforeRow <= candidate) return false;
                plan.before = rowOrdinal_, plan.beforeRow = candidate;
                return true;
            });
            if (const auto it = plans_.find(row); it != plans_.end()) {
                plan_ = &it->second;
                if (plan_->element < 0) plan_->element = rowOrdinal_;
            }
            firstElement_ = plan_ != nullptr && plan_->element == rowOrdinal_;
        } else if (depth_ == 3) {
            positions_.LeaveRow();
            plan_ = nullptr;
        } else if (depth_ == 4 && name == "c") {
            changedCell_ = false;
            if (anyCell && plan_ == nullptr) return;
            if (!positions_.StartCell(AttributeOf(a, "r"))) return;
            anyCell = true;
            if (plan_ == nullptr) return;
            const int32_t column = positions_.Column();
            if (firstElement_) {
                OfferSuccessor(plan_->next, column, [](int32_t& next, int32_t candidate) {
                    if (next != 0 && next <= candidate) return false;
                    next = candidate;
                    return true;
                });
            }
            if (plan_->changes.count(column)) {
                plan_->existing.insert(column);
                touchedRows.insert(rowOrdinal_);
                changedCell_ = true;
            }
        } else if (depth_ == 5 && changedCell_ && name == "f") {
            removedFormula = true;
            const char* type = AttributeOf(a, "t");
            if (type != nullptr && std::string_view(type) == "shared" && AttributeOf(a, "ref")) {
                const char* si = AttributeOf(a, "si");
                orphaned.insert(si ? si : "");
            }
        }
    }

    void End(std::string_view name) override {
        if (depth_ == 2) {
            // sheetData follows these elements and precedes all others.
            static const std::set<std::string_view> before = {"sheetPr", "dimension", "sheetViews",
                                                              "sheetFormatPr", "cols"};
            if (before.count(name)) sheetDataAfter = child_;
            inSheetData_ = false;
        }
        if (depth_ == 4) changedCell_ = false;
        if (depth_ == 3) {
            positions_.LeaveRow();
            plan_ = nullptr;
        }
        --depth_;
    }

  private:
    std::map<int32_t, RowPlan>& plans_;
    CellPositions positions_;
    int depth_ = 0;
    int64_t child_ = -1, rowOrdinal_ = -1;
    bool inSheetData_ = false, firstElement_ = false, changedCell_ = false;
    bool checkedEncoding_ = false;
    RowPlan* plan_ = nullptr;
};

// ---- The second pass: the part written out ----

class SheetRewrite : public XmlStream {
  public:
    SheetRewrite(std::string file, std::string part, std::map<int32_t, RowPlan>& plans,
                 const SheetSurvey& survey, std::string& out)
        : XmlStream(std::move(file), std::move(part)), plans_(plans), survey_(survey), out_(out) {
        for (auto& [row, plan] : plans_) {
            if (plan.addedBefore.empty()) continue;
            additions_.reserve(additions_.size() + plan.addedBefore.size());
            for (const auto& [column, next] : plan.addedBefore) additions_.push_back({row, column});
            if (plan.element < 0) newRows_.emplace(plan.before, row);
        }
    }

    // The bytes after the last event (white space, comments after the root).
    void Finish() { CopyTo(inputBase_ + input_.size()); }

  protected:
    void Input(std::string_view chunk) override {
        CopyTo(capturing_ ? captureStart_ : lastEnd_);
        input_.erase(0, static_cast<size_t>(copied_ - inputBase_));
        inputBase_ = copied_;
        input_.append(chunk);
    }

    void Text(std::string_view) override {
        if (!capturing_) lastEnd_ = std::max(lastEnd_, EventOffset() + EventLength());
    }

    void Start(std::string_view name, const char** a) override {
        ++depth_;
        const uint64_t start = EventOffset();
        const uint64_t end = start + EventLength();
        lastEnd_ = end;
        if (depth_ == 1) return StartRoot(start, end);
        if (depth_ == 2) {
            ++child_;
            inSheetData_ = name == "sheetData" && !seenSheetData_;
            if (inSheetData_) {
                seenSheetData_ = true;
                if (IsEmptyTag(Bytes(start, end)) && !newRows_.empty()) {
                    CopyTo(start);
                    out_ += Opened(Bytes(start, end));
                    EmitNewRows(newRows_.begin(), newRows_.end());
                    out_ += "</" + std::string(QualifiedName()) + ">";
                    Skip(end);
                    rowsDone_ = true;
                }
            } else if (child_ == survey_.dimension && !additions_.empty()) {
                Capture(start);
            }
            return;
        }
        if (!inSheetData_) return;
        if (depth_ == 3 && name == "row") return StartRow(a, start, end);
        if (depth_ == 3) positions_.LeaveRow();
        if (depth_ == 4 && name == "c" && watchRow_) return StartCell(a, start, end);
        if (depth_ == 5 && name == "f" && cellMode_ == CellMode::Watch) {
            const char* type = AttributeOf(a, "t");
            const char* si = AttributeOf(a, "si");
            if (type != nullptr && std::string_view(type) == "shared" &&
                survey_.orphaned.count(si ? si : "")) {
                orphanHit_ = true;
            }
        }
    }

    void End(std::string_view name) override {
        const uint64_t start = EventOffset();
        const uint64_t end = start + EventLength();
        lastEnd_ = std::max(lastEnd_, end);
        if (depth_ == 4 && cellMode_ != CellMode::None) EndCell(end);
        if (depth_ == 3 && inSheetData_ && name == "row") EndRow(start);
        if (depth_ == 2) {
            if (capturing_) EndDimension(end);
            if (inSheetData_ && !rowsDone_) {
                CopyTo(start);
                EmitNewRows(newRows_.lower_bound(-1), newRows_.upper_bound(-1));
                rowsDone_ = true;
            }
            if (!survey_.hasSheetData && child_ == survey_.sheetDataAfter) {
                CopyTo(end);
                EmitSheetData();
            }
            inSheetData_ = false;
        }
        --depth_;
    }

  private:
    enum class CellMode { None, Change, Watch };

    std::string_view Bytes(uint64_t from, uint64_t to) const {
        return std::string_view(input_).substr(static_cast<size_t>(from - inputBase_),
                                               static_cast<size_t>(to - from));
    }
    void CopyTo(uint64_t offset) {
        if (offset <= copied_) return;
        out_.append(Bytes(copied_, offset));
        copied_ = offset;
    }
    void Skip(uint64_t offset) { copied_ = std::max(copied_, offset); }
    // Keeps the bytes from start until the element ends, as it may be written anew.
    void Capture(uint64_t start) {
        CopyTo(start);
        capturing_ = true;
        captureStart_ = start;
    }

    std::string Qualified(const char* localName) const {
        return detail::Qualified(prefix_, localName);
    }

    void StartRoot(uint64_t start, uint64_t end) {
        const std::string_view name = QualifiedName();
        const auto colon = name.find(':');
        prefix_ = std::string(colon == std::string_view::npos ? std::string_view()
                                                              : name.substr(0, colon));
        if (survey_.hasSheetData || survey_.sheetDataAfter >= 0) return;
        CopyTo(start);
        const std::string_view tag = Bytes(start, end);
        if (IsEmptyTag(tag)) {
            out_ += Opened(tag);
            EmitSheetData();
            out_ += "</" + std::string(QualifiedName()) + ">";
        } else {
            out_ += tag;
            EmitSheetData();
        }
        Skip(end);
    }

    void StartRow(const char** a, uint64_t start, uint64_t end) {
        const int64_t ordinal = ++rowOrdinal_;
        const char* r = AttributeOf(a, "r");
        const bool indexed = positions_.StartRow(r);
        const auto [first, last] = newRows_.equal_range(ordinal);
        const bool rowsBefore = first != last;
        if (rowsBefore) {
            CopyTo(start);
            EmitNewRows(first, last);
        }
        plan_ = nullptr;
        adding_ = false;
        if (indexed) {
            if (const auto it = plans_.find(positions_.Row()); it != plans_.end()) {
                plan_ = &it->second;
                adding_ = plan_->element == ordinal && !plan_->addedBefore.empty();
            }
        }
        touched_ = adding_ || survey_.touchedRows.count(ordinal);
        watchRow_ = plan_ != nullptr || !survey_.orphaned.empty();
        // A new row before a row of implied number would shift it, and a row that changed
        // says where it stands rather than leave it to the rows before: such rows are given
        // their number. A row's spans only hint at its cells; one now wrong is worse than
        // none.
        const bool needsR = indexed && r == nullptr && (touched_ || rowsBefore);
        const bool dropSpans = adding_ && AttributeOf(a, "spans") != nullptr;
        const std::string_view tag = Bytes(start, end);
        const bool opens = adding_ && IsEmptyTag(tag);
        if (!needsR && !dropSpans && !opens) return;
        CopyTo(start);
        const int32_t row = positions_.Row();
        std::string edited(tag);
        if (needsR || dropSpans) {
            edited = EditStartTag(tag, [&](pugi::xml_node node) {
                if (needsR) node.prepend_attribute("r") = row;
                if (dropSpans) node.remove_attribute("spans");
            });
        }
        if (opens) {
            out_ += Opened(edited);
            EmitCells(0);
            out_ += "</" + std::string(QualifiedName()) + ">";
            adding_ = false;
        } else {
            out_ += edited;
        }
        Skip(end);
    }

    void EndRow(uint64_t start) {
        if (adding_) {
            CopyTo(start);
            EmitCells(0);
        }
        plan_ = nullptr;
        adding_ = touched_ = watchRow_ = false;
        positions_.LeaveRow();
        emitted_.clear();
    }

    void StartCell(const char** a, uint64_t start, uint64_t end) {
        const char* r = AttributeOf(a, "r");
        if (!positions_.StartCell(r)) return;
        const int32_t column = positions_.Column();
        bool cellsBefore = false;
        if (adding_) {
            CopyTo(start);
            const size_t copied = out_.size();
            EmitCells(column);
            cellsBefore = out_.size() != copied;
        }
        cell_ = {positions_.Row(), column};
        cellStart_ = start;
        cellTagEnd_ = end;
        // A new cell before a cell of implied column would shift it, and in a row that
        // changed every cell says where it stands.
        needsR_ = r == nullptr && (touched_ || cellsBefore);
        orphanHit_ = false;
        cellMode_ = CellMode::None;
        if (plan_ != nullptr) {
            if (const auto it = plan_->changes.find(column); it != plan_->changes.end()) {
                cellMode_ = CellMode::Change;
                text_ = it->second;
            }
        }
        if (cellMode_ == CellMode::None && !survey_.orphaned.empty()) cellMode_ = CellMode::Watch;
        if (cellMode_ != CellMode::None) return Capture(start);
        if (needsR_) PatchCellTag();
    }

    void PatchCellTag() {
        CopyTo(cellStart_);
        const std::string name = CellName(cell_.first, cell_.second);
        out_ += EditStartTag(Bytes(cellStart_, cellTagEnd_), [&](pugi::xml_node node) {
            node.prepend_attribute("r") = name.c_str();
        });
        Skip(cellTagEnd_);
    }

    void EndCell(uint64_t end) {
        const CellMode mode = cellMode_;
        cellMode_ = CellMode::None;
        capturing_ = false;
        if (mode == CellMode::Watch && !orphanHit_) {
            if (needsR_) PatchCellTag();
            return;
        }
        pugi::xml_document doc;
        ParseFragment(doc, Bytes(cellStart_, end));
        pugi::xml_node cell = doc.document_element();
        if (!Attr(cell, "r")) {
            cell.prepend_attribute("r") = CellName(cell_.first, cell_.second).c_str();
        }
        if (mode == CellMode::Change) {
            ClearValue(cell);
            // Of elements at one position (the reader takes those without value) only the
            // first takes the text: a second value would make the file unreadable.
            if (!text_->empty() && written_.insert(cell_).second)
                SetCellValue(cell, prefix_, *text_, Child(cell, "extLst"));
        } else {
            // Cells that shared the formula of a cell typed over have nothing left to
            // share; they keep their last values.
            cell.remove_child(Child(cell, "f"));
            cell.remove_attribute("cm");
        }
        CopyTo(cellStart_);
        out_ += Print(cell);
        Skip(end);
    }

    static void ClearValue(pugi::xml_node cell) {
        while (const pugi::xml_node f = Child(cell, "f")) cell.remove_child(f);
        while (const pugi::xml_node v = Child(cell, "v")) cell.remove_child(v);
        while (const pugi::xml_node is = Child(cell, "is")) cell.remove_child(is);
        for (const char* attribute : {"t", "vm", "cm"}) cell.remove_attribute(attribute);
    }

    // The new cells of the current row that go before the cell of column next (0: at
    // the row's end), in order.
    void EmitCells(int32_t next) {
        for (const auto& [column, before] : plan_->addedBefore) {
            // Two elements of one column ahead of a new cell place it once.
            if (before == next && emitted_.insert(column).second)
                EmitNewCell(plan_->changes.at(column), positions_.Row(), column);
        }
    }

    void EmitNewCell(const std::string* text, int32_t row, int32_t column) {
        pugi::xml_document doc;
        pugi::xml_node cell = doc.append_child(Qualified("c").c_str());
        cell.append_attribute("r") = CellName(row, column).c_str();
        SetCellValue(cell, prefix_, *text, pugi::xml_node());
        out_ += Print(cell);
    }

    template <class It>
    void EmitNewRows(It first, It last) {
        for (; first != last; ++first) {
            const int32_t row = first->second;
            out_ += "<" + Qualified("row") + " r=\"" + std::to_string(row) + "\">";
            for (const auto& [column, before] : plans_.at(row).addedBefore) {
                EmitNewCell(plans_.at(row).changes.at(column), row, column);
            }
            out_ += "</" + Qualified("row") + ">";
        }
    }

    void EmitSheetData() {
        if (newRows_.empty()) {
            out_ += "<" + Qualified("sheetData") + "/>";
            return;
        }
        out_ += "<" + Qualified("sheetData") + ">";
        EmitNewRows(newRows_.begin(), newRows_.end());
        out_ += "</" + Qualified("sheetData") + ">";
    }

    void EndDimension(uint64_t end) {
        capturing_ = false;
        pugi::xml_document doc;
        ParseFragment(doc, Bytes(captureStart_, end));
        pugi::xml_node dimension = doc.document_element();
        const std::string ref = Attr(dimension, "ref").value();
        const auto colon = ref.find(':');
        int32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
        if (!ParseCellReference(ref.substr(0, colon), r1, c1)) return;
        if (colon == std::string::npos) {
            r2 = r1, c2 = c1;
        } else if (!ParseCellReference(ref.substr(colon + 1), r2, c2)) {
            return;
        }
        // A sheet without cells says "A1"; it does not hold A1 itself.
        if (!survey_.anyCell) {
            r1 = r2 = additions_.front().first;
            c1 = c2 = additions_.front().second;
        }
        for (const auto& [row, column] : additions_) {
            r1 = std::min(r1, row), r2 = std::max(r2, row);
            c1 = std::min(c1, column), c2 = std::max(c2, column);
        }
        const std::string extended =
            r1 == r2 && c1 == c2 ? CellName(r1, c1) : CellName(r1, c1) + ":" + CellName(r2, c2);
        Attr(dimension, "ref").set_value(extended.c_str());
        out_ += Print(dimension);
        Skip(end);
    }

    std::map<int32_t, RowPlan>& plans_;
    const SheetSurvey& survey_;
    std::string& out_;
    std::vector<std::pair<int32_t, int32_t>> additions_;  // new cells, by row and column
    std::multimap<int64_t, int32_t> newRows_;  // ordinal of the row each goes before -> row

    std::string input_;  // the part's bytes from inputBase_ on
    uint64_t inputBase_ = 0, copied_ = 0, lastEnd_ = 0, captureStart_ = 0;
    bool capturing_ = false;

    std::string prefix_;
    CellPositions positions_;
    int depth_ = 0;
    int64_t child_ = -1, rowOrdinal_ = -1;
    bool inSheetData_ = false, seenSheetData_ = false, rowsDone_ = false;
    RowPlan* plan_ = nullptr;
    bool adding_ = false, touched_ = false, watchRow_ = false;

    CellMode cellMode_ = CellMode::None;
    std::pair<int32_t, int32_t> cell_;
    uint64_t cellStart_ = 0, cellTagEnd_ = 0;
    bool needsR_ = false, orphanHit_ = false;
    std::set<std::pair<int32_t, int32_t>> written_;  // changed positions given their text
    std::set<int32_t> emitted_;                      // new cells of the current row placed
    const std::string* text_ = nullptr;
};

}  // namespace

std::string Qualified(const std::string& prefix, const char* localName) {
    return prefix.empty() ? std::string(localName) : prefix + ":" + localName;
}

void SetCellValue(pugi::xml_node cell, const std::string& prefix, const std::string& text,
                  pugi::xml_node valueBefore) {
    const auto add = [&](const char* name) {
        const std::string qualified = Qualified(prefix, name);
        return valueBefore ? cell.insert_child_before(qualified.c_str(), valueBefore)
                           : cell.append_child(qualified.c_str());
    };
    if (IsPlainNumber(text)) {
        add("v").text().set(text.c_str());
    } else if (text == "TRUE" || text == "FALSE") {
        cell.append_attribute("t") = "b";
        add("v").text().set(text == "TRUE" ? "1" : "0");
    } else {
        cell.append_attribute("t") = "inlineStr";
        pugi::xml_node t = add("is").append_child(Qualified(prefix, "t").c_str());
        if (NeedsPreservedSpace(text)) t.append_attribute("xml:space") = "preserve";
        t.text().set(EncodeEscapes(text).c_str());
    }
}

SheetEdit EditWorksheet(const ZipArchive& zip, const std::string& part,
                        const std::vector<CellChange>& changes, uint64_t limit,
                        const std::function<void()>& overLimit) {
    std::map<int32_t, RowPlan> plans;
    for (const CellChange& change : changes) {
        RowPlan& plan = plans[change.row];
        plan.changes[change.column] = &change.text;
        plan.next[change.column] = 0;
    }
    SheetSurvey survey(zip.DisplayName(), part, plans);
    survey.Run(zip, limit, overLimit);
    for (auto& [row, plan] : plans) {
        for (const auto& [column, text] : plan.changes) {
            if (!text->empty() && !plan.existing.count(column)) {
                plan.addedBefore.emplace(column, plan.next.at(column));
            }
        }
    }

    SheetEdit edit;
    edit.removedFormula = survey.removedFormula;
    edit.bytes.reserve(static_cast<size_t>(std::min<uint64_t>(zip.SizeOf(part), limit)) + 4096);
    SheetRewrite rewrite(zip.DisplayName(), part, plans, survey, edit.bytes);
    rewrite.Run(zip, limit, overLimit);
    rewrite.Finish();
    return edit;
}

}  // namespace sim::xlsx::detail
