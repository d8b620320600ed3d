#pragma once

// The desktop around the add-in's windows under Wine: the host's main window, and a
// user who works the mouse and the keyboard (SendInput) from a thread of its own while
// the host's thread runs the add-in's modal windows. The user looks at the screen
// through the windows' own messages and takes screenshots.

// The Windows headers first: the common controls' header builds on them.
#include "win/common/win32.h"

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::fake::ui {

// The host's side: its main window (titled with the host's caption) and its message
// loop, which runs the user's script on a second thread.
class HostDesktop {
  public:
    explicit HostDesktop(const std::string& caption);
    ~HostDesktop();
    HostDesktop(const HostDesktop&) = delete;
    HostDesktop& operator=(const HostDesktop&) = delete;

    HWND MainWindow() const { return main_; }

    // Runs `script` on the user's thread while this (the host's) thread takes its
    // messages; returns when the script has ended and every window it left open is
    // closed.
    void Run(const std::function<void()>& script);

    // From the user's thread: runs `action` on the host's thread and waits for it.
    // False when the host did not answer in time.
    bool OnHost(const std::function<void()>& action);
    // From the user's thread: has the host's thread run `action` (a click that opens a
    // modal window) without waiting for it.
    void PostToHost(std::function<void()> action);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND main_ = nullptr;
    bool done_ = false;
};

// ---- The user's hands ----------------------------------------------------------------

void Settle(int milliseconds = 150);
void MoveMouse(POINT screen);
void ClickAt(POINT screen);
void DoubleClickAt(POINT screen);
// The middle of a window (or of `rect` in its client area), in screen coordinates.
POINT CenterOf(HWND window);
POINT CenterOf(HWND window, const RECT& clientRect);
// Presses and lets go of `key` while the modifiers (VK_CONTROL, VK_SHIFT, VK_MENU) are
// held.
void PressKey(WORD key, std::initializer_list<WORD> modifiers = {});

// ---- The user's eyes -----------------------------------------------------------------

// Waits up to `milliseconds` for `condition`, looking every few milliseconds.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 5000);
// A shown dialog of this process with exactly that title; null when there is none.
HWND FindDialog(const std::wstring& title);
// How many shown dialogs of this process have that title.
int CountDialogs(const std::wstring& title);
HWND WaitForDialog(const std::wstring& title, int milliseconds = 5000);
bool WaitUntilGone(HWND window, int milliseconds = 5000);
// A shown dialog of this process owned by `owner`; null when there is none.
HWND FindOwnedDialog(HWND owner);
std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);
// The child windows of a class ("Button", "ComboBox"...), in tab order.
std::vector<HWND> ChildrenOfClass(HWND dialog, const std::wstring& className);
HWND ChildWithText(HWND dialog, const std::wstring& className, const std::wstring& text);
// The first child whose style has all of `styleBits` set.
HWND ChildWithStyle(HWND dialog, const std::wstring& className, DWORD styleBits, DWORD styleMask);
RECT ScreenRect(HWND window);

struct TreeEntry {
    HTREEITEM item = nullptr;
    int depth = 0;
    std::wstring text;
};
// Every entry of a tree view, depth first.
std::vector<TreeEntry> TreeEntries(HWND tree);
std::optional<TreeEntry> FindTreeEntry(HWND tree, const std::wstring& text);
// The middle of an entry's text, in screen coordinates.
POINT TreeEntryPoint(HWND tree, HTREEITEM item);
std::wstring SelectedTreeText(HWND tree);

// The pixels of a part of the screen, rows top to bottom, blue-green-red.
std::vector<uint8_t> ScreenPixels(const RECT& screen);
COLORREF ScreenPixel(POINT screen);
// Saves the window as it stands on the screen; false when that failed.
bool SaveScreenshot(HWND window, const std::wstring& path);

}  // namespace tessaly::fake::ui
