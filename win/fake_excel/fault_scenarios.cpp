// Scenarios for Office's and Windows' rules the add-in must live with: Excel's edit
// mode, in which every call is refused, host faults of every odd kind at each way the
// host and Windows call into the library, and the timeout of low-level keyboard hooks.

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "win/common/addin_interfaces.h"
#include "win/common/text.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/fake_excel.h"
#include "win/fake_excel/fake_object.h"
#include "win/fake_excel/harness.h"
#include "win/fake_excel/hook_watch.h"
#include "win/fake_excel/host_faults.h"
#include "win/fake_excel/session.h"

// After windows.h, which the headers above bring.
#include <commctrl.h>

namespace tessaly::fake {

// _Connect as a caller through its vtable sees it, by the type library's layout:
// IDispatch's entries, then the operations in slot order. Outside the unnamed
// namespace: nothing here implements it, and for a type only this file could derive
// from, the compiler may take a call of its methods for one that cannot happen.
struct ConnectVtable : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE subCall_List() = 0;
    virtual HRESULT STDMETHODCALLTYPE subCall_AddOrDelete() = 0;
    virtual HRESULT STDMETHODCALLTYPE subCall_Next() = 0;
    virtual HRESULT STDMETHODCALLTYPE subCall_Befor() = 0;
    virtual HRESULT STDMETHODCALLTYPE subBeforOrNext(VARIANT_BOOL* BeforTrueNextFalse) = 0;
    virtual HRESULT STDMETHODCALLTYPE subCall_Clear() = 0;
    virtual HRESULT STDMETHODCALLTYPE subCall_Setting() = 0;
    virtual HRESULT STDMETHODCALLTYPE subCall_Help() = 0;
    virtual HRESULT STDMETHODCALLTYPE DesignButtonClick() = 0;
    virtual HRESULT STDMETHODCALLTYPE fncAppCaption(BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE subCall_DeveloperSite() = 0;
};

namespace {

using win::ComPtr;

constexpr int kEnglish = 200;
// The eight toolbar buttons of Excel 16 by caption offset: list, add/delete, next,
// previous, delete all, settings, help and the developer's site.
constexpr int kButtonOffsets[] = {
    str::kListCommand,      str::kAddOrDeleteCommand, str::kNextCommand, str::kPreviousCommand,
    str::kDeleteAllCommand, str::kSettingCommand,     str::kHelpCommand, str::kDeveloperSiteItem};

std::string Text(int offset) {
    return std::string(StringTableEntry(kEnglish + offset).value_or("(missing)"));
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// A call into the add-in as the host makes it, noting an exception that comes back.
template <class Call>
HRESULT Answered(Call&& call) {
    try {
        return call();
    } catch (...) {
        NoteEscapedException();
        return E_UNEXPECTED;
    }
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name) {
    DISPID member = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
    if (FAILED(hr)) return hr;
    DISPPARAMS none{};
    EXCEPINFO exception{};
    UINT argError = 0;
    hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                        &exception, &argError);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

HWND NewMainWindow(const std::wstring& title) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"XLMAIN";
    RegisterClassExW(&windowClass);  // already registered is fine
    return CreateWindowExW(0, L"XLMAIN", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                           300, nullptr, nullptr, windowClass.hInstance, nullptr);
}

// The host's main window (class XLMAIN) in front, so that the keyboard hook takes the
// shortcut for the host.
class HostWindow {
  public:
    explicit HostWindow(FakeExcel& excel)
        : hwnd_(NewMainWindow(win::Widen(excel.Sim().Caption()))) {
        ToFront();
    }
    ~HostWindow() { DestroyWindow(hwnd_); }
    // Back in front after one of the add-in's windows has been and gone.
    void ToFront() { SetForegroundWindow(hwnd_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

  private:
    HWND hwnd_;
};

void PressCtrlAnd(HostWindow& window, WORD key) {
    window.ToFront();
    fake::PressCtrlAnd(key);
}

void PressCtrlHome(HostWindow& window) {
    PressCtrlAnd(window, VK_HOME);
}

void UseCtrlHomeForNext() {
    SaveSetting("Setting", "key1_2", "Ctrl");
    SaveSetting("Setting", "key2_2", "HOME");
}

// The message boxes of the add-in (its windows are dialogs too, with other captions).
size_t AddinMessages(const MessageBoxes& boxes) {
    size_t count = 0;
    for (const MessageBoxes::Shown& shown : boxes.All()) count += shown.caption == "Tessaly";
    return count;
}

// The controls of the add-in's toolbar as the user sees them.
std::string ToolbarState(FakeExcel& excel) {
    std::string state;
    if (auto toolbar = excel.Sim().CommandBar(Text(str::kBarName))) {
        for (const sim::ControlInfo& c : toolbar->controls) {
            state += c.caption + (c.enabled ? "+" : "-") + std::to_string(c.state) + ";";
        }
    }
    return state;
}

// Two bookmarks with their marks, on B3 and D5 of the workbook; A1 active.
void TwoBookmarks(FakeExcel& excel) {
    excel.Sim().Select("B3");
    Click(excel, Text(str::kBarName), Text(str::kAddOrDeleteCommand));
    excel.Sim().Select("D5");
    Click(excel, Text(str::kBarName), Text(str::kAddOrDeleteCommand));
    excel.Sim().Select("A1");
}

// Next from A1 goes to B3, then D5: both bookmarks are there and in order.
bool BothBookmarksWork(FakeExcel& excel) {
    excel.Sim().Select("A1");
    Click(excel, Text(str::kBarName), Text(str::kNextCommand));
    const bool first = excel.Sim().ActiveCellAddress() == "$B$3";
    Click(excel, Text(str::kBarName), Text(str::kNextCommand));
    return first && excel.Sim().ActiveCellAddress() == "$D$5";
}

// ---- Edit mode -------------------------------------------------------------------------

void RuleEditMode() {
    ClearSettings();
    UseCtrlHomeForNext();
    FakeExcel excel("16.0");
    const std::string book = excel.Sim().NewWorkbook();
    HostWindow window(excel);
    MessageBoxes boxes;
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    TwoBookmarks(excel);

    for (const HRESULT refusal : {kVbaErrorIgnore, RPC_E_CALL_REJECTED}) {
        excel.Sim().Select("A1");
        const std::string toolbar = ToolbarState(excel);
        const std::string mode = "editing a cell (calls refused with " + Hex(refusal) + ")";
        const int escapedBefore = EscapedExceptions();
        TakeSinkAnswers();
        boxes.Clear();
        for (int i = 0; i < 4; ++i) boxes.Answer(IDCANCEL);  // any window that opens
        EnterEditMode(excel, refusal);
        for (const int offset : kButtonOffsets) Click(excel, Text(str::kBarName), Text(offset));
        excel.Sim().Select("C4");
        excel.Sim().Edit("E6", "typed");
        const std::string added = excel.Sim().NewWorkbook();
        excel.Sim().Select(book, "Sheet1", "A1");
        for (const wchar_t* name : {L"subCall_AddOrDelete", L"subCall_Next", L"subCall_Clear"}) {
            Pause();
            Answered([&] { return InvokeByName(addin.Automation(), name); });
        }
        PressCtrlHome(window);
        const SinkAnswers answers = TakeSinkAnswers();
        LeaveEditMode(excel);
        excel.Sim().CloseWorkbook(added);

        CheckEqual(EscapedExceptions(), escapedBefore, mode + ": no exception left the add-in");
        CheckEqual(answers.failed, 0, mode + ": every click and event answered S_OK");
        CheckEqual(AddinMessages(boxes), size_t{0}, mode + ": the commands end without a message");
        CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{2},
                   mode + ": both marks are still there, no other label");
        CheckEqual(ToolbarState(excel), toolbar, mode + ": the buttons are as they were");
        Check(excel.Sim().KeyState("^{HOME}") == sim::KeyBinding::Silenced,
              mode + ": the shortcut keys are still in place");
        Check(BothBookmarksWork(excel), mode + ": after the edit both bookmarks are jump targets");
    }

    // Out of edit mode everything works again, shortcut included.
    excel.Sim().Select("A1");
    PressCtrlHome(window);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"),
               "after the edit the shortcut runs its command");
    excel.Sim().Select("C2");
    Click(excel, Text(str::kBarName), Text(str::kAddOrDeleteCommand));
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{3},
               "after the edit a bookmark can be added with its mark");
    addin.Disconnect();
    ClearSettings();
}

// ---- Faults at every entry -------------------------------------------------------------

// After a fault the add-in works as before: a bookmark on B3 (made again when the fault
// cost it, as a bookmark whose names cannot be read is dropped) is a jump target.
bool StillWorks(FakeExcel& excel) {
    excel.Sim().Select("A1");
    Click(excel, Text(str::kBarName), Text(str::kNextCommand));
    if (excel.Sim().ActiveCellAddress() == "$A$1") {
        excel.Sim().Select("B3");
        Click(excel, Text(str::kBarName), Text(str::kAddOrDeleteCommand));
        excel.Sim().Select("A1");
        Click(excel, Text(str::kBarName), Text(str::kNextCommand));
    }
    return excel.Sim().ActiveCellAddress() == "$B$3";
}

std::vector<Fault> OddAnswers() {
    using Kind = Fault::Kind;
    return {
        {Kind::Hresult, E_OUTOFMEMORY, 0, 0, "E_OUTOFMEMORY"},
        {Kind::Exception, 0, 0, 0, "DISP_E_EXCEPTION with no code at all"},
        {Kind::Exception, 0, 1, 0, "DISP_E_EXCEPTION with the success code 1"},
        {Kind::Exception, 0, static_cast<HRESULT>(0x8000FFFF), 0xFFFF,
         "DISP_E_EXCEPTION with both codes set"},
        {Kind::Exception, 0, static_cast<HRESULT>(0xC0000005), 0,
         "DISP_E_EXCEPTION with a system status as code"},
        {Kind::Empty, 0, 0, 0, "VT_EMPTY for an object"},
        {Kind::ThrowForeign, 0, 0, 0, "a C++ exception out of Invoke"},
    };
}

// ---- The add-in's windows under faults ------------------------------------------------

// Works one of the add-in's windows from inside its modal loop, as the user would: a
// thread timer, which that loop dispatches, calls `step` while the window with the
// caption is shown, until it answers true; then the window is closed. What the step's
// messages make the dialog procedure do reaches the fake's faults.
class DialogScript {
  public:
    DialogScript(std::string caption, std::function<bool(HWND)> step)
        : caption_(win::Widen(caption)), step_(std::move(step)) {
        running = this;
        timer_ = SetTimer(nullptr, 0, 100, &DialogScript::Tick);
    }
    ~DialogScript() {
        KillTimer(nullptr, timer_);
        if (running == this) running = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // How many times the window was worked to its end and closed.
    int Closed() const { return closed_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogScript* self = running;
        // Message boxes the step causes run loops of their own, which tick too.
        if (self == nullptr || self->busy_) return;
        HWND dialog = FindWindowW(L"#32770", self->caption_.c_str());
        if (dialog == nullptr || !IsWindowVisible(dialog)) return;
        self->busy_ = true;
        bool done = true;
        try {
            done = self->step_(dialog);
        } catch (...) {
            NoteEscapedException();  // out of a dialog procedure, through the window system
        }
        if (done) {
            ++self->closed_;
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
        self->busy_ = false;
    }

    static inline DialogScript* running = nullptr;
    std::wstring caption_;
    std::function<bool(HWND)> step_;
    UINT_PTR timer_ = 0;
    bool busy_ = false;
    int closed_ = 0;
};

// A button of a dialog by its caption, inside frames too.
HWND DialogButton(HWND dialog, const std::string& caption) {
    struct Search {
        std::wstring caption;
        HWND found = nullptr;
    } search{win::Widen(caption)};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM into) -> BOOL {
            auto* search = reinterpret_cast<Search*>(into);
            wchar_t kind[16] = {}, text[256] = {};
            GetClassNameW(child, kind, 16);
            GetWindowTextW(child, text, 256);
            if (_wcsicmp(kind, L"Button") != 0 || search->caption != text) return TRUE;
            search->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The tree's entries without children: the bookmarks' cells.
void CollectCells(HWND tree, HTREEITEM item, std::vector<HTREEITEM>& cells) {
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        HTREEITEM child = TreeView_GetChild(tree, item);
        if (child == nullptr) cells.push_back(item);
        CollectCells(tree, child, cells);
    }
}

// The user picks a cell's entry with the mouse and presses Goto: the tree's own
// notification of a choice by mouse, then the button's click.
int GoToEveryCell(HWND list) {
    HWND tree = FindWindowExW(list, nullptr, WC_TREEVIEWW, nullptr);
    HWND go = DialogButton(list, Text(str::kListGoto));
    if (tree == nullptr || go == nullptr) return 0;
    std::vector<HTREEITEM> cells;
    CollectCells(tree, TreeView_GetRoot(tree), cells);
    int gone = 0;
    for (HTREEITEM cell : cells) {
        TVITEMW item{};
        item.mask = TVIF_PARAM | TVIF_HANDLE;
        item.hItem = cell;
        if (!TreeView_GetItem(tree, &item)) continue;
        TreeView_SelectItem(tree, cell);
        NMTREEVIEWW chosen{};
        chosen.hdr.hwndFrom = tree;
        chosen.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(tree));
        chosen.hdr.code = TVN_SELCHANGEDW;
        chosen.action = TVC_BYMOUSE;
        chosen.itemNew = item;
        SendMessageW(list, WM_NOTIFY, chosen.hdr.idFrom, reinterpret_cast<LPARAM>(&chosen));
        if (!IsWindowEnabled(go)) continue;  // a grey entry
        SendMessageW(go, BM_CLICK, 0, 0);
        ++gone;
    }
    return gone;
}

// The list window opened, its tree built and a Goto made on every cell while one
// member of the host answers oddly, each member in turn; then the settings window
// with the other kind of mark chosen, its OK followed by the keys and marks made anew
// under the fault. Nothing may leave the dialog procedures, and the host lives on.
void WindowsUnderFaults(FakeExcel& excel, MessageBoxes& boxes) {
    // Goto's own calls first, then those that building the tree reads.
    const char* const listMembers[] = {"Workbooks.Item", "Sheet.Activate", "Range.Activate",
                                       "Workbook.Name", "Range.Address"};
    const char* const settingsMembers[] = {"Application.OnKey", "OLEObjects.Add",
                                           "OLEObject.Delete"};
    boxes.Clear();  // the windows are worked here, not closed by answers left over
    for (const Fault& fault : OddAnswers()) {
        const int escapedBefore = EscapedExceptions();
        int opened = 0, gone = 0;
        for (const char* member : listMembers) {
            InjectFault(member, fault);
            DialogScript list(Text(str::kListTitle), [&](HWND window) {
                gone += GoToEveryCell(window);
                return true;
            });
            Click(excel, Text(str::kBarName), Text(str::kListCommand));
            ClearFaults();
            opened += list.Closed();
        }
        int settingsOpened = 0;
        {
            DialogScript settings(Text(str::kSettingTitle), [&](HWND window) {
                for (const char* member : settingsMembers) InjectFault(member, fault);
                HWND dots = DialogButton(window, Text(str::kSettingMarkOff)),
                     marks = DialogButton(window, Text(str::kSettingMarkOn));
                if (dots != nullptr && marks != nullptr) {
                    const bool dotsChosen = SendMessageW(dots, BM_GETCHECK, 0, 0) == BST_CHECKED;
                    SendMessageW(dotsChosen ? marks : dots, BM_CLICK, 0, 0);
                }
                if (HWND ok = DialogButton(window, Text(str::kSettingOK)))
                    SendMessageW(ok, BM_CLICK, 0, 0);
                return true;
            });
            Click(excel, Text(str::kBarName), Text(str::kSettingCommand));
            ClearFaults();
            settingsOpened = settings.Closed();
        }
        TakeSinkAnswers();
        CheckEqual(EscapedExceptions(), escapedBefore,
                   fault.name + " in the list and settings windows: no exception left them");
        Check(opened > 0 && gone > 0 && settingsOpened == 1,
              fault.name + ": the windows opened and Goto ran (" + std::to_string(opened) +
                  " lists, " + std::to_string(gone) + " jumps)");
        Check(StillWorks(excel), fault.name + ": afterwards the host and the commands work");
    }
}

void RuleBarrier() {
    ClearSettings();
    UseCtrlHomeForNext();
    FakeExcel excel("16.0");
    const std::string book = excel.Sim().NewWorkbook();
    HostWindow window(excel);
    MessageBoxes boxes;
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    TwoBookmarks(excel);
    ComPtr<ConnectVtable> vtable =
        ComPtr<IDispatch>(addin.Automation()).As<ConnectVtable>(win::IID__Connect);
    if (!Check(static_cast<bool>(vtable), "the add-in's own interface")) return;

    // Members every command and event reaction reaches early.
    const char* const members[] = {"Application.ActiveCell", "Range.Address",
                                   "CommandBars.FindControl", "Workbook.Name"};
    for (const Fault& fault : OddAnswers()) {
        const int escapedBefore = EscapedExceptions();
        bool answered = true;
        for (const char* member : members) {
            InjectFault(member, fault);
            for (int i = 0; i < 4; ++i) boxes.Answer(IDCANCEL);
            Click(excel, Text(str::kBarName), Text(str::kNextCommand));  // a button's click sink
            excel.Sim().Select("C4");  // the application's event sink
            Pause();                   // IDispatch of _Connect
            const HRESULT byName =
                Answered([&] { return InvokeByName(addin.Automation(), L"subCall_Next"); });
            Pause();  // the vtable of _Connect
            VARIANT_BOOL before = VARIANT_TRUE;
            const HRESULT byVtable = Answered([&] { return vtable->subBeforOrNext(&before); });
            PressCtrlHome(window);  // the keyboard hook
            ClearFaults();
            answered = answered && (byName == S_OK || FAILED(byName)) &&
                       (byVtable == S_OK || FAILED(byVtable));
        }
        TakeSinkAnswers();
        CheckEqual(EscapedExceptions(), escapedBefore,
                   fault.name + ": no exception left the add-in");
        Check(answered, fault.name + ": the add-in answered each call with an HRESULT");
        Check(StillWorks(excel), fault.name + ": afterwards the commands work");
    }
    WindowsUnderFaults(excel, boxes);

    // The connection itself: a failing host inside OnConnection and OnDisconnection.
    Check(SUCCEEDED(addin.Disconnect()), "disconnected");
    for (const Fault& fault : OddAnswers()) {
        const int escapedBefore = EscapedExceptions();
        InjectFault("Application.CommandBars", fault);
        InjectFault("CommandBar.Delete", fault);
        const HRESULT connected = Answered([&] { return addin.Connect(); });
        const HRESULT disconnected = Answered([&] { return addin.Disconnect(); });
        ClearFaults();
        CheckEqual(EscapedExceptions(), escapedBefore,
                   fault.name + " while connecting: no exception left the add-in");
        Check((connected == S_OK || FAILED(connected)) &&
                  (disconnected == S_OK || FAILED(disconnected)),
              fault.name + " while connecting: answered with HRESULTs");
    }
    // A toolbar whose deletion a fault refused stays until the host restarts, as
    // temporary bars do, and would keep the new one from being made.
    excel.Sim().Restart();
    excel.Sim().NewWorkbook();
    Check(SUCCEEDED(addin.Connect()), "connects again once the host behaves");
    Check(StillWorks(excel), "the process lived through it all and the commands work");
    addin.Disconnect();
    ClearSettings();
}

// ---- Hook timeout ----------------------------------------------------------------------

// The list opened by its shortcut stays open for seconds; had it run inside the hook's
// call, Windows would have removed the hook and every shortcut would be dead after it.
void RuleHookTimeout() {
    ClearSettings();
    UseCtrlHomeForNext();
    SaveSetting("Setting", "key1_0", "Ctrl");
    SaveSetting("Setting", "key2_0", "END");
    FakeExcel excel("16.0");
    excel.Sim().NewWorkbook();
    HostWindow window(excel);
    MessageBoxes boxes;
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    TwoBookmarks(excel);
    LowLevelHookWatch watch;  // in front of the add-in's hook, installed while connecting
    {
        // A user who looks at the list for three seconds, then closes it.
        ULONGLONG shownAt = 0, openMs = 0;
        DialogScript reader(Text(str::kListTitle), [&](HWND) {
            const ULONGLONG now = GetTickCount64();
            if (shownAt == 0) shownAt = now;
            openMs = now - shownAt;
            return openMs >= 3000;
        });
        PressCtrlAnd(window, VK_END);
        CheckEqual(reader.Closed(), 1, "Ctrl+End opens the list window");
        Check(openMs >= 3000, "and it stayed open for three seconds");
    }
    Check(!watch.Removed(), "Windows keeps the add-in's hook (" +
                                std::to_string(watch.TimeoutMs()) + " ms timeout)" +
                                (watch.Removed() ? ": " + watch.Why() : std::string()));
    excel.Sim().Select("A1");
    PressCtrlHome(window);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"),
               "after the list was closed, Ctrl+Home runs the next-bookmark command");
    addin.Disconnect();
    ClearSettings();
}

}  // namespace

void RuleHookTimeoutScenario() {
    RuleHookTimeout();
}

void RuleEditModeScenario() {
    RuleEditMode();
}

void RuleBarrierScenario() {
    RuleBarrier();
}

}  // namespace tessaly::fake
