#pragma once

// The answers to the `show` queries, in a stable, plain form, each line indented by two
// blanks.

#include <ostream>
#include <string>

#include "app/session.h"

namespace app {

void PrintActiveCell(Session& session, std::ostream& out);
void PrintBookmarks(Session& session, std::ostream& out);
void PrintMarks(Session& session, std::ostream& out);
// The add-in's menus and toolbar as the host holds them, with their states.
void PrintControls(Session& session, std::ostream& out);
void PrintProperties(Session& session, const std::string& book, std::ostream& out);
void PrintSettings(Session& session, std::ostream& out);
// Open workbooks with their files, sheets and windows.
void PrintBooks(Session& session, std::ostream& out);
// The add-in's windows that are open now.
void PrintWindows(Session& session, std::ostream& out);
// The keyboard hook and the key combinations the add-in silenced in the host.
void PrintKeys(Session& session, std::ostream& out);

}  // namespace app
