#pragma once

#include <string>

#include "win/common/win32.h"

namespace tessaly::win {

// The add-in's own library (QEL_BOOKMARK_VEROZARA.dll).
HMODULE AddinModule();
// Its full path, as registered.
std::wstring AddinPath();

// mojLoadResString on Windows: the string resources of the add-in's library.
void UseResourceStrings();

}  // namespace tessaly::win
