#include "win/fake_excel/session.h"

#include "win/common/owners.h"
#include "win/common/text.h"
#include "win/platform/win_platform.h"

namespace tessaly::fake {

namespace {

constexpr char kApp[] = "QEL_BOOKMARK_VEROZARA";
constexpr wchar_t kLibrary[] = L"QEL_BOOKMARK_VEROZARA.dll";

MessageBoxes* answering = nullptr;

}  // namespace

// ---- The add-in ----------------------------------------------------------------------

namespace {

// A class key's value as HKEY_CLASSES_ROOT shows it to a 64-bit process on Windows: the
// user's classes (HKCU\Software\Classes) over the machine's (learn.microsoft.com,
// "Merged View of HKEY_CLASSES_ROOT"). Wine may not merge per-user classes, so the host
// looks in both itself, in Windows' order.
std::optional<std::wstring> ClassesText(const std::wstring& path) {
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        wchar_t text[MAX_PATH * 2] = {};
        DWORD size = sizeof text - sizeof(wchar_t);
        if (RegGetValueW(hive, (L"Software\\Classes\\" + path).c_str(), nullptr,
                         RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS) {
            return std::wstring(text);
        }
    }
    return std::nullopt;
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

}  // namespace

win::ComPtr<IUnknown> CreateInProcess(const std::wstring& progId) {
    win::ComPtr<IUnknown> object;
    const std::optional<std::wstring> clsidText = ClassesText(progId + L"\\CLSID");
    CLSID clsid{};
    if (!clsidText || FAILED(CLSIDFromString(clsidText->c_str(), &clsid))) return object;
    // Where COM itself sees the class, it loads the library (and unloads it when idle).
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   object.PutVoid()))) {
        return object;
    }
    const std::optional<std::wstring> server =
        ClassesText(L"CLSID\\" + *clsidText + L"\\InprocServer32");
    if (!server) return object;
    // Only the user's classes hold it, and this COM does not read them: the library is
    // loaded as COM on Windows would, and stays for the process's life.
    HMODULE library = LoadLibraryW(server->c_str());
    auto entry = library ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                               GetProcAddress(library, "DllGetClassObject")))
                         : nullptr;
    win::ComPtr<IClassFactory> factory;
    if (!entry || FAILED(entry(clsid, IID_IClassFactory, factory.PutVoid()))) return object;
    factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid());
    return object;
}

AddinSession::AddinSession(FakeExcel& excel) : excel_(excel) {
    win::ComPtr<IUnknown> object = CreateInProcess(L"Tessaly.Connect");
    if (!object) return;
    extensibility_ = object.As<win::IDTExtensibility2>(win::IID_IDTExtensibility2);
    automation_ = object.As<IDispatch>(IID_IDispatch);
}

AddinSession::~AddinSession() {
    Release();
}

HRESULT AddinSession::Connect() {
    if (!extensibility_) return E_POINTER;
    win::ComPtr<IDispatch> application = excel_.Application();
    win::ComPtr<IDispatch> addIn = excel_.AddIn();
    SAFEARRAY* custom = nullptr;
    return extensibility_->OnConnection(application.Get(), win::ext_cm_Startup, addIn.Get(),
                                        &custom);
}

HRESULT AddinSession::Disconnect() {
    if (!extensibility_) return E_POINTER;
    SAFEARRAY* custom = nullptr;
    return extensibility_->OnDisconnection(win::ext_dm_HostShutdown, &custom);
}

void AddinSession::Release() {
    automation_.Reset();
    extensibility_.Reset();
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
            int answer = IDOK;
            if (!answering->answers_.empty()) {
                answer = answering->answers_.front();
                answering->answers_.pop_front();
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
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

}  // namespace tessaly::fake
