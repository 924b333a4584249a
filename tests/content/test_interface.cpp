// The generated interface art: every file of the three texture tables decodes
// with the game's own readers, with the size and alpha its use needs; the
// glyph image is laid out the way the text printer cuts it; sprites fade out
// before the edges of their billboards; the effect files give particles that
// live and move sensibly; and the generator makes the same bytes every run.
// Also writes a contact sheet of every texture to content_sheet.png in the
// build folder, for looking at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "content/image_writer.h"
#include "content/interface.h"
#include "read_bytes.h"
#include "render/render.h"

namespace {

std::string texturePath(int index, bool tga) {
    return "base/textures/" + textureFileName(index, tga);
}

// A decoded file as an Image, rows top-down (the readers give bottom row first).
Image decodeBmpFile(int index) {
    const std::vector<uint8_t> bytes = readBytes(texturePath(index, false));
    DibImage* dib = nullptr;
    Image image;
    if (bytes.empty() || decodeDib(bytes.data(), bytes.size(), &dib) != DibOk || !dib) return image;
    image = makeImage(dib->width, dib->height, 3);
    for (int y = 0; y < dib->height; ++y)
        std::memcpy(imagePixel(image, 0, dib->height - 1 - y),
                    dib->pixels + static_cast<size_t>(y) * dib->width * 3,
                    static_cast<size_t>(dib->width) * 3);
    freeDibImage(dib);
    return image;
}

Image decodeTgaFile(int index) {
    const std::vector<uint8_t> bytes = readBytes(texturePath(index, true));
    TgaPixels tga{};
    Image image;
    if (bytes.empty() || !decodeTga(bytes.data(), bytes.size(), &tga)) return image;
    image = makeImage(tga.width, tga.height, tga.bytesPerPixel);
    const size_t row = static_cast<size_t>(tga.width) * tga.bytesPerPixel;
    for (int y = 0; y < tga.height; ++y)
        std::memcpy(imagePixel(image, 0, tga.height - 1 - y), tga.pixels + y * row, row);
    std::free(tga.pixels);
    return image;
}

double luminance(const uint8_t* p) {
    return (p[0] + p[1] + p[2]) / 3.0;
}

}  // namespace

TEST(InterfaceTextures, EveryGameTextureDecodesWithTheSizeItsUseNeeds) {
    for (int i = 0; i < kGameTextureCount; ++i) {
        const Image image = decodeBmpFile(i);
        ASSERT_GT(image.width, 0) << textureFileName(i, false);
        EXPECT_LE(image.width, 1024);
        EXPECT_LE(image.height, 1024);
    }
    // Countdown: the "3", "2", "1" quads are square, the "GO" quad 2:1.
    for (int i : {kCountdownOneTexture, kCountdownTwoTexture, kCountdownThreeTexture})
        EXPECT_EQ(decodeBmpFile(i).width, decodeBmpFile(i).height);
    EXPECT_EQ(decodeBmpFile(kCountdownGoTexture).width, 2 * decodeBmpFile(kCountdownGoTexture).height);
    // Multiply/add pairs share one size; the loading pictures fill 800 x 600.
    const int pairs[][2] = {
        {kTachoMaskTexture, kTachoFaceTexture},   {kNeedleMaskTexture, kNeedleFaceTexture},
        {kButtonMaskTexture, kButtonFaceTexture}, {kTitleMaskTexture, kTitleFaceTexture},
        {kTopBarMaskTexture, kTopBarFaceTexture}, {kStatFrameTexture, kStatFillTexture}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(decodeBmpFile(pair[0]).width, decodeBmpFile(pair[1]).width) << pair[0];
        EXPECT_EQ(decodeBmpFile(pair[0]).height, decodeBmpFile(pair[1]).height) << pair[0];
    }
    for (int i : {kStreetViewTexture, kLoadingTexture, kSplashTexture}) {
        EXPECT_EQ(decodeBmpFile(i).width, 800);
        EXPECT_EQ(decodeBmpFile(i).height, 600);
    }
}

