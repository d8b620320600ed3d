// Text rules of the simulated host: A1 references, key strings, error helpers.

#include <algorithm>
#include <cctype>

#include "sim/model.h"

namespace sim::detail {

void Refuse(const std::string& what) {
    host::Raise(host::err::kHostRefused, what);
}
void Disconnected() {
    host::Raise(host::err::kDisconnected, "The object invoked has disconnected from its clients.");
}
void NotSupported() {
    host::Raise(host::err::kNotSupported, "Object doesn't support this property or method");
}
void OutOfRange() {
    host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
}
void InvalidCall(const std::string& what) {
    host::Raise(5, what);
}
void SimMisuse(const std::string& what) {
    throw SimError(what);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

size_t Utf8Length(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

namespace {

bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// One side of a reference: "$B$3", "B3", "$B", "3". Row or column 0 when absent.
struct Part {
    int32_t row = 0;
    int32_t col = 0;
};

std::optional<Part> ParsePart(const std::string& s) {
    size_t i = 0;
    Part p;
    if (i < s.size() && s[i] == '$') ++i;
    size_t letters = 0;
    int64_t col = 0;
    while (i < s.size() && IsAlpha(s[i])) {
        col = col * 26 + (std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
        ++letters;
        ++i;
        if (letters > 3) return std::nullopt;
    }
    // "$3" is an absolute row alone; a "$" followed by anything else is no reference.
    if (letters == 0 && i == 1 && (i >= s.size() || !IsDigit(s[i]))) return std::nullopt;
    if (i < s.size() && s[i] == '$') {
        if (letters == 0) return std::nullopt;
        ++i;
        if (i >= s.size() || !IsDigit(s[i])) return std::nullopt;
    }
    size_t digits = 0;
    int64_t row = 0;
    while (i < s.size() && IsDigit(s[i])) {
        row = row * 10 + (s[i] - '0');
        ++digits;
        ++i;
        if (digits > 7) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    if (letters == 0 && digits == 0) return std::nullopt;
    if (digits > 0 && (row < 1 || row > kMaxRows)) return std::nullopt;
    if (letters > 0 && (col < 1 || col > kMaxColumns)) return std::nullopt;
    p.row = static_cast<int32_t>(row);
    p.col = static_cast<int32_t>(col);
    return p;
}

}  // namespace

std::optional<Extent> ParseA1(const std::string& text) {
    if (text.empty()) return std::nullopt;
    size_t colon = text.find(':');
    if (colon == std::string::npos) {
        auto p = ParsePart(text);
        if (!p || p->row == 0 || p->col == 0) return std::nullopt;  // "B" or "3" alone
        return Extent{p->row, p->col, p->row, p->col};
    }
    if (text.find(':', colon + 1) != std::string::npos) return std::nullopt;
    auto a = ParsePart(text.substr(0, colon));
    auto b = ParsePart(text.substr(colon + 1));
    if (!a || !b) return std::nullopt;
    bool aCell = a->row && a->col, bCell = b->row && b->col;
    bool aRow = a->row && !a->col, bRow = b->row && !b->col;
    bool aCol = !a->row && a->col, bCol = !b->row && b->col;
    if (aCell && bCell)
        return Extent{std::min(a->row, b->row), std::min(a->col, b->col), std::max(a->row, b->row),
                      std::max(a->col, b->col)};
    if (aRow && bRow) return Extent{std::min(a->row, b->row), 0, std::max(a->row, b->row), 0};
    if (aCol && bCol) return Extent{0, std::min(a->col, b->col), 0, std::max(a->col, b->col)};
    return std::nullopt;
}

std::string FormatA1(const Extent& r) {
    // Built by appending: GCC 12 warns falsely on "literal" + temporary string.
    std::string out;
    auto column = [&](int32_t col) {
        out += '$';
        out += ColumnLetters(col);
    };
    auto row = [&](int32_t line) {
        out += '$';
        out += std::to_string(line);
    };
    if (r.col1 == 0) {
        row(r.row1);
        out += ':';
        row(r.row2);
    } else if (r.row1 == 0) {
        column(r.col1);
        out += ':';
        column(r.col2);
    } else {
        column(r.col1);
        row(r.row1);
        if (!r.Single()) {
            out += ':';
            column(r.col2);
            row(r.row2);
        }
    }
    return out;
}

bool LooksLikeName(const std::string& text) {
    if (text.empty() || text.size() > 255) return false;
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (!(std::isalpha(first) || first == '_' || first == '\\' || first >= 0x80)) return false;
    for (unsigned char c : text) {
        if (!(std::isalnum(c) || c == '_' || c == '.' || c == '\\' || c == '?' || c >= 0x80))
            return false;
    }
    if (ParseA1(text)) return false;  // "AB12" is a cell, not a name
    if (SameText(text, "R") || SameText(text, "C")) return false;
    return true;
}

// Key strings: "^", "+", "%" prefixes (each at most once) followed by exactly one key,
// a character or a brace form.
std::optional<std::string> NormaliseKeyString(const std::string& key) {
    static const char* const kBraceNames[] = {
        "BACKSPACE", "BS",      "BKSP",     "BREAK",    "CAPSLOCK", "CLEAR", "DELETE",     "DEL",
        "DOWN",      "END",     "ENTER",    "ESCAPE",   "ESC",      "HELP",  "HOME",       "INSERT",
        "LEFT",      "NUMLOCK", "PGDN",     "PGUP",     "RETURN",   "RIGHT", "SCROLLLOCK", "TAB",
        "UP",        "ADD",     "SUBTRACT", "MULTIPLY", "DIVIDE"};
    bool ctrl = false, shift = false, alt = false;
    size_t i = 0;
    for (; i < key.size(); ++i) {
        bool* flag = key[i] == '^'   ? &ctrl
                     : key[i] == '+' ? &shift
                     : key[i] == '%' ? &alt
                                     : nullptr;
        if (!flag) break;
        if (*flag) return std::nullopt;
        *flag = true;
    }
    std::string rest = key.substr(i);
    std::string main;
    if (rest.size() == 1) {
        char c = rest[0];
        if (c == '{' || c == '}' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        main = Upper(rest);
    } else if (rest.size() >= 3 && rest.front() == '{' && rest.back() == '}') {
        std::string inner = Upper(rest.substr(1, rest.size() - 2));
        bool known = false;
        if (inner.size() == 1) {
            known = std::string("+^%~{}()[]").find(inner[0]) != std::string::npos;
        }
        for (const char* name : kBraceNames) known = known || inner == name;
        if (!known && inner.size() >= 2 && inner[0] == 'F') {
            std::string digits = inner.substr(1);
            if (digits.size() <= 2 && std::all_of(digits.begin(), digits.end(), IsDigit) &&
                digits[0] != '0') {
                int n = std::stoi(digits);
                known = n >= 1 && n <= 15;
            }
        }
        if (!known && inner.size() == 4 && inner.compare(0, 3, "NUM") == 0 && IsDigit(inner[3]))
            known = true;
        if (!known) return std::nullopt;
        main = "{" + inner + "}";
    } else {
        return std::nullopt;
    }
    std::string canonical;
    if (ctrl) canonical += '^';
    if (shift) canonical += '+';
    if (alt) canonical += '%';
    return canonical + main;
}

}  // namespace sim::detail
