// The simulated host's model: workbooks, sheets, anchors, geometry and building.

#include "sim/model.h"

#include <algorithm>
#include <cmath>

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

namespace {

// The sizes of a sheet's rows or columns: most have the default size, some a size of
// their own, and hidden ones (by hand or, for rows, by a filter) have none.
struct LineSizes {
    double defaultSize;
    int32_t maxLine;
    const std::map<int32_t, double>& custom;
    const std::set<int32_t>& hidden;
    const std::set<int32_t>* filtered;  // nullptr for columns

    static LineSizes Of(const SheetData* s, bool rows) {
        if (rows)
            return {kDefaultRowHeight, kMaxRows, s->rowHeights, s->hiddenRows, &s->filterRows};
        return {kDefaultColumnWidth, kMaxColumns, s->colWidths, s->hiddenCols, nullptr};
    }

    bool Hidden(int32_t line) const {
        return hidden.count(line) || (filtered && filtered->count(line));
    }
    // The size the line has when shown.
    double Shown(int32_t line) const {
        auto it = custom.find(line);
        return it == custom.end() ? defaultSize : it->second;
    }
    double Size(int32_t line) const { return Hidden(line) ? 0.0 : Shown(line); }

    // The starts of lines asked for in increasing order, all from one pass over the
    // lines that are not plain. Every start (a range's or an object's) comes from
    // here, so a line's start is always the very same number.
    class Starts {
      public:
        explicit Starts(const LineSizes& sizes)
            : sizes_(sizes),
              c_(sizes.custom.begin()),
              h_(sizes.hidden.begin()),
              f_(sizes.filtered ? sizes.filtered->begin() : std::set<int32_t>::const_iterator{}) {}

        // Sum of the sizes of lines 1..n-1.
        double Of(int32_t n) {
            for (; c_ != sizes_.custom.end() && c_->first < n; ++c_)
                custom_ += c_->second - sizes_.defaultSize;
            for (; h_ != sizes_.hidden.end() && *h_ < n; ++h_) hidden_ += sizes_.Shown(*h_);
            if (sizes_.filtered) {
                for (; f_ != sizes_.filtered->end() && *f_ < n; ++f_)
                    if (!sizes_.hidden.count(*f_)) filtered_ += sizes_.Shown(*f_);
            }
            return static_cast<double>(n - 1) * sizes_.defaultSize + custom_ - hidden_ - filtered_;
        }

      private:
        const LineSizes& sizes_;
        std::map<int32_t, double>::const_iterator c_;
        std::set<int32_t>::const_iterator h_, f_;
        // Each sum grows in line order, however the lines are asked for.
        double custom_ = 0.0, hidden_ = 0.0, filtered_ = 0.0;
    };

    double Start(int32_t n) const { return Starts(*this).Of(n); }

    // Walks the lines in order, a run of plain lines at a time, until the point falls
    // into one: only the lines with a size of their own or hidden are visited singly.
    LinePoint PointAt(double position, bool farEdge) const {
        // Positions come from sums made in another order; a hair's difference must not
        // put a point given as a line's start into the line before, nor a hair into it.
        constexpr double kSlack = 1e-7;
        if (position <= 0.0) return {1, 0.0};
        auto holds = [&](double end) {
            return farEdge ? position <= end + kSlack : position < end - kSlack;
        };
        auto pointIn = [&](int32_t line, double lineStart) {
            const double offset = position - lineStart;
            return LinePoint{line, offset < kSlack ? 0.0 : offset};
        };
        auto c = custom.begin();
        auto h = hidden.begin();
        std::set<int32_t>::const_iterator f;
        if (filtered) f = filtered->begin();
        int32_t line = 1;
        double start = 0.0;
        while (line <= maxLine) {
            int32_t next = maxLine + 1;  // the next line that is not plain
            if (c != custom.end()) next = std::min(next, c->first);
            if (h != hidden.end()) next = std::min(next, *h);
            if (filtered && f != filtered->end()) next = std::min(next, *f);
            const int32_t plain = next - line;
            if (plain > 0 && holds(start + plain * defaultSize)) {
                const double into = position - start;
                int32_t k = farEdge
                                ? static_cast<int32_t>(std::ceil((into - kSlack) / defaultSize)) - 1
                                : static_cast<int32_t>(std::floor((into + kSlack) / defaultSize));
                k = std::clamp(k, 0, plain - 1);
                return pointIn(line + k, start + k * defaultSize);
            }
            start += plain * defaultSize;
            line = next;
            if (line > maxLine) break;
            const double size = Size(line);
            if (c != custom.end() && c->first == line) ++c;
            if (h != hidden.end() && *h == line) ++h;
            if (filtered && f != filtered->end() && *f == line) ++f;
            if (size > 0.0 && holds(start + size)) return pointIn(line, start);
            start += size;
            ++line;
        }
        // Beyond the last line: the point hangs off the end of it.
        return pointIn(maxLine, Start(maxLine));
    }
};

}  // namespace

