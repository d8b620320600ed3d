#pragma once

// The cells of one sheet of the simulated host, held compactly: sixteen bytes a cell in
// one sorted array (position, kind, and the number itself or where its text lies), the
// texts side by side in one buffer, repeated texts once, empty cells absent. A sheet of
// millions of cells costs tens of megabytes, not gigabytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sim::detail {

class CellTable {
  public:
    // Sets a cell's text; empty text empties the cell.
    void Set(int32_t row, int32_t col, std::string_view text);
    // Adds cells in any order, faster than Set; Finish sorts them, the last of a
    // position winning, before any other call.
    void Append(int32_t row, int32_t col, std::string_view text);
    void Finish();

    std::string Text(int32_t row, int32_t col) const;  // "" for an empty cell
    size_t Size() const { return cells_.size(); }

    // fn(row, col, text) for each cell, by row then column.
    template <class F>
    void ForEach(F&& fn) const {
        for (const Cell& c : cells_)
            fn(static_cast<int32_t>(c.row), static_cast<int32_t>(c.col), TextOf(c));
    }
    // Moves every cell to to(row, col), or drops it where that gives nothing.
    template <class F>
    void Remap(F&& to) {
        std::vector<Cell> moved;
        moved.reserve(cells_.size());
        for (Cell c : cells_) {
            const std::optional<std::pair<int32_t, int32_t>> at =
                to(static_cast<int32_t>(c.row), static_cast<int32_t>(c.col));
            if (!at) continue;
            c.row = static_cast<uint32_t>(at->first);
            c.col = static_cast<uint16_t>(at->second);
            moved.push_back(c);
        }
        cells_ = std::move(moved);
        sorted_ = false;
        Finish();
    }

  private:
    struct Cell {
        uint32_t row;
        uint16_t col;
        uint16_t isNumber;
        uint64_t value;  // the double's bits, or offset << 24 | length into texts_
    };
    static_assert(sizeof(Cell) == 16);

    Cell Make(int32_t row, int32_t col, std::string_view text);
    std::string TextOf(const Cell& c) const;
    // Where the cell at (row, col) is or would go in the sorted cells_, and whether it is.
    size_t IndexOf(int32_t row, int32_t col) const;
    bool IsAt(size_t index, int32_t row, int32_t col) const;

    std::vector<Cell> cells_;
    std::string texts_;
    // Texts seen, for sharing repeated ones; bounded, so unique texts cost nothing more.
    std::unordered_map<std::string, uint64_t> shared_;
    bool sorted_ = true;
};

}  // namespace sim::detail
