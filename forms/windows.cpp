#include <algorithm>
#include <vector>

#include "addin/Connect.h"
#include "forms/window_model.h"
#include "host/on_error.h"

namespace tessaly {

// Every loaded window closes through its own closing steps (the list window saves its
// placement), the one opened last first. A modal window closed this way ends its show.
void Connect::subUnloadWindows() {
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