double Model::RowHeight(const SheetData* s, int32_t row) const {
    return LineSizes::Of(s, true).Size(row);
}

double Model::ColumnWidth(const SheetData* s, int32_t col) const {
    return LineSizes::Of(s, false).Size(col);
}

double Model::TopOf(const SheetData* s, int32_t row) const {
    return LineSizes::Of(s, true).Start(row);
}

double Model::LeftOf(const SheetData* s, int32_t col) const {
    return LineSizes::Of(s, false).Start(col);
}

LinePoint Model::PointAt(const SheetData* s, bool rows, double position, bool farEdge) const {
    return LineSizes::Of(s, rows).PointAt(position, farEdge);
}

// ---- OLE objects anchored to cells

void Model::AnchorObject(OleData* o, bool rows) {
    const double start = rows ? o->desc.top : o->desc.left;
    const double size = rows ? o->desc.height : o->desc.width;
    ObjectSpan& span = rows ? o->rows : o->cols;
    span.from = PointAt(o->sheet, rows, start, false);
    span.to = PointAt(o->sheet, rows, start + std::max(0.0, size), true);
}

void Model::AnchorObject(OleData* o) {
    AnchorObject(o, true);
    AnchorObject(o, false);
}

void Model::AnchorFarEdges(OleData* o) {
    o->rows.to = PointAt(o->sheet, true, o->desc.top + std::max(0.0, o->desc.height), true);
    o->cols.to = PointAt(o->sheet, false, o->desc.left + std::max(0.0, o->desc.width), true);
}

