#pragma once

// Module Hook: the key table and the low-level keyboard hook that runs the shortcut
// commands. One set of globals per process, written only when the hook is installed
// or removed, on the host's user-interface thread.

#include <cstdint>
#include <string>
#include <vector>

#include "settings/shortcut_definitions.h"

namespace platform {
class Platform;
}

namespace tessaly {

// What the hook works for: the platform whose keyboard it reads, and the operations it
// runs by their automation names. Connect is the one target.
class HookTarget {
  public:
    virtual platform::Platform& Platform() = 0;
    // False for a name that is not an operation; `result` receives a text result.
    virtual bool CallByName(const std::string& name, std::string* result = nullptr) = 0;

  protected:
    ~HookTarget() = default;
};

// The installed hook's handle; 0 while no hook is installed.
extern int32_t lngHookHandle;
// Index 0 is a placeholder that is never examined; the entries follow in row order.
extern std::vector<KeyTableEntry> arrShortcutKeys;
// The Connect whose operations the hook calls by name.
extern HookTarget* objHookTarget;

// The hook procedure, with the shape of a Windows low-level keyboard hook procedure:
// lParam is the address of the 20-byte event record.
int32_t fncKeyboardHookProc(int32_t code, intptr_t wParam, intptr_t lParam);

}  // namespace tessaly
