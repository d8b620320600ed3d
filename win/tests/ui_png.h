#pragma once

// Screenshots as PNG files: 24-bit pixels, written uncompressed (stored deflate blocks)
// so that no image library is needed; they are looked at, never compared.

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::fake::ui {

// `bgr` holds the rows top to bottom, three bytes per pixel (blue, green, red), no
// padding. False when the file could not be written.
bool WritePng(const std::wstring& path, int width, int height, const std::vector<uint8_t>& bgr);

}  // namespace tessaly::fake::ui
