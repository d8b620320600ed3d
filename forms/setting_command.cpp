// The settings command: the settings window, with the shortcut keys off while it is
// open and the marks and keys following the new settings afterwards.

#include <algorithm>
#include <string>

#include "bookmarks/clsBMs.h"
#include "commands/bookmark_commands.h"
#include "forms/frmSetting.h"
#include "forms/window_commands.h"
#include "host/on_error.h"
#include "locale/messages.h"
#include "settings/settings_store.h"
#include "settings/shortcut_keys.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

// What the marks depend on, in one text that changes when either changes.
std::string MarkAndColor(platform::Platform& platform) {
    return ReadSetting(platform, setting::kSection, setting::kMark, setting::kMarkDefault) + "\t" +
           ReadSetting(platform, setting::kSection, setting::kColor, setting::kColorDefault);
}

bool IsLoaded(const std::vector<WindowModel*>& windows, const std::string& name) {
    return std::any_of(windows.begin(), windows.end(),
                       [&](const WindowModel* w) { return w->Name() == name; });
}

}  // namespace

void WindowCommands::subCall_Setting() {
    if (!commands_.HostIsReady()) return;
    // One settings window at a time: a second would switch the keys back on under the
    // first.
    if (IsLoaded(loadedWindows, "frmSetting")) return;

    host::StopQuietlyOnError([&] {
        keys_.subShortcutKeysOff();
        const std::string before = MarkAndColor(platform_);

        {
            frmSetting form(platform_);
            form.SetLoadedList(&loadedWindows);
            form.ShowModal();
        }

        // Disconnected while the window was open: marks and keys are no longer ours.
        if (!objApp) return;
        if (MarkAndColor(platform_) != before) {
            const bool marks = CBool(
                ReadSetting(platform_, setting::kSection, setting::kMark, setting::kMarkDefault));
            if (!BMs().MarkReset(marks))
                ShowResMessage(platform_, str::kMarksNotUpdatedMessage,
                               platform::MsgIcon::Critical);
        }
    });

    // On every way out, so that a failure above cannot leave the keys off for the rest
    // of the session.
    if (objApp) host::SkipOnError([&] { keys_.subShortcutKeysOn(); });
}

}  // namespace tessaly
