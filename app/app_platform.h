#pragma once

// The operating system as the add-in sees it inside the tessaly program: the simulated
// desktop (clock, clipboard, keyboard, window front end) with this machine's settings
// file and locale, and message boxes, beeps and web links shown on the console.

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/console.h"
#include "platform/linux/file_settings_store.h"
#include "sim/sim_platform.h"

namespace app {

class AppPlatform : public sim::SimPlatform {
  public:
    AppPlatform(Console& console, std::filesystem::path settingsFile);

    platform::SettingsStore& Settings() override { return settings_; }
    std::string LocaleCountryName() override;
    bool OpenUrl(const std::string& url) override;
    platform::MsgAnswer MessageBox(const std::string& text, const std::string& caption,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) override;
    void Beep() override;

    // The country the next connection sees; nothing: the locale's.
    void SetCountryOverride(std::optional<std::string> country) { country_ = std::move(country); }
    // Whether web links start the desktop's browser (else they are only reported).
    void SetOpensBrowser(bool opens) { opensBrowser_ = opens; }

    // Answers for the next boxes with OK and Cancel, in order. OK-only boxes need none.
    void QueueAnswer(platform::MsgAnswer answer) { answers_.push_back(answer); }
    size_t QueuedAnswers() const { return answers_.size(); }
    void ClearAnswers() { answers_.clear(); }

    linuxplatform::FileSettingsStore& FileSettings() { return settings_; }

  private:
    Console& console_;
    linuxplatform::FileSettingsStore settings_;
    std::optional<std::string> country_;
    std::deque<platform::MsgAnswer> answers_;
    bool opensBrowser_ = false;
};

// "OK", "Cancel".
std::string AnswerWord(platform::MsgAnswer answer);
// "ok" / "cancel" in any case; nothing for another word.
std::optional<platform::MsgAnswer> AnswerFromWord(const std::string& word);

}  // namespace app
