// Graphics presets on a real context: each preset puts in force the passes
// it names, the scaled scene leaves the HUD at the full resolution, and
// Auto picks from the menu frames' times.
#include <vector>

#include "gl_fixture.h"
#include "render/render_local.h"

namespace {

class GraphicsPresets : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        options.resolutionIndex = 1;
        ASSERT_TRUE(start(800, 600));
    }
    void TearDown() override {
        applyGraphicsPreset(GraphicsHigh);
        RendererTest::TearDown();
    }
};

struct PresetCase {
    int preset;
    bool sceneScaled;
    int reflectionInterval;  // 0: no mirror in the paint
    int glowSize;            // 0: no glow
    int particleStride;
    bool drawDistanceCut;
};

TEST_F(GraphicsPresets, EachPresetSwitchesThePassesItNames) {
    const PresetCase cases[] = {
        {GraphicsLow, true, 0, 0, 4, true},
        {GraphicsMedium, true, 3, 128, 2, true},
        {GraphicsHigh, false, 1, 256, 1, false},
    };
    for (const PresetCase& c : cases) {
        applyGraphicsPreset(c.preset);
        EXPECT_EQ(graphicsPreset, c.preset);
        EXPECT_EQ(graphicsSwitches.renderScale < 1.0f, c.sceneScaled) << c.preset;
        EXPECT_EQ(graphicsSwitches.reflectionInterval, c.reflectionInterval) << c.preset;
        EXPECT_EQ(graphicsSwitches.glowSize, c.glowSize) << c.preset;
        EXPECT_EQ(graphicsSwitches.particleStride, c.particleStride) << c.preset;
        EXPECT_EQ(graphicsSwitches.drawDistance > 0.0f, c.drawDistanceCut) << c.preset;
        // The haze is brought in to meet the shorter draw distance.
        float density = 0.0f;
        glGetFloatv(GL_FOG_DENSITY, &density);
        EXPECT_FLOAT_EQ(density, graphicsSwitches.fogDensity);

        // The glow image the HUD adds is made at the preset's size, or is
        // black when the preset has no glow.
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        postProcessFrame();
        glBindTexture(GL_TEXTURE_2D, blurTextureA);
        GLint side = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &side);
        std::vector<uint8_t> rgba((size_t)side * side * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        int lit = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) lit += rgba[i] > 0;
        if (c.glowSize > 0) {
            EXPECT_EQ(side, c.glowSize) << c.preset;
            EXPECT_GT(lit, side * side / 2) << c.preset;
        } else {
            EXPECT_EQ(lit, 0) << c.preset;
        }
    }
}

TEST_F(GraphicsPresets, ScaledSceneKeepsTheHudSharpAtFullResolution) {
    // The scene: columns one pixel wide at the full resolution. The HUD: a
    // dashed row of one-pixel dashes at y = 300, drawn after the scene.
    auto drawFrame = [&](int preset) {
        applyGraphicsPreset(preset);
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        beginScaledScene();
        beginOverlay();
        beginShapes();
        shapeColour(kHudWhite, 1.0f);
        for (int x = 0; x < 800; x += 2) fillRect((float)x, 0.0f, (float)x + 1.0f, 600.0f);
        endShapes();
        endOverlay();
        endScaledScene();
        beginOverlay();
        beginShapes();
        shapeColour(kHudBlack, 1.0f);
        fillRect(0.0f, 300.0f, 800.0f, 301.0f);
        shapeColour(kHudMagenta, 1.0f);
        for (int x = 1; x < 800; x += 2) fillRect((float)x, 300.0f, (float)x + 1.0f, 301.0f);
        endShapes();
        endOverlay();
        return frame();
    };
    // Rows top first: overlay row 300 is image row 299.
    auto pixel = [&](const std::vector<uint8_t>& rgb, int x, int imageRow, int c) {
        return (int)rgb[((size_t)imageRow * width + x) * 3 + c];
    };
    for (int preset : {GraphicsLow, GraphicsMedium, GraphicsHigh}) {
        const std::vector<uint8_t> rgb = drawFrame(preset);
        // The HUD row: black and magenta, pixel by pixel, at every preset.
        int sharp = 0;
        for (int x = 0; x < 800; x++) {
            const bool magenta = x % 2 == 1;
            sharp +=
                pixel(rgb, x, 299, 0) == (magenta ? 255 : 0) && pixel(rgb, x, 299, 2) == (magenta ? 153 : 0);
        }
        EXPECT_EQ(sharp, 800) << "preset " << preset;
        // The scene row below it: its one-pixel columns survive only at
        // full scale; a scaled scene blurs them into greys.
        int exact = 0;
        for (int x = 0; x < 800; x++) {
            const int v = pixel(rgb, x, 400, 1);
            exact += v == (x % 2 == 0 ? 255 : 0);
        }
        if (preset == GraphicsHigh)
            EXPECT_EQ(exact, 800);
        else
            EXPECT_LT(exact, 600) << "preset " << preset;
    }
}

// A new context does not reuse the last one's name for the scaled scene's
// picture: that name may now be one of the new context's own textures.
TEST_F(GraphicsPresets, ScaledSceneAfterANewContextLeavesOtherTexturesAlone) {
    auto scaledFrame = [&](float red, float green) {
        applyGraphicsPreset(GraphicsLow);
        glViewport(0, 0, width, height);
        glClearColor(red, green, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        beginScaledScene();
        endScaledScene();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        return frame();
    };
    scaledFrame(1.0f, 0.0f);
    applyGraphicsPreset(GraphicsHigh);
    releaseTgaTextures();
    scriptedCloseGLWindow();
    ASSERT_TRUE(start(800, 600));
    // Textures of the new context, one of them likely under the old name.
    std::vector<GLuint> names(16);
    glGenTextures(static_cast<GLsizei>(names.size()), names.data());
    const uint8_t blue[4] = {0, 0, 255, 255};
    for (GLuint name : names) {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, blue);
    }
    const std::vector<uint8_t> rgb = scaledFrame(0.0f, 1.0f);
    EXPECT_EQ(rgb[((size_t)300 * width + 400) * 3 + 1], 255);
    for (GLuint name : names) {
        glBindTexture(GL_TEXTURE_2D, name);
        GLint texelsWide = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texelsWide);
        EXPECT_EQ(texelsWide, 1) << "texture " << name;
    }
    glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
}

struct AutoCase {
    const char* name;
    std::vector<float> menuFrameMs;
    int chosen;
};

TEST(AutoGraphics, ChoosesTheHighestPresetThatKeepsTheRaceAboveThirtyFps) {
    const AutoCase cases[] = {
        {"fast machine", {10, 11, 10, 12, 10}, GraphicsHigh},
        {"one slow frame does not sway it", {20, 20, 500, 20, 20}, GraphicsHigh},
        {"race at High would take 43 ms", {30, 31, 29}, GraphicsMedium},
        {"software renderer", {50, 48, 52, 49, 51}, GraphicsLow},
        {"very slow: Low is the floor", {300, 300}, GraphicsLow},
        {"nothing measured", {}, GraphicsHigh},
    };
    for (const AutoCase& c : cases)
        EXPECT_EQ(chooseAutoPreset(c.menuFrameMs.data(), (int)c.menuFrameMs.size()), c.chosen) << c.name;
}

}  // namespace
