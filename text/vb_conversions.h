#pragma once

// The value rules the add-in's readers rely on, implemented once.
// Failures raise host::HostError with the runtime's numbers (13 type mismatch, 6 overflow).

#include <cstdint>
#include <string>

namespace tessaly {

// "True"/"False" in any letter case, or a number (0 false, else true); else type mismatch.
bool CBool(const std::string& text);
// Decimal text (rounded, halves to even) or "&H" hexadecimal (and "&O" octal);
// else type mismatch; outside 32 bits overflow.
int32_t CLng(const std::string& text);
// A single-precision number from decimal text; else type mismatch.
float CSng(const std::string& text);
// The leading numeric part of the text (blanks, tabs and line feeds skipped, "&H"
// accepted); 0 when there is none. Never fails.
double Val(const std::string& text);
// Nearest whole number, halves to the even one (banker's rounding); overflow outside 32 bits.
int32_t RoundHalfEven(double value);
// Upper case of ASCII letters; other bytes unchanged.
std::string UCase(std::string text);
// Every occurrence of `what` replaced, scanning from the start.
std::string ReplaceAll(std::string text, const std::string& what, const std::string& with);

}  // namespace tessaly
