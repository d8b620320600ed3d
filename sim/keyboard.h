#pragma once

// sim::SimKeyboard - the desktop's keyboard for tests: keys go down and up (with
// auto-repeat), the window in front is chosen by the test, every key event runs the
// installed low-level hooks (most recently installed first), and a key press that
// reaches the host's main window is recorded together with what the host did with
// it: its own meaning, or nothing because OnKey silenced the combination.
//
// While it lives, the keyboard is the one SimPlatform::Keyboard() returns.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

class Excel;
class SimPlatform;

// Virtual-key codes used by tests.
namespace vk {
inline constexpr int32_t kShift = 0x10;
inline constexpr int32_t kControl = 0x11;
inline constexpr int32_t kMenu = 0x12;  // Alt
inline constexpr int32_t kLShift = 0xA0;
inline constexpr int32_t kRShift = 0xA1;
inline constexpr int32_t kLControl = 0xA2;
inline constexpr int32_t kRControl = 0xA3;
inline constexpr int32_t kLMenu = 0xA4;
inline constexpr int32_t kRMenu = 0xA5;
inline constexpr int32_t kPgUp = 33;
inline constexpr int32_t kPgDn = 34;
inline constexpr int32_t kEnd = 35;
inline constexpr int32_t kHome = 36;
inline constexpr int32_t kLeft = 37;
inline constexpr int32_t kUp = 38;
inline constexpr int32_t kRight = 39;
inline constexpr int32_t kDown = 40;
inline constexpr int32_t kInsert = 45;
inline constexpr int32_t kDelete = 46;
inline constexpr int32_t kNumPad0 = 96;
inline constexpr int32_t kF1 = 112;
}  // namespace vk

// Messages a low-level keyboard hook receives in wParam.
inline constexpr intptr_t kWmKeyDown = 0x100;
inline constexpr intptr_t kWmKeyUp = 0x101;
inline constexpr intptr_t kWmSysKeyDown = 0x104;
inline constexpr intptr_t kWmSysKeyUp = 0x105;

// The virtual-key code of a key name: "Ctrl", "Shift", "Alt" (the left keys),
// "RCtrl", "RShift", "RAlt", "A".."Z", "0".."9", "F1".."F24", "HOME", "END", "INS",
// "INSERT", "DEL", "DELETE", "PGUP", "PGDN", "LEFT", "RIGHT", "UP", "DOWN",
// "NUM0".."NUM9", "ENTER", "ESC", "TAB", "SPACE". Any letter case. Nothing when unknown.
std::optional<int32_t> VirtualKeyOf(const std::string& name);

// The combination a host key string stands for, in one spelling: modifiers in the
// order ^ + % and the key as its virtual-key code in braces, "^+{36}". Nothing for a
// string the host would not accept.
std::optional<std::string> NormalizedHostKey(const std::string& hostKey);

class SimKeyboard : public platform::Keyboard {
  public:
    enum class Front { HostMain, HostDialog, OtherProgram, Nothing };

    // A key press as the host's main window received it.
    struct HostKeyPress {
        std::string key;       // the combination in host key-string form, "^+{HOME}"
        bool handled = false;  // the host's own meaning ran (false: silenced by OnKey)
        bool repeat = false;   // an auto-repeat of a key already down
    };

    // Attaches itself to the platform; detaches when destroyed.
    SimKeyboard(Excel& excel, SimPlatform& platform);
    ~SimKeyboard() override;
    SimKeyboard(const SimKeyboard&) = delete;
    SimKeyboard& operator=(const SimKeyboard&) = delete;

    // ---- The window in front -------------------------------------------------------
    void ShowHostMain();  // title: the host's caption at that moment
    void ShowHostDialog(std::string title);
    void ShowOtherProgram(std::string title);
    void ShowNothing();  // no foreground window at all
    Front InFront() const { return front_; }

    // ---- Keys ----------------------------------------------------------------------
    // One key-down event; pressing a key already down is an auto-repeat.
    void Press(int32_t virtualKey);
    void Release(int32_t virtualKey);
    // Key-down, `repeats` auto-repeats, key-up.
    void Tap(int32_t virtualKey, int repeats = 0);
    void Press(const std::string& keyName);
    void Release(const std::string& keyName);
    // "Ctrl+Shift+HOME": modifiers down in order, the key down (and `repeats`
    // auto-repeats) and up, modifiers up in reverse order.
    void Chord(const std::string& combination, int repeats = 0);
    bool IsDown(int32_t virtualKey) const;
    // Moves the platform's clock by this much before every key event (default 0: the
    // clock stays put), so that runs of a command are far enough apart to be seen.
    void SetSecondsPerEvent(double seconds) { secondsPerEvent_ = seconds; }

