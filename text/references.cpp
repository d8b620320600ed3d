#include "text/references.h"

#include <cstddef>

namespace tessaly {

namespace {

bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Would a formula read the word as a cell: A1 style (up to three letters, then digits)
// or R1C1 style ("R", "C", "RC", "R2C3")?
bool LooksLikeCell(const std::string& word) {
    size_t letters = 0;
    while (letters < word.size() && IsLetter(static_cast<unsigned char>(word[letters])) &&
           static_cast<unsigned char>(word[letters]) < 0x80)
        ++letters;
    if (letters >= 1 && letters <= 3 && letters < word.size()) {
        size_t i = letters;
        while (i < word.size() && IsDigit(static_cast<unsigned char>(word[i]))) ++i;
        if (i == word.size()) return true;
    }
    size_t i = 0;
    auto part = [&](char upper) {
        if (i >= word.size() || (word[i] != upper && word[i] != upper + ('a' - 'A'))) return false;
        ++i;
        while (i < word.size() && IsDigit(static_cast<unsigned char>(word[i]))) ++i;
        return true;
    };
    const bool row = part('R');
    const bool column = part('C');
    return (row || column) && i == word.size();
}

bool IsPlainWord(const std::string& name) {
    if (name.empty()) return false;
    const auto first = static_cast<unsigned char>(name[0]);
    if (!IsLetter(first) && first != '_') return false;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (!IsLetter(c) && !IsDigit(c) && c != '_' && c != '.') return false;
    }
    return !LooksLikeCell(name);
}

}  // namespace

std::string ColumnLetters(int32_t column) {
    std::string letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
    return letters;
}

std::string QuotedSheetName(const std::string& sheet) {
    if (IsPlainWord(sheet)) return sheet;
    std::string quoted = "'";
    for (char c : sheet) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

std::string SheetPrefix(const std::string& sheet) {
    return QuotedSheetName(sheet) + "!";
}

}  // namespace tessaly
