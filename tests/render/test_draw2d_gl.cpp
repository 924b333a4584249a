// The overlay's 2-D drawing on a real context: each blend mode meets the
// frame as its name says, images take the part of the texture asked for,
// the transform moves and turns what follows until it is popped, and the
// shapes cover what their corners enclose.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gl_fixture.h"

namespace {

class Draw2D : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(800, 600));
        glViewport(0, 0, 800, 600);
        glUseProgramObjectARB(0);
        glDisable(GL_FOG);
        beginOverlay();
    }
    void TearDown() override {
        endOverlay();
        RendererTest::TearDown();
    }

    // The frame filled with one colour, untextured and unblended.
    static void fillFrame(float r, float g, float b) {
        beginShapes();
        setBlend2D(Blend2DOff);
        drawColour(r, g, b, 1.0f);
        fillRect(0.0f, 0.0f, 800.0f, 600.0f);
        endShapes();
    }

    // Channel c of the overlay point x, y (one overlay unit is one pixel).
    int pixel(int x, int y, int c) {
        const std::vector<uint8_t> rgb = frame();
        return rgb[(static_cast<size_t>(599 - y) * 800 + static_cast<size_t>(x)) * 3 + c];
    }
};

struct BlendCase {
    Blend2D mode;
    int expected[3];  // red over a grey 0.5 frame, drawn 0.8, 0.2, 0.4 at alpha 0.5
};

TEST_F(Draw2D, EachBlendModeMeetsTheFrameAsNamed) {
    const BlendCase cases[] = {
        {Blend2DOff, {204, 51, 102}},      // replaces
        {Blend2DAlpha, {166, 89, 115}},    // 0.5 x colour + 0.5 x frame
        {Blend2DGlow, {230, 153, 179}},    // frame + 0.5 x colour
        {Blend2DAdd, {255, 179, 230}},     // frame + colour, clamped
        {Blend2DMultiply, {102, 26, 51}},  // frame x colour
    };
    for (const BlendCase& c : cases) {
        fillFrame(0.5f, 0.5f, 0.5f);
        beginShapes();
        setBlend2D(c.mode);
        drawColour(0.8f, 0.2f, 0.4f, 0.5f);
        fillRect(100.0f, 100.0f, 200.0f, 200.0f);
        endShapes();
        for (int k = 0; k < 3; k++) EXPECT_NEAR(pixel(150, 150, k), c.expected[k], 2) << c.mode << " " << k;
        // Outside the rectangle the frame is left as it was.
        EXPECT_NEAR(pixel(300, 300, 0), 128, 1) << c.mode;
    }
}

TEST_F(Draw2D, ImagesTakeThePartOfTheTextureAskedFor) {
    // Two texels: red on the left, green on the right.
    const uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Nearest texels, so each half reads as one colour.
    for (GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
        glTexParameteri(GL_TEXTURE_2D, filter, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glBindTexture(GL_TEXTURE_2D, 0);

    fillFrame(0.0f, 0.0f, 0.0f);
    beginImages();
    drawImage(texture, 0.0f, 0.0f, 100.0f, 100.0f);
    drawImage(texture, 200.0f, 0.0f, 300.0f, 100.0f, 0.5f, 0.0f, 1.0f, 1.0f);
    const float corners[12] = {400.0f, 0.0f, 0.0f,   0.0f,   500.0f, 0.0f,
                               0.4f,   0.0f, 400.0f, 100.0f, 0.0f,   1.0f};
    drawImageTriangle(texture, corners);
    endImages();
    EXPECT_EQ(pixel(20, 50, 0), 255);   // the whole image: red on the left ...
    EXPECT_EQ(pixel(80, 50, 1), 255);   // ... green on the right
    EXPECT_EQ(pixel(220, 50, 1), 255);  // its right half only: green throughout
    EXPECT_EQ(pixel(220, 50, 0), 0);
    EXPECT_EQ(pixel(410, 10, 0), 255);  // the triangle's texels, left half: red
    EXPECT_EQ(pixel(460, 80, 0), 0);    // outside the triangle: the frame
    glDeleteTextures(1, &texture);
}

TEST_F(Draw2D, TransformMovesAndTurnsUntilPopped) {
    fillFrame(0.0f, 0.0f, 0.0f);
    beginShapes();
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    pushTransform2D();
    translate2D(400.0f, 300.0f);
    rotate2D(90.0f);
    // Along +x before the turn: straight up from (400, 300) after it.
    fillRect(20.0f, -5.0f, 60.0f, 5.0f);
    popTransform2D();
    fillRect(10.0f, 10.0f, 20.0f, 20.0f);
    endShapes();
    EXPECT_EQ(pixel(400, 340, 0), 255);
    EXPECT_EQ(pixel(440, 300, 0), 0);
    EXPECT_EQ(pixel(15, 15, 0), 255);
}

TEST_F(Draw2D, ShapesCoverWhatTheirCornersEnclose) {
    fillFrame(0.0f, 0.0f, 0.0f);
    beginShapes();
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    const float triangle[6] = {100.0f, 100.0f, 200.0f, 100.0f, 100.0f, 200.0f};
    fillTriangle(triangle);
    const float diamond[8] = {400.0f, 100.0f, 450.0f, 150.0f, 400.0f, 200.0f, 350.0f, 150.0f};
    fillQuad(diamond);
    const float square[8] = {600.0f, 100.0f, 700.0f, 100.0f, 700.0f, 200.0f, 600.0f, 200.0f};
    strokeLoop(square, 4);
    fillDisc(150.0f, 400.0f, 30.0f, 16);
    endShapes();
    EXPECT_EQ(pixel(120, 120, 0), 255);
    EXPECT_EQ(pixel(180, 180, 0), 0);  // beyond the hypotenuse
    EXPECT_EQ(pixel(400, 150, 0), 255);
    EXPECT_EQ(pixel(355, 110, 0), 0);  // the diamond's cut corner
    EXPECT_EQ(pixel(650, 150, 0), 0);  // a loop is its outline only
    int outline = 0;
    for (int y = 98; y <= 102; y++) outline += pixel(650, y, 0) == 255;
    EXPECT_GT(outline, 0);
    EXPECT_EQ(pixel(150, 425, 0), 255);
    EXPECT_EQ(pixel(175, 425, 0), 0);  // outside the disc's rim
}

}  // namespace
