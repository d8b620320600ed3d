#include "win/ui/gdi.h"

#include <cstring>

namespace tessaly::win::ui {

namespace {

constexpr uint32_t kSystemColorFlag = 0x80000000u;

size_t RowBytes(int width) {
    return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
}

bool HasPixels(const platform::Bitmap& picture) {
    return picture.width > 0 && picture.height > 0 &&
           picture.bgr.size() >=
               static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3;
}

}  // namespace

COLORREF ScreenColor(int32_t modelColor) {
    const auto value = static_cast<uint32_t>(modelColor);
    if ((value & kSystemColorFlag) != 0) return GetSysColor(static_cast<int>(value & 0xFFu));
    return static_cast<COLORREF>(value & 0x00FFFFFFu);
}

std::vector<uint8_t> DibRows(const platform::Bitmap& picture) {
    if (!HasPixels(picture)) return {};
    const size_t stride = RowBytes(picture.width);
    const size_t line = static_cast<size_t>(picture.width) * 3;
    std::vector<uint8_t> rows(stride * static_cast<size_t>(picture.height), 0);
    for (int y = 0; y < picture.height; ++y) {
        const size_t from = static_cast<size_t>(y) * line;
        const size_t to = static_cast<size_t>(picture.height - 1 - y) * stride;
        std::memcpy(rows.data() + to, picture.bgr.data() + from, line);
    }
    return rows;
}

BITMAPINFO DibHeader(const platform::Bitmap& picture) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = picture.height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

UniqueBitmap BitmapOf(const platform::Bitmap& picture) {
    if (!HasPixels(picture)) return UniqueBitmap();
    const std::vector<uint8_t> rows = DibRows(picture);
    const BITMAPINFO info = DibHeader(picture);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap =
        CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, rows.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return UniqueBitmap(bitmap);
}

void DrawPicture(HDC dc, const platform::Bitmap& picture, int x, int y, int width, int height) {
    if (!HasPixels(picture)) return;
    const std::vector<uint8_t> rows = DibRows(picture);
    const BITMAPINFO info = DibHeader(picture);
    const int w = width < picture.width ? width : picture.width;
    const int h = height < picture.height ? height : picture.height;
    // Source coordinates of a bottom-up DIB count from its lowest row.
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, picture.height - h,
                      0, static_cast<UINT>(picture.height), rows.data(), &info, DIB_RGB_COLORS);
}

}  // namespace tessaly::win::ui
