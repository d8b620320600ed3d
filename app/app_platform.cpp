#include "app/app_platform.h"

#include <ostream>
#include <sstream>

#include "app/text.h"
#include "platform/linux/locale_country.h"
#include "platform/linux/url_opener.h"

namespace app {

namespace {

const char* IconWord(platform::MsgIcon icon) {
    switch (icon) {
        case platform::MsgIcon::Critical:
            return "critical";
        case platform::MsgIcon::Question:
            return "question";
        case platform::MsgIcon::Exclamation:
            return "exclamation";
        case platform::MsgIcon::Information:
            return "information";
        case platform::MsgIcon::None:
            break;
    }
    return "no icon";
}

// The add-in's texts break lines with CR LF or LF; each line is shown on its own.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    lines.push_back(line);
    return lines;
}

}  // namespace

std::string AnswerWord(platform::MsgAnswer answer) {
    return answer == platform::MsgAnswer::Cancel ? "Cancel" : "OK";
}

std::optional<platform::MsgAnswer> AnswerFromWord(const std::string& word) {
    const std::string w = Lower(word);
    if (w == "ok" || w == "o") return platform::MsgAnswer::OK;
    if (w == "cancel" || w == "c") return platform::MsgAnswer::Cancel;
    return std::nullopt;
}

AppPlatform::AppPlatform(Console& console, std::filesystem::path settingsFile)
    : console_(console), settings_(std::move(settingsFile)) {
    settings_.SetWarningSink(
        [this](const std::string& message) { console_.Out() << "  warning: " << message << '\n'; });
}

std::string AppPlatform::LocaleCountryName() {
    return country_ ? *country_ : linuxplatform::LocaleCountryFromEnvironment();
}

bool AppPlatform::OpenUrl(const std::string& url) {
    console_.Out() << "  browser opens " << url << '\n';
    if (opensBrowser_) return linuxplatform::OpenUrlInBackground(url);
    return true;
}

platform::MsgAnswer AppPlatform::MessageBox(const std::string& text, const std::string& caption,
                                            platform::MsgIcon icon, platform::MsgButtons buttons) {
    std::ostream& out = console_.Out();
    const bool withCancel = buttons == platform::MsgButtons::OKCancel;
    out << "  message box \"" << caption << "\" (" << IconWord(icon) << ", "
        << (withCancel ? "OK/Cancel" : "OK") << "):\n";
    for (const std::string& line : Lines(text)) out << "    " << line << '\n';

    platform::MsgAnswer answer = platform::MsgAnswer::OK;
    if (withCancel && !answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else if (console_.Interactive()) {
        for (;;) {
            std::optional<std::string> line =
                console_.ReadLine(withCancel ? "    [O]K / [C]ancel? " : "    [O]K ");
            if (!line) {
                // The input ended, as a box is closed without choosing.
                answer = withCancel ? platform::MsgAnswer::Cancel : platform::MsgAnswer::OK;
                break;
            }
            std::istringstream words(*line);
            std::string word;
            words >> word;
            if (word.empty()) {  // Enter takes the default button, OK
                answer = platform::MsgAnswer::OK;
                break;
            }
            std::optional<platform::MsgAnswer> chosen = AnswerFromWord(word);
            if (chosen && (withCancel || *chosen == platform::MsgAnswer::OK)) {
                answer = *chosen;
                break;
            }
        }
    }
    out << "    -> " << AnswerWord(answer) << '\n';
    return answer;
}

void AppPlatform::Beep() {
    console_.Out() << "  (beep)\n";
    if (console_.Interactive()) console_.Out() << '\a';
}

}  // namespace app
