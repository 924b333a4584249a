// The sky: the dome leaves the matrices as it found them and drifts its
// clouds; the box shows each face's own texture.
#include <gtest/gtest.h>

#include <cmath>

#include "gl_fixture.h"
#include "race/race.h"

namespace {

class Sky : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(640, 480));
        // The race's projection reaches 15000 units.
        game.gameState = Race;
        players[0].playerSpeed = raceViewSpeed = 0.0f;
    }
    void TearDown() override {
        releaseSky();
        game.gameState = MainMenu;
        RendererTest::TearDown();
    }
};

GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t pixel[4] = {r, g, b, 255};
    GLuint name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return name;
}

TEST_F(Sky, DomeLeavesTheModelViewAndTextureMatricesAsFound) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(12, 3, -40, 60, 1, -10, 0, 1, 0);
    GLfloat before[16], after[16], texture[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    frameClock.frameFactor = 2.0f;
    const float drift = skyDrift;
    for (int i = 0; i < 3; i++) drawSkyDome();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; i++) EXPECT_NEAR(after[i], before[i], 1e-5f * (1.0f + std::fabs(before[i]))) << i;
    glGetFloatv(GL_TEXTURE_MATRIX, texture);
    for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(texture[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(depth, 1);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    // 1e-6 per unit of frame factor, three frames of 2.
    EXPECT_NEAR(skyDrift - drift, 6e-6f, 1e-9f);
}

TEST_F(Sky, DomeIsDarkBlueOverheadAndCloudsAddWarmth) {
    resizeScene(640, 480);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0, 0, 0, 0, 1, 0.01, 0, 1, 0);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    const GLuint saved = gameTextures[kCloudTexture];
    gameTextures[kCloudTexture] = solidTexture(255, 255, 255);
    drawSkyDome();
    gameTextures[kCloudTexture] = saved;
    std::vector<uint8_t> rgb = frame();
    const uint8_t* centre = &rgb[((size_t)240 * 640 + 320) * 3];
    // (0, 0, 0.1) behind two layers adding (0.3, 0.2, 0) at alpha 0.5 each.
    EXPECT_NEAR(centre[0], 77, 3);
    EXPECT_NEAR(centre[1], 51, 3);
    EXPECT_NEAR(centre[2], 26, 3);
}

// A frame cleared to the night sky and the dome without its backdrop give
// the dome's picture to the bit, looking up, along and down (where a street
// in front of it is drawn first), and leave the clear colour as it was.
TEST_F(Sky, ClearedBackdropGivesTheDomesPixels) {
    resizeScene(640, 480);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    const float targets[3][3] = {{0, 1, 0.01f}, {1, 0.05f, 0.3f}, {0.2f, -1, 1}};
    for (const auto& target : targets) {
        std::vector<uint8_t> frames[2];
        for (int cleared = 0; cleared < 2; cleared++) {
            glClearColor(0.25f, 0.5f, 0.75f, 0.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            if (cleared == 1) clearToNightSky();
            glLoadIdentity();
            gluLookAt(0, 2, 0, target[0], 2 + target[1], target[2], 0, 1, 0);
            // A patch of street, drawn before the sky as the race draws it.
            glDisable(GL_TEXTURE_2D);
            glColor4f(0.6f, 0.6f, 0.6f, 1.0f);
            glBegin(GL_QUADS);
            glVertex3f(-20, 0, -20);
            glVertex3f(-20, 0, 20);
            glVertex3f(20, 0, 20);
            glVertex3f(20, 0, -20);
            glEnd();
            glEnable(GL_TEXTURE_2D);
            glColor4f(1, 1, 1, 1);
            drawSkyDome(cleared == 0);
            frames[cleared] = frame();
        }
        EXPECT_EQ(frames[0], frames[1]) << "towards " << target[0] << " " << target[1] << " " << target[2];
        GLfloat clearColour[4] = {0, 0, 0, 0};
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
        EXPECT_FLOAT_EQ(clearColour[2], 0.75f);
    }
}

TEST_F(Sky, BoxShowsEachFaceWithItsTextureAndHasNoFloor) {
    const GLuint saved[6] = {gameTextures[0], gameTextures[1], gameTextures[2],
                             gameTextures[3], gameTextures[4], gameTextures[5]};
    gameTextures[kSkyNearTexture] = solidTexture(255, 0, 0);
    gameTextures[kSkyFarTexture] = solidTexture(0, 255, 0);
    gameTextures[kSkyTopTexture] = solidTexture(0, 0, 255);
    gameTextures[kSkyLeftTexture] = solidTexture(255, 255, 0);
    gameTextures[kSkyRightTexture] = solidTexture(0, 255, 255);
    resizeScene(640, 480);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glColor4f(1, 1, 1, 1);
    struct Look {
        float x, y, z;
        uint8_t r, g, b;
    };
    // From the box's middle: -z, +z, up, -x, +x, and down (no face: black).
    const Look looks[] = {{0, 0, -1, 255, 0, 0},   {0, 0, 1, 0, 255, 0},   {0, 1, 0.01f, 0, 0, 255},
                          {-1, 0, 0, 255, 255, 0}, {1, 0, 0, 0, 255, 255}, {0, -1, 0.01f, 0, 0, 0}};
    for (const Look& look : looks) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(0, 0, 0, look.x, look.y, look.z, 0, 1, 0);
        drawSkyBox(0, -1000, 0, 8000, 3000, 8000);
        std::vector<uint8_t> rgb = frame();
        const uint8_t* centre = &rgb[((size_t)240 * 640 + 320) * 3];
        EXPECT_EQ(centre[0], look.r) << look.x << " " << look.y << " " << look.z;
        EXPECT_EQ(centre[1], look.g) << look.x << " " << look.y << " " << look.z;
        EXPECT_EQ(centre[2], look.b) << look.x << " " << look.y << " " << look.z;
    }
    for (int i = 0; i < 6; i++) gameTextures[i] = saved[i];
}

}  // namespace
