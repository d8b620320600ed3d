#pragma once

// The font of a window: the face its model names where the system has it, otherwise the
// first of a few faces of the same kind, and the dialog units it gives a dialog.

#include <cstdint>
#include <string>

#include "win/common/win32.h"

namespace tessaly::win::ui {

struct DialogFont {
    std::wstring face;
    int points = 9;
    uint8_t charset = DEFAULT_CHARSET;
};

// Whether the system knows a font family of that name (a substitute counts).
bool FontFamilyExists(const std::wstring& face);

// `face` when the system has it; else the first Japanese user-interface face it has
// (for a Japanese character set) and finally the system's dialog face.
DialogFont ChooseDialogFont(const std::string& face, float points, int32_t charset);

// The font's height in pixels as a font request gives it (negative: the em height).
int FontHeight(const DialogFont& font, HDC dc);

// The dialog base units the dialog manager derives from the font: the average width of
// the Latin letters and the character height, in pixels.
struct DialogUnits {
    int baseX = 8;
    int baseY = 16;
    int ToX(int pixels) const { return MulDiv(pixels, 4, baseX); }
    int ToY(int pixels) const { return MulDiv(pixels, 8, baseY); }
};
DialogUnits MeasureDialogUnits(const DialogFont& font);

}  // namespace tessaly::win::ui
