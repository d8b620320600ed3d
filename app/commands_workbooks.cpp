// The host's own user actions: workbooks and their files, sheets, rows, columns and
// cells. Each raises the events the host raises, so the add-in reacts as it would.

#include <ostream>

#include "app/commands.h"
#include "app/text.h"

namespace app {

namespace {

std::string JoinedFrom(const std::vector<std::string>& words, size_t from) {
    std::string text;
    for (size_t i = from; i < words.size(); ++i) text += (i > from ? " " : "") + words[i];
    return text;
}

std::string LinesText(const char* what, LineRange range, bool columns) {
    const auto name = [&](int32_t n) { return columns ? ColumnLetters(n) : std::to_string(n); };
    std::string text = std::string(what) + (range.count == 1 ? " " : "s ") + name(range.first);
    if (range.count > 1) text += " to " + name(range.first + range.count - 1);
    return text;
}

// A sheet of a workbook, by name. (A struct, not a pair: lambdas capture its members,
// where clang before 16 refuses to capture structured bindings.)
struct BookSheet {
    std::string book;
    std::string sheet;
};

// The active workbook and sheet, which must be a worksheet.
BookSheet ActiveWorksheet(Session& session) {
    const std::string book = session.Book("");
    const std::string sheet = session.Sheet(book, "");
    if (!session.IsWorksheet(book, sheet))
        throw CommandError("The active sheet \"" + sheet + "\" is a chart sheet: it has no cells.");
    return {book, sheet};
}

// The named sheet of the active workbook, or its active sheet when no name is given.
BookSheet SheetOfActiveBook(Session& session, const std::string& name) {
    const std::string book = session.Book("");
    return {book, session.Sheet(book, name)};
}

}  // namespace

void ExpectArgs(const CommandContext& c, size_t min, size_t max, const char* usage) {
    if (c.args.size() < min || c.args.size() > max)
        throw CommandError(std::string("Usage: ") + usage);
}

// ---- Workbooks ----

void CmdOpen(CommandContext& c) {
    ExpectArgs(c, 1, 64, "open FILE.xlsx...");
    for (const std::string& path : c.args) {
        const std::string name = c.session.Open(path);
        c.out << "  opened " << name << '\n';
    }
}

void CmdNew(CommandContext& c) {
    ExpectArgs(c, 0, 1, "new [NAME]");
    const std::string name =
        c.session.New(c.args.empty() ? std::nullopt : std::optional<std::string>(c.args[0]));
    c.out << "  new workbook " << name << '\n';
}

void CmdSave(CommandContext& c) {
    ExpectArgs(c, 0, 1, "save [BOOK]");
    const std::string book = c.session.Book(c.args.empty() ? "" : c.args[0]);
    if (!c.session.Save(book)) {
        c.out << "  the save of " << book << " was cancelled\n";
        return;
    }
    c.out << "  saved " << book << " to " << ShownPath(*c.session.PathOf(book)) << '\n';
}

void CmdSaveAs(CommandContext& c) {
    ExpectArgs(c, 1, 2, "saveas FILE.xlsx [BOOK]");
    const std::string book = c.session.Book(c.args.size() > 1 ? c.args[1] : "");
    if (!c.session.SaveAs(book, c.args[0])) {
        c.out << "  the save of " << book << " was cancelled\n";
        return;
    }
    c.out << "  saved " << book << " as " << c.args[0] << '\n';
}

void CmdClose(CommandContext& c) {
    ExpectArgs(c, 0, 1, "close [BOOK]");
    const std::string book = c.session.Book(c.args.empty() ? "" : c.args[0]);
    c.session.Close(book);
    c.out << "  closed " << book << '\n';
}

void CmdActivate(CommandContext& c) {
    ExpectArgs(c, 1, 1, "activate BOOK");
    c.session.Activate(c.session.Book(c.args[0]));
}

void CmdHideBook(CommandContext& c) {
    ExpectArgs(c, 0, 1, "hidebook [BOOK]");
    const std::string book = c.session.Book(c.args.empty() ? "" : c.args[0]);
    HostAction([&] { c.session.Excel().SetWindowVisible(book, false); });
    c.out << "  the window of " << book << " is hidden\n";
}

void CmdUnhideBook(CommandContext& c) {
    ExpectArgs(c, 1, 1, "unhidebook BOOK");
    const std::string book = c.session.Book(c.args[0]);
    HostAction([&] { c.session.Excel().SetWindowVisible(book, true); });
    c.out << "  the window of " << book << " is shown\n";
}

// ---- Cells ----

void CmdSelect(CommandContext& c) {
    ExpectArgs(c, 1, 1, "select REF");
    const CellReference ref = ParseCellReference(c.args[0]);
    sim::Excel& excel = c.session.Excel();
    if (ref.book.empty() && ref.sheet.empty()) {
        c.session.Book("");  // says so when no workbook is active
        HostAction([&] { excel.Select(ref.address); });
        return;
    }
    const std::string book = c.session.Book(ref.book);
    const std::string sheet = c.session.Sheet(book, ref.sheet);
    HostAction([&] { excel.Select(book, sheet, ref.address); });
}

void CmdEdit(CommandContext& c) {
    ExpectArgs(c, 1, 64, "edit REF TEXT");
    const CellReference ref = ParseCellReference(c.args[0]);
    const std::string text = JoinedFrom(c.args, 1);
    sim::Excel& excel = c.session.Excel();
    const std::string book = c.session.Book(ref.book);
    const std::string sheet = c.session.Sheet(book, ref.sheet);
    HostAction([&] { excel.Edit(book, sheet, ref.address, text); });
}

void CmdName(CommandContext& c) {
    ExpectArgs(c, 2, 2, "name REF NAME");
    const CellReference ref = ParseCellReference(c.args[0]);
    const std::string book = c.session.Book(ref.book);
    const std::string sheet = c.session.Sheet(book, ref.sheet);
    HostAction([&] { c.session.Excel().DefineName(book, sheet, ref.address, c.args[1]); });
    c.out << "  " << c.args[1] << " names " << CellText(book, sheet, ref.address) << '\n';
}

// ---- Sheets ----

void CmdSheetActivate(CommandContext& c) {
    ExpectArgs(c, 1, 1, "sheet NAME");
    const BookSheet at = SheetOfActiveBook(c.session, c.args[0]);
    HostAction([&] { c.session.Excel().ActivateSheet(at.book, at.sheet); });
}

namespace {

void AddSheet(CommandContext& c, bool chart) {
    const char* usage =
        chart ? "sheet addchart [NAME] [after SHEET]" : "sheet add [NAME] [after SHEET]";
    std::optional<std::string> name;
    std::optional<std::string> after;
    size_t i = 0;
    if (i < c.args.size() && Lower(c.args[i]) != "after") name = c.args[i++];
    if (i < c.args.size()) {
        if (Lower(c.args[i]) != "after" || i + 2 != c.args.size())
            throw CommandError(std::string("Usage: ") + usage);
        after = c.args[i + 1];
        i += 2;
    }
    if (i != c.args.size()) throw CommandError(std::string("Usage: ") + usage);
    const std::string book = c.session.Book("");
    if (after) after = c.session.Sheet(book, *after);
    sim::Excel& excel = c.session.Excel();
    const std::string added = HostAction([&] {
        return chart ? excel.AddChartSheet(book, name, after)
                     : excel.AddWorksheet(book, name, after);
    });
    c.out << "  added " << (chart ? "chart sheet " : "sheet ") << added << '\n';
}

void SetVisible(CommandContext& c, int32_t visible, const char* usage, const char* done) {
    ExpectArgs(c, 1, 1, usage);
    const BookSheet at = SheetOfActiveBook(c.session, c.args[0]);
    HostAction([&] { c.session.Excel().SetSheetVisible(at.book, at.sheet, visible); });
    c.out << "  sheet " << at.sheet << ' ' << done << '\n';
}

void SetProtected(CommandContext& c, bool on) {
    ExpectArgs(c, 0, 1, on ? "sheet protect [NAME]" : "sheet unprotect [NAME]");
    const BookSheet at = SheetOfActiveBook(c.session, c.args.empty() ? "" : c.args[0]);
    HostAction([&] {
        if (on) {
            c.session.Excel().Protect(at.book, at.sheet);
        } else {
            c.session.Excel().Unprotect(at.book, at.sheet);
        }
    });
    c.out << "  sheet " << at.sheet << (on ? " protected" : " unprotected") << '\n';
}

}  // namespace

void CmdSheetAdd(CommandContext& c) {
    AddSheet(c, false);
}

void CmdSheetAddChart(CommandContext& c) {
    AddSheet(c, true);
}

void CmdSheetHide(CommandContext& c) {
    SetVisible(c, 0, "sheet hide NAME", "hidden");
}

void CmdSheetVeryHide(CommandContext& c) {
    SetVisible(c, 2, "sheet veryhide NAME", "very hidden");
}

void CmdSheetUnhide(CommandContext& c) {
    SetVisible(c, -1, "sheet unhide NAME", "shown");
}

void CmdSheetProtect(CommandContext& c) {
    SetProtected(c, true);
}

void CmdSheetUnprotect(CommandContext& c) {
    SetProtected(c, false);
}

void CmdSheetDelete(CommandContext& c) {
    ExpectArgs(c, 1, 1, "sheet delete NAME");
    const BookSheet at = SheetOfActiveBook(c.session, c.args[0]);
    HostAction([&] { c.session.Excel().DeleteSheet(at.book, at.sheet); });
    c.out << "  deleted sheet " << at.sheet << '\n';
}

void CmdSheetRename(CommandContext& c) {
    ExpectArgs(c, 2, 2, "sheet rename OLD NEW");
    const BookSheet at = SheetOfActiveBook(c.session, c.args[0]);
    HostAction([&] { c.session.Excel().RenameSheet(at.book, at.sheet, c.args[1]); });
    c.out << "  sheet " << at.sheet << " is now " << c.args[1] << '\n';
}

// ---- Rows and columns ----

namespace {

enum class LineOp { Insert, Delete, Hide, Unhide, Filter };

void LinesCommand(CommandContext& c, bool columns, LineOp op, const char* usage) {
    LineRange range;
    if (op == LineOp::Insert) {
        ExpectArgs(c, 1, 2, usage);
        range = columns ? ParseColumns(c.args[0]) : ParseRows(c.args[0]);
        if (range.count != 1) throw CommandError(std::string("Usage: ") + usage);
        if (c.args.size() == 2) {
            const std::optional<int32_t> count = ParseInteger(c.args[1]);
            if (!count || *count < 1) throw CommandError("\"" + c.args[1] + "\" is not a count.");
            range.count = *count;
        }
    } else {
        ExpectArgs(c, 1, 1, usage);
        range = columns ? ParseColumns(c.args[0]) : ParseRows(c.args[0]);
    }
    const BookSheet at = ActiveWorksheet(c.session);
    sim::Excel& excel = c.session.Excel();
    const char* done = "";
    HostAction([&] {
        switch (op) {
            case LineOp::Insert:
                done = "inserted";
                columns ? excel.InsertColumns(at.book, at.sheet, range.first, range.count)
                        : excel.InsertRows(at.book, at.sheet, range.first, range.count);
                break;
            case LineOp::Delete:
                done = "deleted";
                columns ? excel.DeleteColumns(at.book, at.sheet, range.first, range.count)
                        : excel.DeleteRows(at.book, at.sheet, range.first, range.count);
                break;
            case LineOp::Hide:
                done = "hidden";
                columns ? excel.HideColumns(at.book, at.sheet, range.first, range.count)
                        : excel.HideRows(at.book, at.sheet, range.first, range.count);
                break;
            case LineOp::Unhide:
                done = "shown";
                columns ? excel.ShowColumns(at.book, at.sheet, range.first, range.count)
                        : excel.ShowRows(at.book, at.sheet, range.first, range.count);
                break;
            case LineOp::Filter:
                done = "hidden by a filter";
                excel.FilterHideRows(at.book, at.sheet, range.first, range.count);
                break;
        }
    });
    c.out << "  " << LinesText(columns ? "column" : "row", range, columns) << ' ' << done << '\n';
}

}  // namespace

void CmdRowsInsert(CommandContext& c) {
    LinesCommand(c, false, LineOp::Insert, "rows insert ROW [COUNT]");
}
void CmdRowsDelete(CommandContext& c) {
    LinesCommand(c, false, LineOp::Delete, "rows delete ROWS");
}
void CmdRowsHide(CommandContext& c) {
    LinesCommand(c, false, LineOp::Hide, "rows hide ROWS");
}
void CmdRowsUnhide(CommandContext& c) {
    LinesCommand(c, false, LineOp::Unhide, "rows unhide ROWS");
}
void CmdRowsFilter(CommandContext& c) {
    LinesCommand(c, false, LineOp::Filter, "rows filter ROWS");
}

void CmdRowsUnfilter(CommandContext& c) {
    ExpectArgs(c, 0, 0, "rows unfilter");
    const BookSheet at = ActiveWorksheet(c.session);
    HostAction([&] { c.session.Excel().ClearFilter(at.book, at.sheet); });
    c.out << "  the filter of " << at.sheet << " is cleared\n";
}

void CmdColumnsInsert(CommandContext& c) {
    LinesCommand(c, true, LineOp::Insert, "columns insert COLUMN [COUNT]");
}
void CmdColumnsDelete(CommandContext& c) {
    LinesCommand(c, true, LineOp::Delete, "columns delete COLUMNS");
}
void CmdColumnsHide(CommandContext& c) {
    LinesCommand(c, true, LineOp::Hide, "columns hide COLUMNS");
}
void CmdColumnsUnhide(CommandContext& c) {
    LinesCommand(c, true, LineOp::Unhide, "columns unhide COLUMNS");
}

}  // namespace app