void Model::PlaceObjects(SheetData* s, bool rows) {
    // The anchors' lines in order, so one pass over the sheet's lines places them all.
    struct Corner {
        int32_t line;
        OleData* o;
        bool far;
    };
    std::vector<Corner> corners;
    for (OleData* o : s->oles) {
        if (o->deleted || o->desc.placement == 3) continue;
        const ObjectSpan& span = rows ? o->rows : o->cols;
        corners.push_back({span.from.line, o, false});
        if (o->desc.placement == 1) corners.push_back({span.to.line, o, true});
    }
    std::sort(corners.begin(), corners.end(),
              [](const Corner& a, const Corner& b) { return a.line < b.line; });
    const LineSizes sizes = LineSizes::Of(s, rows);
    LineSizes::Starts starts(sizes);
    // A line smaller than the offset (or hidden) holds the corner at its far end. Far
    // edges are kept aside until every object's start is known.
    std::vector<std::pair<OleData*, double>> ends;
    for (const Corner& c : corners) {
        const ObjectSpan& span = rows ? c.o->rows : c.o->cols;
        const double offset = c.far ? span.to.offset : span.from.offset;
        const double position = starts.Of(c.line) + std::min(offset, sizes.Size(c.line));
        if (c.far)
            ends.emplace_back(c.o, position);
        else
            (rows ? c.o->desc.top : c.o->desc.left) = position;
    }
    for (auto& [o, end] : ends) {
        const double start = rows ? o->desc.top : o->desc.left;
        (rows ? o->desc.height : o->desc.width) = std::max(0.0, end - start);
    }
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
    // As the host resolves them: on a sheet its own name hides the workbook's name of the
    // same spelling, and names local to other sheets are not seen at all.
    NameData* found = nullptr;
    for (NameData* n : s->book->names) {
        if (!n->alive || !SameText(n->name, text)) continue;
        if (n->scope == s) {
            found = n;
            break;
        }
        if (n->scope == nullptr) found = n;
    }
    if (NameData* n = found) {
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

SheetData* Model::NewSheet(BookData* book, const SheetSpec& desc, CellTable cells) {
    if (desc.name.empty()) SimMisuse("a sheet needs a name");
    if (FindSheet(book, desc.name)) SimMisuse("duplicate sheet name \"" + desc.name + "\"");
    if (desc.visible != -1 && desc.visible != 0 && desc.visible != 2)
        SimMisuse("sheet visibility must be -1, 0 or 2");
    allSheets.push_back(std::make_unique<SheetData>());
    SheetData* s = allSheets.back().get();
    s->book = book;
    s->name = desc.name;
    s->kind = desc.kind;
    s->visible = desc.visible;
    s->isProtected = desc.isProtected;
    s->source = desc.source;
    if (s->IsWorksheet()) {
        s->hiddenRows.insert(desc.hiddenRows.begin(), desc.hiddenRows.end());
        s->hiddenCols.insert(desc.hiddenColumns.begin(), desc.hiddenColumns.end());
        s->filterRows.insert(desc.filterHiddenRows.begin(), desc.filterHiddenRows.end());
        for (auto& [row, h] : desc.rowHeights) s->rowHeights[row] = h;
        for (auto& [col, w] : desc.columnWidths) s->colWidths[col] = w;
        s->cells = std::move(cells);
        s->cells.Finish();
        for (const OleObjectSpec& o : desc.oleObjects) {
            allOles.push_back(std::make_unique<OleData>());
            allOles.back()->desc = o;
            allOles.back()->sheet = s;
            AnchorObject(allOles.back().get());
            s->oles.push_back(allOles.back().get());
        }
        Extent active = CellRef(desc.activeCell.empty() ? "A1" : desc.activeCell, "active cell");
        s->selection = Extent{active.row1, active.col1, active.row1, active.col1};
        s->activeRow = active.row1;
        s->activeCol = active.col1;
    }
    return s;
}

BookData* Model::BuildBook(WorkbookSpec desc) {
    if (desc.name.empty()) SimMisuse("a workbook needs a name");
    if (FindBook(desc.name)) SimMisuse("a workbook named \"" + desc.name + "\" is already open");
    if (desc.sheets.empty()) SimMisuse("a workbook needs at least one sheet");
    allBooks.push_back(std::make_unique<BookData>());
    BookData* b = allBooks.back().get();
    b->name = desc.name;
    b->windowVisible = desc.windowVisible;
    b->isAddin = desc.isAddin;
    for (SheetSpec& ss : desc.sheets) b->sheets.push_back(NewSheet(b, ss, std::move(ss.cells)));
    if (std::none_of(b->sheets.begin(), b->sheets.end(),
                     [](SheetData* s) { return s->visible == -1; }))
        SimMisuse("a workbook needs at least one visible sheet");
    for (size_t i = 0; i < desc.sheets.size(); ++i) {
        for (const DefinedNameSpec& n : desc.sheets[i].names) {
            SheetData* s = b->sheets[i];
            if (!s->IsWorksheet()) SimMisuse("names refer to worksheet cells");
            if (!LooksLikeName(n.name)) SimMisuse("\"" + n.name + "\" is not a valid name");
            SheetData* scope = nullptr;
            if (!n.scope.empty()) {
                scope = FindSheet(b, n.scope);
                if (!scope)
                    SimMisuse("the name \"" + n.name + "\" is local to no sheet \"" + n.scope +
                              "\"");
            }
            // Names are unique within their scope only: the workbook, or one sheet.
            for (NameData* other : b->names)
                if (other->scope == scope && SameText(other->name, n.name))
                    SimMisuse("duplicate name \"" + n.name + "\"");
            auto ref = ParseA1(n.address);
            if (!ref || ref->row1 == 0 || ref->col1 == 0)
                SimMisuse("\"" + n.address + "\" is not a cell reference");
            allNames.push_back(std::make_unique<NameData>());
            NameData* nd = allNames.back().get();
            nd->name = n.name;
            nd->book = b;
            nd->scope = scope;
            nd->first = AnchorAt(s, ref->row1, ref->col1);
            nd->last = ref->Single() ? nullptr : AnchorAt(s, ref->row2, ref->col2);
            b->names.push_back(nd);
        }
    }
    for (const PropertySpec& p : desc.customProperties) {
        allProps.push_back(std::make_unique<PropData>(PropData{p.name, p.value, b, true}));
        b->props.push_back(allProps.back().get());
    }
    int32_t index = desc.activeSheet;
    if (index < 1 || index > static_cast<int32_t>(b->sheets.size()) ||
        b->sheets[index - 1]->visible != -1) {
        index = 1;
        while (b->sheets[index - 1]->visible != -1) ++index;
    }
    b->activeSheet = b->sheets[index - 1];
    return b;
}

WorkbookSpec Model::Describe(const BookData* b) const {
    WorkbookSpec desc;
    desc.name = b->name;
    desc.windowVisible = b->windowVisible;
    desc.isAddin = b->isAddin;
    for (size_t i = 0; i < b->sheets.size(); ++i) {
        const SheetData* s = b->sheets[i];
        if (s == b->activeSheet) desc.activeSheet = static_cast<int32_t>(i + 1);
        SheetSpec ss;
        ss.name = s->name;
        ss.kind = s->kind;
        ss.visible = s->visible;
        ss.isProtected = s->isProtected;
        ss.source = s->source;
        if (s->IsWorksheet()) {
            ss.hiddenRows.assign(s->hiddenRows.begin(), s->hiddenRows.end());
            ss.hiddenColumns.assign(s->hiddenCols.begin(), s->hiddenCols.end());
            ss.filterHiddenRows.assign(s->filterRows.begin(), s->filterRows.end());
            ss.rowHeights.assign(s->rowHeights.begin(), s->rowHeights.end());
            ss.columnWidths.assign(s->colWidths.begin(), s->colWidths.end());
            ss.cells = s->cells;
            for (const OleData* o : s->oles)
                if (!o->deleted) ss.oleObjects.push_back(o->desc);
            ss.activeCell =
                FormatA1(Extent{s->activeRow, s->activeCol, s->activeRow, s->activeCol});
            for (const NameData* n : b->names) {
                if (!n->alive || n->first->sheet != s || !AnchorAlive(n->first)) continue;
                if (n->last && !AnchorAlive(n->last)) continue;
                const Anchor* last = n->last ? n->last : n->first;
                ss.names.push_back(
                    {n->name, FormatA1(Extent{n->first->row, n->first->col, last->row, last->col}),
                     n->scope ? n->scope->name : std::string()});
            }
        }
        desc.sheets.push_back(std::move(ss));
    }
    for (const PropData* p : b->props) desc.customProperties.push_back({p->name, p->value});
    return desc;
}

void Model::CloseBook(BookData* b) {
    b->alive = false;
    books.erase(std::remove(books.begin(), books.end(), b), books.end());
    recent.erase(std::remove(recent.begin(), recent.end(), b), recent.end());
    if (active == b) ActivateSomeOther(b);
}

}  // namespace sim::detail
