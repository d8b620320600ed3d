#include "sim/cell_table.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "sim/model.h"

namespace sim {

namespace {

// Only short texts are looked for again: they are the ones that repeat (labels, codes,
// names), and a bound on both count and length keeps the lookup small whatever the sheet.
constexpr size_t kMaxShared = 1 << 16;
constexpr size_t kMaxSharedLength = 64;

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

// Every change of any table gets a number no table has had: one thread, so a plain counter.
uint64_t lastVersion = 0;

uint64_t LengthOf(uint64_t key) {
    return key & CellTable::kMaxTextBytes;
}

}  // namespace

CellTable::CellTable(std::initializer_list<std::pair<std::string_view, std::string_view>> cells) {
    for (const auto& [address, text] : cells) {
        const auto [row, col] = CellAt(address);
        Append(row, col, text);
    }
    Finish();
}

CellTable::Data& CellTable::Own() {
    if (!data_) {
        data_ = std::make_shared<Data>();
    } else if (data_.use_count() > 1) {
        data_ = std::make_shared<Data>(*data_);
    }
    data_->version = ++lastVersion;
    return *data_;
}

size_t CellTable::TextBytes() const {
    if (!data_) return 0;
    return data_->texts.size() + (data_->block ? data_->block->size() : 0);
}

uint64_t CellTable::KeepOwn(std::string_view text) {
    if (text.size() > kMaxTextBytes) {
        detail::SimMisuse("cell: a text of " + std::to_string(text.size()) +
                          " bytes is longer than a cell holds");
    }
    Data& d = Own();
    const uint64_t key = static_cast<uint64_t>(d.texts.size()) << 24 | text.size();
    d.texts.append(text);
    return key;
}

CellTable::Cell CellTable::Make(int32_t row, int32_t col, std::string_view text) {
    Cell c{static_cast<uint32_t>(row), static_cast<uint16_t>(col), 0, 0};
    if (const auto number = ExactNumber(text)) {
        c.kind = kNumber;
        std::memcpy(&c.value, &*number, sizeof c.value);
        return c;
    }
    const bool shareable = text.size() <= kMaxSharedLength;
    Data& d = Own();
    if (shareable) {
        if (const auto found = d.shared.find(std::string(text)); found != d.shared.end()) {
            c.value = found->second;
            return c;
        }
    }
    c.value = KeepOwn(text);
    if (shareable && d.shared.size() < kMaxShared) d.shared.emplace(text, c.value);
    return c;
}

std::string_view CellTable::TextOf(const Cell& c, char (&number)[32]) const {
    if (c.kind == kNumber) {
        double value = 0;
        std::memcpy(&value, &c.value, sizeof value);
        const auto written = std::to_chars(number, number + sizeof number, value);
        return std::string_view(number, static_cast<size_t>(written.ptr - number));
    }
    return std::string_view(c.kind == kSharedText ? *data_->block : data_->texts)
        .substr(static_cast<size_t>(c.value >> 24), static_cast<size_t>(LengthOf(c.value)));
}

void CellTable::Push(const Cell& c) {
    Data& d = Own();
    if (!d.cells.empty() && !Before(d.cells.back().row, d.cells.back().col, c.row, c.col))
        d.sorted = false;
    d.cells.push_back(c);
}

void CellTable::Append(int32_t row, int32_t col, std::string_view text) {
    if (text.empty()) return;
    Push(Make(row, col, text));
}

void CellTable::AppendShared(int32_t row, int32_t col, const SharedTexts& block, size_t offset,
                             size_t length) {
    if (length == 0) return;
    if (!block || offset > block->size() || length > block->size() - offset) {
        detail::SimMisuse("cell: a shared text lies outside its block");
    }
    if (length > kMaxTextBytes) {
        detail::SimMisuse("cell: a text of " + std::to_string(length) +
                          " bytes is longer than a cell holds");
    }
    Data& d = Own();
    if (!d.block) d.block = block;
    if (d.block != block) return Append(row, col, std::string_view(*block).substr(offset, length));
    Push(Cell{static_cast<uint32_t>(row), static_cast<uint16_t>(col), kSharedText,
              static_cast<uint64_t>(offset) << 24 | length});
}

std::optional<std::pair<int32_t, int32_t>> CellTable::Finish() {
    if (!data_ || data_->sorted) return std::nullopt;
    Data& d = Own();
    std::stable_sort(d.cells.begin(), d.cells.end(), [](const Cell& a, const Cell& b) {
        return Before(a.row, a.col, b.row, b.col);
    });
    // Of cells at one position the last given wins.
    std::optional<std::pair<int32_t, int32_t>> twice;
    std::vector<Cell> kept;
    kept.reserve(d.cells.size());
    for (const Cell& c : d.cells) {
        if (!kept.empty() && kept.back().row == c.row && kept.back().col == c.col) {
            if (!twice) twice.emplace(static_cast<int32_t>(c.row), static_cast<int32_t>(c.col));
            kept.back() = c;
        } else {
            kept.push_back(c);
        }
    }
    d.cells = std::move(kept);
    d.sorted = true;
    return twice;
}

size_t CellTable::IndexOf(int32_t row, int32_t col) const {
    if (!data_) return 0;
    const auto r = static_cast<uint32_t>(row);
    const auto c = static_cast<uint16_t>(col);
    const auto& cells = data_->cells;
    const auto at = std::partition_point(cells.begin(), cells.end(), [&](const Cell& cell) {
        return Before(cell.row, cell.col, r, c);
    });
    return static_cast<size_t>(at - cells.begin());
}

bool CellTable::IsAt(size_t index, int32_t row, int32_t col) const {
    return data_ && index < data_->cells.size() &&
           data_->cells[index].row == static_cast<uint32_t>(row) &&
           data_->cells[index].col == static_cast<uint16_t>(col);
}

void CellTable::Set(int32_t row, int32_t col, std::string_view text) {
    Finish();
    const size_t index = IndexOf(row, col);
    const bool present = IsAt(index, row, col);
    if (text.empty() && !present) return;
    const Cell c = text.empty() ? Cell{} : Make(row, col, text);
    Data& d = Own();
    const auto at = d.cells.begin() + static_cast<std::ptrdiff_t>(index);
    // Only an own text is gone with its cell; one in the block stays for the others.
    if (present && at->kind == kOwnText) d.replaced += LengthOf(at->value);
    if (text.empty()) {
        d.cells.erase(at);
    } else if (present) {
        *at = c;
    } else {
        d.cells.insert(at, c);
    }
    CompactIfWasteful(d);
}

void CellTable::CompactIfWasteful(Data& d) {
    // A cell edited again and again must not grow the buffer for ever; compacting only
    // past a megabyte and half the buffer keeps the cost per edit constant on average.
    if (d.replaced < (1u << 20) || d.replaced * 2 < d.texts.size()) return;
    std::string texts;
    std::unordered_map<uint64_t, uint64_t> moved;  // old key -> new, texts shared stay so
    for (Cell& c : d.cells) {
        if (c.kind != kOwnText) continue;
        const auto [it, fresh] = moved.try_emplace(c.value, 0);
        if (fresh) {
            it->second = static_cast<uint64_t>(texts.size()) << 24 | LengthOf(c.value);
            texts.append(d.texts, static_cast<size_t>(c.value >> 24),
                         static_cast<size_t>(LengthOf(c.value)));
        }
        c.value = it->second;
    }
    d.texts = std::move(texts);
    d.shared.clear();
    d.replaced = 0;
}

void CellTable::Set(std::string_view address, std::string_view text) {
    const auto [row, col] = CellAt(address);
    Set(row, col, text);
}

std::string CellTable::Text(int32_t row, int32_t col) const {
    const size_t index = IndexOf(row, col);
    char number[32];
    return IsAt(index, row, col) ? std::string(TextOf(data_->cells[index], number)) : std::string();
}

std::string CellTable::Text(std::string_view address) const {
    const auto [row, col] = CellAt(address);
    return Text(row, col);
}

}  // namespace sim
