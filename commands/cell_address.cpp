#include "commands/cell_address.h"

namespace tessaly {

namespace {

// The sheet's bounds: 16,384 columns (XFD) and 1,048,576 rows.
constexpr int32_t kMaxColumn = 16384;
constexpr int32_t kMaxRow = 1048576;

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<RowColumn> SingleCellOf(std::string_view address) {
    size_t at = 0;
    auto take = [&](char c) {
        if (at >= address.size() || address[at] != c) return false;
        ++at;
        return true;
    };
    RowColumn cell;
    if (!take('$')) return std::nullopt;
    for (; at < address.size() && IsUpper(address[at]); ++at) {
        cell.column = cell.column * 26 + (address[at] - 'A' + 1);
        if (cell.column > kMaxColumn) return std::nullopt;
    }
    if (cell.column == 0 || !take('$')) return std::nullopt;
    // No leading zero: the host never writes one, and "$A$0" is no cell.
    if (at >= address.size() || address[at] == '0') return std::nullopt;
    for (; at < address.size() && IsDigit(address[at]); ++at) {
        cell.row = cell.row * 10 + (address[at] - '0');
        if (cell.row > kMaxRow) return std::nullopt;
    }
    if (cell.row == 0 || at != address.size()) return std::nullopt;
    return cell;
}

}  // namespace tessaly
