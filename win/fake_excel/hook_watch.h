#pragma once

// Windows' rule for low-level keyboard hooks, which Wine does not enforce: a hook whose
// call does not return within LowLevelHooksTimeout (HKCU\Control Panel\Desktop, in
// milliseconds; 300 where it is not set, at most 1000 from Windows 10 1709 on) is removed silently
// on Windows 7 and later, and the application cannot know ("LowLevelKeyboardProc function",
// learn.microsoft.com). A hook that shows a window during its call is taken to overrun
// too: a window of its own keeps the call open for as long as the user looks at it.
//
// The watch puts a hook of its own in front of the ones already installed on this
// thread (the system calls the most recent first), so each key reaches them inside its
// call and it can time them; once they overran, it passes keys on without them, as
// Windows would after removing them.

#include <string>

#include "win/common/win32.h"

namespace tessaly::fake {

class LowLevelHookWatch {
  public:
    LowLevelHookWatch();
    ~LowLevelHookWatch();
    LowLevelHookWatch(const LowLevelHookWatch&) = delete;
    LowLevelHookWatch& operator=(const LowLevelHookWatch&) = delete;

    // The hooks behind the watch overran once, and Windows would have removed them.
    bool Removed() const { return !why_.empty(); }
    // What made them overrun, for the test's message.
    const std::string& Why() const { return why_; }
    DWORD TimeoutMs() const { return timeoutMs_; }

  private:
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(int code, WPARAM wParam, LPARAM lParam);

    HHOOK keyboard_ = nullptr;
    HHOOK windows_ = nullptr;
    DWORD timeoutMs_ = 0;
    bool inCall_ = false;
    bool windowShown_ = false;
    std::string why_;
};

}  // namespace tessaly::fake
