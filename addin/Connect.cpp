#include "addin/Connect.h"

#include "bookmarks/design_mode.h"
#include "host/on_error.h"
#include "locale/os_language.h"
#include "settings/Hook.h"

namespace tessaly {

Connect::Connect(platform::Platform& platform)
    : platform_(platform),
      bms_(platform),
      commands_(CommandContext{platform_,
                               objApp,
                               bms_,
                               {CB_BUTTON_List, CB_BUTTON_AddOrDel, CB_BUTTON_Next, CB_BUTTON_Befor,
                                CB_BUTTON_Clear, CB_BUTTON_List_Copy, CB_BUTTON_AddOrDel_Copy,
                                CB_BUTTON_Next_Copy, CB_BUTTON_Befor_Copy, CB_BUTTON_Clear_Copy},
                               blnDesignMode,
                               blnMarksOffForSave}),
      keys_(platform_, objApp, *this),
      windows_(
          WindowContext{platform_, objApp, bms_, commands_, keys_, blnListBusy, loadedWindows}) {}

// The host always disconnects before it lets go of an add-in; a Connect that is
// destroyed while connected disconnects itself so that nothing it installed (events,
// buttons, keys, the hook) outlives it.
Connect::~Connect() {
    AddinInstance_OnDisconnection(0);
    // The hook's target outlives a removal by design; it must not outlive its object.
    if (objHookTarget == this) objHookTarget = nullptr;
}

// Each step runs on its own: a failing host call skips that step only.
void Connect::AddinInstance_OnConnection(const host::Ref<host::Application>& Application,
                                         int32_t /*ConnectMode*/,
                                         const host::Ref<host::AddIn>& AddInInst) {
    host::SkipOnError([&] {
        if (AddInInst) strOnAction = "!<" + AddInInst->ProgId() + ">";
    });
    host::SkipOnError([&] {
        if (!Application) return;
        objApp = Application;
        appEvents_ = objApp->Advise(*this);
    });
    host::SkipOnError([&] {
        arrDesignMode.clear();
        if (!objApp) return;
        auto found = objApp->CommandBars()->FindControls(host::mso::kIdDesignMode);
        if (!found) return;
        for (const auto& control : *found) {
            auto sink = std::make_unique<clsCB_DESIGNMODE>();
            sink->SetCB(control);
            sink->objParent = this;
            arrDesignMode.push_back(std::move(sink));
        }
    });
    host::SkipOnError([&] { ChooseStringBlock(platform_); });
    if (!objApp) return;  // nothing below can reach the host without it
    host::SkipOnError([&] { subMakeCommandBars(); });
    host::SkipOnError([&] { subLoadBarPosition(); });
    host::SkipOnError([&] { keys_.subShortcutKeysOn(); });
}

void Connect::AddinInstance_OnDisconnection(int32_t /*RemoveMode*/) {
    if (!objApp) return;
    host::SkipOnError([&] { subSaveBarPosition(); });
    host::SkipOnError([&] { subDeleteCommandBars(); });
    host::SkipOnError([&] { windows_.subUnloadWindows(); });
    host::SkipOnError([&] { keys_.subShortcutKeysOff(); });
    ReleaseButtons();
    appEvents_.Reset();
    objApp.reset();
}

void Connect::ReleaseButtons() {
    // The developer's-site item may stay behind in a maker menu that another add-in
    // still uses; its field lives on with this object, as its click needs no host.
    for (ButtonField* field :
         {&CB_BUTTON_List, &CB_BUTTON_AddOrDel, &CB_BUTTON_Next, &CB_BUTTON_Befor, &CB_BUTTON_Clear,
          &CB_BUTTON_Setting, &CB_BUTTON_Help, &CB_BUTTON_List_Copy, &CB_BUTTON_AddOrDel_Copy,
          &CB_BUTTON_Next_Copy, &CB_BUTTON_Befor_Copy, &CB_BUTTON_Clear_Copy,
          &CB_BUTTON_Setting_Copy, &CB_BUTTON_Help_Copy}) {
        field->Release();
    }
}

// The operations whose bodies live in a subsystem.
void Connect::subCall_List() {
    windows_.subCall_List();
}
void Connect::subCall_AddOrDelete() {
    commands_.subCall_AddOrDelete();
}
void Connect::subCall_Next() {
    commands_.subCall_Next();
}
void Connect::subCall_Befor() {
    commands_.subCall_Befor();
}
void Connect::subBeforOrNext(bool& BeforTrueNextFalse) {
    commands_.subBeforOrNext(BeforTrueNextFalse);
}
void Connect::subCall_Clear() {
    commands_.subCall_Clear();
}
void Connect::subCall_Setting() {
    windows_.subCall_Setting();
}
void Connect::DesignButtonClick() {
    FollowDesignMode(objApp, bms_, platform_, blnDesignMode);
}

void Connect::objApp_WorkbookOpen(const host::Ref<host::Workbook>& Wb) {
    commands_.objApp_WorkbookOpen(Wb);
}
void Connect::objApp_WorkbookBeforeSave(const host::Ref<host::Workbook>& Wb, bool SaveAsUI,
                                        bool& Cancel) {
    commands_.objApp_WorkbookBeforeSave(Wb, SaveAsUI, Cancel);
}
void Connect::objApp_NewWorkbook(const host::Ref<host::Workbook>& Wb) {
    commands_.objApp_NewWorkbook(Wb);
}
void Connect::objApp_SheetChange(const host::Ref<host::Sheet>& Sh,
                                 const host::Ref<host::Range>& Target) {
    commands_.objApp_SheetChange(Sh, Target);
}
void Connect::objApp_WorkbookNewSheet(const host::Ref<host::Workbook>& Wb,
                                      const host::Ref<host::Sheet>& Sh) {
    commands_.objApp_WorkbookNewSheet(Wb, Sh);
}
void Connect::objApp_SheetSelectionChange(const host::Ref<host::Sheet>& Sh,
                                          const host::Ref<host::Range>& Target) {
    commands_.objApp_SheetSelectionChange(Sh, Target);
}

void clsCB_DESIGNMODE::SetCB(host::Ref<host::CommandBarControl> control) {
    click_.Reset();
    CB = std::move(control);
    if (!CB) return;
    click_ = CB->AdviseClick([this](const host::Ref<host::CommandBarControl>& ctrl,
                                    bool& cancelDefault) { CB_Click(ctrl, cancelDefault); });
}

void clsCB_DESIGNMODE::CB_Click(const host::Ref<host::CommandBarControl>&, bool&) {
    // CancelDefault stays as it is: the host switches its design mode after this.
    if (objParent != nullptr) objParent->DesignButtonClick();
}

}  // namespace tessaly
