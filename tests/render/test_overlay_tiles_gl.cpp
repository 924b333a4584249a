// Overlay images drawn in tiles: leaving out the tiles where an image leaves
// the frame as it is gives the one-quad picture, whatever the blend and
// whether the image is magnified or minified through its mipmaps.
#include <gtest/gtest.h>

#include <cmath>

#include "gl_fixture.h"

namespace {

constexpr int kImage = 128;

class OverlayTiles : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(640, 480));
        glViewport(0, 0, 640, 480);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glUseProgramObjectARB(0);
    }
    void TearDown() override {
        overlaySavings = OverlaySavings{};
        RendererTest::TearDown();
    }

    // Plain everywhere (white, black or transparent as the blend wants) but
    // for a ring near one corner, whose colour changes the frame.
    static GLuint ringImage(OverlayBlend blend) {
        std::vector<uint8_t> rgba((size_t)kImage * kImage * 4);
        for (int y = 0; y < kImage; y++)
            for (int x = 0; x < kImage; x++) {
                uint8_t* p = &rgba[((size_t)y * kImage + x) * 4];
                const float r = std::hypot((float)x - 30.0f, (float)y - 96.0f);
                const bool ring = r > 8.0f && r < 14.0f;
                const uint8_t plain = blend == OverlayMultiply ? 255 : 0;
                p[0] = ring ? 40 : plain;
                p[1] = ring ? 200 : plain;
                p[2] = ring ? 120 : plain;
                p[3] = blend == OverlayAlpha ? (ring ? 200 : 0) : 255;
            }
        GLuint texture;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, kImage, kImage, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return texture;
    }

    // A coloured background over the overlay, so every blend has something
    // to change.
    static void drawBackground() {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glBegin(GL_QUADS);
        glColor3f(0.2f, 0.5f, 0.9f);
        glVertex2f(0, 0);
        glColor3f(0.9f, 0.3f, 0.1f);
        glVertex2f(800, 0);
        glColor3f(0.4f, 0.9f, 0.4f);
        glVertex2f(800, 600);
        glColor3f(0.7f, 0.7f, 0.2f);
        glVertex2f(0, 600);
        glEnd();
    }

    std::vector<uint8_t> draw(GLuint texture, OverlayBlend blend, float size, bool tiles,
                              bool opaque = false) {
        overlaySavings.tiles = tiles;
        glClear(GL_COLOR_BUFFER_BIT);
        beginOverlay();
        drawBackground();
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        glEnable(GL_BLEND);
        if (blend == OverlayMultiply) glBlendFunc(GL_DST_COLOR, GL_ZERO);
        if (blend == OverlayAdd) glBlendFunc(GL_ONE, GL_ONE);
        if (blend == OverlayAlpha) glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        // Drawn opaque instead, the quads sent show where the tiles are.
        if (opaque) glBlendFunc(GL_ONE, GL_ZERO);
        drawOverlayImage(texture, blend, 37.0f, 21.0f, 37.0f + size, 21.0f + size, 0.8f);
        glDisable(GL_BLEND);
        endOverlay();
        return frame();
    }
};

TEST_F(OverlayTiles, TilesDrawTheOneQuadPicture) {
    // Sizes in overlay units: minified to about a third, near 1:1 and
    // magnified four times on the 640-pixel-wide frame.
    const float sizes[] = {55.0f, 160.0f, 640.0f};
    for (OverlayBlend blend : {OverlayMultiply, OverlayAdd, OverlayAlpha}) {
        const GLuint texture = ringImage(blend);
        for (float size : sizes) {
            const std::vector<uint8_t> reference = draw(texture, blend, size, false);
            const std::vector<uint8_t> tiled = draw(texture, blend, size, true);
            ASSERT_EQ(tiled.size(), reference.size());
            int worst = 0;
            for (size_t i = 0; i < tiled.size(); i++)
                worst = std::max(worst, std::abs((int)tiled[i] - (int)reference[i]));
            // Tiles interpolate the same texture coordinates from other
            // corners: at most a rounding step apart.
            EXPECT_LE(worst, 1) << "blend " << blend << " size " << size;
        }
        // Near 1:1 the ring's tiles are drawn and most of the rest are not.
        const std::vector<uint8_t> before = draw(texture, blend, 160.0f, true, false);
        const std::vector<uint8_t> sent = draw(texture, blend, 160.0f, true, true);
        int kept = 0, quadPixels = 0;
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++) {
                // The quad: overlay 37..197 across, 21..149 up (0.8 of 160).
                const float ox = ((float)x + 0.5f) * 800.0f / 640.0f,
                            oy = ((float)y + 0.5f) * 600.0f / 480.0f;
                if (ox < 40 || ox > 194 || oy < 24 || oy > 146) continue;
                quadPixels++;
                const size_t i = ((size_t)(479 - y) * 640 + x) * 3;
                kept += sent[i] == before[i] && sent[i + 1] == before[i + 1] && sent[i + 2] == before[i + 2];
            }
        EXPECT_GT(kept, quadPixels / 2) << "blend " << blend;
        glDeleteTextures(1, &texture);
        forgetOverlayTiles();
    }
}

