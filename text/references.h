#pragma once

// How a reference spells a sheet's name, as the host writes it before a name local to
// that sheet ("North!Total", "'Costs 2024'!Total").

#include <string>

namespace tessaly {

// The sheet's name and "!": in apostrophes (each apostrophe in it doubled) unless it is a
// plain word that cannot be read as anything else.
std::string SheetPrefix(const std::string& sheet);

}  // namespace tessaly
