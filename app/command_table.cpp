// Every command of the interpreter with its usage, an example and a one-line summary;
// lines are read by this table, and `help` prints it with the window actions' table.

#include <algorithm>
#include <ostream>

#include "app/commands.h"
#include "app/grammar.h"
#include "app/text.h"
#include "app/window_actions.h"

namespace app {

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        // Workbooks.
        {"open", "open FILE.xlsx...", "open Demo.xlsx",
         "opens workbooks from .xlsx files (the add-in reads their saved bookmarks)", "Workbooks",
         true, CmdOpen},
        {"new", "new [NAME]", "new", "makes a new workbook", "Workbooks", true, CmdNew},
        {"save", "save [BOOK]", "save", "saves a workbook to its file", "Workbooks", true, CmdSave},
        {"saveas", "saveas FILE.xlsx [BOOK]", "saveas Copy.xlsx",
         "saves a workbook to a new .xlsx file, under that file's name", "Workbooks", true,
         CmdSaveAs},
        {"close", "close [BOOK]", "close Demo.xlsx", "closes a workbook without saving it",
         "Workbooks", true, CmdClose},
        {"activate", "activate BOOK", "activate Costs.xlsx", "makes a workbook the active one",
         "Workbooks", true, CmdActivate},
        {"hidebook", "hidebook [BOOK]", "hidebook Costs.xlsx", "hides a workbook's window",
         "Workbooks", true, CmdHideBook},
        {"unhidebook", "unhidebook BOOK", "unhidebook Costs.xlsx",
         "shows a workbook's window again", "Workbooks", true, CmdUnhideBook},

        // Cells.
        {"select", "select REF", "select Costs!B2:D4",
         "selects a cell or range: B3, Sheet2!B3, 'My Sheet'!B3, [Book.xlsx]Sheet2!B3", "Cells",
         true, CmdSelect},
        {"edit", "edit REF TEXT", "edit B3 \"Total 2024\"",
         "types text into a cell (empty text clears it)", "Cells", true, CmdEdit},
        {"name", "name REF NAME", "name B3 Total", "gives a cell a defined name", "Cells", true,
         CmdName},

        // Sheets of the active workbook.
        {"sheet", "sheet NAME", "sheet Costs", "activates a sheet", "Sheets", true,
         CmdSheetActivate},
        {"sheet add", "sheet add [NAME] [after SHEET]", "sheet add Summary after Sales",
         "adds a worksheet", "Sheets", true, CmdSheetAdd},
        {"sheet addchart", "sheet addchart [NAME] [after SHEET]", "sheet addchart Chart1",
         "adds a chart sheet", "Sheets", true, CmdSheetAddChart},
        {"sheet hide", "sheet hide NAME", "sheet hide Costs", "hides a sheet", "Sheets", true,
         CmdSheetHide},
        {"sheet veryhide", "sheet veryhide NAME", "sheet veryhide Costs",
         "makes a sheet very hidden", "Sheets", true, CmdSheetVeryHide},
        {"sheet unhide", "sheet unhide NAME", "sheet unhide Costs", "shows a hidden sheet again",
         "Sheets", true, CmdSheetUnhide},
        {"sheet protect", "sheet protect [NAME]", "sheet protect Sales", "protects a sheet",
         "Sheets", true, CmdSheetProtect},
        {"sheet unprotect", "sheet unprotect [NAME]", "sheet unprotect Sales",
         "removes a sheet's protection", "Sheets", true, CmdSheetUnprotect},
        {"sheet delete", "sheet delete NAME", "sheet delete Costs", "deletes a sheet", "Sheets",
         true, CmdSheetDelete},
        {"sheet rename", "sheet rename OLD NEW", "sheet rename Costs Expenses", "renames a sheet",
         "Sheets", true, CmdSheetRename},

        // Rows and columns of the active sheet.
        {"rows insert", "rows insert ROW [COUNT]", "rows insert 2", "inserts rows above ROW",
         "Rows and columns", true, CmdRowsInsert},
        {"rows delete", "rows delete ROWS", "rows delete 3:4", "deletes rows", "Rows and columns",
         true, CmdRowsDelete},
        {"rows hide", "rows hide ROWS", "rows hide 5", "hides rows", "Rows and columns", true,
         CmdRowsHide},
        {"rows unhide", "rows unhide ROWS", "rows unhide 5", "shows hidden rows again",
         "Rows and columns", true, CmdRowsUnhide},
        {"rows filter", "rows filter ROWS", "rows filter 6:8", "hides rows as a filter does",
         "Rows and columns", true, CmdRowsFilter},
        {"rows unfilter", "rows unfilter", "rows unfilter", "clears the sheet's filter",
         "Rows and columns", true, CmdRowsUnfilter},
        {"columns insert", "columns insert COLUMN [COUNT]", "columns insert B",
         "inserts columns left of COLUMN", "Rows and columns", true, CmdColumnsInsert},
        {"columns delete", "columns delete COLUMNS", "columns delete C:D", "deletes columns",
         "Rows and columns", true, CmdColumnsDelete},
        {"columns hide", "columns hide COLUMNS", "columns hide C", "hides columns",
         "Rows and columns", true, CmdColumnsHide},
        {"columns unhide", "columns unhide COLUMNS", "columns unhide C",
         "shows hidden columns again", "Rows and columns", true, CmdColumnsUnhide},

