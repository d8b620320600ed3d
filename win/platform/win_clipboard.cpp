#include <cstring>
#include <vector>

#include "host/host_error.h"
#include "win/platform/win_platform.h"

namespace tessaly::win {

namespace {

// Another program may have the clipboard open for a moment.
bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(10);
    }
    return false;
}

class ClipboardSession {
  public:
    explicit ClipboardSession(HWND owner) : open_(OpenClipboardPatiently(owner)) {}
    ~ClipboardSession() {
        if (open_) CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    bool Open() const { return open_; }

  private:
    bool open_;
};

[[noreturn]] void ClipboardFailed() {
    host::Raise(host::err::kUnspecified, "Cannot open clipboard");
}

// Formats whose data is a GDI object or lives with a window, not in global memory;
// the system makes the bitmap variants again from the saved DIB.
bool IsMemoryFormat(UINT format) {
    switch (format) {
        case CF_BITMAP:
        case CF_METAFILEPICT:
        case CF_PALETTE:
        case CF_ENHMETAFILE:
        case CF_OWNERDISPLAY:
        case CF_DSPBITMAP:
        case CF_DSPMETAFILEPICT:
        case CF_DSPENHMETAFILE:
            return false;
        default:
            return !(format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) &&
                   !(format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
    }
}

class SavedClipboard final : public platform::ClipboardContent {
  public:
    struct Item {
        UINT format = 0;
        std::vector<uint8_t> bytes;
    };
    SavedClipboard() = default;
    SavedClipboard(const SavedClipboard&) = delete;
    SavedClipboard& operator=(const SavedClipboard&) = delete;
    ~SavedClipboard() override {
        if (metafile) DeleteEnhMetaFile(metafile);
    }

    std::vector<Item> items;
    HENHMETAFILE metafile = nullptr;
};

bool PutMemory(UINT format, const void* data, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size == 0 ? 1 : size);
    if (!memory) return false;
    if (void* target = GlobalLock(memory)) {
        if (size > 0) std::memcpy(target, data, size);
        GlobalUnlock(memory);
        if (SetClipboardData(format, memory)) return true;  // the system owns it now
    }
    GlobalFree(memory);
    return false;
}

}  // namespace

WinClipboard::~WinClipboard() {
    if (owner_) DestroyWindow(owner_);
}

HWND WinClipboard::Owner() {
    if (!owner_) {
        owner_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
    }
    return owner_;
}

std::unique_ptr<platform::ClipboardContent> WinClipboard::Save() {
    auto saved = std::make_unique<SavedClipboard>();
    ClipboardSession session(Owner());
    if (!session.Open()) return saved;
    for (UINT format = EnumClipboardFormats(0); format != 0;
         format = EnumClipboardFormats(format)) {
        if (format == CF_ENHMETAFILE) {
            if (auto source = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE))) {
                saved->metafile = CopyEnhMetaFileW(source, nullptr);
            }
            continue;
        }
        if (!IsMemoryFormat(format)) continue;
        HANDLE data = GetClipboardData(format);
        if (!data) continue;
        const SIZE_T size = GlobalSize(data);
        const void* bytes = GlobalLock(data);
        if (!bytes) continue;
        SavedClipboard::Item item;
        item.format = format;
        item.bytes.assign(static_cast<const uint8_t*>(bytes),
                          static_cast<const uint8_t*>(bytes) + size);
        GlobalUnlock(data);
        saved->items.push_back(std::move(item));
    }
    return saved;
}

void WinClipboard::Restore(const platform::ClipboardContent& content) {
    const auto* saved = dynamic_cast<const SavedClipboard*>(&content);
    if (!saved) return;
    ClipboardSession session(Owner());
    if (!session.Open()) return;
    EmptyClipboard();
    for (const SavedClipboard::Item& item : saved->items) {
        PutMemory(item.format, item.bytes.data(), item.bytes.size());
    }
    if (saved->metafile) {
        if (HENHMETAFILE copy = CopyEnhMetaFileW(saved->metafile, nullptr)) {
            if (!SetClipboardData(CF_ENHMETAFILE, copy)) DeleteEnhMetaFile(copy);
        }
    }
}

void WinClipboard::Clear() {
    ClipboardSession session(Owner());
    if (!session.Open()) ClipboardFailed();
    EmptyClipboard();
}

std::vector<uint8_t> DibOf(const platform::Bitmap& bitmap) {
    const size_t stride = (static_cast<size_t>(bitmap.width) * 3 + 3) & ~size_t{3};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = bitmap.width;
    header.biHeight = bitmap.height;  // positive: rows bottom to top
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(bitmap.height));
    std::vector<uint8_t> dib(sizeof header + header.biSizeImage, 0);
    std::memcpy(dib.data(), &header, sizeof header);
    const size_t rowBytes = static_cast<size_t>(bitmap.width) * 3;
    for (int y = 0; y < bitmap.height; ++y) {
        const size_t from = static_cast<size_t>(y) * rowBytes;
        const size_t to = sizeof header + static_cast<size_t>(bitmap.height - 1 - y) * stride;
        if (from + rowBytes <= bitmap.bgr.size()) {
            std::memcpy(dib.data() + to, bitmap.bgr.data() + from, rowBytes);
        }
    }
    return dib;
}

void WinClipboard::PutBitmap(const platform::Bitmap& bitmap) {
    const std::vector<uint8_t> dib = DibOf(bitmap);
    ClipboardSession session(Owner());
    if (!session.Open()) ClipboardFailed();
    if (!PutMemory(CF_DIB, dib.data(), dib.size())) ClipboardFailed();
}

std::optional<platform::Bitmap> ReadClipboardBitmap(HWND owner) {
    ClipboardSession session(owner);
    if (!session.Open()) return std::nullopt;
    HANDLE data = GetClipboardData(CF_DIB);
    if (!data) return std::nullopt;
    const SIZE_T size = GlobalSize(data);
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(data));
    if (!bytes) return std::nullopt;
    std::optional<platform::Bitmap> result;
    BITMAPINFOHEADER header{};
    if (size >= sizeof header) {
        std::memcpy(&header, bytes, sizeof header);
        const int bytesPerPixel = header.biBitCount / 8;
        const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
        const size_t stride =
            (static_cast<size_t>(header.biWidth) * static_cast<size_t>(bytesPerPixel) + 3) &
            ~size_t{3};
        const size_t pixels = header.biSize;
        if ((bytesPerPixel == 3 || bytesPerPixel == 4) && header.biCompression == BI_RGB &&
            header.biWidth > 0 && pixels + stride * static_cast<size_t>(height) <= size) {
            platform::Bitmap bitmap;
            bitmap.width = header.biWidth;
            bitmap.height = height;
            for (int y = 0; y < height; ++y) {
                const int row = header.biHeight < 0 ? y : height - 1 - y;
                const uint8_t* line = bytes + pixels + static_cast<size_t>(row) * stride;
                for (int x = 0; x < bitmap.width; ++x) {
                    const uint8_t* p = line + static_cast<size_t>(x * bytesPerPixel);
                    bitmap.bgr.insert(bitmap.bgr.end(), {p[0], p[1], p[2]});
                }
            }
            result = std::move(bitmap);
        }
    }
    GlobalUnlock(data);
    return result;
}

}  // namespace tessaly::win
