#include "settings/settings_store.h"

#include <optional>

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

std::string ReadSetting(platform::Platform& platform, const std::string& section,
                        const std::string& key, const std::string& defaultText) {
    return GetSetting(platform.Settings(), kSettingsApp, section, key, defaultText);
}

void WriteSetting(platform::Platform& platform, const std::string& section, const std::string& key,
                  const std::string& value) {
    SaveSetting(platform.Settings(), kSettingsApp, section, key, value);
}

}  // namespace tessaly
