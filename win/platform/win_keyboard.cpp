#include <cwchar>
#include <string>
#include <utility>

#include "win/common/com_entry.h"
#include "win/common/text.h"
#include "win/platform/win_platform.h"

namespace tessaly::win {

namespace {

// The core's procedure for the hook this library has installed. Windows calls the
// hook on the thread that installed it, the host's user-interface thread, so this is
// only ever read and written there.
platform::KeyboardHookProc installedProc = nullptr;

LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    auto passOn = [&] { return CallNextHookEx(nullptr, code, wParam, lParam); };
    return CallbackEntry(
        [&]() -> LRESULT {
            platform::KeyboardHookProc proc = installedProc;
            if (proc == nullptr) return passOn();
            return proc(code, static_cast<intptr_t>(wParam), static_cast<intptr_t>(lParam));
        },
        passOn);
}

// The class of the host's main windows. Before version 15 there is one, titled
// "Microsoft Excel - Book1" while its workbook window is maximised; from 15 on every
// workbook has a top-level window of its own titled "Book1 - Excel", and neither title
// is Application.Caption. Sources: "Programming for the Single Document Interface in
// Excel" (Office VBA docs) and "Application.Hwnd property (Excel)" (Office VBA docs).
constexpr wchar_t kHostMainWindowClass[] = L"XLMAIN";
constexpr wchar_t kWorkWindowClass[] = L"TessalyHookWork";
constexpr UINT kRunPostedWork = WM_APP + 1;

// A hook handle is a user handle: its value fits the 32 bits the core keeps.
int32_t ShortHandle(HHOOK hook) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(hook));
}

}  // namespace

WinKeyboard::~WinKeyboard() {
    if (!hooks_.empty()) installedProc = nullptr;
    hooks_.clear();
    if (workWindow_ != nullptr) {
        DestroyWindow(workWindow_);
        UnregisterClassW(kWorkWindowClass, module_);
    }
}

int16_t WinKeyboard::KeyState(int32_t virtualKey) {
    return static_cast<int16_t>(GetAsyncKeyState(virtualKey));
}

std::string WinKeyboard::ForegroundWindowTitle(int32_t maxCount) {
    if (maxCount <= 0) return {};
    std::wstring buffer(static_cast<size_t>(maxCount), L'\0');
    const int length = GetWindowTextW(GetForegroundWindow(), buffer.data(), maxCount);
    if (length <= 0) return {};
    buffer.resize(static_cast<size_t>(length));
    return Narrow(buffer);
}

// A dialog of the host in front is the foreground window itself or disables the main
// window beneath it; another program's window belongs to another thread.
bool WinKeyboard::HostMainWindowInFront() {
    HWND front = GetForegroundWindow();
    if (front == nullptr) return false;
    if (GetWindowThreadProcessId(front, nullptr) != hostThread_) return false;
    wchar_t className[16] = {};
    if (GetClassNameW(front, className, 16) == 0) return false;
    if (std::wcscmp(className, kHostMainWindowClass) != 0) return false;
    if (!IsWindowEnabled(front)) return false;
    HWND popup = GetLastActivePopup(front);
    return popup == front || popup == nullptr || !IsWindowVisible(popup);
}

void WinKeyboard::RunAfterHook(std::function<void()> work) {
    if (workWindow_ == nullptr) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &WinKeyboard::WorkWindowProc;
        windowClass.hInstance = module_;
        windowClass.lpszClassName = kWorkWindowClass;
        RegisterClassExW(&windowClass);  // already registered is fine
        workWindow_ = CreateWindowExW(0, kWorkWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, module_, nullptr);
        if (workWindow_ == nullptr) return;  // no window, no command: the key still passes
        SetWindowLongPtrW(workWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    work_.push_back(std::move(work));
    if (!PostMessageW(workWindow_, kRunPostedWork, 0, 0)) work_.pop_back();
}

void WinKeyboard::RunPostedWork() {
    if (work_.empty()) return;
    std::function<void()> work = std::move(work_.front());
    work_.pop_front();
    work();
}

LRESULT CALLBACK WinKeyboard::WorkWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto passOn = [&] { return DefWindowProcW(window, message, wParam, lParam); };
    if (message != kRunPostedWork) return passOn();
    // The command's own failure policy has run by the time anything unwinds this far.
    return CallbackEntry(
        [&]() -> LRESULT {
            auto* keyboard =
                reinterpret_cast<WinKeyboard*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (keyboard != nullptr) keyboard->RunPostedWork();
            return 0;
        },
        [] { return LRESULT{0}; });
}

// One low-level hook per library at a time: Windows gives the procedure no way to
// tell two installations apart. The core never installs a second one.
int32_t WinKeyboard::InstallHook(int32_t hookType, platform::KeyboardHookProc proc,
                                 int32_t threadId) {
    if (hookType != WH_KEYBOARD_LL || proc == nullptr || installedProc != nullptr) return 0;
    UniqueHHook hook(SetWindowsHookExA(WH_KEYBOARD_LL, &LowLevelKeyboardProc, module_,
                                       static_cast<DWORD>(threadId)));
    if (!hook) return 0;
    hostThread_ = GetCurrentThreadId();
    const int32_t handle = ShortHandle(hook.Get());
    if (handle == 0) return 0;
    installedProc = proc;
    hooks_[handle] = std::move(hook);
    return handle;
}

bool WinKeyboard::RemoveHook(int32_t handle) {
    auto found = hooks_.find(handle);
    if (found == hooks_.end()) return false;
    const bool removed = found->second.Reset();
    hooks_.erase(found);
    if (hooks_.empty()) installedProc = nullptr;
    return removed;
}

intptr_t WinKeyboard::CallNextHook(int32_t handle, int32_t code, intptr_t wParam, intptr_t lParam) {
    auto found = hooks_.find(handle);
    HHOOK hook = found == hooks_.end() ? nullptr : found->second.Get();
    return CallNextHookEx(hook, code, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

}  // namespace tessaly::win
