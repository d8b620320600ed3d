#pragma once

// The platform seam over Win32, as the add-in's library uses it inside the host's
// process: settings in the registry where GetSetting/SaveSetting keep them, the locale
// country, the shell, message boxes, the clock, the clipboard and the keyboard.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "win/common/owners.h"
#include "win/common/win32.h"
#include "win/ui/win_windows.h"

namespace tessaly::win {

// The installed copy of the maker's site for a build without one: a site path ("/",
// "/free/.../help.html") as a file below the help folder beside the library when that
// page is there, else below <install>\help, where the library lives in <install>\x64
// or <install>\x86; the root is the folder's index page.
std::wstring InstalledSitePage(const std::string& sitePath);
// The same for a library at `library` (a full file name).
std::wstring InstalledSitePage(const std::string& sitePath, const std::wstring& library);

// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>, one string
// value per key: the very place GetSetting and SaveSetting use, so values saved by an
// earlier version of the add-in are read as they are.
class RegistrySettingsStore final : public platform::SettingsStore {
  public:
    std::optional<std::string> Read(const std::string& app, const std::string& section,
                                    const std::string& key) override;
    // A value that cannot be written raises error 5, as SaveSetting does.
    void Write(const std::string& app, const std::string& section, const std::string& key,
               const std::string& value) override;

    static std::wstring SectionPath(const std::string& app, const std::string& section);
};

// The system clipboard. Whatever the user had is saved format by format (memory
// formats and enhanced metafiles; the system makes the bitmap and text variants again
// from those) and put back afterwards.
class WinClipboard final : public platform::Clipboard {
  public:
    WinClipboard() = default;
    ~WinClipboard() override;
    WinClipboard(const WinClipboard&) = delete;
    WinClipboard& operator=(const WinClipboard&) = delete;

    std::unique_ptr<platform::ClipboardContent> Save() override;
    void Restore(const platform::ClipboardContent& content) override;
    void Clear() override;
    void PutBitmap(const platform::Bitmap& bitmap) override;

  private:
    // The clipboard needs an owner window for what is put on it.
    HWND Owner();
    HWND owner_ = nullptr;
};

// Reads a device-independent bitmap from the clipboard as 24-bit pixels, rows top to
// bottom; nothing when the clipboard holds none.
std::optional<platform::Bitmap> ReadClipboardBitmap(HWND owner);
// The DIB (BITMAPINFOHEADER and bottom-up rows) of a 24-bit picture.
std::vector<uint8_t> DibOf(const platform::Bitmap& bitmap);

// Key state, the window in front and the low-level keyboard hook. The hook procedure
// Windows calls lives in this library; it hands each event to the core's procedure.
class WinKeyboard final : public platform::Keyboard {
  public:
    explicit WinKeyboard(HMODULE module) : module_(module) {}
    ~WinKeyboard() override;
    WinKeyboard(const WinKeyboard&) = delete;
    WinKeyboard& operator=(const WinKeyboard&) = delete;

    int16_t KeyState(int32_t virtualKey) override;
    std::string ForegroundWindowTitle(int32_t maxCount) override;
    bool HostMainWindowInFront() override;
    // Posts a message to a message-only window of this thread; the work runs when the
    // thread's message loop dispatches it, after the hook has returned.
    void RunAfterHook(std::function<void()> work) override;
    int32_t InstallHook(int32_t hookType, platform::KeyboardHookProc proc,
                        int32_t threadId) override;
    bool RemoveHook(int32_t handle) override;
    intptr_t CallNextHook(int32_t handle, int32_t code, intptr_t wParam, intptr_t lParam) override;

  private:
    static LRESULT CALLBACK WorkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunPostedWork();

    HMODULE module_;
    // The host's user-interface thread: the one that installs the hook.
    DWORD hostThread_ = GetCurrentThreadId();
    HWND workWindow_ = nullptr;
    std::deque<std::function<void()>> work_;
    // The core speaks of hooks by 32-bit handles, as the API did in 32-bit days; the
    // owners keep the real handles.
    std::map<int32_t, UniqueHHook> hooks_;
};

class WinPlatform final : public platform::Platform {
  public:
    // `module` is the add-in's library: its hook procedure and resources live there.
    explicit WinPlatform(HMODULE module);

    platform::SettingsStore& Settings() override { return settings_; }
    std::string LocaleCountryName() override;
    bool OpenUrl(const std::string& url) override;
    platform::MsgAnswer MessageBox(const std::string& text, const std::string& caption,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) override;
    void Beep() override;
    double MonotonicSeconds() override;
    platform::Clipboard& Clipboard() override { return clipboard_; }
    platform::Keyboard& Keyboard() override { return keyboard_; }
    platform::Windows& Windows() override { return windows_; }

  private:
    RegistrySettingsStore settings_;
    WinClipboard clipboard_;
    WinKeyboard keyboard_;
    ui::WinWindows windows_;
    LARGE_INTEGER frequency_{};
};

}  // namespace tessaly::win
