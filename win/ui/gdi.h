#pragma once

// What the window front end draws with: owners of GDI objects and image lists, the
// colours of the window models turned into screen colours, and the models' 24-bit
// pictures as device-independent bitmaps.

// The Windows headers first: the common controls' header builds on them.
#include "win/common/win32.h"

#include <commctrl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace tessaly::win::ui {

// An owned handle, released by `Release` on every way out.
template <class Handle, auto Release>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    void Reset(Handle handle = nullptr) {
        if (Handle old = std::exchange(handle_, handle)) Release(old);
    }
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    Handle handle_ = nullptr;
};

inline void DeleteGdiObject(HGDIOBJ object) {
    DeleteObject(object);
}
inline void DestroyImageList(HIMAGELIST list) {
    ImageList_Destroy(list);
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
