#pragma once

// A Bitmap as a Windows bitmap file (24 bits a pixel, rows bottom-up, each padded to
// four bytes), for hosts and tools that take pictures as files or streams.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace platform {

// Nothing for a bitmap without pixels or with fewer bytes than its size asks.
inline std::vector<uint8_t> BitmapFileBytes(const Bitmap& b) {
    if (b.width <= 0 || b.height <= 0 ||
        b.bgr.size() / 3 / static_cast<size_t>(b.width) < static_cast<size_t>(b.height))
        return {};
    constexpr uint32_t kHeaderBytes = 14 + 40;  // file header, BITMAPINFOHEADER
    const uint32_t rowBytes = (static_cast<uint32_t>(b.width) * 3 + 3) & ~3u;
    const uint32_t pixels = rowBytes * static_cast<uint32_t>(b.height);
    std::vector<uint8_t> data(kHeaderBytes + pixels, 0);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) data[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    data[0] = 'B';
    data[1] = 'M';
    put(2, static_cast<uint32_t>(data.size()), 4);
    put(10, kHeaderBytes, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(b.width), 4);
    put(22, static_cast<uint32_t>(b.height), 4);
    put(26, 1, 2);   // planes
    put(28, 24, 2);  // bits per pixel; compression 0 is BI_RGB
    put(34, pixels, 4);
    put(38, 2835, 4);  // 72 dots an inch
    put(42, 2835, 4);
    const size_t rowPixels = static_cast<size_t>(b.width) * 3;
    for (int y = 0; y < b.height; ++y) {
        const uint8_t* source = b.bgr.data() + static_cast<size_t>(y) * rowPixels;
        std::copy(source, source + rowPixels,
                  data.begin() + kHeaderBytes + static_cast<size_t>(b.height - 1 - y) * rowBytes);
    }
    return data;
}

}  // namespace platform
