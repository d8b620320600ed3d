#include "win/ui/dialog_font.h"

#include <cmath>

#include "win/common/text.h"
#include "win/ui/gdi.h"

namespace tessaly::win::ui {

namespace {

// Faces that look like the requested one on systems without it, most alike first.
constexpr const wchar_t* kJapaneseFallbacks[] = {L"Meiryo UI", L"Yu Gothic UI", L"MS PGothic",
                                                 L"MS Gothic"};
// Always there: the system maps it to its dialog font.
constexpr wchar_t kSystemDialogFace[] = L"MS Shell Dlg 2";

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) noexcept {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

}  // namespace

bool FontFamilyExists(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, face.size());
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, &NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

DialogFont ChooseDialogFont(const std::string& face, float points, int32_t charset) {
    DialogFont font;
    font.points = points > 0 ? static_cast<int>(std::lround(points)) : 9;
    font.charset = static_cast<uint8_t>(charset);
    font.face = Widen(face);
    if (FontFamilyExists(font.face)) return font;
    if (font.charset == SHIFTJIS_CHARSET) {
        for (const wchar_t* fallback : kJapaneseFallbacks) {
            if (FontFamilyExists(fallback)) {
                font.face = fallback;
                return font;
            }
        }
    }
    font.face = kSystemDialogFace;
    font.charset = DEFAULT_CHARSET;
    return font;
}

int FontHeight(const DialogFont& font, HDC dc) {
    return -MulDiv(font.points, GetDeviceCaps(dc, LOGPIXELSY), 72);
}

DialogUnits MeasureDialogUnits(const DialogFont& font) {
    DialogUnits units;
    HDC screen = GetDC(nullptr);
    UniqueFont handle(CreateFontW(FontHeight(font, screen), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face.c_str()));
    if (handle) {
        HGDIOBJ old = SelectObject(screen, handle.Get());
        static constexpr wchar_t kLetters[] =
            L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE size{};
        TEXTMETRICW metrics{};
        if (GetTextExtentPoint32W(screen, kLetters, 52, &size) &&
            GetTextMetricsW(screen, &metrics)) {
            units.baseX = (size.cx / 26 + 1) / 2;
            units.baseY = metrics.tmHeight;
        }
        SelectObject(screen, old);
    }
    ReleaseDC(nullptr, screen);
    if (units.baseX <= 0) units.baseX = 8;
    if (units.baseY <= 0) units.baseY = 16;
    return units;
}

}  // namespace tessaly::win::ui
