#pragma once

// What a user can see of the host and the add-in at one moment, read without changing
// anything: the active cell, the bookmarks, the visual marks on the sheets and the
// states of the add-in's menu items and toolbar buttons. The interpreter reports the
// differences after each action.

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/session.h"

namespace app {

// A visual mark: a label showing "*" on a worksheet, at the cell it sits on.
struct MarkView {
    std::string book;
    std::string sheet;
    std::string address;  // "$B$3": the cell under the mark's top left corner
    int32_t row = 0;
    int32_t column = 0;
    int32_t color = 0;
    bool offCorner = false;  // moved away from its cell's top left corner

    std::string Text() const;  // "[Book.xlsx]Sheet1!$B$3 #000080"
};

// The live marks of every open workbook, in workbook, sheet and creation order, each at
// the cell the host anchors it to (which tells a hidden row or column from the next one,
// though both start at the same point).
std::vector<MarkView> FindMarks(sim::Excel& excel);
std::vector<MarkView> FindMarks(sim::Excel& excel, const std::string& book,
                                const std::string& sheet);

// "[Book.xlsx]Sheet1!$B$3"; the sheet name quoted when it needs it.
std::string CellText(const std::string& book, const std::string& sheet, const std::string& address);

// "[Book.xlsx]Sheet1!$B$3", or "[Book.xlsx]Chart1 (chart sheet: no active cell)", or
// "no workbook is active".
std::string ActiveCellText(sim::Excel& excel);

// Follows a bookmark whose workbook, sheet or cell is gone, until the add-in drops it.
inline constexpr const char* kDeadSuffix = " (dead)";

// The bookmarks of the collection in order. One whose workbook, sheet or cell is gone
// shows as it last read, with kDeadSuffix (`known` remembers the readings).
std::vector<std::string> BookmarkTexts(tessaly::Connect* addin,
                                       std::map<const void*, std::string>& known);

// Each add-in command with the state of its button(s): "enabled", "disabled",
// "enabled, pressed"; a menu item and its toolbar twin in different states show both.
std::vector<std::pair<std::string, std::string>> ControlStates(tessaly::Connect* addin);

struct HostState {
    std::string activeCell;
    std::vector<std::string> bookmarks;
    std::vector<std::string> marks;
    std::vector<std::pair<std::string, std::string>> controls;
};

HostState CaptureState(Session& session);

// Prints what changed, one line each, indented by two blanks.
void ReportChanges(const HostState& before, const HostState& after, std::ostream& out);

}  // namespace app
