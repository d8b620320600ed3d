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

    // Positions in points before the move, for objects that move with their cells.
    auto offset = [&](int32_t line) { return rows ? TopOf(s, line) : LeftOf(s, line); };
    const double bandStart = offset(at);
    const double bandEnd = insert ? bandStart : offset(std::min(at + n, maxLine));
    const double inserted = n * (rows ? kDefaultRowHeight : kDefaultColumnWidth);

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

    std::map<std::pair<int32_t, int32_t>, std::string> cells;
    for (auto& [pos, text] : s->cells) {
        int32_t line = rows ? pos.first : pos.second;
        auto to = map(line);
        if (!to) continue;
        cells.emplace(rows ? std::make_pair(*to, pos.second) : std::make_pair(pos.first, *to),
                      text);
    }
    s->cells = std::move(cells);

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

    for (OleData* o : s->oles) {
        if (o->deleted || o->spec.placement == 3) continue;  // free floating stays put
        double& pos = rows ? o->spec.top : o->spec.left;
        double& size = rows ? o->spec.height : o->spec.width;
        if (insert) {
            if (pos >= bandStart)
                pos += inserted;
            else if (o->spec.placement == 1 && pos + size > bandStart)
                size += inserted;
        } else {
            const double band = bandEnd - bandStart;
            if (pos >= bandEnd)
                pos -= band;
            else if (pos >= bandStart)
                pos = bandStart;
        }
    }
}

}  // namespace sim::detail
