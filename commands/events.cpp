#include "addin/Connect.h"
#include "bookmarks/clsBMs.h"
#include "commands/host_state.h"
#include "host/on_error.h"
#include "locale/const.h"
#include "settings/settings_store.h"
#include "settings/vb_conversions.h"

namespace tessaly {

namespace {

// Add-in workbooks are the host's plumbing, not the user's documents.
bool IsUserWorkbook(const host::Ref<host::Workbook>& Wb) {
    auto isAddin = host::ValueOrNothing([&] { return Required(Wb)->IsAddin(); });
    return isAddin.has_value() && !*isAddin;
}

}  // namespace

void Connect::objApp_NewWorkbook(const host::Ref<host::Workbook>& Wb) {
    if (IsUserWorkbook(Wb)) subRefreshOnEvent();
}

void Connect::objApp_SheetChange(const host::Ref<host::Sheet>&, const host::Ref<host::Range>&) {
    subRefreshOnEvent();
}

void Connect::objApp_WorkbookNewSheet(const host::Ref<host::Workbook>& Wb,
                                      const host::Ref<host::Sheet>&) {
    if (IsUserWorkbook(Wb)) subRefreshOnEvent();
}

void Connect::objApp_SheetSelectionChange(const host::Ref<host::Sheet>&,
                                          const host::Ref<host::Range>&) {
    subRefreshOnEvent();
}

void Connect::subRefreshOnEvent() {
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

bool Connect::fncIsActiveCellBM() {
    return IsActiveCellBookmark(nullptr);
}

bool Connect::IsActiveCellBookmark(const AddressSurvey* survey) {
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

void Connect::subRefreshAddOrDelState() {
    subRefreshAddOrDelState(nullptr);
}

void Connect::subRefreshAddOrDelState(const AddressSurvey* survey) {
    host::StopQuietlyOnError([&] {
        const int32_t state =
            IsActiveCellBookmark(survey) ? host::mso::kButtonDown : host::mso::kButtonUp;
        SetAddOrDelState(CB_BUTTON_AddOrDel, CB_BUTTON_AddOrDel_Copy, state);
    });
}

void Connect::subRefreshButtons() {
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

    enableIfAny(CB_BUTTON_List);
    raiseIfNone(CB_BUTTON_AddOrDel);
    enableIfAny(CB_BUTTON_Next);
    enableIfAny(CB_BUTTON_Befor);
    enableIfAny(CB_BUTTON_Clear);
    enableIfAny(CB_BUTTON_List_Copy);
    raiseIfNone(CB_BUTTON_AddOrDel_Copy);
    enableIfAny(CB_BUTTON_Next_Copy);
    enableIfAny(CB_BUTTON_Befor_Copy);
    enableIfAny(CB_BUTTON_Clear_Copy);
}

}  // namespace tessaly
