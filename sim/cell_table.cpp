#include "sim/cell_table.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace sim::detail {

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

}  // namespace

CellTable::Cell CellTable::Make(int32_t row, int32_t col, std::string_view text) {
    Cell c{static_cast<uint32_t>(row), static_cast<uint16_t>(col), 0, 0};
    if (const auto number = ExactNumber(text)) {
        c.isNumber = 1;
        std::memcpy(&c.value, &*number, sizeof c.value);
        return c;
    }
    const auto found = shared_.find(std::string(text));
    if (found != shared_.end()) {
        c.value = found->second;
        return c;
    }
    c.value = static_cast<uint64_t>(texts_.size()) << 24 | text.size();
    texts_.append(text);
    if (shared_.size() < kMaxShared) shared_.emplace(text, c.value);
    return c;
}

std::string CellTable::TextOf(const Cell& c) const {
    if (c.isNumber) {
        double value = 0;
        std::memcpy(&value, &c.value, sizeof value);
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, value);
        return std::string(text, written.ptr);
    }
    return texts_.substr(static_cast<size_t>(c.value >> 24),
                         static_cast<size_t>(c.value & 0xFFFFFF));
}

void CellTable::Append(int32_t row, int32_t col, std::string_view text) {
    if (text.empty()) return;
    const Cell c = Make(row, col, text);
    if (!cells_.empty() && !Before(cells_.back().row, cells_.back().col, c.row, c.col))
        sorted_ = false;
    cells_.push_back(c);
}

void CellTable::Finish() {
    if (sorted_) return;
    std::stable_sort(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) {
        return Before(a.row, a.col, b.row, b.col);
    });
    // Of cells at one position the last given wins.
    std::vector<Cell> kept;
    kept.reserve(cells_.size());
    for (const Cell& c : cells_) {
        if (!kept.empty() && kept.back().row == c.row && kept.back().col == c.col) {
            kept.back() = c;
        } else {
            kept.push_back(c);
        }
    }
    cells_ = std::move(kept);
    sorted_ = true;
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

std::string CellTable::Text(int32_t row, int32_t col) const {
    const size_t index = IndexOf(row, col);
    return IsAt(index, row, col) ? TextOf(cells_[index]) : std::string();
}

}  // namespace sim::detail
