// Printed text lands where the 800 x 600 overlay space says, at any window
// size, in the chosen glyph set, colour and transparency. Run under Xvfb.
#include <sys/stat.h>

#include <cmath>

#include "gl_fixture.h"

namespace {

// Cell of "A" in set 1 (128 + 65 - 32) and in set 0 (65 - 32).
constexpr int kCellA1 = 161;
constexpr int kCellA0 = 33;

struct Box {
    int count = 0;
    double cx = 0, cy = 0;  // centroid in window pixels, y up
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};

// Pixels whose channel c is above the threshold; rows come top first.
Box litBox(const std::vector<uint8_t>& rgb, int w, int h, int channel = 0, int threshold = 100) {
    Box b;
    for (int row = 0; row < h; row++)
        for (int x = 0; x < w; x++) {
            if (rgb[((size_t)row * w + x) * 3 + channel] <= threshold) continue;
            int y = h - 1 - row;
            b.count++;
            b.cx += x;
            b.cy += y;
            b.minX = std::min(b.minX, x), b.maxX = std::max(b.maxX, x);
            b.minY = std::min(b.minY, y), b.maxY = std::max(b.maxY, y);
        }
    if (b.count) b.cx /= b.count, b.cy /= b.count;
    return b;
}

class TextTest : public RendererTest {
  protected:
    void startWithGlyphs(int w, int h) {
        ASSERT_TRUE(writeFile("base/textures/tex01.tga", glyphImage({kCellA1})));
        ASSERT_TRUE(start(w, h));
        ASSERT_NE(tgaTextures[kGlyphTga].texture, 0xFFFFFFFFu);
        // Nearest filtering keeps the glyph edges exact for the pixel counts.
        glBindTexture(GL_TEXTURE_2D, tgaTextures[kGlyphTga].texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        textColour = 0;
        textAlpha = 1.0f;
    }
};

TEST_F(TextTest, SmallGlyphSitsThreeUnitsBelowItsPoint) {
    startWithGlyphs(800, 600);
    printText(100, 300, 1.0f, 1, "A");
    Box b = litBox(frame(), width, height);
    // The opaque left half of the cell spans 19 / 2 units of the 19-unit
    // quad; the quad is 20 units high from y - 3.
    ASSERT_GT(b.count, 0);
    EXPECT_EQ(b.minX, 100);
    EXPECT_NEAR(b.maxX, 109, 1);
    EXPECT_EQ(b.minY, 297);
    EXPECT_EQ(b.maxY, 316);
}

TEST_F(TextTest, LargeGlyphHasNoShiftAndAdvancesThirteen) {
    startWithGlyphs(800, 600);
    printTextLarge(200, 100, 1, "A A");
    Box b = litBox(frame(), width, height);
    ASSERT_GT(b.count, 0);
    EXPECT_EQ(b.minY, 100);
    EXPECT_EQ(b.maxY, 126);  // 27 high
    EXPECT_EQ(b.minX, 200);
    // The second "A" starts two advances (26 units) on and is 12.5 wide.
    EXPECT_NEAR(b.maxX, 200 + 26 + 12, 1);
}

TEST_F(TextTest, SameRelativePlaceAtEveryResolution) {
    double relX[2], relY[2];
    int sizes[2][2] = {{640, 480}, {1024, 768}};
    for (int i = 0; i < 2; i++) {
        startWithGlyphs(sizes[i][0], sizes[i][1]);
        printText(400, 150, 1.0f, 1, "AAAA");
        std::vector<uint8_t> rgb = frame();
        Box b = litBox(rgb, width, height);
        ASSERT_GT(b.count, 0);
        relX[i] = b.cx / width;
        relY[i] = b.cy / height;
        char path[64];
        std::snprintf(path, sizeof path, "/tmp/korvask-text-%dx%d.png", width, height);
        scriptedWritePng(path, rgb, width, height);
        releaseTgaTextures();
        scriptedCloseGLWindow();
    }
    EXPECT_NEAR(relX[0], relX[1], 0.003);
    EXPECT_NEAR(relY[0], relY[1], 0.003);
    // Four glyphs from x 400: centred near (400 + 3 * 10 + 4.75) / 800.
    EXPECT_NEAR(relX[1], (400 + 15 + 4.75) / 800.0, 0.01);
}

TEST_F(TextTest, SetsColourAndAlpha) {
    startWithGlyphs(800, 600);
    // Set 0 maps "A" to cell 33, which this image leaves empty.
    printText(100, 300, 1.0f, 0, "A");
    EXPECT_EQ(litBox(frame(), width, height).count, 0);
    // Sets above 1 mean 1.
    printText(100, 300, 1.0f, 7, "A");
    EXPECT_GT(litBox(frame(), width, height).count, 0);

    glClear(GL_COLOR_BUFFER_BIT);
    textColour = 1;
    printText(100, 300, 1.0f, 1, "A");
    std::vector<uint8_t> rgb = frame();
    EXPECT_GT(litBox(rgb, width, height, 0).count, 100);
    EXPECT_EQ(litBox(rgb, width, height, 1, 10).count, 0);
    // The small font leaves the colour white afterwards.
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[1], 1.0f);

