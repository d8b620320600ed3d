// The bitmap file form of a picture, which the list picture, the Calc extension's tree
// pictures and its tips picture all go through.

#include "platform/bitmap_file.h"

#include <gtest/gtest.h>

namespace {

using platform::Bitmap;
using platform::BitmapFileBytes;

uint32_t Field(const std::vector<uint8_t>& file, size_t at, int bytes = 4) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | file.at(at + static_cast<size_t>(i));
    return value;
}

TEST(BitmapFile, RowsAreWrittenBottomUpAndPaddedToFourBytes) {
    // 3 x 2: 9 bytes a row, padded to 12. Each pixel's blue byte tells where it is.
    Bitmap b{3, 2, {}};
    for (uint8_t i = 0; i < 6; ++i) b.bgr.insert(b.bgr.end(), {i, 100, 200});
    const std::vector<uint8_t> file = BitmapFileBytes(b);
    ASSERT_EQ(file.size(), 54u + 2 * 12);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Field(file, 2), file.size());
    EXPECT_EQ(Field(file, 10), 54u);  // where the pixels start
    EXPECT_EQ(Field(file, 18), 3u);
    EXPECT_EQ(Field(file, 22), 2u);  // positive: bottom-up
    EXPECT_EQ(Field(file, 28, 2), 24u);
    EXPECT_EQ(Field(file, 34), 24u);
    // The file's first row is the picture's bottom one (pixels 3, 4, 5), then padding.
    EXPECT_EQ(file[54], 3);
    EXPECT_EQ(file[54 + 3], 4);
    EXPECT_EQ(file[54 + 8], 200);
    EXPECT_EQ(file[54 + 9], 0);
    EXPECT_EQ(file[54 + 12], 0);  // then the top row, pixel 0
    EXPECT_EQ(file[54 + 12 + 6], 2);
}

TEST(BitmapFile, APictureWithoutItsPixelsGivesNoFile) {
    EXPECT_TRUE(BitmapFileBytes(Bitmap{}).empty());
    EXPECT_TRUE(BitmapFileBytes(Bitmap{-4, 2, std::vector<uint8_t>(24)}).empty());
    EXPECT_TRUE(BitmapFileBytes(Bitmap{2, 2, std::vector<uint8_t>(11)}).empty());
    EXPECT_EQ(BitmapFileBytes(Bitmap{2, 2, std::vector<uint8_t>(12)}).size(), 54u + 2 * 8);
}

}  // namespace
