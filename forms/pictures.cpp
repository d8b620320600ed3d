#include "forms/pictures.h"

#include <algorithm>
#include <array>

namespace tessaly {

namespace {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kGrey{160, 160, 160};
constexpr Rgb kLightGrey{212, 208, 200};
constexpr Rgb kDarkGreen{0, 100, 40};
constexpr Rgb kGreen{40, 160, 80};
constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kMarkBlue{64, 96, 224};

class Canvas {
  public:
    Canvas(int width, int height, Rgb background) {
        bitmap_.width = width;
        bitmap_.height = height;
        bitmap_.bgr.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        Fill(0, 0, width, height, background);
    }

    void Set(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= bitmap_.width || y >= bitmap_.height) return;
        const size_t at =
            (static_cast<size_t>(y) * static_cast<size_t>(bitmap_.width) + static_cast<size_t>(x)) *
            3;
        bitmap_.bgr[at] = c.b;
        bitmap_.bgr[at + 1] = c.g;
        bitmap_.bgr[at + 2] = c.r;
    }
    void Fill(int x, int y, int w, int h, Rgb c) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) Set(i, j, c);
    }
    void Frame(int x, int y, int w, int h, Rgb c) {
        Fill(x, y, w, 1, c);
        Fill(x, y + h - 1, w, 1, c);
        Fill(x, y, 1, h, c);
        Fill(x + w - 1, y, 1, h, c);
    }
    platform::Bitmap Take() { return std::move(bitmap_); }

  private:
    platform::Bitmap bitmap_;
};

uint8_t Mix(uint8_t a, uint8_t b, int step, int steps) {
    return static_cast<uint8_t>(a + (static_cast<int>(b) - a) * step / std::max(1, steps));
}

}  // namespace

platform::Bitmap ListIcon(int32_t image) {
    Canvas c(kListIconSize, kListIconSize, kWhite);
    switch (image) {
        case kListIconWorkbook:
            // A closed green book with light pages at its edge.
            c.Fill(1, 1, 10, 10, kGreen);
            c.Frame(1, 1, 10, 10, kDarkGreen);
            c.Fill(2, 2, 2, 8, kDarkGreen);
            c.Fill(5, 4, 5, 1, kWhite);
            c.Fill(5, 6, 5, 1, kWhite);
            break;
        case kListIconSheet:
            // A page of cells.
            c.Frame(0, 1, 12, 10, kGrey);
            for (int x = 4; x < 12; x += 4) c.Fill(x, 1, 1, 10, kLightGrey);
            for (int y = 4; y < 11; y += 3) c.Fill(1, y, 10, 1, kLightGrey);
            c.Fill(1, 2, 10, 2, kGreen);
            break;
        default:
            // One cell singled out, with the mark's asterisk.
            c.Frame(0, 0, 12, 12, kGrey);
            c.Fill(2, 2, 8, 8, kMarkBlue);
            c.Frame(2, 2, 8, 8, kNavy);
            c.Fill(5, 4, 2, 4, kWhite);
            c.Fill(4, 5, 4, 2, kWhite);
            break;
    }
    return c.Take();
}

platform::Bitmap TipPicture(int32_t number) {
    static constexpr std::array<Rgb, kTipPictureCount> kBackgrounds = {{
        {255, 248, 220},
        {230, 245, 255},
        {235, 255, 235},
        {255, 235, 240},
        {245, 240, 255},
        {240, 255, 250},
        {255, 240, 225},
    }};
    const int n = std::clamp(number, 1, kTipPictureCount);
    Canvas c(kTipPictureWidth, kTipPictureHeight, kBackgrounds[static_cast<size_t>(n - 1)]);
    c.Frame(0, 0, kTipPictureWidth, kTipPictureHeight, kGrey);
    // The tip's number as a row of dots in a badge, then lines standing for its text.
    c.Fill(6, 6, 38, 38, kNavy);
    for (int i = 0; i < n; ++i) c.Fill(10 + (i % 4) * 8, 12 + (i / 4) * 16, 5, 5, kWhite);
    for (int line = 0; line < 3; ++line) {
        const int length = 120 + ((n * 37 + line * 53) % 120);
        c.Fill(54, 12 + line * 11, length, 4, kBlack);
    }
    return c.Take();
}

platform::Bitmap TipStartPicture() {
    Canvas c(kTipPictureWidth, kTipPictureHeight, kWhite);
    for (int x = 0; x < kTipPictureWidth; ++x) {
        const Rgb shade{Mix(kNavy.r, kMarkBlue.r, x, kTipPictureWidth),
                        Mix(kNavy.g, kMarkBlue.g, x, kTipPictureWidth),
                        Mix(kNavy.b, kMarkBlue.b, x, kTipPictureWidth)};
        c.Fill(x, 0, 1, kTipPictureHeight, shade);
    }
    // An asterisk like the visual mark.
    c.Fill(20, 16, 4, 18, kWhite);
    c.Fill(13, 23, 18, 4, kWhite);
    return c.Take();
}

}  // namespace tessaly
