#pragma once

// The platform inside LibreOffice: the settings file the tessaly program uses, the UI
// language LibreOffice shows, the office's own message boxes and its system shell for
// web pages, and the add-in's windows as the office's dialogs (calc/dialog_front_end.h).
// There is no keyboard hook: the shortcut keys are accelerators.

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "calc/dialog_front_end.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/memory_clipboard.h"
#include "platform/platform.h"

namespace tessaly::calc {

class CalcPlatform final : public platform::Platform {
  public:
    explicit CalcPlatform(
        com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context);

    platform::SettingsStore& Settings() override { return settings_; }
    // "Japan" while LibreOffice speaks Japanese; otherwise the country of its UI locale.
    std::string LocaleCountryName() override;
    bool OpenUrl(const std::string& url) override;
    platform::MsgAnswer MessageBox(const std::string& text, const std::string& caption,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) override;
    void Beep() override {}
    double MonotonicSeconds() override;
    platform::Clipboard& Clipboard() override { return clipboard_; }
    platform::Windows& Windows() override { return windows_; }

  private:
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
    linuxplatform::FileSettingsStore settings_;
    linuxplatform::MemoryClipboard clipboard_;
    CalcWindows windows_;
};

// The country the language decision is given for a UI locale tag ("ja", "en-US").
std::string CountryOfUiLocale(const std::string& tag);

}  // namespace tessaly::calc