    // ---- Hooks ---------------------------------------------------------------------
    // Makes InstallHook refuse (return 0), as a desktop may.
    void RefuseHooks(bool refuse) { refuseHooks_ = refuse; }
    size_t InstalledHooks() const { return hooks_.size(); }
    int32_t InstallCalls() const { return installCalls_; }
    int32_t LastHookType() const { return lastHookType_; }
    int32_t LastThreadId() const { return lastThreadId_; }
    // A hook of the test's own, installed like any other; it sees events the hooks
    // installed before it pass on. Counts the events it saw.
    int32_t InstallObserverHook();
    int32_t ObservedEvents() const { return observed_; }
    // Events that reached the end of the chain, that is, every hook passed them on.
    int32_t EventsPassedThrough() const { return passedThrough_; }
    // Events kept from their window by a non-zero hook result.
    int32_t EventsSwallowed() const { return swallowed_; }
    // Hooks the desktop removed because one call overran the timeout or showed a
    // modal window.
    int32_t HooksTimedOut() const { return timedOut_; }
    // LowLevelHooksTimeout, in seconds on the platform's clock, as a desktop where the
    // value is not set has it: 300 ms on Windows 7 and later (AutoHotkey's "#IfTimeout"
    // page, from measurement; Microsoft's "LowLevelKeyboardProc" page leaves the unset
    // value open and caps a set one at 1000 ms), the stricter of the two.
    static constexpr double kHookTimeoutSeconds = 0.3;

    // ---- What the host saw ---------------------------------------------------------
    const std::vector<HostKeyPress>& HostKeyPresses() const { return hostPresses_; }
    void ClearHostKeyPresses() { hostPresses_.clear(); }

    // ---- platform::Keyboard --------------------------------------------------------
    int16_t KeyState(int32_t virtualKey) override;
    std::string ForegroundWindowTitle(int32_t maxCount) override;
    bool HostMainWindowInFront() override { return front_ == Front::HostMain; }
    // Queued and run once the key event's hook chain has returned, as a message
    // posted to the host's thread is.
    void RunAfterHook(std::function<void()> work) override {
        afterHook_.push_back(std::move(work));
    }
    int32_t InstallHook(int32_t hookType, platform::KeyboardHookProc proc,
                        int32_t threadId) override;
    bool RemoveHook(int32_t handle) override;
    intptr_t CallNextHook(int32_t handle, int32_t code, intptr_t wParam, intptr_t lParam) override;

  private:
    struct Hook {
        int32_t handle;
        platform::KeyboardHookProc proc;
    };

    static int32_t ObserverProc(int32_t code, intptr_t wParam, intptr_t lParam);
    void KeyEvent(int32_t virtualKey, bool release);
    intptr_t RunChainFrom(size_t position, int32_t code, intptr_t wParam, intptr_t lParam);
    void DeliverToHost(int32_t virtualKey, bool repeat);
    bool ModifierHeld(int32_t genericKey) const;
    std::string HostKeyText(int32_t virtualKey) const;

    Excel& excel_;
    SimPlatform& platform_;
    Front front_ = Front::HostMain;
    std::string frontTitle_;
    std::set<int32_t> down_;
    std::vector<Hook> hooks_;       // chain order: most recently installed first
    std::vector<int32_t> running_;  // handles of the hooks running now, innermost last
    int32_t nextHandle_ = 0x10001;
    int32_t installCalls_ = 0;
    int32_t lastHookType_ = 0;
    int32_t lastThreadId_ = -1;
    bool refuseHooks_ = false;
    double secondsPerEvent_ = 0.0;
    int32_t observed_ = 0;
    int32_t passedThrough_ = 0;
    int32_t swallowed_ = 0;
    int32_t timedOut_ = 0;
    double nestedSeconds_ = 0.0;  // time the hooks after the returning one took
    std::deque<std::function<void()>> afterHook_;
    uint32_t clock_ = 0;
    std::vector<HostKeyPress> hostPresses_;
};

}  // namespace sim