// From its second draw at one place an image is drawn from the picture made
// there, unfiltered: the frame stays the filtered one, whatever the blend,
// the size (minified through the mipmaps, near 1:1, magnified), a place
// between pixels and a part of the image's height.
TEST_F(OverlayTiles, ScreenPictureKeepsTheFilteredFrame) {
    for (OverlayBlend blend : {OverlayMultiply, OverlayAdd, OverlayAlpha}) {
        const GLuint texture = ringImage(blend);
        for (float size : {55.0f, 160.0f, 640.0f}) {
            overlaySavings.screenImages = false;
            const std::vector<uint8_t> reference = draw(texture, blend, size, true);
            overlaySavings.screenImages = true;
            std::vector<uint8_t> drawn;
            GLint bound = 0;
            for (int time = 0; time < 3; time++) {
                drawn = draw(texture, blend, size, true);
                glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
                // Filtered as before at the first two draws, the second
                // making the picture; from the picture at the third.
                EXPECT_EQ(static_cast<GLuint>(bound) == texture, time == 0) << "draw " << time;
            }
            ASSERT_EQ(drawn.size(), reference.size());
            size_t differing = 0;
            for (size_t i = 0; i < drawn.size(); i++) differing += drawn[i] != reference[i];
            EXPECT_EQ(differing, 0u) << "blend " << blend << " size " << size;
        }
        glDeleteTextures(1, &texture);
        forgetOverlayTiles();
    }
}

// A turned image, or one drawn in another colour than white, is filtered at
// every draw: the picture holds the texels times white, upright.
TEST_F(OverlayTiles, TurnedOrTintedImagesKeepFiltering) {
    const GLuint texture = ringImage(OverlayAlpha);
    struct Case {
        float degrees;
        float green;
    };
    for (const Case& c : {Case{12.0f, 1.0f}, Case{0.0f, 0.5f}}) {
        for (int time = 0; time < 3; time++) {
            beginOverlay();
            glRotatef(c.degrees, 0.0f, 0.0f, 1.0f);
            glColor4f(1.0f, c.green, 1.0f, 1.0f);
            drawOverlayImage(texture, OverlayAlpha, 37.0f, 21.0f, 197.0f, 181.0f);
            endOverlay();
            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            EXPECT_EQ(static_cast<GLuint>(bound), texture) << c.degrees << " degrees, draw " << time;
        }
    }
    glDeleteTextures(1, &texture);
    forgetOverlayTiles();
}

// A mask of the given grey (or tinted: red kept, green and blue dimmed) with
// a disc cut darker, and a face lit along a ring: the HUD's masked images in
// small.
GLuint maskedPart(bool mask, bool tinted, int size) {
    std::vector<uint8_t> rgb(static_cast<size_t>(size) * size * 3);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * size + x) * 3];
            const float r = std::hypot(static_cast<float>(x - size / 2), static_cast<float>(y - size / 2));
            if (mask) {
                const uint8_t grey = r < size * 0.4f ? static_cast<uint8_t>(40 + x % 50) : 255;
                p[0] = grey;
                p[1] = p[2] = tinted && grey < 255 ? static_cast<uint8_t>(grey / 2) : grey;
            } else {
                const bool ring = r > size * 0.3f && r < size * 0.38f;
                p[0] = ring ? 30 : 0;
                p[1] = ring ? static_cast<uint8_t>(120 + y % 90) : 0;
                p[2] = ring ? 250 : 0;
            }
        }
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, size, size, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return texture;
}

// One pass or two, the masked image leaves the same frame to the bit, at
// sizes minified through the mipmaps and magnified; a tinted mask, or a
// mask and face of different sizes, keeps its two passes.
TEST_F(OverlayTiles, MaskedImageInOnePassKeepsThePicture) {
    struct Case {
        bool tinted;
        int faceSize;
        bool onePass;
    };
    const Case cases[] = {{false, 64, true}, {true, 64, false}, {false, 32, false}};
    for (const Case& c : cases) {
        const GLuint mask = maskedPart(true, c.tinted, 64), face = maskedPart(false, false, c.faceSize);
        EXPECT_EQ(maskedFaceImage(mask, face) != 0, c.onePass) << "tinted " << c.tinted;
        for (float size : {40.0f, 130.0f, 500.0f}) {
            std::vector<uint8_t> frames[2];
            for (int onePass = 0; onePass < 2; onePass++) {
                overlaySavings.onePassMasks = onePass == 1;
                glClear(GL_COLOR_BUFFER_BIT);
                beginOverlay();
                drawBackground();
                beginImages();
                drawMaskedImage(mask, face, 61.0f, 33.0f, 61.0f + size, 33.0f + size);
                glDisable(GL_BLEND);
                endOverlay();
                frames[onePass] = frame();
            }
            overlaySavings.onePassMasks = true;
            ASSERT_EQ(frames[0].size(), frames[1].size());
            size_t differing = 0;
            for (size_t i = 0; i < frames[0].size(); i++) differing += frames[0][i] != frames[1][i];
            EXPECT_EQ(differing, 0u) << "tinted " << c.tinted << " face " << c.faceSize << " size " << size;
        }
        forgetOverlayTiles();
        glDeleteTextures(1, &mask);
        glDeleteTextures(1, &face);
    }
}

}  // namespace
