#pragma once

// The cells of one sheet, held compactly: sixteen bytes a cell in one sorted array
// (position, kind, and the number itself or where its text lies), the texts side by side
// in one buffer, repeated texts once, empty cells absent. A sheet of millions of cells
// costs tens of megabytes, not gigabytes. A workbook description carries its cells in one
// of these and the simulated host keeps them in it; copies share the cells until one of
// them changes, so describing a workbook for a save costs nothing per cell. Texts a file
// shares between sheets (its shared strings) stay in one block all the sheets point into.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sim {

class CellTable {
  public:
    // The longest text a cell holds here, far beyond the host's own 32,767 characters.
    static constexpr size_t kMaxTextBytes = (size_t{1} << 24) - 1;
    // Texts several tables show, written once before any of them points into them.
    using SharedTexts = std::shared_ptr<const std::string>;

    CellTable() = default;
    // Cells by A1 address ("B3" or "$B$3"), for descriptions written by hand.
    CellTable(std::initializer_list<std::pair<std::string_view, std::string_view>> cells);

    // Sets a cell's text; empty text empties the cell. SimError for a text longer than
    // kMaxTextBytes, and in the address form for text that is no single cell's address.
    void Set(int32_t row, int32_t col, std::string_view text);
    void Set(std::string_view address, std::string_view text);
    // Adds cells in any order, faster than Set; Finish sorts them before any other call.
    // Of cells given twice the last wins; Finish names the first such position.
    void Append(int32_t row, int32_t col, std::string_view text);
    std::optional<std::pair<int32_t, int32_t>> Finish();
    // Adds a cell showing the text at [offset, offset + length) of block, as Append does,
    // without a copy: how the shared strings of a file cost one copy in all its sheets. A
    // table points into one block; a text of another is copied.
    void AppendShared(int32_t row, int32_t col, const SharedTexts& block, size_t offset,
                      size_t length);

    std::string Text(int32_t row, int32_t col) const;  // "" for an empty cell
    std::string Text(std::string_view address) const;
    size_t Size() const { return data_ ? data_->cells.size() : 0; }
    bool Empty() const { return Size() == 0; }
    // The bytes of text the table keeps alive, its own and the block it points into.
    size_t TextBytes() const;
    bool SharesTextsWith(const CellTable& other) const {
        return data_ && other.data_ && data_->block && data_->block == other.data_->block;
    }
    // Changes whenever the cells do, and only then; copies sharing the cells share it, so
    // a save can tell cells as read from cells changed without comparing them.
    uint64_t Version() const { return data_ ? data_->version : 0; }

    // fn(row, col, text) for each cell, by row then column; text lives for the call.
    template <class F>
    void ForEach(F&& fn) const {
        if (!data_) return;
        char number[32];
        for (const Cell& c : data_->cells)
            fn(static_cast<int32_t>(c.row), static_cast<int32_t>(c.col), TextOf(c, number));
    }
    // Moves every cell to to(row, col), or drops it where that gives nothing.
    template <class F>
    void Remap(F&& to) {
        if (Empty()) return;
        Data& d = Own();
        std::vector<Cell> moved;
        moved.reserve(d.cells.size());
        for (Cell c : d.cells) {
            const std::optional<std::pair<int32_t, int32_t>> at =
                to(static_cast<int32_t>(c.row), static_cast<int32_t>(c.col));
            if (!at) {
                if (c.kind == kOwnText) d.replaced += c.value & kMaxTextBytes;
                continue;
            }
            c.row = static_cast<uint32_t>(at->first);
            c.col = static_cast<uint16_t>(at->second);
            moved.push_back(c);
        }
        d.cells = std::move(moved);
        d.sorted = false;
        Finish();
        CompactIfWasteful(d);
    }

  private:
    enum Kind : uint16_t { kOwnText, kNumber, kSharedText };
    struct Cell {
        uint32_t row;
        uint16_t col;
        uint16_t kind;
        uint64_t value;  // the double's bits, or offset << 24 | length into texts or block
    };
    static_assert(sizeof(Cell) == 16);

    struct Data {
        std::vector<Cell> cells;
        std::string texts;  // own texts, each shown by the cells that put it there
        SharedTexts block;
        // Short texts seen, for sharing repeated ones; bounded, so unique texts cost
        // nothing more.
        std::unordered_map<std::string, uint64_t> shared;
        bool sorted = true;
        uint64_t replaced = 0;  // bytes of own texts edited away since the last compaction
        uint64_t version = 0;
    };

    // The data, made this table's own first when a copy shares it, at a new version.
    Data& Own();
    // Writes the texts still shown anew, once texts edited away have come to outweigh them.
    static void CompactIfWasteful(Data& d);
    Cell Make(int32_t row, int32_t col, std::string_view text);
    uint64_t KeepOwn(std::string_view text);
    void Push(const Cell& c);
    // The cell's text: a view into texts, or a number written into the caller's buffer.
    std::string_view TextOf(const Cell& c, char (&number)[32]) const;
    // Where the cell at (row, col) is or would go in the sorted cells, and whether it is.
    size_t IndexOf(int32_t row, int32_t col) const;
    bool IsAt(size_t index, int32_t row, int32_t col) const;

    std::shared_ptr<Data> data_;
};

}  // namespace sim
