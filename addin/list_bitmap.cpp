#include "addin/list_bitmap.h"

#include <array>

namespace tessaly {

namespace {

// One character per pixel: '.' transparent grey background, 'K' black, 'G' grey,
// 'W' white, 'B' blue.
constexpr std::array<const char*, 15> kPicture = {
    "................",  //
    ".KKKKKKKKKKKKK..",  //
    ".KWWWWWWWWWWWKG.",  //
    ".KWWWWWWWWWWWKG.",  //
    ".KWBBWKKKKKKWKG.",  //
    ".KWBBWWWWWWWWKG.",  //
    ".KWWWWWWWWWWWKG.",  //
    ".KWBBWKKKKKKWKG.",  //
    ".KWBBWWWWWWWWKG.",  //
    ".KWWWWWWWWWWWKG.",  //
    ".KWBBWKKKKKKWKG.",  //
    ".KWBBWWWWWWWWKG.",  //
    ".KWWWWWWWWWWWKG.",  //
    ".KKKKKKKKKKKKKG.",  //
    "..GGGGGGGGGGGGG.",  //
};

platform::Bitmap Draw() {
    platform::Bitmap bmp;
    bmp.width = 16;
    bmp.height = static_cast<int>(kPicture.size());
    bmp.bgr.reserve(static_cast<size_t>(bmp.width * bmp.height * 3));
    for (const char* row : kPicture) {
        for (int x = 0; x < bmp.width; ++x) {
            uint8_t b = 192, g = 192, r = 192;
            switch (row[x]) {
                case 'K':
                    b = g = r = 0;
                    break;
                case 'G':
                    b = g = r = 128;
                    break;
                case 'W':
                    b = g = r = 255;
                    break;
                case 'B':
                    b = 255, g = 0, r = 0;
                    break;
                default:
                    break;
            }
            bmp.bgr.insert(bmp.bgr.end(), {b, g, r});
        }
    }
    return bmp;
}

}  // namespace

const platform::Bitmap& ListBitmap() {
    static const platform::Bitmap bitmap = Draw();
    return bitmap;
}

}  // namespace tessaly
