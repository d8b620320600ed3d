#pragma once

// What the window front end draws with: owners of GDI objects and image lists (of the
// family in win/common/owners.h), the colours of the window models turned into screen
// colours, and the models' 24-bit pictures as device-independent bitmaps.

// The Windows headers first: the common controls' header builds on them.
#include "win/common/win32.h"

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "win/common/owners.h"

namespace tessaly::win::ui {

inline bool DeleteGdiObject(HGDIOBJ object) {
    return DeleteObject(object) != FALSE;
}
inline bool DestroyImageList(HIMAGELIST list) {
    return ImageList_Destroy(list) != FALSE;
}

using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniqueImageList = UniqueHandle<HIMAGELIST, DestroyImageList>;

// A model colour (0x00BBGGRR, or 0x80000000 | index of a colour of the system's scheme)
// as the screen colour it stands for.
COLORREF ScreenColor(int32_t modelColor);

// The picture as a bitmap for drawing into `dc`'s device; null when it has no pixels.
UniqueBitmap BitmapOf(const platform::Bitmap& picture);

// Draws the picture with its top left corner at (x, y), clipped to width x height.
void DrawPicture(HDC dc, const platform::Bitmap& picture, int x, int y, int width, int height);

// The picture's rows bottom to top, each padded to four bytes, as a 24-bit DIB has them.
std::vector<uint8_t> DibRows(const platform::Bitmap& picture);
BITMAPINFO DibHeader(const platform::Bitmap& picture);

}  // namespace tessaly::win::ui
