#include "sim/cell_table.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "sim/model.h"

namespace sim {

namespace {

constexpr size_t kMaxShared = 1 << 16;

bool Before(uint32_t r1, uint16_t c1, uint32_t r2, uint16_t c2) {
    return r1 != r2 ? r1 < r2 : c1 < c2;
}

// A number kept unboxed only when it reads back as exactly the text it came from.
std::optional<double> ExactNumber(std::string_view text) {
    if (text.empty() || text.size() > 24) return std::nullopt;
    double value = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (fault != std::errc() || end != text.data() + text.size()) return std::nullopt;
    char back[32];
    const auto written = std::to_chars(back, back + sizeof back, value);
    if (written.ec != std::errc() || std::string_view(back, written.ptr - back) != text) {
        return std::nullopt;
    }
    return value;
}

// The row and column of a single cell's A1 address, or a SimError.
std::pair<int32_t, int32_t> CellAt(std::string_view address) {
    const auto ref = detail::ParseA1(std::string(address));
    if (!ref || ref->row1 != ref->row2 || ref->col1 != ref->col2 || ref->row1 == 0 ||
        ref->col1 == 0) {
        detail::SimMisuse("cell: \"" + std::string(address) + "\" is not a cell reference");
    }
    return {ref->row1, ref->col1};
}

}  // namespace

CellTable::CellTable(std::initializer_list<std::pair<std::string_view, std::string_view>> cells) {
    for (const auto& [address, text] : cells) {
        const auto [row, col] = CellAt(address);
        Append(row, col, text);
    }
    Finish();
}

CellTable::Cell CellTable::Make(int32_t row, int32_t col, std::string_view text) {
    Cell c{static_cast<uint32_t>(row), static_cast<uint16_t>(col), 0, 0};
    if (const auto number = ExactNumber(text)) {
        c.isNumber = 1;
        std::memcpy(&c.value, &*number, sizeof c.value);
        return c;
    }
    if (text.size() > kMaxTextBytes) {
        detail::SimMisuse("cell: a text of " + std::to_string(text.size()) +
                          " bytes is longer than a cell holds");
    }
    const auto found = shared_.find(text);
    if (found != shared_.end()) {
        c.value = found->second;
        return c;
    }
    c.value = static_cast<uint64_t>(texts_.size()) << 24 | text.size();
    texts_.append(text);
    if (shared_.size() < kMaxShared) shared_.emplace(text, c.value);
    return c;
}

std::string_view CellTable::TextOf(const Cell& c, char (&number)[32]) const {
    if (c.isNumber) {
        double value = 0;
        std::memcpy(&value, &c.value, sizeof value);
        const auto written = std::to_chars(number, number + sizeof number, value);
        return std::string_view(number, static_cast<size_t>(written.ptr - number));
    }
    return std::string_view(texts_).substr(static_cast<size_t>(c.value >> 24),
                                           static_cast<size_t>(c.value & 0xFFFFFF));
}

void CellTable::Append(int32_t row, int32_t col, std::string_view text) {
    if (text.empty()) return;
    const Cell c = Make(row, col, text);
    if (!cells_.empty() && !Before(cells_.back().row, cells_.back().col, c.row, c.col))
        sorted_ = false;
    cells_.push_back(c);
}

std::optional<std::pair<int32_t, int32_t>> CellTable::Finish() {
    if (sorted_) return std::nullopt;
    std::stable_sort(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) {
        return Before(a.row, a.col, b.row, b.col);
    });
    // Of cells at one position the last given wins.
    std::optional<std::pair<int32_t, int32_t>> twice;
    std::vector<Cell> kept;
    kept.reserve(cells_.size());
    for (const Cell& c : cells_) {
        if (!kept.empty() && kept.back().row == c.row && kept.back().col == c.col) {
            if (!twice) twice.emplace(static_cast<int32_t>(c.row), static_cast<int32_t>(c.col));
            kept.back() = c;
        } else {
            kept.push_back(c);
        }
    }
    cells_ = std::move(kept);
    sorted_ = true;
    return twice;
}

size_t CellTable::IndexOf(int32_t row, int32_t col) const {
    const auto r = static_cast<uint32_t>(row);
    const auto c = static_cast<uint16_t>(col);
    const auto at = std::partition_point(cells_.begin(), cells_.end(), [&](const Cell& cell) {
        return Before(cell.row, cell.col, r, c);
    });
    return static_cast<size_t>(at - cells_.begin());
}

bool CellTable::IsAt(size_t index, int32_t row, int32_t col) const {
    return index < cells_.size() && cells_[index].row == static_cast<uint32_t>(row) &&
           cells_[index].col == static_cast<uint16_t>(col);
}

void CellTable::Set(int32_t row, int32_t col, std::string_view text) {
    Finish();
    const size_t index = IndexOf(row, col);
    const bool present = IsAt(index, row, col);
    const auto at = cells_.begin() + static_cast<std::ptrdiff_t>(index);
    if (text.empty()) {
        if (present) cells_.erase(at);
        return;
    }
    const Cell c = Make(row, col, text);
    if (present) {
        *at = c;
    } else {
        cells_.insert(at, c);
    }
}

void CellTable::Set(std::string_view address, std::string_view text) {
    const auto [row, col] = CellAt(address);
    Set(row, col, text);
}

std::string CellTable::Text(int32_t row, int32_t col) const {
    const size_t index = IndexOf(row, col);
    char number[32];
    return IsAt(index, row, col) ? std::string(TextOf(cells_[index], number)) : std::string();
}

std::string CellTable::Text(std::string_view address) const {
    const auto [row, col] = CellAt(address);
    return Text(row, col);
}

}  // namespace sim
