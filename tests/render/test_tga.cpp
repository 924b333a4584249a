// TGA reader: 24 and 32 bits uncompressed with the fixed header, nothing else;
// and the slack both texture readers leave past the pixels for GLU.
#include <gtest/gtest.h>
#include <malloc.h>

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

// gluBuild2DMipmaps reads a few bytes past the last pixel when it resamples
// a side that is not a power of two: both readers leave a zeroed row and
// pixel beyond the image for it.
struct SlackCase {
    const char* what;
    bool tga;
    int width, height, bits;
};
TEST(TexturePixels, BlockReachesARowAndAPixelPastTheImage) {
    const SlackCase cases[] = {{"BMP 128 x 96 (garage poster)", false, 128, 96, 24},
                               {"BMP 5 x 3", false, 5, 3, 24},
                               {"TGA 128 x 96 RGB", true, 128, 96, 24},
                               {"TGA 3 x 5 RGBA", true, 3, 5, 32}};
    for (const SlackCase& c : cases) {
        const size_t pixel = (size_t)c.bits / 8, image = (size_t)c.width * c.height * pixel;
        uint8_t* pixels = nullptr;
        DibImage* dib = nullptr;
        TgaPixels tga = {};
        if (c.tga) {
            Bytes file = makeTga(c.width, c.height, c.bits, std::vector<uint8_t>(image, 9));
            ASSERT_TRUE(decodeTga(file.data(), file.size(), &tga)) << c.what;
            pixels = tga.pixels;
        } else {
            Picture p = testPicture(c.width, c.height);
            BmpOptions o;
            o.bits = c.bits;
            Bytes file = makeBmp(p, o);
            ASSERT_EQ(decodeDib(file.data(), file.size(), &dib), DibOk) << c.what;
            pixels = dib->pixels;
        }
        const size_t slack = ((size_t)c.width + 1) * pixel;
        ASSERT_GE(malloc_usable_size(pixels), image + slack) << c.what;
        for (size_t i = image; i < image + slack; i++) ASSERT_EQ(pixels[i], 0) << c.what << " byte " << i;
        if (c.tga) std::free(tga.pixels);
        if (dib) freeDibImage(dib);
    }
}

}  // namespace
