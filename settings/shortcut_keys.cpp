#include "settings/shortcut_keys.h"

#include <optional>
#include <string>
#include <vector>

#include "host/on_error.h"
#include "settings/settings_store.h"
#include "settings/shortcut_definitions.h"

namespace tessaly {

std::string ShortcutKeys::fncOnKeyString(const std::string& text) {
    return HostKeyString(text);
}

namespace {

// "modifiers+key" of every row that has anything stored, read afresh from the store.
std::vector<std::string> StoredShortcuts(platform::Platform& platform) {
    std::vector<std::string> shortcuts;
    for (int32_t row = 0; row < kShortcutRowCount; ++row) {
        std::string combined =
            ReadSetting(platform, setting::kSection, ShortcutModifierSettingKey(row), "") + "+" +
            ReadSetting(platform, setting::kSection, ShortcutKeyNameSettingKey(row), "");
        if (combined != "+") shortcuts.push_back(std::move(combined));
    }
    return shortcuts;
}

}  // namespace

// Silences the host's own meaning of every stored shortcut, then installs the hook.
// A key string the host rejects (a modifier without a key) only skips its row.
void ShortcutKeys::subShortcutKeysOn() {
    for (const std::string& shortcut : StoredShortcuts(platform_)) {
        host::SkipOnError([&] {
            if (objApp) objApp->OnKey(fncOnKeyString(shortcut), std::string());
        });
    }
    subHookInstall();
}

// Gives every stored shortcut its host meaning back, then removes the hook. The store
// is read afresh, so the settings window switches off before it saves new keys.
void ShortcutKeys::subShortcutKeysOff() {
    for (const std::string& shortcut : StoredShortcuts(platform_)) {
        host::SkipOnError([&] {
            if (objApp) objApp->OnKey(fncOnKeyString(shortcut), std::nullopt);
        });
    }
    subHookRemove();
}

}  // namespace tessaly
