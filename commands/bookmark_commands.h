#pragma once

// The bookmark commands (add or delete, next and previous, delete all) and the add-in's
// reactions to the host's events. Connect owns one and hands its commands and events
// here; everything they work on comes in through the context.

#include <cstdint>

#include "bookmarks/address_survey.h"
#include "commands/buttons.h"
#include "commands/repeat_guard.h"
#include "host/host.h"

namespace platform {
class Platform;
}

namespace tessaly {

class clsBMs;

// The state of the composition root that the commands read and write.
struct CommandContext {
    platform::Platform& platform;
    const host::Ref<host::Application>& objApp;  // empty while disconnected
    clsBMs& bms;
    CommandButtons buttons;
    bool& blnDesignMode;
    bool& blnMarksOffForSave;
};

class BookmarkCommands {
  public:
    explicit BookmarkCommands(const CommandContext& context);

    void subCall_AddOrDelete();
    void subCall_Next();
    void subCall_Befor();
    void subBeforOrNext(bool& BeforTrueNextFalse);
    void subCall_Clear();

    // Application events.
    void objApp_WorkbookOpen(const host::Ref<host::Workbook>& Wb);
    void objApp_WorkbookBeforeSave(const host::Ref<host::Workbook>& Wb, bool SaveAsUI,
                                   bool& Cancel);
    void objApp_NewWorkbook(const host::Ref<host::Workbook>& Wb);
    void objApp_SheetChange(const host::Ref<host::Sheet>& Sh, const host::Ref<host::Range>& Target);
    void objApp_WorkbookNewSheet(const host::Ref<host::Workbook>& Wb,
                                 const host::Ref<host::Sheet>& Sh);
    void objApp_SheetSelectionChange(const host::Ref<host::Sheet>& Sh,
                                     const host::Ref<host::Range>& Target);

    // Command state, also used by the window commands.
    void subRefreshOnEvent();
    bool fncIsActiveCellBM();
    // The same, reusing the addresses a check of this command has read.
    bool IsActiveCellBookmark(const AddressSurvey* survey);
    void subRefreshAddOrDelState();
    void subRefreshAddOrDelState(const AddressSurvey* survey);
    void subRefreshButtons();
    int32_t fncBookNo(const host::Ref<host::Workbook>& wb);
    bool HostIsReady();
    bool HasActiveCell();

  private:
    clsBMs& BMs() { return bms_; }

    platform::Platform& platform_;
    const host::Ref<host::Application>& objApp;
    clsBMs& bms_;
    CommandButtons buttons_;
    bool& blnDesignMode;
    bool& blnMarksOffForSave;
    RepeatGuard guardAddOrDelete_, guardBeforOrNext_, guardClear_;
};

}  // namespace tessaly
