#include "commands/bookmark_commands.h"

#include "bookmarks/persistence.h"

namespace tessaly {

BookmarkCommands::BookmarkCommands(const CommandContext& context)
    : platform_(context.platform),
      objApp(context.objApp),
      bms_(context.bms),
      buttons_(context.buttons),
      blnDesignMode(context.blnDesignMode),
      blnMarksOffForSave(context.blnMarksOffForSave) {}

void BookmarkCommands::objApp_WorkbookBeforeSave(const host::Ref<host::Workbook>& Wb, bool,
                                                 bool& Cancel) {
    KeepBookmarksForSave(platform_, BMs(), Wb, blnDesignMode, blnMarksOffForSave, Cancel);
}

// A workbook that brought bookmarks may have one on the active cell.
void BookmarkCommands::objApp_WorkbookOpen(const host::Ref<host::Workbook>& Wb) {
    if (!ReadBookmarksOfWorkbook(platform_, BMs(), Wb)) return;
    subRefreshAddOrDelState();
    subRefreshButtons();
}

}  // namespace tessaly
