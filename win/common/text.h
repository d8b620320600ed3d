#pragma once

// UTF-8 (the core's text) to UTF-16 (Windows' text) and back, only at the boundary.

#include <string>
#include <string_view>

namespace tessaly::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace tessaly::win
