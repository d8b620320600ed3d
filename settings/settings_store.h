#pragma once

// GetSetting / SaveSetting over the platform's store, and the add-in's setting names.

#include <cstdint>
#include <string>

namespace platform {
class Platform;
class SettingsStore;
}  // namespace platform

namespace tessaly {

// The stored text, or the default when the value is absent.
std::string GetSetting(platform::SettingsStore& store, const std::string& app,
                       const std::string& section, const std::string& key,
                       const std::string& defaultText);
std::string GetSetting(platform::SettingsStore& store, const std::string& app,
                       const std::string& section, const std::string& key, int64_t defaultNumber);
void SaveSetting(platform::SettingsStore& store, const std::string& app, const std::string& section,
                 const std::string& key, const std::string& value);

// The add-in's own values: application "QEL_BOOKMARK_VEROZARA".
std::string ReadSetting(platform::Platform& platform, const std::string& section,
                        const std::string& key, const std::string& defaultText);
void WriteSetting(platform::Platform& platform, const std::string& section, const std::string& key,
                  const std::string& value);

// While one lives, ReadSetting reads each of the add-in's values from the store once: a
// command that asks for "Mark" and "Color" for every bookmark it makes would otherwise
// make a store round trip (a registry read) per bookmark. WriteSetting writes through.
// Scopes nest; the outermost one keeps the values, for its platform only.
class SettingsReadScope {
  public:
    explicit SettingsReadScope(platform::Platform& platform);
    ~SettingsReadScope();
    SettingsReadScope(const SettingsReadScope&) = delete;
    SettingsReadScope& operator=(const SettingsReadScope&) = delete;

  private:
    bool owner_ = false;
};

namespace setting {
inline constexpr const char* kSection = "Setting";
inline constexpr const char* kBarSection = "Bar";
inline constexpr const char* kFormJumpSection = "FormJump";

inline constexpr const char* kVector = "Vector";
inline constexpr const char* kVectorDefault = "ROW";
inline constexpr const char* kConfirm = "Confirm";
inline constexpr const char* kConfirmDefault = "1";
inline constexpr const char* kMark = "Mark";
inline constexpr const char* kMarkDefault = "TRUE";
inline constexpr const char* kColor = "Color";
inline constexpr const char* kColorDefault = "&H800000";
inline constexpr const char* kSaveMark = "SaveMark";
inline constexpr const char* kSaveMarkDefault = "0";
}  // namespace setting

}  // namespace tessaly
