#pragma once

#include "platform/platform.h"

namespace tessaly {

// Bitmap resource 10, the face of the list command: 16 x 15 pixels, 24 bits, a white
// list in a black and grey frame with three rows, each a blue dot and a black line.
const platform::Bitmap& ListBitmap();

}  // namespace tessaly
