// The state queries, and help, echo and quit.

#include <ostream>
#include <sstream>

#include "app/commands.h"
#include "app/grid_view.h"
#include "app/printers.h"
#include "app/saved_bookmarks.h"
#include "app/text.h"

namespace app {

void CmdShow(CommandContext& c) {
    const char* usage =
        "show cell|bookmarks|marks|controls|properties [BOOK]|settings|books|windows|keys|grid "
        "[ROWS COLUMNS]|file FILE.xlsx|all";
    ExpectArgs(c, 1, 3, usage);
    const std::string what = Lower(c.args[0]);
    Session& s = c.session;
    const auto none = [&] {
        if (c.args.size() != 1) throw CommandError(std::string("Usage: ") + usage);
    };
    if (what == "cell") {
        none();
        PrintActiveCell(s, c.out);
    } else if (what == "bookmarks") {
        none();
        PrintBookmarks(s, c.out);
    } else if (what == "marks") {
        none();
        PrintMarks(s, c.out);
    } else if (what == "controls" || what == "bars") {
        none();
        PrintControls(s, c.out);
    } else if (what == "properties") {
        if (c.args.size() > 2) throw CommandError(std::string("Usage: ") + usage);
        PrintProperties(s, s.Book(c.args.size() == 2 ? c.args[1] : ""), c.out);
    } else if (what == "settings") {
        none();
        PrintSettings(s, c.out);
    } else if (what == "books") {
        none();
        PrintBooks(s, c.out);
    } else if (what == "windows") {
        none();
        PrintWindows(s, c.out);
    } else if (what == "keys") {
        none();
        PrintKeys(s, c.out);
    } else if (what == "grid") {
        GridSize size;
        if (c.args.size() == 3) {
            const std::optional<int32_t> rows = ParseInteger(c.args[1]);
            const std::optional<int32_t> columns = ParseInteger(c.args[2]);
            if (!rows || !columns || *rows < 1 || *rows > 200 || *columns < 1 || *columns > 50)
                throw CommandError(
                    "\"show grid\" takes a number of rows (1-200) and columns (1-50).");
            size = {*rows, *columns};
        } else if (c.args.size() != 1) {
            throw CommandError(std::string("Usage: ") + usage);
        }
        PrintGrid(s, c.out, size, c.interp.Colors());
    } else if (what == "file") {
        if (c.args.size() != 2) throw CommandError("Usage: show file FILE.xlsx");
        std::ostringstream text;
        PrintSavedBookmarks(ReadSavedBookmarks(c.args[1]), false, text);
        std::istringstream lines(text.str());
        for (std::string line; std::getline(lines, line);) c.out << "  " << line << '\n';
    } else if (what == "all") {
        none();
        PrintActiveCell(s, c.out);
        PrintBookmarks(s, c.out);
        PrintMarks(s, c.out);
        PrintControls(s, c.out);
        PrintWindows(s, c.out);
    } else {
        throw CommandError(std::string("Usage: ") + usage);
    }
}

void CmdEcho(CommandContext& c) {
    std::string text;
    for (size_t i = 0; i < c.args.size(); ++i) text += (i ? " " : "") + c.args[i];
    c.out << "  " << text << '\n';
}

void CmdHelp(CommandContext& c) {
    std::string topic;
    for (size_t i = 0; i < c.args.size(); ++i) topic += (i ? " " : "") + c.args[i];
    PrintHelp(c.out, topic);
}

void CmdQuit(CommandContext& c) {
    ExpectArgs(c, 0, 0, "quit");
    c.interp.RequestQuit();
}

}  // namespace app