TEST(InterfaceTextures, MasksKeepTheSceneOutsideTheirWidgetsAndFacesAddNothingThere) {
    // Corners lie outside the dial, plate and needle: mask white, face black.
    const int pairs[][2] = {{kTachoMaskTexture, kTachoFaceTexture},
                            {kNeedleMaskTexture, kNeedleFaceTexture},
                            {kButtonMaskTexture, kButtonFaceTexture},
                            {kTitleMaskTexture, kTitleFaceTexture}};
    for (const auto& pair : pairs) {
        const Image mask = decodeBmpFile(pair[0]), face = decodeBmpFile(pair[1]);
        ASSERT_GT(mask.width, 0);
        for (int corner = 0; corner < 4; ++corner) {
            const int x = corner % 2 ? mask.width - 1 : 0, y = corner / 2 ? mask.height - 1 : 0;
            EXPECT_GE(luminance(imagePixel(mask, x, y)), 250) << pair[0];
            EXPECT_LE(luminance(imagePixel(face, x, y)), 5) << pair[1];
        }
    }
    // Inside the dial the mask shades the scene.
    const Image dial = decodeBmpFile(kTachoMaskTexture);
    EXPECT_LT(luminance(imagePixel(dial, dial.width / 2, dial.height / 2)), 128);
}

TEST(InterfaceTextures, BillboardSpritesFadeOutInsideTheirCircle) {
    // Billboards map the texture onto a diamond: anything outside the
    // inscribed circle would show as hard corners.
    for (int i : {kCheckpointMarkerTexture, kLampSpriteTexture}) {
        const Image image = decodeBmpFile(i);
        ASSERT_GT(image.width, 0);
        const double cx = (image.width - 1) / 2.0, r = image.width / 2.0;
        double centre = luminance(imagePixel(image, image.width / 2, image.height / 2)), outside = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (std::hypot(x - cx, y - cx) > r)
                    outside = std::max(outside, luminance(imagePixel(image, x, y)));
        EXPECT_LE(outside, 2.0) << i;
        if (i == kLampSpriteTexture) {
            EXPECT_GE(centre, 250);  // the lamp's hot core
        }
    }
    for (int i : {kSmokeTga, kFlameTga}) {
        const Image image = decodeTgaFile(i);
        ASSERT_EQ(image.channels, 4);
        EXPECT_EQ(imagePixel(image, 0, 0)[3], 0);
        EXPECT_EQ(imagePixel(image, image.width - 1, image.height / 2)[3], 0);
        EXPECT_GT(imagePixel(image, image.width / 2, image.height / 2)[3], 60);
    }
}

TEST(InterfaceTextures, CloudsTileWithoutASeam) {
    // The cloud layer repeats: the step across the wrap must look like any
    // other step between neighbouring columns and rows.
    const Image clouds = decodeBmpFile(kCloudTexture);
    ASSERT_GT(clouds.width, 0);
    auto columnStep = [&](int a, int b) {
        double sum = 0;
        for (int y = 0; y < clouds.height; ++y)
            sum += std::fabs(luminance(imagePixel(clouds, a, y)) - luminance(imagePixel(clouds, b, y)));
        return sum / clouds.height;
    };
    auto rowStep = [&](int a, int b) {
        double sum = 0;
        for (int x = 0; x < clouds.width; ++x)
            sum += std::fabs(luminance(imagePixel(clouds, x, a)) - luminance(imagePixel(clouds, x, b)));
        return sum / clouds.width;
    };
    double typicalColumn = 0, typicalRow = 0;
    for (int i = 0; i + 1 < clouds.width; ++i) typicalColumn += columnStep(i, i + 1) / (clouds.width - 1);
    for (int i = 0; i + 1 < clouds.height; ++i) typicalRow += rowStep(i, i + 1) / (clouds.height - 1);
    EXPECT_LT(columnStep(clouds.width - 1, 0), 2.5 * typicalColumn + 0.5);
    EXPECT_LT(rowStep(clouds.height - 1, 0), 2.5 * typicalRow + 0.5);
}

