// TGA reader: 24 and 32 bits uncompressed with the fixed header, nothing else.
#include <gtest/gtest.h>

#include <cstdlib>

#include "render/render.h"
#include "render_fixtures.h"

namespace {

TEST(TgaDecode, SwapsToRgbAndKeepsAlpha) {
    Bytes rgb = makeTga(2, 1, 24, {10, 20, 30, 40, 50, 60});
    TgaPixels out;
    ASSERT_TRUE(decodeTga(rgb.data(), rgb.size(), &out));
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.height, 1);
    EXPECT_EQ(out.bytesPerPixel, 3);
    EXPECT_EQ(std::vector<uint8_t>(out.pixels, out.pixels + 6),
              (std::vector<uint8_t>{10, 20, 30, 40, 50, 60}));
    std::free(out.pixels);
    // The file itself holds B G R.
    EXPECT_EQ(rgb[18], 30);
    EXPECT_EQ(rgb[20], 10);

    Bytes rgba = makeTga(1, 2, 32, {1, 2, 3, 77, 4, 5, 6, 200});
    ASSERT_TRUE(decodeTga(rgba.data(), rgba.size(), &out));
    EXPECT_EQ(out.bytesPerPixel, 4);
    EXPECT_EQ(std::vector<uint8_t>(out.pixels, out.pixels + 8),
              (std::vector<uint8_t>{1, 2, 3, 77, 4, 5, 6, 200}));
    std::free(out.pixels);
}

TEST(TgaDecode, RefusesOtherKindsAndDepths) {
    TgaPixels out;
    Bytes rle = makeTga(1, 1, 24, {1, 2, 3}, 10);
    EXPECT_FALSE(decodeTga(rle.data(), rle.size(), &out));
    Bytes grey = makeTga(1, 1, 24, {1, 2, 3}, 3);
    EXPECT_FALSE(decodeTga(grey.data(), grey.size(), &out));
    // 16 bits passes the fixed header but is not a depth the reader swaps.
    Bytes sixteen = makeTga(2, 1, 24, {1, 2, 3, 4, 5, 6});
    sixteen[16] = 16;
    EXPECT_FALSE(decodeTga(sixteen.data(), sixteen.size(), &out));
    Bytes eight = makeTga(2, 1, 24, {1, 2, 3, 4, 5, 6});
    eight[16] = 8;
    EXPECT_FALSE(decodeTga(eight.data(), eight.size(), &out));
    Bytes idField = makeTga(1, 1, 24, {1, 2, 3});
    idField[0] = 6;
    EXPECT_FALSE(decodeTga(idField.data(), idField.size(), &out));
    Bytes empty = makeTga(0, 4, 24, {});
    EXPECT_FALSE(decodeTga(empty.data(), empty.size(), &out));
    EXPECT_EQ(out.pixels, nullptr);
}

TEST(TgaDecode, TruncatedOrCorruptFailsCleanly) {
    Bytes whole = makeTga(3, 2, 32, std::vector<uint8_t>(24, 9));
    TgaPixels out;
    for (size_t length = 0; length < whole.size(); length++) {
        Bytes cut(whole.begin(), whole.begin() + length);
        cut.shrink_to_fit();
        EXPECT_FALSE(decodeTga(cut.data(), cut.size(), &out)) << length;
    }
    for (size_t at = 0; at < 18; at++) {
        for (uint8_t value : {0x00, 0x01, 0x02, 0x10, 0x18, 0x20, 0x7F, 0xFF}) {
            Bytes corrupt = whole;
            corrupt[at] = value;
            if (decodeTga(corrupt.data(), corrupt.size(), &out)) {
                EXPECT_LE((size_t)out.width * out.height * out.bytesPerPixel, whole.size() - 18);
                std::free(out.pixels);
            }
        }
    }
}

}  // namespace
