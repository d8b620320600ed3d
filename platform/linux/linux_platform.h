#pragma once

// The platform of a Linux desktop: settings in a file under the user's configuration
// directory, the country of the POSIX locale, URLs opened with xdg-open, message boxes
// on the terminal, and a clipboard inside the process.

#include <filesystem>
#include <functional>
#include <string>

#include "platform/linux/file_settings_store.h"
#include "platform/linux/memory_clipboard.h"
#include "platform/linux/terminal_message_box.h"
#include "platform/platform.h"

namespace linuxplatform {

class LinuxPlatform : public platform::Platform {
  public:
    using MessageBoxHandler =
        std::function<platform::MsgAnswer(const std::string& text, const std::string& caption,
                                          platform::MsgIcon icon, platform::MsgButtons buttons)>;

    // Settings at FileSettingsStore::DefaultPath().
    LinuxPlatform();
    explicit LinuxPlatform(std::filesystem::path settingsFile);

    platform::SettingsStore& Settings() override { return settings_; }
    std::string LocaleCountryName() override;
    bool OpenUrl(const std::string& url) override;
    platform::MsgAnswer MessageBox(const std::string& text, const std::string& caption,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) override;
    void Beep() override;
    double MonotonicSeconds() override;
    platform::Clipboard& Clipboard() override { return clipboard_; }

    // A front end shows message boxes its own way; nullptr restores the terminal.
    void SetMessageBoxHandler(MessageBoxHandler handler);

    FileSettingsStore& FileSettings() { return settings_; }
    MemoryClipboard& ProcessClipboard() { return clipboard_; }

  private:
    FileSettingsStore settings_;
    MemoryClipboard clipboard_;
    TerminalMessageBox terminal_;
    MessageBoxHandler messageBox_;
};

}  // namespace linuxplatform
