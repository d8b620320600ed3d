#include "win/ui/win_windows.h"

#include <commctrl.h>
#include <commdlg.h>
// The dialog's header names the W function's macro after the core's member.
#undef ChooseColor

#include "win/common/text.h"
#include "win/ui/gdi.h"
#include "win/ui/model_dialog.h"

namespace tessaly::win::ui {

namespace {

constexpr double kTwipsPerInch = 1440.0;

void RegisterControlClasses() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes{};
        classes.dwSize = sizeof classes;
        classes.dwICC = ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES;
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)registered;
}

double TwipsPerPixel(int axis) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, axis) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? kTwipsPerInch / dpi : 15.0;
}

}  // namespace

HWND ModalOwner() {
    if (HWND active = GetActiveWindow()) return active;
    HWND front = GetForegroundWindow();
    if (front != nullptr && GetWindowThreadProcessId(front, nullptr) == GetCurrentThreadId())
        return front;
    return nullptr;
}

void WinWindows::ShowModal(WindowModel& window) {
    RegisterControlClasses();
    ModelDialog dialog(window, module_, TwipsPerPixelX(), TwipsPerPixelY());
    // A window that cannot be made leaves the model shown; the model then closes it as
    // its close box would.
    dialog.RunModal(ModalOwner());
}

std::optional<int32_t> WinWindows::ChooseColor(int32_t initial) {
    // The user's own colours stay for the session, as the dialog's users expect.
    static COLORREF customColors[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = ModalOwner();
    dialog.rgbResult = ScreenColor(initial);
    dialog.lpCustColors = customColors;
    dialog.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&dialog)) return std::nullopt;
    return static_cast<int32_t>(dialog.rgbResult & 0x00FFFFFFu);
}

bool WinWindows::ActivateWindow(const std::string& title) {
    HWND window = FindWindowW(nullptr, Widen(title).c_str());
    if (window == nullptr) return false;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    // A window disabled under a modal window of its own (the host under the open list)
    // comes to the front with that window, which keeps the user's keyboard, as when the
    // user clicks the disabled window.
    if (!IsWindowEnabled(window)) {
        HWND popup = GetLastActivePopup(window);
        if (popup != nullptr && popup != window && IsWindowEnabled(popup)) {
            SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            window = popup;
        }
    }
    // Asks for the front and does not wait for the window to answer.
    SetForegroundWindow(window);
    return true;
}

double WinWindows::TwipsPerPixelX() {
    return TwipsPerPixel(LOGPIXELSX);
}

double WinWindows::TwipsPerPixelY() {
    return TwipsPerPixel(LOGPIXELSY);
}

}  // namespace tessaly::win::ui
