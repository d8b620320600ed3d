#include "app/grid_view.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "app/host_state.h"
#include "app/text.h"

namespace app {

namespace {

constexpr int kCellWidth = 11;  // bracket, mark, eight characters of text, bracket
constexpr int kTextWidth = kCellWidth - 3;
constexpr int kRowLabelWidth = 7;
constexpr int32_t kMaxRows = 1048576;
constexpr int32_t kMaxColumns = 16384;

// Visible lines around `active`: up to `before` of them ahead of it, then the rest.
template <class Hidden>
std::vector<int32_t> VisibleLines(int32_t active, int count, int before, int32_t last,
                                  Hidden&& hidden) {
    std::vector<int32_t> lines;
    for (int32_t n = active - 1; n >= 1 && static_cast<int>(lines.size()) < before; --n)
        if (!hidden(n)) lines.insert(lines.begin(), n);
    for (int32_t n = active; n <= last && static_cast<int>(lines.size()) < count; ++n)
        if (!hidden(n) || n == active) lines.push_back(n);
    return lines;
}

bool ParseAddress(const std::string& address, int32_t& row, int32_t& column) {
    std::string letters;
    std::string digits;
    for (char c : address) {
        if (c == '$') continue;
        if (std::isalpha(static_cast<unsigned char>(c)) && digits.empty()) {
            letters += c;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else {
            return false;
        }
    }
    column = ColumnNumber(letters);
    const std::optional<int32_t> r = ParseInteger(digits);
    row = r.value_or(0);
    return column > 0 && row > 0;
}

std::string Centered(const std::string& text, int width) {
    const int pad = std::max(0, width - DisplayWidth(text));
    return std::string(static_cast<size_t>(pad / 2), ' ') + text +
           std::string(static_cast<size_t>(pad - pad / 2), ' ');
}

}  // namespace

std::string ColoredStar(int32_t color, ColorMode colors) {
    const auto value = static_cast<uint32_t>(color);
    const int r = static_cast<int>(value & 0xFF);
    const int g = static_cast<int>((value >> 8) & 0xFF);
    const int b = static_cast<int>((value >> 16) & 0xFF);
    switch (colors) {
        case ColorMode::TrueColor:
            return "\x1b[1;38;2;" + std::to_string(r) + ";" + std::to_string(g) + ";" +
                   std::to_string(b) + "m*\x1b[0m";
        case ColorMode::Palette256: {
            const auto level = [](int v) { return (v * 5 + 127) / 255; };
            const int index = 16 + 36 * level(r) + 6 * level(g) + level(b);
            return "\x1b[1;38;5;" + std::to_string(index) + "m*\x1b[0m";
        }
        case ColorMode::None:
            break;
    }
    return "*";
}

void PrintGrid(Session& session, std::ostream& out, GridSize size, ColorMode colors) {
    sim::Excel& excel = session.Excel();
    const std::string book = excel.ActiveWorkbookName();
    if (book.empty()) {
        out << "  (no workbook is active)\n";
        return;
    }
    const std::string sheet = excel.ActiveSheetName();
    int32_t activeRow = 0;
    int32_t activeColumn = 0;
    if (!ParseAddress(excel.ActiveCellAddress(), activeRow, activeColumn)) {
        out << "  [" << book << "]" << QuotedSheetName(sheet)
            << " is a chart sheet: it has no cells\n";
        return;
    }
    const host::Ref<host::Worksheet> ws = excel.SheetRef(book, sheet)->AsWorksheet();

    const std::vector<int32_t> columns =
        VisibleLines(activeColumn, size.columns, size.columns / 2 - (size.columns > 2 ? 1 : 0),
                     kMaxColumns, [&](int32_t c) { return ws->Columns(c)->Hidden(); });
    const std::vector<int32_t> rows =
        VisibleLines(activeRow, size.rows, size.rows / 3, kMaxRows,
                     [&](int32_t r) { return ws->Rows(r)->Hidden(); });

    std::map<std::pair<int32_t, int32_t>, int32_t> marks;  // (row, column) -> colour
    for (const MarkView& mark : FindMarks(excel, book, sheet))
        marks.emplace(std::make_pair(mark.row, mark.column), mark.color);

    out << "  " << CellText(book, sheet, excel.ActiveCellAddress()) << '\n';
    std::string header(static_cast<size_t>(kRowLabelWidth), ' ');
    for (int32_t c : columns) header += Centered(ColumnLetters(c), kCellWidth);
    while (!header.empty() && header.back() == ' ') header.pop_back();
    out << header << '\n';
    for (int32_t r : rows) {
        std::string line = std::to_string(r);
        line.insert(
            0, static_cast<size_t>(std::max(0, kRowLabelWidth - 2 - static_cast<int>(line.size()))),
            ' ');
        line += "  ";
        for (int32_t c : columns) {
            const bool active = r == activeRow && c == activeColumn;
            const auto mark = marks.find({r, c});
            const std::string text =
                excel.CellText(book, sheet, ColumnLetters(c) + std::to_string(r));
            line += active ? '[' : ' ';
            line += mark != marks.end() ? ColoredStar(mark->second, colors) : " ";
            line += FitToWidth(text, kTextWidth);
            line += active ? ']' : ' ';
        }
        // Blanks at the end of a line carry nothing.
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << '\n';
    }
}

}  // namespace app
