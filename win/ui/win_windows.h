#pragma once

// The window services of the platform on Windows: the add-in's windows as modal
// dialogs drawn from their models, the system's colour dialog, bringing a window to the
// front by its title, and the screen's resolution.

#include <optional>
#include <string>

#include "platform/platform.h"
#include "win/common/win32.h"

namespace tessaly::win::ui {

class WinWindows final : public platform::Windows {
  public:
    // `module` is the library the dialogs belong to.
    explicit WinWindows(HMODULE module) : module_(module) {}

    // Modal over the window the user works in (the host's main window), which is
    // disabled meanwhile.
    void ShowModal(WindowModel& window) override;
    std::optional<int32_t> ChooseColor(int32_t initial) override;
    bool ActivateWindow(const std::string& title) override;
    double TwipsPerPixelX() override;
    double TwipsPerPixelY() override;

  private:
    HMODULE module_;
};

// The window a modal window of this thread belongs over: the active one, or the one in
// front when it is this thread's; null for none.
HWND ModalOwner();

}  // namespace tessaly::win::ui
