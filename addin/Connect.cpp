#include "addin/Connect.h"

#include "bookmarks/clsBMs.h"
#include "host/on_error.h"
#include "locale/os_language.h"
#include "settings/Hook.h"

namespace tessaly {

Connect::Connect(platform::Platform& platform) : platform_(platform) {}

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
    host::SkipOnError([&] { subShortcutKeysOn(); });
}

void Connect::AddinInstance_OnDisconnection(int32_t /*RemoveMode*/) {
    if (!objApp) return;
    host::SkipOnError([&] { subSaveBarPosition(); });
    host::SkipOnError([&] { subDeleteCommandBars(); });
    host::SkipOnError([&] { subUnloadWindows(); });
    host::SkipOnError([&] { subShortcutKeysOff(); });
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

}  // namespace tessaly
