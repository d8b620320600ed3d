#pragma once

// The add-in's connection object: the composition root, which owns all long-lived
// state and the subsystems, and the one place where the host and the keyboard hook
// reach the add-in's operations. Its members are defined in addin/:
//   addin/Connect.cpp          connection and disconnection, the subsystems' wiring
//   addin/command_bars.cpp     menus, toolbar, toolbar position
//   addin/dispatch.cpp         click handlers, web links, calls by name
// The bodies of the commands live in their subsystems, which get what they work on
// from here:
//   bookmarks/                 the collection, marks, design mode, saving in workbooks
//   commands/                  the bookmark commands and the event reactions
//   settings/                  shortcut keys and the keyboard hook
//   forms/                     the list and settings commands and their windows

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bookmarks/clsBMs.h"
#include "commands/bookmark_commands.h"
#include "commands/buttons.h"
#include "forms/window_commands.h"
#include "host/host.h"
#include "settings/Hook.h"
#include "settings/shortcut_keys.h"

namespace platform {
class Platform;
}

namespace tessaly {

class Connect;
class WindowModel;

// The event sink of one of the host's design-mode controls.
class clsCB_DESIGNMODE {
  public:
    Connect* objParent = nullptr;
    host::Ref<host::CommandBarControl> CB;

    // Sets CB and connects its click.
    void SetCB(host::Ref<host::CommandBarControl> control);
    void CB_Click(const host::Ref<host::CommandBarControl>& Ctrl, bool& CancelDefault);

  private:
    host::EventConnection click_;
};

class Connect : public host::AppEvents, public HookTarget {
  public:
    explicit Connect(platform::Platform& platform);
    ~Connect() override;
    Connect(const Connect&) = delete;
    Connect& operator=(const Connect&) = delete;

    // The host's add-in connection interface.
    void AddinInstance_OnConnection(const host::Ref<host::Application>& Application,
                                    int32_t ConnectMode, const host::Ref<host::AddIn>& AddInInst);
    void AddinInstance_OnDisconnection(int32_t RemoveMode);

    // Public operations, in the order of their automation slots.
    void subCall_List();
    void subCall_AddOrDelete();
    void subCall_Next();
    void subCall_Befor();
    void subBeforOrNext(bool& BeforTrueNextFalse);
    void subCall_Clear();
    void subCall_Setting();
    void subCall_Help();
    void DesignButtonClick();
    std::string fncAppCaption();
    void subCall_DeveloperSite();

    // Calls a public operation by its automation name, as the keyboard hook does.
    // Returns false for a name that is not an operation or one that needs an argument.
    // `result` receives the text result of fncAppCaption.
    bool CallByName(const std::string& name, std::string* result = nullptr) override;
    static const std::array<const char*, 11>& OperationNames();
    // The Tags of the controls the add-in makes: maker menu, product menu, then each
    // button and its toolbar twin, in layout order.
    static std::vector<std::string> ControlTags();

    // Application events.
    void WorkbookOpen(const host::Ref<host::Workbook>& wb) override { objApp_WorkbookOpen(wb); }
    void WorkbookBeforeSave(const host::Ref<host::Workbook>& wb, bool saveAsUI,
                            bool& cancel) override {
        objApp_WorkbookBeforeSave(wb, saveAsUI, cancel);
    }
    void NewWorkbook(const host::Ref<host::Workbook>& wb) override { objApp_NewWorkbook(wb); }
    void WorkbookNewSheet(const host::Ref<host::Workbook>& wb,
                          const host::Ref<host::Sheet>& sh) override {
        objApp_WorkbookNewSheet(wb, sh);
    }
    void SheetChange(const host::Ref<host::Sheet>& sh, const host::Ref<host::Range>& t) override {
        objApp_SheetChange(sh, t);
    }
    void SheetSelectionChange(const host::Ref<host::Sheet>& sh,
                              const host::Ref<host::Range>& t) override {
        objApp_SheetSelectionChange(sh, t);
    }

