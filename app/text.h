#pragma once

// Small text helpers of the tessaly program: command-line words, captions, terminal
// widths, JSON strings and user-facing sentences.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "text/references.h"

namespace app {

// A command that cannot run; the text is one sentence fit to show to the user.
class CommandError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Splits a command line into words. Double quotes group words ("My Sheet"), a backslash
// inside quotes escapes the next character, a word that starts with a single quote keeps
// it and runs on to the closing one ('My Sheet'!B3), and a "#" standing alone outside
// quotes starts a comment ("#FF0000" is a word). Throws CommandError for an unterminated
// double quote.
std::vector<std::string> SplitWords(std::string_view line);

// The text without blanks at either end.
std::string Trim(std::string_view text);
// True for a line with nothing but blanks, or a comment (its first word starts with "#").
bool IsBlankLine(std::string_view line);

// ASCII lower case; other bytes are left alone.
std::string Lower(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// A caption without its access-key marker: "&Add/Delete of bookmark" -> "Add/Delete of
// bookmark"; "&&" stands for one "&".
std::string WithoutAccessKey(std::string_view caption);

// The first letter upper-cased and a full stop added when the text ends without one.
std::string Sentence(std::string text);

// The text quoted for a command line when it has blanks or quotes, as SplitWords reads it.
std::string QuoteWord(const std::string& word);

// Columns a UTF-8 text takes on a terminal (East Asian wide characters take two).
int DisplayWidth(std::string_view text);
// The text cut to at most `width` columns (whole characters only) and padded with blanks
// to exactly `width`.
std::string FitToWidth(std::string_view text, int width);

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// A finite number as written in scripts: "3", "-1", "0.25". Nothing when the text is not
// one (also for "nan" and "inf").
std::optional<double> ParseNumber(std::string_view text);
std::optional<int32_t> ParseInteger(std::string_view text);

// Column letters of a 1-based column number ("A", "AB"), and back (0 when invalid).
using tessaly::ColumnLetters;
int32_t ColumnNumber(std::string_view letters);

// A sheet name as a reference writes it: quoted with '' when it needs quotes.
using tessaly::QuotedSheetName;

// A Windows colour value 0x00BBGGRR as "#RRGGBB".
std::string RgbText(int32_t color);
// A colour as a user writes it: decimal ("8388608"), "&H800000" (blue, green, red, as
// the settings store it) or "#000080" (red, green, blue). Nothing for other text.
std::optional<int32_t> ParseColor(std::string_view text);

}  // namespace app
