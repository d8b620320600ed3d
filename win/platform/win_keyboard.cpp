#include <string>

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

// A hook handle is a user handle: its value fits the 32 bits the core keeps.
int32_t ShortHandle(HHOOK hook) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(hook));
}

}  // namespace

WinKeyboard::~WinKeyboard() {
    if (!hooks_.empty()) installedProc = nullptr;
    hooks_.clear();
}

int16_t WinKeyboard::KeyState(int32_t virtualKey) {
    return static_cast<int16_t>(GetAsyncKeyState(virtualKey));
}

std::string WinKeyboard::ForegroundWindowTitle(int32_t maxCount) {
    if (maxCount <= 0) return {};
    std::string buffer(static_cast<size_t>(maxCount), '\0');
    const int length = GetWindowTextA(GetForegroundWindow(), buffer.data(), maxCount);
    if (length <= 0) return {};
    buffer.resize(static_cast<size_t>(length));
    // The title comes in the ANSI code page; the host's caption reaches the core as
    // UTF-8, so the two are compared in the same encoding.
    const int wide = MultiByteToWideChar(CP_ACP, 0, buffer.data(), length, nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, buffer.data(), length, text.data(), wide);
    return Narrow(text);
}

// One low-level hook per library at a time: Windows gives the procedure no way to
// tell two installations apart. The core never installs a second one.
int32_t WinKeyboard::InstallHook(int32_t hookType, platform::KeyboardHookProc proc,
                                 int32_t threadId) {
    if (hookType != WH_KEYBOARD_LL || proc == nullptr || installedProc != nullptr) return 0;
    UniqueHHook hook(SetWindowsHookExA(WH_KEYBOARD_LL, &LowLevelKeyboardProc, module_,
                                       static_cast<DWORD>(threadId)));
    if (!hook) return 0;
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
