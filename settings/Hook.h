#pragma once

// Module Hook: the key table and the low-level keyboard hook that runs the shortcut
// commands. One set of globals per process, written only when the hook is installed
// or removed, on the host's user-interface thread.

#include <cstdint>
#include <vector>

#include "settings/shortcut_definitions.h"

namespace tessaly {

class Connect;

// The installed hook's handle; 0 while no hook is installed.
extern int32_t lngHookHandle;
// Index 0 is a placeholder that is never examined; the entries follow in row order.
extern std::vector<KeyTableEntry> arrShortcutKeys;
// The Connect whose operations the hook calls by name.
extern Connect* objHookTarget;

// The hook procedure, with the shape of a Windows low-level keyboard hook procedure:
// lParam is the address of the 20-byte event record.
int32_t fncKeyboardHookProc(int32_t code, intptr_t wParam, intptr_t lParam);

}  // namespace tessaly
