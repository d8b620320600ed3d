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
        if (BMs().Check()) subRefreshButtons();
        subRefreshAddOrDelState();
    });
}

bool Connect::fncIsActiveCellBM() {
    std::optional<std::string> activeKey = host::ValueOrNothing([&] {
        Required(objApp);
        // Read one after the other: the operands of "+" may be evaluated in any order.
        // The active sheet may be a chart sheet, which has no active cell.
        const std::string book = Required(objApp->ActiveWorkbook())->Name();
        const std::string sheet = Required(objApp->ActiveSheet())->Name();
        const std::string cell = Required(objApp->ActiveCell())->Address();
        return book + "!" + sheet + "!" + cell;
    });
    if (!activeKey) return false;

    clsBMs& bms = BMs();
    for (int32_t i = 1; i <= bms.Count(); ++i) {
        // A bookmark whose key cannot be read (its workbook was closed) matches nothing;
        // it must not hide a live bookmark further on.
        auto key = host::ValueOrNothing([&] { return BookmarkKey(*bms.Item(i)); });
        if (key && *key == *activeKey) return true;
    }
    return false;
}

void Connect::subRefreshAddOrDelState() {
    host::StopQuietlyOnError([&] {
        const int32_t state = fncIsActiveCellBM() ? host::mso::kButtonDown : host::mso::kButtonUp;
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
