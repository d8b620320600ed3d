#pragma once

// The handlers of the interpreter's commands, grouped by subject:
//   commands_workbooks.cpp  workbooks, sheets, rows, columns and cells
//   commands_addin.cpp      the add-in: clicks, keys, design mode, connection, answers,
//                           window actions, settings, the clock
//   commands_show.cpp       the state queries, help, echo and quit

#include <cstddef>

#include "app/interpreter.h"

namespace app {

// Throws the usage as a CommandError unless the command got min to max words.
void ExpectArgs(const CommandContext& c, size_t min, size_t max, const char* usage);

// Workbooks.
void CmdOpen(CommandContext& c);
void CmdNew(CommandContext& c);
void CmdSave(CommandContext& c);
void CmdSaveAs(CommandContext& c);
void CmdClose(CommandContext& c);
void CmdActivate(CommandContext& c);
void CmdHideBook(CommandContext& c);
void CmdUnhideBook(CommandContext& c);
// Cells.
void CmdSelect(CommandContext& c);
void CmdEdit(CommandContext& c);
void CmdName(CommandContext& c);
// Sheets.
void CmdSheetActivate(CommandContext& c);
void CmdSheetAdd(CommandContext& c);
void CmdSheetAddChart(CommandContext& c);
void CmdSheetHide(CommandContext& c);
void CmdSheetVeryHide(CommandContext& c);
void CmdSheetUnhide(CommandContext& c);
void CmdSheetProtect(CommandContext& c);
void CmdSheetUnprotect(CommandContext& c);
void CmdSheetDelete(CommandContext& c);
void CmdSheetRename(CommandContext& c);
// Rows and columns.
void CmdRowsInsert(CommandContext& c);
void CmdRowsDelete(CommandContext& c);
void CmdRowsHide(CommandContext& c);
void CmdRowsUnhide(CommandContext& c);
void CmdRowsFilter(CommandContext& c);
void CmdRowsUnfilter(CommandContext& c);
void CmdColumnsInsert(CommandContext& c);
void CmdColumnsDelete(CommandContext& c);
void CmdColumnsHide(CommandContext& c);
void CmdColumnsUnhide(CommandContext& c);

// The add-in.
void CmdClick(CommandContext& c);
void CmdDesignMode(CommandContext& c);
void CmdKeys(CommandContext& c);
void CmdFront(CommandContext& c);
void CmdConnect(CommandContext& c);
void CmdDisconnect(CommandContext& c);
void CmdSet(CommandContext& c);
void CmdAnswer(CommandContext& c);
void CmdWindow(CommandContext& c);
void CmdWait(CommandContext& c);
void CmdPace(CommandContext& c);

// Queries and the rest.
void CmdShow(CommandContext& c);
void CmdEcho(CommandContext& c);
void CmdHelp(CommandContext& c);
void CmdQuit(CommandContext& c);

}  // namespace app