    void objApp_WorkbookOpen(const host::Ref<host::Workbook>& Wb);
    void objApp_WorkbookBeforeSave(const host::Ref<host::Workbook>& Wb, bool SaveAsUI,
                                   bool& Cancel);
    void objApp_NewWorkbook(const host::Ref<host::Workbook>& Wb);
    void objApp_SheetChange(const host::Ref<host::Sheet>& Sh, const host::Ref<host::Range>& Target);
    void objApp_WorkbookNewSheet(const host::Ref<host::Workbook>& Wb,
                                 const host::Ref<host::Sheet>& Sh);
    void objApp_SheetSelectionChange(const host::Ref<host::Sheet>& Sh,
                                     const host::Ref<host::Range>& Target);

    // Click handlers of the command-bar buttons.
    using ClickArgs = const host::Ref<host::CommandBarControl>&;
    void CB_BUTTON_List_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_List_Copy_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_AddOrDel_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_AddOrDel_Copy_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Next_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Next_Copy_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Befor_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Befor_Copy_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Clear_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Clear_Copy_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Setting_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Setting_Copy_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Help_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CB_BUTTON_Help_Copy_Click(ClickArgs Ctrl, bool& CancelDefault);
    void CAD_BUTTON_DeveloperSite_Click(ClickArgs Ctrl, bool& CancelDefault);

    using ClickHandler = void (Connect::*)(ClickArgs, bool&);
    // One row of the menu and toolbar layout.
    struct ButtonLayout {
        ButtonField Connect::*field;
        ClickHandler handler;
        ButtonField Connect::*copy;  // the toolbar twin on an older host; null for none
        ClickHandler copyHandler;
        // The host raises a click on every connected button with the same Id and Tag,
        // and all custom buttons share Id 1: each control needs a Tag of its own.
        const char* tag;
        const char* copyTag;  // null when there is no twin
        int32_t captionOffset;
        int32_t face;  // 0: the list bitmap
        bool enabled;
        bool beginGroup;
    };

    // State. Public, so that front ends and tests can read it.
    host::Ref<host::Application> objApp;
    std::string strOnAction;
    ButtonField CAD_BUTTON_DeveloperSite;
    ButtonField CB_BUTTON_List, CB_BUTTON_AddOrDel, CB_BUTTON_Next, CB_BUTTON_Befor,
        CB_BUTTON_Clear, CB_BUTTON_Setting, CB_BUTTON_Help;
    ButtonField CB_BUTTON_List_Copy, CB_BUTTON_AddOrDel_Copy, CB_BUTTON_Next_Copy,
        CB_BUTTON_Befor_Copy, CB_BUTTON_Clear_Copy, CB_BUTTON_Setting_Copy, CB_BUTTON_Help_Copy;
    std::vector<std::unique_ptr<clsCB_DESIGNMODE>> arrDesignMode;
    bool blnDesignMode = false;
    bool blnMarksOffForSave = false;
    bool blnListBusy = false;
    // The add-in's windows that are loaded now, the one opened last at the end.
    std::vector<WindowModel*> loadedWindows;

    // The one bookmark collection.
    clsBMs& BMs() { return bms_; }
    platform::Platform& Platform() override { return platform_; }

  private:
    // Menus and toolbar.
    void subMakeCommandBars();
    void subDeleteCommandBars();
    void subLoadBarPosition();
    void subSaveBarPosition();
    void subMakeMenuAndToolbar();
    void subMakeToolbar();
    void subDeleteMenuAndToolbar();
    void subDeleteToolbar();
    bool fncIsNewHost();
    void SetUpButton(const ButtonLayout& b, const host::Ref<host::CommandBarControls>& target,
                     int32_t style);
    void ConnectButton(ButtonField& field, host::Ref<host::CommandBarControl> control,
                       ClickHandler handler);
    void PasteListBitmap(host::CommandBarControl& button);
    void ReleaseButtons();

    void OpenUrl(const std::string& url);

    platform::Platform& platform_;
    clsBMs bms_;
    host::EventConnection appEvents_;
    // The subsystems, each given the state above that it works on.
    BookmarkCommands commands_;
    ShortcutKeys keys_;
    WindowCommands windows_;
};

}  // namespace tessaly