    glClear(GL_COLOR_BUFFER_BIT);
    textColour = 3;  // keeps whatever colour was current
    glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
    printTextLarge(100, 300, 1, "A");
    rgb = frame();
    EXPECT_GT(litBox(rgb, width, height, 2).count, 100);
    EXPECT_EQ(litBox(rgb, width, height, 0, 10).count, 0);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[2], 1.0f);  // the large font leaves it as set
    EXPECT_EQ(colour[0], 0.0f);

    glClear(GL_COLOR_BUFFER_BIT);
    textColour = 0;
    textAlpha = 0.5f;
    printText(100, 300, 1.0f, 1, "A");
    rgb = frame();
    Box half = litBox(rgb, width, height, 0, 100);
    EXPECT_GT(half.count, 0);
    EXPECT_EQ(litBox(rgb, width, height, 0, 140).count, 0);  // about 128
    textAlpha = 1.0f;

    // The state printing leaves behind.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE);
}

TEST_F(TextTest, LongTextIsCutAt255Characters) {
    startWithGlyphs(800, 600);
    // Characters 254 and 255 (0-based) are "A": printed from x = -2540 the
    // first would land at 0 and the second, cut off, at 10.
    std::string text(254, ' ');
    text += std::string(300, 'A');
    printText(-2540, 300, 1.0f, 1, "%s", text.c_str());
    Box b = litBox(frame(), width, height);
    ASSERT_GT(b.count, 0);
    EXPECT_EQ(b.minX, 0);
    EXPECT_LE(b.maxX, 10);
    // A null format prints nothing; control characters print as spaces.
    glClear(GL_COLOR_BUFFER_BIT);
    const char* none = nullptr;
    printText(100, 300, 1.0f, 1, none);
    printText(100, 300, 1.0f, 1, "\x01\x02");
    EXPECT_EQ(litBox(frame(), width, height).count, 0);
}

// With the game's own glyph image (made by korvask-content), a frame of
// text to look at.
TEST_F(TextTest, GameFontFrameForTheEye) {
    std::string glyphs = std::string(KORVASK_BUILD_DIR) + "/base/textures/tex01.tga";
    struct stat info;
    if (stat(glyphs.c_str(), &info) != 0) FAIL() << "no generated glyph image at " << glyphs;
    ASSERT_TRUE(writeFile("base/textures/tex01.tga", readFile(glyphs)));
    ASSERT_TRUE(start(800, 600));
    glClearColor(0.1f, 0.1f, 0.15f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    printTextLarge(260, 500, 1, "     Car Tuning");
    printText(50, 400, 1.0f, 1, "Tuning packages available for installation: %2i", 3);
    textColour = 1;
    printText(50, 350, 1.0f, 1, "Red: 0123456789 !?.,:;-+()");
    textColour = 2;
    printText(50, 300, 1.0f, 1, "Green: ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    textColour = 0;
    textAlpha = 0.5f;
    printText(50, 250, 1.0f, 1, "Half alpha: abcdefghijklmnopqrstuvwxyz");
    textAlpha = 1.0f;
    printText(50, 200, 1.0f, 0, "Set 0: ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz");
    printText(670, 500, 1.0f, 1, "FPS:%2i", 60);
    std::vector<uint8_t> rgb = frame();
    EXPECT_GT(litBox(rgb, width, height).count, 1000);
    scriptedWritePng("/tmp/korvask-text-game-font.png", rgb, width, height);
}

}  // namespace
