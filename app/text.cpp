#include "app/text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace app {

std::vector<std::string> SplitWords(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i >= line.size()) break;
        // "#" standing alone starts a comment; "#FF0000" is a word.
        if (line[i] == '#' &&
            (i + 1 == line.size() || std::isspace(static_cast<unsigned char>(line[i + 1]))))
            break;
        std::string word;
        // A sheet name in single quotes at the start of a word keeps its blanks and its
        // quotes: 'My Sheet'!B3 ('' stands for a quote inside).
        if (line[i] == '\'') {
            word += line[i++];
            while (i < line.size()) {
                word += line[i];
                if (line[i] == '\'') {
                    if (i + 1 < line.size() && line[i + 1] == '\'') {
                        word += line[i + 1];
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
        }
        bool quoted = false;
        while (i < line.size()) {
            const char c = line[i];
            if (quoted) {
                if (c == '\\' && i + 1 < line.size()) {
                    word += line[i + 1];
                    i += 2;
                    continue;
                }
                if (c == '"') {
                    quoted = false;
                } else {
                    word += c;
                }
                ++i;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c))) break;
            if (c == '"') {
                quoted = true;
            } else {
                word += c;
            }
            ++i;
        }
        if (quoted) throw CommandError("A quoted word is not closed with \".");
        words.push_back(std::move(word));
    }
    return words;
}

std::string Trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string(text.substr(begin, end - begin));
}

bool IsBlankLine(std::string_view line) {
    const std::string trimmed = Trim(line);
    return trimmed.empty() || trimmed[0] == '#';
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return Lower(a) == Lower(b);
}

std::string WithoutAccessKey(std::string_view caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

std::string Sentence(std::string text) {
    if (text.empty()) return text;
    if (text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    const char last = text.back();
    if (last != '.' && last != '!' && last != '?') text += '.';
    return text;
}

std::string QuoteWord(const std::string& word) {
    bool plain = !word.empty() && word != "#";
    for (char c : word)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\\') plain = false;
    if (plain) return word;
    std::string out = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

namespace {

// Decodes one UTF-8 character at text[i]; a byte that starts no valid sequence counts
// as one character of its own.
char32_t NextCodePoint(std::string_view text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i);
    size_t length = 1;
    char32_t cp = b0;
    if (b0 >= 0xF0 && b0 < 0xF8) {
        length = 4;
        cp = b0 & 0x07;
    } else if (b0 >= 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
    }
    if (length > 1) {
        if (i + length > text.size()) {
            ++i;
            return 0xFFFD;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) {
                ++i;
                return 0xFFFD;
            }
            cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
    }
    i += length;
    return cp;
}

bool IsWide(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

int CharWidth(char32_t cp) {
    if (cp < 0x20 || cp == 0x7F) return 0;
    return IsWide(cp) ? 2 : 1;
}

}  // namespace

int DisplayWidth(std::string_view text) {
    int width = 0;
    for (size_t i = 0; i < text.size();) width += CharWidth(NextCodePoint(text, i));
    return width;
}

std::string FitToWidth(std::string_view text, int width) {
    std::string out;
    int used = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const char32_t cp = NextCodePoint(text, i);
        const int w = CharWidth(cp);
        if (w == 0) continue;  // control characters (line breaks) are not drawn
        if (used + w > width) break;
        out.append(text.substr(start, i - start));
        used += w;
    }
    out.append(static_cast<size_t>(width - used), ' ');
    return out;
}

namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0 when there is none.
size_t Utf8SequenceAt(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the byte after the lead
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(1) < low || byte(1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
    return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            // JSON is UTF-8: a byte that is not part of a character (a file name in
            // another encoding) becomes U+FFFD rather than making the output unreadable.
            const size_t length = Utf8SequenceAt(text, i);
            if (length == 0) {
                out += "\\ufffd";
            } else {
                out.append(text.substr(i, length));
                i += length - 1;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::optional<double> ParseNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    double value = 0;
    const char* begin = text.data();
    if (*begin == '+') ++begin;
    const auto result = std::from_chars(begin, text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    // "nan" and "inf" read as numbers but pass every range check unnoticed.
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int32_t> ParseInteger(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

int32_t ColumnNumber(std::string_view letters) {
    if (letters.empty() || letters.size() > 3) return 0;
    int32_t column = 0;
    for (char c : letters) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') return 0;
        column = column * 26 + (c - 'A' + 1);
    }
    return column <= 16384 ? column : 0;
}

std::string RgbText(int32_t color) {
    const auto value = static_cast<uint32_t>(color);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF);
    return buffer;
}

std::optional<int32_t> ParseColor(std::string_view text) {
    const auto hex = [](std::string_view digits) -> std::optional<uint32_t> {
        if (digits.empty() || digits.size() > 6) return std::nullopt;
        uint32_t value = 0;
        const auto result =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (result.ec != std::errc() || result.ptr != digits.data() + digits.size())
            return std::nullopt;
        return value;
    };
    if (text.size() > 2 && (text.substr(0, 2) == "&H" || text.substr(0, 2) == "&h")) {
        if (auto value = hex(text.substr(2))) return static_cast<int32_t>(*value);
        return std::nullopt;
    }
    if (!text.empty() && text[0] == '#') {
        if (text.size() != 7) return std::nullopt;
        auto value = hex(text.substr(1));
        if (!value) return std::nullopt;
        const uint32_t r = (*value >> 16) & 0xFF, g = (*value >> 8) & 0xFF, b = *value & 0xFF;
        return static_cast<int32_t>((b << 16) | (g << 8) | r);
    }
    std::optional<int32_t> value = ParseInteger(text);
    if (!value || *value < 0 || *value > 0xFFFFFF) return std::nullopt;
    return value;
}

}  // namespace app
