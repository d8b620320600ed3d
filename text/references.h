#pragma once

// How references spell columns and sheets, as the host writes them: "AB" for column 28,
// "North!Total" and "'Costs 2024'!Total" for names local to a sheet.

#include <cstdint>
#include <string>

namespace tessaly {

// The letters of a column, 1 = "A"; empty for none.
std::string ColumnLetters(int32_t column);

// The sheet's name as a reference spells it: in apostrophes (each apostrophe in it
// doubled) unless it is a plain word that cannot be read as anything else.
std::string QuotedSheetName(const std::string& sheet);

// QuotedSheetName and "!".
std::string SheetPrefix(const std::string& sheet);

}  // namespace tessaly
