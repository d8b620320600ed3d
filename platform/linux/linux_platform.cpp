#include "platform/linux/linux_platform.h"

#include <unistd.h>

#include <chrono>

#include "platform/linux/locale_country.h"
#include "platform/linux/url_opener.h"

namespace linuxplatform {

LinuxPlatform::LinuxPlatform() = default;

LinuxPlatform::LinuxPlatform(std::filesystem::path settingsFile)
    : settings_(std::move(settingsFile)) {}

std::string LinuxPlatform::LocaleCountryName() {
    return LocaleCountryFromEnvironment();
}

bool LinuxPlatform::OpenUrl(const std::string& url) {
    return OpenUrlInBackground(url);
}

platform::MsgAnswer LinuxPlatform::MessageBox(const std::string& text, const std::string& caption,
                                              platform::MsgIcon icon,
                                              platform::MsgButtons buttons) {
    if (messageBox_) return messageBox_(text, caption, icon, buttons);
    return terminal_.Show(text, caption, icon, buttons);
}

void LinuxPlatform::SetMessageBoxHandler(MessageBoxHandler handler) {
    messageBox_ = std::move(handler);
}

void LinuxPlatform::Beep() {
    if (::isatty(STDERR_FILENO) == 1) (void)!::write(STDERR_FILENO, "\a", 1);
}

double LinuxPlatform::MonotonicSeconds() {
    using Seconds = std::chrono::duration<double>;
    return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace linuxplatform