TEST(InterfaceTextures, TgaTexturesDecodeWithAlphaWhereBlendingUsesIt) {
    for (int i = 0; i < kTgaTextureCount; ++i) {
        const Image image = decodeTgaFile(i);
        ASSERT_GT(image.width, 0) << textureFileName(i, true);
    }
    for (int i : {kGlyphTga, kButtonIconTga, kSmokeTga, kFlameTga, kMarkerWonTga, kMarkerOpenTga, kCityMapTga,
                  kNitroFrameTga, kNitroFillTga})
        EXPECT_EQ(decodeTgaFile(i).channels, 4) << i;
    EXPECT_EQ(decodeTgaFile(kCityMapTga).width, 512);
    EXPECT_EQ(decodeTgaFile(kCityMapTga).height, 512);
    // The nitro fill is revealed from the bottom edge up: liquid at both
    // ends of the quad, nothing outside the tube.
    const Image fill = decodeTgaFile(kNitroFillTga);
    ASSERT_EQ(fill.channels, 4);
    int topAlpha = 0, bottomAlpha = 0;
    for (int x = 0; x < fill.width; ++x) {
        topAlpha = std::max<int>(topAlpha, imagePixel(fill, x, fill.height * 8 / 100)[3]);
        bottomAlpha = std::max<int>(bottomAlpha, imagePixel(fill, x, fill.height * 92 / 100)[3]);
    }
    EXPECT_GT(topAlpha, 200);
    EXPECT_GT(bottomAlpha, 200);
    EXPECT_EQ(imagePixel(fill, fill.width - 1, fill.height / 2)[3], 0);
}

TEST(InterfaceTextures, GlyphImageHoldsBothSetsWhereThePrinterCutsThem) {
    const Image glyphs = decodeTgaFile(kGlyphTga);
    ASSERT_EQ(glyphs.channels, 4);
    ASSERT_EQ(glyphs.width, glyphs.height);
    const int cell = glyphs.width / 16;
    auto ink = [&](int index, int fromX, int toX) {
        // Largest alpha within columns [fromX, toX) of cell `index` (row 0 at the top).
        int most = 0;
        const int cx = (index % 16) * cell, cy = (index / 16) * cell;
        for (int y = 0; y < cell; ++y)
            for (int x = fromX; x < toX; ++x)
                most = std::max<int>(most, imagePixel(glyphs, cx + x, cy + y)[3]);
        return most;
    };
    for (int set = 0; set < 2; ++set)
        for (int code = 33; code < 127; ++code) {
            const int index = 128 * set + code - 32;
            EXPECT_GT(ink(index, 0, cell), 200) << "set " << set << " code " << code;
            // The printer advances 10 of the cell's 19 units: the right part stays clear.
            EXPECT_EQ(ink(index, cell * 12 / 19, cell), 0)
                << "set " << set << " code " << static_cast<char>(code);
        }
    // Space, DEL and the rows outside the two sets are empty.
    for (int index : {0, 95, 128, 223}) EXPECT_EQ(ink(index, 0, cell), 0) << index;
    for (int row : {6, 7, 14, 15})
        for (int c = 0; c < 16; ++c) EXPECT_EQ(ink(row * 16 + c, 0, cell), 0);
    // Glyphs stand upright: "T" has its bar at the top of its cell, "_" its line at the bottom.
    const int t = 128 + 'T' - 32, cx = (t % 16) * cell, cy = (t / 16) * cell;
    int topRow = cell, bottomRow = -1;
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x)
            if (imagePixel(glyphs, cx + x, cy + y)[3] > 128)
                topRow = std::min(topRow, y), bottomRow = std::max(bottomRow, y);
    int barWidth = 0;
    for (int x = 0; x < cell; ++x) barWidth += imagePixel(glyphs, cx + x, cy + topRow + 2)[3] > 128;
    EXPECT_GT(barWidth, cell / 3);
    EXPECT_GT(bottomRow, cell / 2);
}