        // The add-in.
        {"click", "click [--toolbar] COMMAND|CAPTION", "click next",
         "clicks a menu item (or its toolbar button) by command name (list, toggle, next, "
         "previous, clear, setting, help, site) or caption, \"&\" optional",
         "The add-in", true, CmdClick},
        {"designmode", "designmode", "designmode", "clicks the host's design-mode button",
         "The add-in", true, CmdDesignMode},
        {"keys", "keys [--repeat N] CHORD...", "keys Ctrl+HOME",
         "presses and releases key chords; they pass the add-in's keyboard hook", "The add-in",
         true, CmdKeys},
        {"front", "front main|dialog TITLE|other TITLE|none", "front other Browser",
         "chooses the window in front, which the keyboard hook looks at", "The add-in", true,
         CmdFront},
        {"connect", "connect [--host-version V] [--country NAME]",
         "connect --host-version 16.0 --country Japan",
         "connects the add-in (host version 12 and later: toolbar only; Japan: Japanese texts)",
         "The add-in", true, CmdConnect},
        {"disconnect", "disconnect", "disconnect", "disconnects the add-in", "The add-in", true,
         CmdDisconnect},
        {"set", "set [SECTION/]KEY VALUE", "set SaveMark 1",
         "writes a setting directly (section Setting unless given)", "The add-in", false, CmdSet},
        {"answer", "answer ok|cancel...", "answer cancel",
         "answers the next message boxes that ask OK or Cancel", "The add-in", false, CmdAnswer},
        {"window", "window ACTION", "window pick Demo.xlsx/Sales/B3",
         "queues an action for the next window of the add-in (\"help window\" lists them)",
         "The add-in", false, CmdWindow},
        {"wait", "wait SECONDS", "wait 0.1", "lets time pass before the next action", "The add-in",
         false, CmdWait},
        {"pace", "pace SECONDS", "pace 0",
         "sets the time between user actions (1 second unless changed)", "The add-in", false,
         CmdPace},

        // Looking.
        {"show",
         "show cell|bookmarks|marks|controls|properties [BOOK]|settings|books|windows|keys|"
         "grid [ROWS COLUMNS]|file FILE.xlsx|all",
         "show bookmarks",
         "prints part of the state (\"file\": the bookmarks a file on disk keeps)", "Looking",
         false, CmdShow},
        {"echo", "echo TEXT", "echo Saving now", "prints the text", "Looking", false, CmdEcho},
        {"help", "help [COMMAND]", "help sheet", "lists the commands, or explains one", "Looking",
         false, CmdHelp},
        {"quit", "quit", "quit", "ends the session", "Looking", false, CmdQuit, "exit"},
    };
    return commands;
}

const CommandSpec* FindCommand(const std::vector<std::string>& words, size_t* used) {
    return FindEntry(Commands(), words, used);
}

namespace {

void PrintWindowActions(std::ostream& out) {
    out << "Window actions (queued with \"window ACTION\", or typed at the window> prompt):\n";
    for (const WindowActionSpec& action : WindowActions()) PrintEntryHelp(out, action, "window ");
}

}  // namespace

void PrintHelp(std::ostream& out, const std::string& topic) {
    const std::string wanted = Lower(topic);
    if (wanted.empty()) {
        std::string group;
        for (const CommandSpec& entry : Commands()) {
            if (entry.group != group) {
                group = entry.group;
                out << (group == "Workbooks" ? "" : "\n") << group << ":\n";
            }
            PrintEntryHelp(out, entry);
        }
        out << '\n';
        PrintWindowActions(out);
        out << "\nA REF is B3, B2:D4, Sheet2!B3, 'My Sheet'!B3 or [Book.xlsx]Sheet2!B3; ROWS are 3 "
               "or 3:5; COLUMNS are C or C:E.\n";
        return;
    }
    if (wanted == "window") {
        for (const CommandSpec& entry : Commands())
            if (std::string(entry.name) == "window") PrintEntryHelp(out, entry);
        PrintWindowActions(out);
        return;
    }
    bool any = false;
    for (const CommandSpec& entry : Commands()) {
        const std::string name = entry.name;
        if (name == wanted || name.rfind(wanted + " ", 0) == 0) {
            PrintEntryHelp(out, entry);
            any = true;
        }
    }
    if (!any) throw CommandError("There is no command \"" + topic + "\"; \"help\" lists them all.");
}

}  // namespace app
