#pragma once

// The commands that open the add-in's windows (the bookmark list and the settings), and
// the closing of every loaded window at disconnection. Connect owns one.

#include <vector>

#include "host/host.h"

namespace platform {
class Platform;
}

namespace tessaly {

class BookmarkCommands;
class ShortcutKeys;
class WindowModel;
class clsBMs;

// The state of the composition root that the window commands read and write.
struct WindowContext {
    platform::Platform& platform;
    const host::Ref<host::Application>& objApp;  // empty while disconnected
    clsBMs& bms;
    BookmarkCommands& commands;
    ShortcutKeys& keys;
    bool& blnListBusy;
    // The add-in's windows that are loaded now, the one opened last at the end.
    std::vector<WindowModel*>& loadedWindows;
};

class WindowCommands {
  public:
    explicit WindowCommands(const WindowContext& context);

    void subCall_List();
    void subCall_Setting();
    void subUnloadWindows();

  private:
    clsBMs& BMs() { return bms_; }

    platform::Platform& platform_;
    const host::Ref<host::Application>& objApp;
    clsBMs& bms_;
    BookmarkCommands& commands_;
    ShortcutKeys& keys_;
    bool& blnListBusy;
    std::vector<WindowModel*>& loadedWindows;
};

}  // namespace tessaly
