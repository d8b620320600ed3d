#include "win/fake_excel/session.h"

#include "win/common/owners.h"
#include "win/common/text.h"
#include "win/fake_excel/class_lookup.h"
#include "win/fake_excel/host_faults.h"
#include "win/platform/win_platform.h"

namespace tessaly::fake {

namespace {

constexpr char kApp[] = "QEL_BOOKMARK_VEROZARA";
constexpr char kProgId[] = "Tessaly.Connect";
constexpr wchar_t kLibrary[] = L"QEL_BOOKMARK_VEROZARA.dll";

MessageBoxes* answering = nullptr;

}  // namespace

// ---- The add-in ----------------------------------------------------------------------

AddinSession::AddinSession(FakeExcel& excel) : addins_(excel) {}

AddinSession::~AddinSession() {
    Release();
}

bool AddinSession::Created() const {
    return LoadBehavior(kProgId) == 3 && ClassIdOf(win::Widen(kProgId)).has_value();
}

HRESULT AddinSession::Connect() {
    addins_.StartUp();
    if (!addins_.Connected(kProgId)) return E_FAIL;
    automation_ = addins_.Instance(kProgId).As<IDispatch>(IID_IDispatch);
    return S_OK;
}

HRESULT AddinSession::Disconnect() {
    const std::string expected = std::string(kProgId) + " OnDisconnection 0 -> S_OK";
    const size_t before = addins_.Calls().size();
    addins_.ShutDown();
    for (size_t i = before; i < addins_.Calls().size(); ++i) {
        if (addins_.Calls()[i] == expected) return S_OK;
    }
    return E_FAIL;
}

void AddinSession::Release() {
    automation_.Reset();
    addins_.Release();
}

// ---- Message boxes -------------------------------------------------------------------

MessageBoxes::MessageBoxes() {
    answering = this;
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxes::Hook, nullptr, GetCurrentThreadId());
}

MessageBoxes::~MessageBoxes() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (answering == this) answering = nullptr;
}

LRESULT CALLBACK MessageBoxes::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && answering != nullptr) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(box, className, 32);
        if (std::wstring(className) == L"#32770") {
            Shown shown;
            wchar_t caption[512] = {};
            GetWindowTextW(box, caption, 512);
            shown.caption = win::Narrow(caption);
            // The message is the dialog's one static control with text.
            EnumChildWindows(
                box,
                [](HWND child, LPARAM into) -> BOOL {
                    wchar_t kind[32] = {};
                    GetClassNameW(child, kind, 32);
                    if (CompareStringOrdinal(kind, -1, L"Static", -1, TRUE) != CSTR_EQUAL) {
                        return TRUE;
                    }
                    wchar_t text[4096] = {};
                    GetWindowTextW(child, text, 4096);
                    auto* target = reinterpret_cast<std::string*>(into);
                    if (text[0] != L'\0' && target->empty()) *target = win::Narrow(text);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&shown.text));
            answering->shown_.push_back(shown);
            // A message box has its text in the static control 0xFFFF; the add-in's own
            // windows are worked by the scenario, and answered here only when told.
            const bool messageBox = GetDlgItem(box, 0xFFFF) != nullptr;
            if (messageBox || !answering->answers_.empty()) {
                int answer = IDOK;
                if (!answering->answers_.empty()) {
                    answer = answering->answers_.front();
                    answering->answers_.pop_front();
                }
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---- Settings ------------------------------------------------------------------------

void ClearSettings() {
    const std::wstring key = L"Software\\VB and VBA Program Settings\\QEL_BOOKMARK_VEROZARA";
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

void SaveSetting(const std::string& section, const std::string& key, const std::string& value) {
    win::RegistrySettingsStore().Write(kApp, section, key, value);
}

std::optional<std::string> ReadSetting(const std::string& section, const std::string& key) {
    return win::RegistrySettingsStore().Read(kApp, section, key);
}

// ---- The user ------------------------------------------------------------------------

void Pause() {
    Sleep(250);
}

bool Click(FakeExcel& excel, const std::string& bar, const std::string& caption) {
    Pause();
    return excel.Sim().ClickControl(bar, caption);
}

std::optional<HRESULT> AskCanUnloadNow() {
    HMODULE library = GetModuleHandleW(kLibrary);
    if (library == nullptr) return std::nullopt;
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    auto function = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    if (function == nullptr) return std::nullopt;
    return function();
}

void PressCtrlAnd(WORD key) {
    INPUT keys[4] = {};
    for (INPUT& one : keys) one.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = key;
    keys[2].ki.wVk = key;
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    Pause();
    SendInput(4, keys, sizeof(INPUT));
    const ULONGLONG until = GetTickCount64() + 300;
    MSG message;
    while (GetTickCount64() < until) {
        try {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        } catch (...) {
            NoteEscapedException();
        }
        Sleep(10);
    }
}

}  // namespace tessaly::fake
