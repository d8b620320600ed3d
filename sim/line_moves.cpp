// Inserting and deleting rows and columns: everything tied to a line follows it.

#include <algorithm>

#include "sim/model.h"

namespace sim::detail {

namespace {

template <class T>
std::map<int32_t, T> RemapMap(const std::map<int32_t, T>& in, auto&& map) {
    std::map<int32_t, T> out;
    for (auto& [line, v] : in)
        if (auto to = map(line)) out.emplace(*to, v);
    return out;
}

std::set<int32_t> RemapSet(const std::set<int32_t>& in, auto&& map) {
    std::set<int32_t> out;
    for (int32_t line : in)
        if (auto to = map(line)) out.insert(*to);
    return out;
}

}  // namespace

void Model::ShiftLines(SheetData* s, bool rows, int32_t at, int32_t count) {
    const bool insert = count > 0;
    const int32_t n = insert ? count : -count;
    const int32_t maxLine = rows ? kMaxRows : kMaxColumns;
    // Where a line goes; nothing when it is deleted or pushed off the sheet.
    auto map = [&](int32_t line) -> std::optional<int32_t> {
        if (line < at) return line;
        if (insert) {
            if (line + n > maxLine) return std::nullopt;
            return line + n;
        }
        if (line < at + n) return std::nullopt;
        return line - n;
    };

    for (auto& [key, a] : s->anchors) {
        int32_t& line = rows ? a->row : a->col;
        if (line == 0) continue;  // a whole column under row moves, or the reverse
        if (auto to = map(line))
            line = *to;
        else
            a->alive = false;
    }
    RebuildAnchorIndex(s);

    for (NameData* nd : s->book->names) {
        if (nd->first->sheet != s) continue;
        if (!nd->first->alive || (nd->last && !nd->last->alive)) nd->alive = false;
    }
    auto& names = s->book->names;
    names.erase(std::remove_if(names.begin(), names.end(), [](NameData* nd) { return !nd->alive; }),
                names.end());

    if (rows) {
        s->hiddenRows = RemapSet(s->hiddenRows, map);
        s->filterRows = RemapSet(s->filterRows, map);
        s->rowHeights = RemapMap(s->rowHeights, map);
    } else {
        s->hiddenCols = RemapSet(s->hiddenCols, map);
        s->colWidths = RemapMap(s->colWidths, map);
    }

    s->cells.Remap([&](int32_t row, int32_t col) -> std::optional<std::pair<int32_t, int32_t>> {
        auto to = map(rows ? row : col);
        if (!to) return std::nullopt;
        return rows ? std::make_pair(*to, col) : std::make_pair(row, *to);
    });

    // The active cell stays on its line, or at the first line after a deleted band.
    int32_t& active = rows ? s->activeRow : s->activeCol;
    active = map(active).value_or(std::min(at, maxLine));
    Extent& sel = s->selection;
    int32_t& sel1 = rows ? sel.row1 : sel.col1;
    int32_t& sel2 = rows ? sel.row2 : sel.col2;
    if (sel1 != 0) {
        auto to1 = map(sel1), to2 = map(sel2);
        if (to1 && to2) {
            sel1 = *to1;
            sel2 = *to2;
        } else {
            sel = Extent{s->activeRow, s->activeCol, s->activeRow, s->activeCol};
        }
    }

    // Objects that move with cells keep their anchors' cells. A corner in deleted lines
    // goes to where they were: the start of the line after them for the top left, the
    // end of the line before them for the bottom right; an object that lay wholly in
    // them keeps its size at the line after them.
    auto shownSize = [&](int32_t line) {
        const auto& sizes = rows ? s->rowHeights : s->colWidths;
        auto it = sizes.find(line);
        if (it != sizes.end()) return it->second;
        return rows ? kDefaultRowHeight : kDefaultColumnWidth;
    };
    std::vector<std::pair<OleData*, double>> keepSize;
    for (OleData* o : s->oles) {
        if (o->deleted || o->desc.placement == 3) continue;  // free floating stays put
        ObjectSpan& span = rows ? o->rows : o->cols;
        const double size = rows ? o->desc.height : o->desc.width;
        if (insert) {
            for (LinePoint* p : {&span.from, &span.to})
                if (p->line >= at) p->line = std::min(p->line + n, maxLine);
            continue;
        }
        const bool wholly = !map(span.from.line) && !map(span.to.line);
        if (auto to = map(span.from.line))
            span.from.line = *to;
        else
            span.from = LinePoint{at, 0.0};
        if (auto to = map(span.to.line))
            span.to.line = *to;
        else
            span.to = at > 1 ? LinePoint{at - 1, shownSize(at - 1)} : LinePoint{1, 0.0};
        if (wholly) keepSize.emplace_back(o, size);
    }
    PlaceObjects(s, rows);
    for (auto& [o, size] : keepSize) {
        (rows ? o->desc.height : o->desc.width) = size;
        const double start = rows ? o->desc.top : o->desc.left;
        (rows ? o->rows : o->cols).to = PointAt(s, rows, start + size, true);
    }
}

}  // namespace sim::detail
