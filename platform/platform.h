#pragma once

// The operating system as the add-in sees it. One Platform object is handed to
// Connect at construction; each service is a small interface of its own so that a
// host (simulated, terminal, Windows) can mix real and scripted parts.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {
class WindowModel;
}

namespace platform {

// The per-user settings store, addressed by application, section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // Nothing when the value is absent.
    virtual std::optional<std::string> Read(const std::string& app, const std::string& section,
                                            const std::string& key) = 0;
    virtual void Write(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& value) = 0;
};

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel };
enum class MsgAnswer { OK, Cancel };

// A 24-bit picture, rows top to bottom, three bytes per pixel in blue, green, red order.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr;
    friend bool operator==(const Bitmap&, const Bitmap&) = default;
};

// Whatever the user had on the clipboard, kept to be put back.
class ClipboardContent {
  public:
    virtual ~ClipboardContent() = default;
};

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual std::unique_ptr<ClipboardContent> Save() = 0;
    virtual void Restore(const ClipboardContent& content) = 0;
    virtual void Clear() = 0;
    virtual void PutBitmap(const Bitmap& bitmap) = 0;
};

// A low-level keyboard hook procedure, shaped as Windows calls one: the event's code
// (0 = an action event), the message and the address of a KeyboardHookRecord.
using KeyboardHookProc = int32_t (*)(int32_t code, intptr_t wParam, intptr_t lParam);

// The event record handed to a low-level keyboard hook: five 32-bit fields.
struct KeyboardHookRecord {
    uint32_t vkCode = 0;
    uint32_t scanCode = 0;
    uint32_t flags = 0;  // kKeyReleasedFlag while the key goes up
    uint32_t time = 0;
    uint32_t extraInfo = 0;
};
static_assert(sizeof(KeyboardHookRecord) == 20);

inline constexpr int32_t kHookLowLevelKeyboard = 13;
inline constexpr int32_t kHookActionCode = 0;
inline constexpr uint32_t kKeyReleasedFlag = 0x80;
inline constexpr int32_t kVkShift = 0x10;
inline constexpr int32_t kVkControl = 0x11;
inline constexpr int32_t kVkMenu = 0x12;  // Alt
inline constexpr uint16_t kKeyHeldBit = 0x8000;

// Key state, the window in front, and the desktop's chain of low-level keyboard hooks.
class Keyboard {
  public:
    virtual ~Keyboard() = default;
    // GetAsyncKeyState: bit kKeyHeldBit is set while the key is held.
    virtual int16_t KeyState(int32_t virtualKey) = 0;
    // GetWindowText of the foreground window into a buffer of maxCount characters:
    // at most maxCount - 1 bytes; empty when there is no such window or no title.
    virtual std::string ForegroundWindowTitle(int32_t maxCount) = 0;
    // Whether the window in front is the host's own main window, ready for keys: it
    // belongs to the host's user-interface thread, is a main window of the host, is
    // enabled and no dialog of the host stands in front of it. Decided from the window
    // itself, since its title need not be the host's caption.
    virtual bool HostMainWindowInFront() = 0;
    // Runs `work` on the host's user-interface thread once the hook procedure that is
    // running now has returned. Windows removes a hook whose call takes too long, so
    // the hook only decides and leaves the work to this.
    virtual void RunAfterHook(std::function<void()> work) = 0;
    // SetWindowsHookEx for all threads of the desktop. The handle, or 0 when refused.
    virtual int32_t InstallHook(int32_t hookType, KeyboardHookProc proc, int32_t threadId) = 0;
    // UnhookWindowsHookEx; false when the handle is not an installed hook.
    virtual bool RemoveHook(int32_t handle) = 0;
    // CallNextHookEx: passes the event to the next hook of the chain and returns its
    // result; a non-zero result keeps the event from its window.
    virtual intptr_t CallNextHook(int32_t handle, int32_t code, intptr_t wParam,
                                  intptr_t lParam) = 0;
};

// A platform without a keyboard: keys up, no window in front, hooks refused.
class NoKeyboard final : public Keyboard {
  public:
    int16_t KeyState(int32_t) override { return 0; }
    std::string ForegroundWindowTitle(int32_t) override { return {}; }
    bool HostMainWindowInFront() override { return false; }
    void RunAfterHook(std::function<void()>) override {}
    int32_t InstallHook(int32_t, KeyboardHookProc, int32_t) override { return 0; }
    bool RemoveHook(int32_t) override { return false; }
    intptr_t CallNextHook(int32_t, int32_t, intptr_t, intptr_t) override { return 0; }
};

// The window system: the add-in's modal windows drawn from their models, the colour
// dialog, activation of other windows and the screen's resolution.
class Windows {
  public:
    virtual ~Windows() = default;
    // Draws the loaded window and turns the user's actions into its events until it is
    // no longer shown. The caller closes a window that is still loaded afterwards, as
    // its close box would.
    virtual void ShowModal(tessaly::WindowModel& window) = 0;
    // The colour dialog opened on `initial` (0x00BBGGRR): the colour picked, or nothing
    // when the user cancelled.
    virtual std::optional<int32_t> ChooseColor(int32_t initial) = 0;
    // AppActivate: brings the top-level window with that title to the front without
    // waiting for it; false when there is no such window.
    virtual bool ActivateWindow(const std::string& title) = 0;
    // Twips per pixel of the screen, across and down.
    virtual double TwipsPerPixelX() = 0;
    virtual double TwipsPerPixelY() = 0;
};

// A platform that cannot show windows: nothing is drawn (the window is then closed as
// by its close box), the colour dialog is cancelled, no window can be activated.
class NoWindows final : public Windows {
  public:
    void ShowModal(tessaly::WindowModel&) override {}
    std::optional<int32_t> ChooseColor(int32_t) override { return std::nullopt; }
    bool ActivateWindow(const std::string&) override { return false; }
    double TwipsPerPixelX() override { return 15.0; }
    double TwipsPerPixelY() override { return 15.0; }
};

class Platform {
  public:
    virtual ~Platform() = default;

    virtual SettingsStore& Settings() = 0;
    // English name of the country of the user's locale; empty when it cannot be had.
    virtual std::string LocaleCountryName() = 0;
    // Opens a URL in the user's browser without waiting; false when that failed.
    virtual bool OpenUrl(const std::string& url) = 0;
    // Modal; returns the user's answer.
    virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    virtual void Beep() = 0;
    // Seconds from an arbitrary start; never goes backwards.
    virtual double MonotonicSeconds() = 0;
    virtual platform::Clipboard& Clipboard() = 0;
    // The keyboard services; a platform that has none keeps this default.
    virtual platform::Keyboard& Keyboard() {
        static NoKeyboard none;
        return none;
    }
    // The window services; a platform that has none keeps this default.
    virtual platform::Windows& Windows() {
        static NoWindows none;
        return none;
    }
};

}  // namespace platform
