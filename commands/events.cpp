#include "bookmarks/clsBMs.h"
#include "commands/bookmark_commands.h"
#include "commands/host_state.h"
#include "host/on_error.h"
#include "locale/const.h"
#include "settings/settings_store.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

// Add-in workbooks are the host's plumbing, not the user's documents.
bool IsUserWorkbook(const host::Ref<host::Workbook>& Wb) {
    auto isAddin = host::ValueOrNothing([&] { return Required(Wb)->IsAddin(); });
    return isAddin.has_value() && !*isAddin;
}

}  // namespace

void BookmarkCommands::objApp_NewWorkbook(const host::Ref<host::Workbook>& Wb) {
    if (IsUserWorkbook(Wb)) subRefreshOnEvent();
}

void BookmarkCommands::objApp_SheetChange(const host::Ref<host::Sheet>&,
                                          const host::Ref<host::Range>&) {
    subRefreshOnEvent();
}

void BookmarkCommands::objApp_WorkbookNewSheet(const host::Ref<host::Workbook>& Wb,
                                               const host::Ref<host::Sheet>&) {
    if (IsUserWorkbook(Wb)) subRefreshOnEvent();
}

void BookmarkCommands::objApp_SheetSelectionChange(const host::Ref<host::Sheet>&,
                                                   const host::Ref<host::Range>&) {
    subRefreshOnEvent();
}

void BookmarkCommands::subRefreshOnEvent() {
    host::StopQuietlyOnError([&] {
        // The marks taken off for a save come back at the first event after it.
        if (blnMarksOffForSave && !blnDesignMode) {
            const bool mark = CBool(
                ReadSetting(platform_, setting::kSection, setting::kMark, setting::kMarkDefault));
            BMs().MarkReset(mark);
            blnMarksOffForSave = false;
        }
        AddressSurvey survey;
        if (BMs().Check(survey)) subRefreshButtons();
        subRefreshAddOrDelState(&survey);
    });
}

bool BookmarkCommands::fncIsActiveCellBM() {
    return IsActiveCellBookmark(nullptr);
}

bool BookmarkCommands::IsActiveCellBookmark(const AddressSurvey* survey) {
    std::optional<CellSpot> active = host::ValueOrNothing([&] {
        Required(objApp);
        // The active sheet may be a chart sheet, which has no active cell.
        CellSpot spot;
        spot.book = Required(objApp->ActiveWorkbook())->Name();
        spot.sheet = Required(objApp->ActiveSheet())->Name();
        spot.address = Required(objApp->ActiveCell())->Address();
        return spot;
    });
    return active && BMs().Find(*active, survey) != 0;
}

void BookmarkCommands::subRefreshAddOrDelState() {
    subRefreshAddOrDelState(nullptr);
}

void BookmarkCommands::subRefreshAddOrDelState(const AddressSurvey* survey) {
    host::StopQuietlyOnError([&] {
        const int32_t state =
            IsActiveCellBookmark(survey) ? host::mso::kButtonDown : host::mso::kButtonUp;
        SetAddOrDelState(buttons_.AddOrDel, buttons_.AddOrDel_Copy, state);
    });
}

void BookmarkCommands::subRefreshButtons() {
    const bool hasBookmark = BMs().Count() >= 1;

    // Commands that need a bookmark are enabled only while there is one.
    auto enableIfAny = [&](ButtonField& button) {
        if (button) host::SkipOnError([&] { button->SetEnabled(hasBookmark); });
    };
    // The toggle stays usable; with nothing left it can only be up.
    auto raiseIfNone = [&](ButtonField& button) {
        if (button && !hasBookmark)
            host::SkipOnError([&] { button->SetState(host::mso::kButtonUp); });
    };

    enableIfAny(buttons_.List);
    raiseIfNone(buttons_.AddOrDel);
    enableIfAny(buttons_.Next);
    enableIfAny(buttons_.Befor);
    enableIfAny(buttons_.Clear);
    enableIfAny(buttons_.List_Copy);
    raiseIfNone(buttons_.AddOrDel_Copy);
    enableIfAny(buttons_.Next_Copy);
    enableIfAny(buttons_.Befor_Copy);
    enableIfAny(buttons_.Clear_Copy);
}

}  // namespace tessaly
