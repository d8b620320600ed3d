#pragma once

// The windows' pictures, drawn here so that no picture file has to travel with the
// add-in: the tree's three icons and the settings window's tip pictures.

#include <cstdint>

#include "platform/platform.h"

namespace tessaly {

inline constexpr int32_t kListIconSize = 12;
inline constexpr int32_t kListIconWorkbook = 1;
inline constexpr int32_t kListIconSheet = 2;
inline constexpr int32_t kListIconCell = 3;
inline constexpr int32_t kListIconCount = 3;

inline constexpr int32_t kTipPictureWidth = 300;
inline constexpr int32_t kTipPictureHeight = 50;
inline constexpr int32_t kTipPictureCount = 7;

// Icon 1 (workbook), 2 (sheet) or 3 (cell) of the list window's tree, 12 x 12 pixels.
platform::Bitmap ListIcon(int32_t image);
// Tip picture 1 to 7, 300 x 50 pixels; each looks different from the others.
platform::Bitmap TipPicture(int32_t number);
// The picture the tip area shows before the first click.
platform::Bitmap TipStartPicture();

}  // namespace tessaly
