// Scenarios for Office's and Windows' rules the add-in must live with: Excel's edit
// mode, in which every call is refused, host faults of every odd kind at each way the
// host and Windows call into the library, and the timeout of low-level keyboard hooks.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "locale/resource_strings.h"
#include "win/common/addin_interfaces.h"
#include "win/common/text.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/fake_excel.h"
#include "win/fake_excel/fake_object.h"
#include "win/fake_excel/harness.h"
#include "win/fake_excel/hook_watch.h"
#include "win/fake_excel/host_faults.h"
#include "win/fake_excel/session.h"

namespace tessaly::fake {

namespace {

using win::ComPtr;

constexpr int kEnglish = 200;
// The eight toolbar buttons of Excel 16 by caption offset: list, add/delete, next,
// previous, delete all, settings, help and the developer's site.
constexpr int kButtonOffsets[] = {1, 2, 3, 4, 5, 6, 7, 97};

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
    if (auto toolbar = excel.Sim().CommandBar(Text(0))) {
        for (const sim::ControlInfo& c : toolbar->controls) {
            state += c.caption + (c.enabled ? "+" : "-") + std::to_string(c.state) + ";";
        }
    }
    return state;
}

// Two bookmarks with their marks, on B3 and D5 of the workbook; A1 active.
void TwoBookmarks(FakeExcel& excel) {
    excel.Sim().Select("B3");
    Click(excel, Text(0), Text(2));
    excel.Sim().Select("D5");
    Click(excel, Text(0), Text(2));
    excel.Sim().Select("A1");
}

// Next from A1 goes to B3, then D5: both bookmarks are there and in order.
bool BothBookmarksWork(FakeExcel& excel) {
    excel.Sim().Select("A1");
    Click(excel, Text(0), Text(3));
    const bool first = excel.Sim().ActiveCellAddress() == "$B$3";
    Click(excel, Text(0), Text(3));
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
        for (const int offset : kButtonOffsets) Click(excel, Text(0), Text(offset));
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
    Click(excel, Text(0), Text(2));
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
    Click(excel, Text(0), Text(3));
    if (excel.Sim().ActiveCellAddress() == "$A$1") {
        excel.Sim().Select("B3");
        Click(excel, Text(0), Text(2));
        excel.Sim().Select("A1");
        Click(excel, Text(0), Text(3));
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
    ComPtr<win::_Connect> vtable =
        ComPtr<IDispatch>(addin.Automation()).As<win::_Connect>(win::IID__Connect);
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
            Click(excel, Text(0), Text(3));  // a button's click sink
            excel.Sim().Select("C4");        // the application's event sink
            Pause();                         // IDispatch of _Connect
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

// A user who looks at the list window for a few seconds, then closes it: a thread timer,
// which the window's own message loop dispatches.
class ListWindowReader {
  public:
    explicit ListWindowReader(DWORD lookMs) : lookMs_(lookMs) {
        reading = this;
        timer_ = SetTimer(nullptr, 0, 100, &ListWindowReader::Tick);
    }
    ~ListWindowReader() {
        KillTimer(nullptr, timer_);
        if (reading == this) reading = nullptr;
    }
    ListWindowReader(const ListWindowReader&) = delete;
    ListWindowReader& operator=(const ListWindowReader&) = delete;

    int Opened() const { return opened_; }
    ULONGLONG LongestOpenMs() const { return longest_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ListWindowReader* self = reading;
        if (self == nullptr) return;
        HWND list = FindWindowW(L"#32770", win::Widen(Text(40)).c_str());
        if (list == nullptr || !IsWindowVisible(list)) {
            self->shownAt_ = 0;
            return;
        }
        const ULONGLONG now = GetTickCount64();
        if (self->shownAt_ == 0) {
            self->shownAt_ = now;
            ++self->opened_;
        }
        if (now - self->shownAt_ >= self->lookMs_) {
            self->longest_ = std::max(self->longest_, now - self->shownAt_);
            self->shownAt_ = 0;
            PostMessageW(list, WM_CLOSE, 0, 0);
        }
    }

    static inline ListWindowReader* reading = nullptr;
    DWORD lookMs_;
    UINT_PTR timer_ = 0;
    ULONGLONG shownAt_ = 0;
    ULONGLONG longest_ = 0;
    int opened_ = 0;
};

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
        ListWindowReader reader(3000);
        PressCtrlAnd(window, VK_END);
        CheckEqual(reader.Opened(), 1, "Ctrl+End opens the list window");
        Check(reader.LongestOpenMs() >= 3000, "and it stayed open for three seconds");
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
