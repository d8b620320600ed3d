#include "app/console.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace app {

ColorMode DetectColorMode() {
    if (std::getenv("NO_COLOR") != nullptr) return ColorMode::None;
    if (::isatty(STDOUT_FILENO) != 1) return ColorMode::None;
    const char* term = std::getenv("TERM");
    if (term == nullptr || std::string(term).empty() || std::string(term) == "dumb")
        return ColorMode::None;
    const char* colorterm = std::getenv("COLORTERM");
    if (colorterm != nullptr) {
        const std::string value = colorterm;
        if (value == "truecolor" || value == "24bit") return ColorMode::TrueColor;
    }
    return ColorMode::Palette256;
}

std::optional<ColorMode> ColorModeFromWord(const std::string& word) {
    if (word == "auto") return DetectColorMode();
    if (word == "always") return ColorMode::TrueColor;
    if (word == "never") return ColorMode::None;
    return std::nullopt;
}

Console::Console(std::ostream& out, std::istream* in, ColorMode colors)
    : out_(out), in_(in), colors_(colors) {}

std::optional<std::string> Console::ReadLine(const std::string& prompt) {
    if (in_ == nullptr) return std::nullopt;
    out_ << prompt << std::flush;
    std::string line;
    if (!std::getline(*in_, line)) {
        out_ << '\n';
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace app
