#include "platform/linux/terminal_message_box.h"

#include <unistd.h>

#include <iostream>

namespace linuxplatform {

namespace {

const char* IconWord(platform::MsgIcon icon) {
    switch (icon) {
        case platform::MsgIcon::Critical:
            return "error";
        case platform::MsgIcon::Question:
            return "question";
        case platform::MsgIcon::Exclamation:
            return "warning";
        case platform::MsgIcon::Information:
            return "information";
        case platform::MsgIcon::None:
            break;
    }
    return nullptr;
}

// The texts break lines with CR LF; a terminal wants LF alone.
std::string TerminalLines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

std::string LowerTrimmed(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

}  // namespace

TerminalMessageBox::TerminalMessageBox()
    : TerminalMessageBox(std::cin, std::cerr, ::isatty(STDIN_FILENO) == 1) {}

TerminalMessageBox::TerminalMessageBox(std::istream& in, std::ostream& out, bool interactive)
    : in_(in), out_(out), interactive_(interactive) {}

platform::MsgAnswer TerminalMessageBox::Show(const std::string& text, const std::string& caption,
                                             platform::MsgIcon icon, platform::MsgButtons buttons) {
    out_ << "[" << caption << "]";
    if (const char* word = IconWord(icon)) out_ << " (" << word << ")";
    out_ << "\n" << TerminalLines(text) << "\n";
    const bool withCancel = buttons == platform::MsgButtons::OKCancel;
    if (!interactive_) {
        out_ << "-> OK\n";
        out_.flush();
        return platform::MsgAnswer::OK;
    }
    for (;;) {
        out_ << (withCancel ? "[O]K / [C]ancel? " : "[O]K ") << std::flush;
        std::string line;
        if (!std::getline(in_, line)) {
            // The input was closed, as a box is closed without choosing.
            out_ << "\n";
            return withCancel ? platform::MsgAnswer::Cancel : platform::MsgAnswer::OK;
        }
        const std::string answer = LowerTrimmed(line);
        if (!withCancel || answer.empty() || answer == "o" || answer == "ok")
            return platform::MsgAnswer::OK;
        if (answer == "c" || answer == "cancel") return platform::MsgAnswer::Cancel;
    }
}

}  // namespace linuxplatform
