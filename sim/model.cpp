// The simulated host's model: workbooks, sheets, anchors, geometry and building.

#include "sim/model.h"

#include <algorithm>

namespace sim::detail {

bool SheetData::Alive() const {
    return alive && book->alive;
}

Model::Model() {
    BuildBuiltInBars();
}

void Model::CheckFailure(Member m) {
    const size_t i = static_cast<size_t>(m);
    if (!pending[i].empty()) {
        Failure& f = pending[i].front();
        if (f.skip > 0) {
            --f.skip;
        } else {
            Failure hit = std::move(f);
            pending[i].pop_front();
            --failuresArmed;
            host::Raise(hit.number, hit.description);
        }
    }
    if (always[i]) host::Raise(always[i]->number, always[i]->description);
}

// ---- lookups

BookData* Model::FindBook(const std::string& name) const {
    for (BookData* b : books)
        if (SameText(b->name, name)) return b;
    return nullptr;
}

BookData* Model::Book(const std::string& name) const {
    BookData* b = FindBook(name);
    if (!b) SimMisuse("no open workbook named \"" + name + "\"");
    return b;
}

SheetData* Model::FindSheet(BookData* book, const std::string& name) const {
    for (SheetData* s : book->sheets)
        if (SameText(s->name, name)) return s;
    return nullptr;
}

SheetData* Model::Sheet(const std::string& book, const std::string& sheet) const {
    SheetData* s = FindSheet(Book(book), sheet);
    if (!s) SimMisuse("workbook \"" + book + "\" has no sheet named \"" + sheet + "\"");
    return s;
}

std::vector<BookData*> Model::VisibleOrder() const {
    std::vector<BookData*> out;
    out.reserve(books.size());
    for (BookData* b : books)
        if (!b->isAddin) out.push_back(b);
    return out;
}

// ---- geometry

double Model::RowHeight(const SheetData* s, int32_t row) const {
    if (s->hiddenRows.count(row) || s->filterRows.count(row)) return 0.0;
    auto it = s->rowHeights.find(row);
    return it == s->rowHeights.end() ? kDefaultRowHeight : it->second;
}

double Model::ColumnWidth(const SheetData* s, int32_t col) const {
    if (s->hiddenCols.count(col)) return 0.0;
    auto it = s->colWidths.find(col);
    return it == s->colWidths.end() ? kDefaultColumnWidth : it->second;
}

namespace {

// Sum of the sizes of lines 1..n-1 where most lines have the default size.
double Offset(int32_t n, double size, const std::map<int32_t, double>& custom,
              const std::set<int32_t>& hiddenA, const std::set<int32_t>* hiddenB) {
    double total = static_cast<double>(n - 1) * size;
    for (auto& [line, h] : custom) {
        if (line >= n) break;
        total += h - size;
    }
    auto sizeOf = [&](int32_t line) {
        auto it = custom.find(line);
        return it == custom.end() ? size : it->second;
    };
    for (int32_t line : hiddenA) {
        if (line >= n) break;
        total -= sizeOf(line);
    }
    if (hiddenB) {
        for (int32_t line : *hiddenB) {
            if (line >= n) break;
            if (!hiddenA.count(line)) total -= sizeOf(line);
        }
    }
    return total;
}

}  // namespace

double Model::TopOf(const SheetData* s, int32_t row) const {
    return Offset(row, kDefaultRowHeight, s->rowHeights, s->hiddenRows, &s->filterRows);
}

double Model::LeftOf(const SheetData* s, int32_t col) const {
    return Offset(col, kDefaultColumnWidth, s->colWidths, s->hiddenCols, nullptr);
}

// ---- anchors

Anchor* Model::AnchorAt(SheetData* s, int32_t row, int32_t col) {
    const uint64_t key = PositionKey(row, col);
    auto it = s->anchors.find(key);
    if (it != s->anchors.end()) return it->second;
    allAnchors.push_back(std::make_unique<Anchor>(Anchor{s, row, col, true}));
    Anchor* a = allAnchors.back().get();
    s->anchors.emplace(key, a);
    return a;
}

Area* Model::AreaOf(Anchor* first, Anchor* last) {
    SheetData* s = first->sheet;
    auto key = std::make_pair(first, last);
    auto it = s->areas.find(key);
    if (it != s->areas.end()) return it->second;
    allAreas.push_back(std::make_unique<Area>(Area{first, last}));
    s->areas.emplace(key, allAreas.back().get());
    return allAreas.back().get();
}

void Model::RebuildAnchorIndex(SheetData* s) {
    std::unordered_map<uint64_t, Anchor*> index;
    index.reserve(s->anchors.size());
    for (auto& [key, a] : s->anchors)
        if (a->alive) index.emplace(PositionKey(a->row, a->col), a);
    s->anchors = std::move(index);
}

std::optional<Extent> Model::Resolve(SheetData* s, const std::string& text, bool namesOfAnySheet,
                                     SheetData** target) const {
    if (auto ref = ParseA1(text)) {
        *target = s;
        return ref;
    }
    if (!LooksLikeName(text)) return std::nullopt;
    for (NameData* n : s->book->names) {
        if (!n->alive || !SameText(n->name, text)) continue;
        if (!AnchorAlive(n->first) || (n->last && !AnchorAlive(n->last))) return std::nullopt;
        if (n->first->sheet != s && !namesOfAnySheet) return std::nullopt;
        *target = n->first->sheet;
        const Anchor* last = n->last ? n->last : n->first;
        return Extent{n->first->row, n->first->col, last->row, last->col};
    }
    return std::nullopt;
}

// ---- activation and selection

void Model::SetActive(BookData* book) {
    active = book;
    if (!book) return;
    recent.erase(std::remove(recent.begin(), recent.end(), book), recent.end());
    recent.insert(recent.begin(), book);
}

void Model::ActivateSomeOther(BookData* leaving) {
    for (BookData* b : recent) {
        if (b != leaving && b->alive && b->windowVisible && !b->isAddin) {
            SetActive(b);
            return;
        }
    }
    active = nullptr;
}

void Model::SelectOn(SheetData* s, const Extent& ref, bool raise) {
    s->selection = ref;
    s->activeRow = ref.row1 == 0 ? 1 : ref.row1;
    s->activeCol = ref.col1 == 0 ? 1 : ref.col1;
    if (!raise) return;
    auto sheet = MakeSheet(s);
    auto target = MakeRange(s, ref);
    Raise([&](host::AppEvents& e) { e.SheetSelectionChange(sheet, target); });
}

// ---- building

namespace {

Extent CellRef(const std::string& address, const std::string& what) {
    auto ref = ParseA1(address);
    if (!ref || ref->row1 == 0 || ref->col1 == 0)
        SimMisuse(what + ": \"" + address + "\" is not a cell reference");
    return *ref;
}

}  // namespace

SheetData* Model::NewSheet(BookData* book, const SheetSpec& spec) {
    if (spec.name.empty()) SimMisuse("a sheet needs a name");
    if (FindSheet(book, spec.name)) SimMisuse("duplicate sheet name \"" + spec.name + "\"");
    if (spec.visible != -1 && spec.visible != 0 && spec.visible != 2)
        SimMisuse("sheet visibility must be -1, 0 or 2");
    allSheets.push_back(std::make_unique<SheetData>());
    SheetData* s = allSheets.back().get();
    s->book = book;
    s->name = spec.name;
    s->kind = spec.kind;
    s->visible = spec.visible;
    s->isProtected = spec.isProtected;
    if (s->IsWorksheet()) {
        s->hiddenRows.insert(spec.hiddenRows.begin(), spec.hiddenRows.end());
        s->hiddenCols.insert(spec.hiddenColumns.begin(), spec.hiddenColumns.end());
        s->filterRows.insert(spec.filterHiddenRows.begin(), spec.filterHiddenRows.end());
        for (auto& [row, h] : spec.rowHeights) s->rowHeights[row] = h;
        for (auto& [col, w] : spec.columnWidths) s->colWidths[col] = w;
        for (const CellSpec& c : spec.cells) {
            Extent r = CellRef(c.address, "cell");
            s->cells[{r.row1, r.col1}] = c.text;
        }
        for (const OleObjectSpec& o : spec.oleObjects) {
            allOles.push_back(std::make_unique<OleData>());
            allOles.back()->spec = o;
            allOles.back()->sheet = s;
            s->oles.push_back(allOles.back().get());
        }
        Extent active = CellRef(spec.activeCell.empty() ? "A1" : spec.activeCell, "active cell");
        s->selection = Extent{active.row1, active.col1, active.row1, active.col1};
        s->activeRow = active.row1;
        s->activeCol = active.col1;
    }
    return s;
}

BookData* Model::BuildBook(const WorkbookSpec& spec) {
    if (spec.name.empty()) SimMisuse("a workbook needs a name");
    if (FindBook(spec.name)) SimMisuse("a workbook named \"" + spec.name + "\" is already open");
    if (spec.sheets.empty()) SimMisuse("a workbook needs at least one sheet");
    allBooks.push_back(std::make_unique<BookData>());
    BookData* b = allBooks.back().get();
    b->name = spec.name;
    b->windowVisible = spec.windowVisible;
    b->isAddin = spec.isAddin;
    for (const SheetSpec& ss : spec.sheets) b->sheets.push_back(NewSheet(b, ss));
    if (std::none_of(b->sheets.begin(), b->sheets.end(),
                     [](SheetData* s) { return s->visible == -1; }))
        SimMisuse("a workbook needs at least one visible sheet");
    for (size_t i = 0; i < spec.sheets.size(); ++i) {
        for (const DefinedNameSpec& n : spec.sheets[i].names) {
            SheetData* s = b->sheets[i];
            if (!s->IsWorksheet()) SimMisuse("names refer to worksheet cells");
            if (!LooksLikeName(n.name)) SimMisuse("\"" + n.name + "\" is not a valid name");
            for (NameData* other : b->names)
                if (SameText(other->name, n.name)) SimMisuse("duplicate name \"" + n.name + "\"");
            auto ref = ParseA1(n.address);
            if (!ref || ref->row1 == 0 || ref->col1 == 0)
                SimMisuse("\"" + n.address + "\" is not a cell reference");
            allNames.push_back(std::make_unique<NameData>());
            NameData* nd = allNames.back().get();
            nd->name = n.name;
            nd->book = b;
            nd->first = AnchorAt(s, ref->row1, ref->col1);
            nd->last = ref->Single() ? nullptr : AnchorAt(s, ref->row2, ref->col2);
            b->names.push_back(nd);
        }
    }
    for (const PropertySpec& p : spec.customProperties) {
        allProps.push_back(std::make_unique<PropData>(PropData{p.name, p.value, b, true}));
        b->props.push_back(allProps.back().get());
    }
    int32_t index = spec.activeSheet;
    if (index < 1 || index > static_cast<int32_t>(b->sheets.size()) ||
        b->sheets[index - 1]->visible != -1) {
        index = 1;
        while (b->sheets[index - 1]->visible != -1) ++index;
    }
    b->activeSheet = b->sheets[index - 1];
    return b;
}

WorkbookSpec Model::Describe(const BookData* b) const {
    WorkbookSpec spec;
    spec.name = b->name;
    spec.windowVisible = b->windowVisible;
    spec.isAddin = b->isAddin;
    for (size_t i = 0; i < b->sheets.size(); ++i) {
        const SheetData* s = b->sheets[i];
        if (s == b->activeSheet) spec.activeSheet = static_cast<int32_t>(i + 1);
        SheetSpec ss;
        ss.name = s->name;
        ss.kind = s->kind;
        ss.visible = s->visible;
        ss.isProtected = s->isProtected;
        if (s->IsWorksheet()) {
            ss.hiddenRows.assign(s->hiddenRows.begin(), s->hiddenRows.end());
            ss.hiddenColumns.assign(s->hiddenCols.begin(), s->hiddenCols.end());
            ss.filterHiddenRows.assign(s->filterRows.begin(), s->filterRows.end());
            ss.rowHeights.assign(s->rowHeights.begin(), s->rowHeights.end());
            ss.columnWidths.assign(s->colWidths.begin(), s->colWidths.end());
            for (auto& [pos, text] : s->cells)
                ss.cells.push_back(
                    {FormatA1(Extent{pos.first, pos.second, pos.first, pos.second}), text});
            for (const OleData* o : s->oles)
                if (!o->deleted) ss.oleObjects.push_back(o->spec);
            ss.activeCell =
                FormatA1(Extent{s->activeRow, s->activeCol, s->activeRow, s->activeCol});
            for (const NameData* n : b->names) {
                if (!n->alive || n->first->sheet != s || !AnchorAlive(n->first)) continue;
                if (n->last && !AnchorAlive(n->last)) continue;
                const Anchor* last = n->last ? n->last : n->first;
                ss.names.push_back({n->name, FormatA1(Extent{n->first->row, n->first->col,
                                                             last->row, last->col})});
            }
        }
        spec.sheets.push_back(std::move(ss));
    }
    for (const PropData* p : b->props) spec.customProperties.push_back({p->name, p->value});
    return spec;
}

void Model::CloseBook(BookData* b) {
    b->alive = false;
    books.erase(std::remove(books.begin(), books.end(), b), books.end());
    recent.erase(std::remove(recent.begin(), recent.end(), b), recent.end());
    if (active == b) ActivateSomeOther(b);
}

}  // namespace sim::detail
