#include <algorithm>
#include <vector>

#include "forms/window_commands.h"
#include "forms/window_model.h"
#include "host/on_error.h"

namespace tessaly {

WindowCommands::WindowCommands(const WindowContext& context)
    : platform_(context.platform),
      objApp(context.objApp),
      bms_(context.bms),
      commands_(context.commands),
      keys_(context.keys),
      blnListBusy(context.blnListBusy),
      loadedWindows(context.loadedWindows) {}

// Every loaded window closes through its own closing steps (the list window saves its
// placement), the one opened last first. A modal window closed this way ends its show.
void WindowCommands::subUnloadWindows() {
    const std::vector<WindowModel*> windows = loadedWindows;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        WindowModel* window = *it;
        // Closing one window may have closed another.
        if (std::find(loadedWindows.begin(), loadedWindows.end(), window) == loadedWindows.end())
            continue;
        host::SkipOnError([&] { window->Unload(UnloadMode::FormCode); });
    }
}

}  // namespace tessaly
