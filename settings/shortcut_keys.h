#pragma once

// The shortcut keys: the host's own meaning of each stored shortcut silenced while the
// keyboard hook runs the add-in's commands for them, and given back when it stops.

#include <string>

#include "host/host.h"

namespace platform {
class Platform;
}

namespace tessaly {

class HookTarget;

class ShortcutKeys {
  public:
    // `target` is what the hook calls by name; objApp is empty while disconnected.
    ShortcutKeys(platform::Platform& platform, const host::Ref<host::Application>& objApp,
                 HookTarget& target)
        : platform_(platform), objApp(objApp), target_(target) {}

    void subShortcutKeysOn();
    void subShortcutKeysOff();
    void subHookInstall();
    void subHookRemove();
    // The host's key string of a stored "modifiers+key" text.
    static std::string fncOnKeyString(const std::string& text);

  private:
    platform::Platform& platform_;
    const host::Ref<host::Application>& objApp;
    HookTarget& target_;
};

}  // namespace tessaly
