#include "win/fake_excel/hook_watch.h"

#include <cwchar>

namespace tessaly::fake {

namespace {

LowLevelHookWatch* watching = nullptr;

// The ceiling for a set value from Windows 10 1709 on ("LowLevelKeyboardProc function",
// learn.microsoft.com, Remarks).
constexpr DWORD kMaxTimeoutMs = 1000;
// Where the value is not set: Microsoft's page leaves it open; measurements on Windows
// 7 and later found 300 ms (AutoHotkey's "#IfTimeout" page). The stricter one holds.
constexpr DWORD kUnsetTimeoutMs = 300;

DWORD TimeoutFromRegistry() {
    // Stored as a DWORD, or as text by tools that write the Desktop key as strings.
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LowLevelHooksTimeout",
                     RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS) {
        if (value == 0) return kUnsetTimeoutMs;
        return value > kMaxTimeoutMs ? kMaxTimeoutMs : value;
    }
    wchar_t text[16] = {};
    size = sizeof text - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LowLevelHooksTimeout",
                     RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS) {
        const unsigned long parsed = std::wcstoul(text, nullptr, 10);
        if (parsed > 0) return parsed > kMaxTimeoutMs ? kMaxTimeoutMs : static_cast<DWORD>(parsed);
    }
    return kUnsetTimeoutMs;
}

}  // namespace

LowLevelHookWatch::LowLevelHookWatch() : timeoutMs_(TimeoutFromRegistry()) {
    watching = this;
    keyboard_ = SetWindowsHookExW(WH_KEYBOARD_LL, &LowLevelHookWatch::KeyboardProc,
                                  GetModuleHandleW(nullptr), 0);
    windows_ =
        SetWindowsHookExW(WH_CBT, &LowLevelHookWatch::WindowProc, nullptr, GetCurrentThreadId());
}

LowLevelHookWatch::~LowLevelHookWatch() {
    if (keyboard_) UnhookWindowsHookEx(keyboard_);
    if (windows_) UnhookWindowsHookEx(windows_);
    if (watching == this) watching = nullptr;
}

LRESULT CALLBACK LowLevelHookWatch::KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    LowLevelHookWatch* self = watching;
    if (code < 0 || self == nullptr) return CallNextHookEx(nullptr, code, wParam, lParam);
    // Removed hooks see nothing more: the key goes to the window as if they were gone.
    if (self->Removed()) return 0;
    self->inCall_ = true;
    self->windowShown_ = false;
    const ULONGLONG start = GetTickCount64();
    const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    const ULONGLONG took = GetTickCount64() - start;
    self->inCall_ = false;
    if (self->windowShown_) {
        self->why_ = "a window was shown during the hook's call";
    } else if (took > self->timeoutMs_) {
        self->why_ = "the hook's call took " + std::to_string(took) + " ms, over the " +
                     std::to_string(self->timeoutMs_) + " ms timeout";
    }
    return result;
}

LRESULT CALLBACK LowLevelHookWatch::WindowProc(int code, WPARAM wParam, LPARAM lParam) {
    LowLevelHookWatch* self = watching;
    if (self != nullptr && self->inCall_) {
        // Windows a user could see: one activated, or one made visible from the start.
        // Message-only windows (the add-in's own, for posting work) are neither.
        if (code == HCBT_ACTIVATE) self->windowShown_ = true;
        if (code == HCBT_CREATEWND) {
            const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
            if (create && create->lpcs && (create->lpcs->style & WS_CHILD) == 0 &&
                (create->lpcs->style & WS_VISIBLE) != 0) {
                self->windowShown_ = true;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tessaly::fake
