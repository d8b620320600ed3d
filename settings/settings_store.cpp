#include "settings/settings_store.h"

#include <map>
#include <optional>
#include <utility>

#include "locale/const.h"
#include "platform/platform.h"

namespace tessaly {

std::string GetSetting(platform::SettingsStore& store, const std::string& app,
                       const std::string& section, const std::string& key,
                       const std::string& defaultText) {
    std::optional<std::string> stored = store.Read(app, section, key);
    return stored ? *stored : defaultText;
}

std::string GetSetting(platform::SettingsStore& store, const std::string& app,
                       const std::string& section, const std::string& key, int64_t defaultNumber) {
    return GetSetting(store, app, section, key, std::to_string(defaultNumber));
}

void SaveSetting(platform::SettingsStore& store, const std::string& app, const std::string& section,
                 const std::string& key, const std::string& value) {
    store.Write(app, section, key, value);
}

namespace {

// The values read in the outermost live SettingsReadScope; one thread, so one memo.
struct SettingsMemo {
    platform::Platform* platform = nullptr;
    std::map<std::pair<std::string, std::string>, std::optional<std::string>> values;
};
std::optional<SettingsMemo> activeMemo;

SettingsMemo* MemoFor(platform::Platform& platform) {
    return activeMemo && activeMemo->platform == &platform ? &*activeMemo : nullptr;
}

}  // namespace

SettingsReadScope::SettingsReadScope(platform::Platform& platform) {
    if (activeMemo) return;
    activeMemo.emplace().platform = &platform;
    owner_ = true;
}

SettingsReadScope::~SettingsReadScope() {
    if (owner_) activeMemo.reset();
}

std::string ReadSetting(platform::Platform& platform, const std::string& section,
                        const std::string& key, const std::string& defaultText) {
    SettingsMemo* memo = MemoFor(platform);
    if (!memo) return GetSetting(platform.Settings(), kSettingsApp, section, key, defaultText);
    auto [entry, added] = memo->values.try_emplace({section, key});
    if (added) entry->second = platform.Settings().Read(kSettingsApp, section, key);
    return entry->second ? *entry->second : defaultText;
}

void WriteSetting(platform::Platform& platform, const std::string& section, const std::string& key,
                  const std::string& value) {
    SaveSetting(platform.Settings(), kSettingsApp, section, key, value);
    if (SettingsMemo* memo = MemoFor(platform)) memo->values[{section, key}] = value;
}

}  // namespace tessaly
