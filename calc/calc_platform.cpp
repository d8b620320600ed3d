#include "calc/calc_platform.h"

#include <com/sun/star/awt/MessageBoxButtons.hpp>
#include <com/sun/star/awt/MessageBoxResults.hpp>
#include <com/sun/star/awt/MessageBoxType.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/system/SystemShellExecute.hpp>
#include <com/sun/star/system/SystemShellExecuteFlags.hpp>

#include <chrono>
#include <cstdio>

#include "calc/calc_host.h"
#include "calc/uno_calls.h"
#include "platform/linux/locale_country.h"

namespace tessaly::calc {

namespace uno = css::uno;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

CalcPlatform::CalcPlatform(Reference<uno::XComponentContext> context)
    : context_(std::move(context)), windows_(context_) {}

std::string CountryOfUiLocale(const std::string& tag) {
    if (tag == "ja" || tag.rfind("ja-", 0) == 0) return "Japan";
    const auto dash = tag.find('-');
    if (dash == std::string::npos) return {};
    return linuxplatform::CountryNameOfTerritory(tag.substr(dash + 1, 2));
}

std::string CalcPlatform::LocaleCountryName() {
    const std::string tag = ConfigurationText(context_, "/org.openoffice.Setup/L10N", "ooLocale");
    // An empty UI locale follows the system's.
    if (tag.empty()) return linuxplatform::LocaleCountryFromEnvironment();
    return CountryOfUiLocale(tag);
}

bool CalcPlatform::OpenUrl(const std::string& url) {
    try {
        auto shell = css::system::SystemShellExecute::create(context_);
        shell->execute(Uno(url), OUString(), css::system::SystemShellExecuteFlags::URIS_ONLY);
        return true;
    } catch (const uno::Exception&) {
        return false;
    }
}

platform::MsgAnswer CalcPlatform::MessageBox(const std::string& text, const std::string& caption,
                                             platform::MsgIcon icon, platform::MsgButtons buttons) {
    using platform::MsgAnswer;
    // A headless office cannot show a box and would wait for it for ever: the message
    // goes to the office's error output and is answered with its default button, OK, as
    // pressing Enter would.
    if (OfficeIsHeadless()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return MsgAnswer::OK;
    }
    try {
        auto desktop = css::frame::Desktop::create(context_);
        Reference<css::awt::XWindowPeer> parent;
        if (auto frame = desktop->getCurrentFrame(); frame.is())
            parent.set(frame->getContainerWindow(), UNO_QUERY);
        Reference<css::awt::XMessageBoxFactory> factory(css::awt::Toolkit::create(context_),
                                                        UNO_QUERY_THROW);
        css::awt::MessageBoxType type = css::awt::MessageBoxType_MESSAGEBOX;
        switch (icon) {
            case platform::MsgIcon::Critical:
                type = css::awt::MessageBoxType_ERRORBOX;
                break;
            case platform::MsgIcon::Question:
                type = css::awt::MessageBoxType_QUERYBOX;
                break;
            case platform::MsgIcon::Exclamation:
                type = css::awt::MessageBoxType_WARNINGBOX;
                break;
            case platform::MsgIcon::Information:
                type = css::awt::MessageBoxType_INFOBOX;
                break;
            case platform::MsgIcon::None:
                break;
        }
        const sal_Int32 shown = buttons == platform::MsgButtons::OKCancel
                                    ? css::awt::MessageBoxButtons::BUTTONS_OK_CANCEL
                                    : css::awt::MessageBoxButtons::BUTTONS_OK;
        // The string table breaks lines with CR LF; the office's boxes want LF.
        std::string body = text;
        for (size_t at = body.find("\r\n"); at != std::string::npos; at = body.find("\r\n", at))
            body.erase(at, 1);
        auto box = factory->createMessageBox(parent, type, shown, Uno(caption), Uno(body));
        const sal_Int16 answer = box->execute();
        return answer == css::awt::MessageBoxResults::OK ? MsgAnswer::OK : MsgAnswer::Cancel;
    } catch (const uno::Exception&) {
        return MsgAnswer::Cancel;
    }
}

double CalcPlatform::MonotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace tessaly::calc
