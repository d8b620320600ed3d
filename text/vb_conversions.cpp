#include "text/vb_conversions.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>

#include "host/host_error.h"

namespace tessaly {

namespace {

[[noreturn]] void TypeMismatch() {
    host::Raise(host::err::kTypeMismatch, "Type mismatch");
}
[[noreturn]] void Overflow() {
    host::Raise(host::err::kOverflow, "Overflow");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int HexDigit(char c) {
    if (IsDigit(c)) return c - '0';
    const char u = Upper(c);
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// A hexadecimal or octal literal takes the smallest of the runtime's integer types
// that holds its bits: up to 16 bits it is an Integer (so "&HFFFF" is -1), up to 32
// bits a Long ("&HFFFFFFFF" is -1). Nothing when it needs more than 32 bits.
std::optional<double> RadixLiteralValue(uint64_t bits) {
    if (bits <= 0xFFFFu) return static_cast<double>(static_cast<int16_t>(bits));
    if (bits <= 0xFFFFFFFFu) return static_cast<double>(static_cast<int32_t>(bits));
    return std::nullopt;
}

// The digits of an "&H"/"&O" literal, read one at a time from `next` until it gives
// nothing or a character that is not a digit of the radix.
struct RadixDigits {
    size_t count = 0;
    uint64_t bits = 0;
    double exact = 0.0;  // the digits' value even when wider than 64 bits
    bool tooWide = false;
};

template <class NextChar>
RadixDigits ReadRadixDigits(int radix, NextChar&& next) {
    RadixDigits result;
    for (;;) {
        std::optional<char> c = next();
        if (!c) break;
        int d = HexDigit(*c);
        if (d < 0 || d >= radix) break;
        if (result.bits > (std::numeric_limits<uint64_t>::max() >> 4)) result.tooWide = true;
        result.bits = result.bits * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
        result.exact = result.exact * radix + d;
        ++result.count;
    }
    return result;
}

int RadixOf(char prefix) {
    switch (Upper(prefix)) {
        case 'H':
            return 16;
        case 'O':
            return 8;
        default:
            return 0;
    }
}

// The whole text as one number, as the runtime's string-to-number coercion reads it:
// surrounding blanks, an optional sign, digits with at most one decimal point and an
// optional exponent ("E" or "D"); or an "&H"/"&O" literal. Nothing when the text is
// not a number; raises overflow when the literal is wider than 32 bits.
std::optional<double> ParseWholeNumber(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    std::string_view t = text.substr(begin, end - begin);
    if (t.empty()) return std::nullopt;

    if (t.size() >= 2 && t[0] == '&') {
        const int radix = RadixOf(t[1]);
        if (radix == 0) return std::nullopt;
        size_t i = 2;
        RadixDigits digits = ReadRadixDigits(radix, [&]() -> std::optional<char> {
            if (i >= t.size()) return std::nullopt;
            return t[i++];
        });
        // ReadRadixDigits consumed the first non-digit too; it must be the end.
        if (digits.count == 0 || digits.count != t.size() - 2) return std::nullopt;
        if (digits.tooWide) Overflow();
        std::optional<double> value = RadixLiteralValue(digits.bits);
        if (!value) Overflow();
        return value;
    }

    std::string normal;
    normal.reserve(t.size());
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') normal += t[i++];
    size_t mantissaDigits = 0;
    while (i < t.size() && IsDigit(t[i])) normal += t[i++], ++mantissaDigits;
    if (i < t.size() && t[i] == '.') {
        normal += t[i++];
        while (i < t.size() && IsDigit(t[i])) normal += t[i++], ++mantissaDigits;
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < t.size() && (Upper(t[i]) == 'E' || Upper(t[i]) == 'D')) {
        normal += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
        size_t exponentDigits = 0;
        while (i < t.size() && IsDigit(t[i])) normal += t[i++], ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;

    const double value = std::strtod(normal.c_str(), nullptr);
    if (std::isinf(value)) Overflow();
    return value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

std::string_view TrimBlanks(std::string_view t) {
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
    return t;
}

}  // namespace

bool CBool(const std::string& text) {
    std::string_view t = TrimBlanks(text);
    if (EqualsIgnoringCase(t, "True")) return true;
    if (EqualsIgnoringCase(t, "False")) return false;
    std::optional<double> number = ParseWholeNumber(text);
    if (!number) TypeMismatch();
    return *number != 0.0;
}

int32_t CLng(const std::string& text) {
    std::optional<double> number = ParseWholeNumber(text);
    if (!number) TypeMismatch();
    return RoundHalfEven(*number);
}

float CSng(const std::string& text) {
    std::optional<double> number = ParseWholeNumber(text);
    if (!number) TypeMismatch();
    if (std::fabs(*number) > static_cast<double>(std::numeric_limits<float>::max())) Overflow();
    return static_cast<float>(*number);
}

double Val(const std::string& text) {
    // Blanks, tabs and line feeds are ignored wherever they stand, even between digits.
    size_t pos = 0;
    auto next = [&]() -> std::optional<char> {
        while (pos < text.size() && (IsBlank(text[pos]) || text[pos] == '\n')) ++pos;
        if (pos >= text.size()) return std::nullopt;
        return text[pos++];
    };
    auto peek = [&]() -> std::optional<char> {
        const size_t saved = pos;
        std::optional<char> c = next();
        pos = saved;
        return c;
    };

    std::optional<char> first = peek();
    if (!first) return 0.0;

    if (*first == '&') {
        next();
        std::optional<char> prefix = next();
        const int radix = prefix ? RadixOf(*prefix) : 0;
        if (radix == 0) return 0.0;
        RadixDigits digits = ReadRadixDigits(radix, [&]() -> std::optional<char> {
            std::optional<char> c = peek();
            if (c && HexDigit(*c) >= 0 && HexDigit(*c) < radix)
                next();
            else
                return std::nullopt;
            return c;
        });
        if (digits.count == 0) return 0.0;
        if (digits.tooWide || digits.bits > 0xFFFFFFFFu) {
            // Wider than 32 bits: the runtime would fail; this reader never does, so the
            // digits count as written.
            return digits.exact;
        }
        // A trailing "&" (the Long type suffix) keeps a 16-bit literal unsigned:
        // "&HFFFF&" is 65535 where "&HFFFF" is -1.
        if (digits.bits <= 0xFFFFu && peek() == '&') return static_cast<double>(digits.bits);
        return *RadixLiteralValue(digits.bits);
    }

    std::string normal;
    if (*first == '+' || *first == '-') normal += *next();
    size_t mantissaDigits = 0;
    for (std::optional<char> c = peek(); c && IsDigit(*c); c = peek())
        normal += *next(), ++mantissaDigits;
    if (peek() == '.') {
        normal += *next();
        for (std::optional<char> c = peek(); c && IsDigit(*c); c = peek())
            normal += *next(), ++mantissaDigits;
    }
    if (mantissaDigits == 0) return 0.0;

    std::optional<char> e = peek();
    if (e && (Upper(*e) == 'E' || Upper(*e) == 'D')) {
        const size_t beforeExponent = pos;
        std::string exponent = "e";
        next();
        std::optional<char> sign = peek();
        if (sign == '+' || sign == '-') exponent += *next();
        size_t exponentDigits = 0;
        for (std::optional<char> c = peek(); c && IsDigit(*c); c = peek())
            exponent += *next(), ++exponentDigits;
        if (exponentDigits > 0)
            normal += exponent;
        else
            pos = beforeExponent;
    }
    return std::strtod(normal.c_str(), nullptr);
}

int32_t RoundHalfEven(double value) {
    if (std::isnan(value)) Overflow();
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double rounded = lower;
    if (fraction > 0.5) {
        rounded = lower + 1.0;
    } else if (fraction == 0.5) {
        rounded = (std::fmod(lower, 2.0) == 0.0) ? lower : lower + 1.0;
    }
    if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<int32_t>::max()))
        Overflow();
    return static_cast<int32_t>(rounded);
}

std::string UCase(std::string text) {
    for (char& c : text) c = Upper(c);
    return text;
}

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    if (what.empty()) return text;
    std::string result;
    result.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, from)) {
        result.append(text, from, at - from);
        result += with;
        from = at + what.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

}  // namespace tessaly