// An independent run of the particle update over one effect file: the life
// span of a particle and how far it travels.
TEST(InterfaceEffects, EffectFilesGiveShortFlamesAndLongerSmokeAndDust) {
    struct Result {
        int steps;
        double travel;
    };
    auto simulate = [](const std::string& name, bool& additive) -> Result {
        std::vector<uint8_t> b = readBytes("base/effects/" + name);
        EXPECT_EQ(b.size(), 96u) << name;
        if (b.size() != 96) return {0, 0};
        auto word = [&](int at) {
            uint32_t v = b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
            return v;
        };
        auto real = [&](int at) {
            const uint32_t v = word(at);
            float f;
            std::memcpy(&f, &v, 4);
            return static_cast<double>(f);
        };
        EXPECT_GT(static_cast<int32_t>(word(0)), 0);
        for (int at : {40, 44, 48, 64}) EXPECT_GT(static_cast<int32_t>(word(at)), 0) << name << " at " << at;
        additive = word(92) == 1;
        // The slowest-fading particle: fade = (range - 1) / divisor + base... and
        // the quickest, fade = base. Take the quickest (longest life).
        const double fade = real(72) * real(36), level = real(88);
        double life = level, factor = 1, velocity = 120, travel = 0, gy = real(16);
        int steps = 0;
        while (life >= 0 && steps < 100000) {
            velocity += gy * 0;  // base velocity along the pipe; gravity is sideways to it
            if (factor > 0) factor -= real(84);
            travel += velocity * real(24) * factor;
            life -= fade;
            ++steps;
        }
        return {steps, travel};
    };
    bool dustAdd = true, flameAdd = false, smokeAdd = true;
    const Result dust = simulate("dust.eff", dustAdd), flame = simulate("firepipe.eff", flameAdd),
                 smoke = simulate("smokepipe.eff", smokeAdd);
    EXPECT_TRUE(flameAdd);
    EXPECT_FALSE(dustAdd);
    EXPECT_FALSE(smokeAdd);
    // At 100 steps a second: flames a tenth of a second or so, smoke and dust about a second.
    EXPECT_GT(flame.steps, 4);
    EXPECT_LT(flame.steps, 30);
    EXPECT_GT(smoke.steps, 50);
    EXPECT_LT(smoke.steps, 300);
    EXPECT_GT(dust.steps, 40);
    EXPECT_LT(dust.steps, 200);
    // A flame stays near its pipe (world units); smoke drifts a few units.
    EXPECT_LT(flame.travel, 1.5);
    EXPECT_GT(smoke.travel, 0.5);
    EXPECT_LT(smoke.travel, 8.0);
}

TEST(InterfaceDeterminism, RegeneratedPicturesMatchTheFilesByteForByte) {
    // The files on disk came from an earlier run of the generator: making a
    // few again (text, blur, noise and drawing in each) must give the same bytes.
    for (int i : {7, 22, 36, 41})
        EXPECT_TRUE(encodeBmp(makeGameTexture(i)) == readBytes(texturePath(i, false))) << i;
    for (int i : {1, 8}) EXPECT_TRUE(encodeTga(makeTgaTexture(i)) == readBytes(texturePath(i, true))) << i;
}

TEST(InterfaceLook, ContactSheetOfEveryTexture) {
    // Not a check of its own: the sheet is for a person to look at. Each
    // picture is shown in a 160-pixel cell over a checker that shows alpha.
    const int cell = 160, columns = 8, count = kGameTextureCount + kTgaTextureCount;
    Image sheet = makeImage(columns * (cell + 4), (count + columns - 1) / columns * (cell + 4), 3, 40, 0, 60);
    for (int n = 0; n < count; ++n) {
        const Image image = n < kGameTextureCount ? decodeBmpFile(n) : decodeTgaFile(n - kGameTextureCount);
        ASSERT_GT(image.width, 0);
        const double scale =
            std::min(static_cast<double>(cell) / image.width, static_cast<double>(cell) / image.height);
        const int ox = (n % columns) * (cell + 4), oy = (n / columns) * (cell + 4);
        for (int y = 0; y < static_cast<int>(image.height * scale); ++y)
            for (int x = 0; x < static_cast<int>(image.width * scale); ++x) {
                const uint8_t* p = imagePixel(image, std::min(image.width - 1, static_cast<int>(x / scale)),
                                              std::min(image.height - 1, static_cast<int>(y / scale)));
                const double a = image.channels == 4 ? p[3] / 255.0 : 1.0,
                             checker = ((x / 8 + y / 8) & 1) ? 90 : 55;
                uint8_t* q = imagePixel(sheet, ox + x, oy + y);
                for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(p[c] * a + checker * (1 - a));
            }
    }
    EXPECT_TRUE(writePng(std::string(KORVASK_BUILD_DIR) + "/content_sheet.png", sheet));
}
