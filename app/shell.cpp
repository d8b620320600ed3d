#include "app/shell.h"

#include "app/bar_view.h"
#include "app/grid_view.h"
#include "app/interpreter.h"
#include "app/read_progress.h"
#include "app/text.h"

namespace app {

namespace {

void DrawView(Session& session, Console& console) {
    std::ostream& out = console.Out();
    out << '\n';
    PrintGrid(session, out, GridSize{}, console.Colors());
    const std::string strip = ToolbarStrip(session.Excel(), console.Colors());
    if (!strip.empty()) {
        out << "  " << strip << '\n';
        if (console.Colors() == ColorMode::None)
            out << "  ([ ] enabled, ( ) disabled, { } pressed)\n";
    }
}

// Whether the line is a user action, after which the view is drawn again.
bool IsUserAction(const std::string& line) {
    try {
        const std::vector<std::string> words = SplitWords(line);
        size_t used = 0;
        const CommandSpec* entry = FindCommand(words, &used);
        return entry != nullptr && entry->userAction;
    } catch (const CommandError&) {
        return false;
    }
}

}  // namespace

int RunShell(const ShellOptions& options, std::istream& in, std::ostream& out) {
    Console console(out, &in, options.colors);
    Session session(console, options.settingsFile);
    session.SetReadOptions(ReadOptionsFor(options.budget));
    session.Platform().SetOpensBrowser(options.opensBrowser);

    out << "Tessaly: the bookmarks add-in in a simulated spreadsheet host.\n"
           "Type \"help\" for the commands (each with an example), \"quit\" to leave.\n";
    try {
        session.ConnectAddin(options.connect);
    } catch (const CommandError& e) {
        out << "error: " << e.what() << '\n';
        return 2;
    }
    Interpreter interp(session, false);
    for (const std::string& path : options.workbooks) {
        try {
            interp.Execute("open " + QuoteWord(path));
        } catch (const CommandError& e) {
            out << "  error: " << e.what() << '\n';
        }
    }
    DrawView(session, console);

    while (!interp.QuitRequested()) {
        const std::optional<std::string> line = console.ReadLine("tessaly> ");
        if (!line) break;
        try {
            interp.Execute(*line);
        } catch (const CommandError& e) {
            out << "  error: " << e.what() << '\n';
        } catch (const std::exception& e) {
            out << "  error: " << Sentence(e.what()) << '\n';
        }
        if (!interp.QuitRequested() && IsUserAction(*line)) DrawView(session, console);
    }
    return 0;
}

}  // namespace app
