#pragma once

// Where the program talks to its user: the output, and (in the interactive shell) the
// input from which commands, message-box answers and window actions are read.

#include <iosfwd>
#include <optional>
#include <string>

namespace app {

// How marks are coloured on the terminal.
enum class ColorMode { None, Palette256, TrueColor };

// Whether standard output is a terminal that takes colours: not when NO_COLOR is set
// (to anything), nor for TERM "dumb" or unset. 24-bit colours when COLORTERM says so.
ColorMode DetectColorMode();
// "auto", "always", "never"; nothing for any other word.
std::optional<ColorMode> ColorModeFromWord(const std::string& word);

class Console {
  public:
    // Without input the console is not interactive: prompts read nothing.
    Console(std::ostream& out, std::istream* in, ColorMode colors = ColorMode::None);

    std::ostream& Out() { return out_; }
    bool Interactive() const { return in_ != nullptr; }
    ColorMode Colors() const { return colors_; }

    // Shows the prompt and reads one line; nothing at the end of the input or when the
    // console is not interactive.
    std::optional<std::string> ReadLine(const std::string& prompt);

  private:
    std::ostream& out_;
    std::istream* in_;
    ColorMode colors_;
};

}  // namespace app
