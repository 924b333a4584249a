// The game's GLSL programs against their formulas: lamp falloff and focus,
// the paint mirror, fog, the blur weights and the tone-mapping curve. Run
// under Xvfb on Mesa.
#include <cmath>

#include "gl_fixture.h"
#include "render/render_local.h"

namespace {

constexpr int kSize = 256;

GLuint makeTexture(GLenum format, int w, int h, const std::vector<uint8_t>& pixels) {
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)format, w, h, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    return texture;
}

class ShaderTest : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(1024, 768));
        glViewport(0, 0, kSize, kSize);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // One quad over the 256 x 256 square, texture (0, 0) to (1, 1).
    void drawSquare() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kSize, 0, kSize, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(0, 0);
        glTexCoord2f(1, 0);
        glVertex2f(kSize, 0);
        glTexCoord2f(1, 1);
        glVertex2f(kSize, kSize);
        glTexCoord2f(0, 1);
        glVertex2f(0, kSize);
        glEnd();
    }

    // Red, green, blue of the pixel at (x, y), y up, in the lower-left square.
    const uint8_t* at(const std::vector<uint8_t>& rgb, int x, int y) {
        return &rgb[((size_t)(height - 1 - y) * width + x) * 3];
    }

    // Ground: 40 x 40 units at y = 0, normal up, seen straight down from
    // y = 30 through an orthographic camera, so pixel (px, py) is the world
    // point (-20 + 40 (px + 0.5) / 256, 0, 20 - 40 (py + 0.5) / 256).
    void drawGround() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-20, 20, -20, 20, 1, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 30, 0, 0, 0, 0, 0, 0, -1);
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        const float corners[4][2] = {{-20, -20}, {-20, 20}, {20, 20}, {20, -20}};
        for (const auto& c : corners) {
            glNormal3f(0, 1, 0);
            glTexCoord2f(0.5f, 0.5f);
            glVertex3f(c[0], 0, c[1]);
        }
        glEnd();
    }

    static float worldX(int px) { return -20.0f + 40.0f * ((float)px + 0.5f) / kSize; }
    static float worldZ(int py) { return 20.0f - 40.0f * ((float)py + 0.5f) / kSize; }

    // The light program with every lamp dark and far, no ambient, a white
    // surface, the camera above.
    void darkScene() {
        glUseProgramObjectARB(lightProgram);
        for (int i = 0; i < kShaderLights; i++) {
            glUniform4fARB(lightPosUniform[i], 0, -10000, 0, 1);
            glUniform4fARB(lightColorUniform[i], 0, 0, 0, 1);
        }
        for (int i = 0; i < kShaderLights - 1; i++) {
            glUniform3fARB(lightOriUniform[i], 0, -1, 0);
            glUniform1iARB(lightFocusUniform[i], 5);
        }
        glUniform4fARB(ambientColorUniform, 0, 0, 0, 1);
        glUniform4fARB(matAmbientUniform, 0.5f, 0.5f, 0.5f, 1);
        glUniform4fARB(matDiffuseUniform, 1, 1, 1, 1);
        glUniform4fARB(matSpecularUniform, 0, 0, 0, 1);
        glUniform4fARB(emissiveUniform, 0, 0, 0, 1);
        glUniform1fARB(shininessUniform, 0);
        glUniform3fARB(cameraOriUniform, 0, 30, 0);
        glUniform1iARB(lightDecalUniform, 0);
        glUniform1iARB(lightDecal2Uniform, 1);
        glUniform1fARB(refIntUniform, 0);
        glBindTexture(GL_TEXTURE_2D, whiteTexture);
        // Fog is tested on its own.
        glFogf(GL_FOG_DENSITY, 0.0f);
    }
};

TEST_F(ShaderTest, LampFallsOffWithDistanceAndFocus) {
    for (int focus : {5, 1}) {
        glClear(GL_COLOR_BUFFER_BIT);
        darkScene();
        glUniform4fARB(lightPosUniform[1], 0, 7.5f, 0, 1);  // the second lamp, to catch a mixed-up slot
        glUniform4fARB(lightColorUniform[1], 1, 1, 1, 1);
        glUniform1iARB(lightFocusUniform[1], focus);
        drawGround();
        glUseProgramObjectARB(0);
        std::vector<uint8_t> rgb = frame();
        if (focus == 5) scriptedWritePng("/tmp/korvask-shader-lamp.png", rgb, width, height);
        for (int px : {128, 140, 160, 180, 200, 240}) {
            int py = 128;
            float x = worldX(px), z = worldZ(py);
            float d2 = x * x + z * z + 7.5f * 7.5f;
            float cosine = 7.5f / std::sqrt(d2);
            // Lambert times the spot cos^focus, over 1 + 0.0015 d^2.
            float expected = std::pow(cosine, 1.0f + focus) / (1.0f + 0.0015f * d2);
            EXPECT_NEAR(at(rgb, px, py)[0], 255.0f * expected, 3.0f) << "focus " << focus << " x " << x;
            EXPECT_EQ(at(rgb, px, py)[0], at(rgb, px, py)[2]);
        }
    }
}

TEST_F(ShaderTest, FillLightAmbientAndEmissiveAddUp) {
    darkScene();
    glUniform4fARB(lightPosUniform[4], 0, 1000, 0, 1);  // straight above: Lambert 1
    glUniform4fARB(lightColorUniform[4], 0.25f, 0.25f, 0.25f, 1);
    glUniform4fARB(ambientColorUniform, 0.2f, 0.2f, 0.2f, 1);
    glUniform4fARB(emissiveUniform, 0, 0, 0.3f, 1);
    drawGround();
    glUseProgramObjectARB(0);
    std::vector<uint8_t> rgb = frame();
    // 0.25 fill + 0.2 x 0.5 ambient; blue also gets 0.3 emissive.
    EXPECT_NEAR(at(rgb, 100, 100)[0], 255 * 0.35, 2);
    EXPECT_NEAR(at(rgb, 100, 100)[2], 255 * 0.65, 2);
}

TEST_F(ShaderTest, PaintMirrorsUnitOneOnlyWithRefInt) {
    std::vector<uint8_t> red(4 * 4 * 3, 0);
    for (size_t i = 0; i < red.size(); i += 3) red[i] = 255;
    GLuint mirror = makeTexture(GL_RGB, 4, 4, red);
    for (float refInt : {0.0f, 1.0f}) {
        glClear(GL_COLOR_BUFFER_BIT);
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, mirror);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        darkScene();
        glUniform1fARB(refIntUniform, refInt);
        drawGround();
        glUseProgramObjectARB(0);
        std::vector<uint8_t> rgb = frame();
        // Facing the camera head-on the mirror weighs 0.25.
        EXPECT_NEAR(at(rgb, 128, 128)[0], 255 * 0.25f * refInt, 2) << refInt;
        EXPECT_EQ(at(rgb, 128, 128)[1], 0);
    }
}

TEST_F(ShaderTest, FogMatchesExp2) {
    darkScene();
    glFogf(GL_FOG_DENSITY, 0.012f);
    glUniform4fARB(emissiveUniform, 1, 1, 1, 1);
    drawGround();
    glUseProgramObjectARB(0);
    std::vector<uint8_t> rgb = frame();
    // The ground is 30 units deep in eye space.
    float f = std::exp(-std::pow(0.012f * 30.0f, 2.0f));
    EXPECT_NEAR(at(rgb, 50, 50)[0], 255 * (0.07f + (1 - 0.07f) * f), 2);
}

TEST_F(ShaderTest, BlurSpreadsAGaussianAlongItsAxisOnly) {
    std::vector<uint8_t> dot((size_t)kSize * kSize * 4, 0);
    uint8_t* centre = &dot[((size_t)128 * kSize + 128) * 4];
    centre[0] = centre[1] = centre[2] = centre[3] = 255;
    GLuint source = makeTexture(GL_RGBA, kSize, kSize, dot);
    // Filtered like the game's glow images: the blur reads two taps at once
    // between neighbouring texels.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Seventeen taps, sigma 3.2 steps, normalised.
    float weights[9], total = 0.0f;
    for (int k = 0; k <= 8; k++) {
        weights[k] = std::exp(-(float)(k * k) / (2.0f * 3.2f * 3.2f));
        total += k == 0 ? weights[k] : 2.0f * weights[k];
    }
    for (float& w : weights) w /= total;
    for (int axis = 0; axis < 2; axis++) {
        glClear(GL_COLOR_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, source);
        glUseProgramObjectARB(blurProgram);
        glUniform1iARB(blurDecalUniform, 0);
        // One texel a step, as the game's 0.0039 is for 256-wide textures.
        glUniform4fARB(blurTexOffsetUniform, 1.0f / kSize, 1.0f / kSize, axis == 0 ? 1.0f : 0.0f,
                       axis == 1 ? 1.0f : 0.0f);
        drawSquare();
        glUseProgramObjectARB(0);
        std::vector<uint8_t> rgb = frame();
        int sum = 0;
        for (int y = 118; y <= 138; y++)
            for (int x = 118; x <= 138; x++) sum += at(rgb, x, y)[1];
        EXPECT_NEAR(sum, 255, 10) << "the blur keeps the brightness";
        for (int k = -8; k <= 8; k++) {
            int x = 128 + (axis == 0 ? k : 0), y = 128 + (axis == 1 ? k : 0);
            EXPECT_NEAR(at(rgb, x, y)[1], 255 * weights[std::abs(k)], 1.5) << axis << " " << k;
        }
        // Nothing off the axis, nothing past the last tap.
        EXPECT_EQ(at(rgb, 128 + (axis == 0 ? 0 : 2), 128 + (axis == 0 ? 2 : 0))[1], 0);
        EXPECT_EQ(at(rgb, 128 + (axis == 0 ? 9 : 0), 128 + (axis == 0 ? 0 : 9))[1], 0);
    }
}

TEST_F(ShaderTest, ToneMappingSinksTheDarkAndAdapts) {
    // Left half of the image at 0.2, 0.5 and 1.0 grey in three bands.
    std::vector<uint8_t> image((size_t)kSize * kSize * 3);
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) {
            uint8_t v = x < 85 ? 51 : x < 170 ? 128 : 255;
            for (int c = 0; c < 3; c++) image[((size_t)y * kSize + x) * 3 + c] = v;
        }
    GLuint scene = makeTexture(GL_RGB, kSize, kSize, image);
    for (uint8_t previous : {0, 255}) {  // no glow last frame, then full glow
        GLuint glow =
            makeTexture(GL_LUMINANCE, kSize, kSize, std::vector<uint8_t>((size_t)kSize * kSize, previous));
        glClear(GL_COLOR_BUFFER_BIT);
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, glow);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glBindTexture(GL_TEXTURE_2D, scene);
        glUseProgramObjectARB(hdrProgram);
        glUniform1iARB(hdrDecalUniform, 0);
        glUniform1iARB(hdrDecal2Uniform, 1);
        glUniform1fARB(hdrExposureUniform, 0.17f);
        glUniform1fARB(hdrGammaUniform, 1.4f);
        drawSquare();
        glUseProgramObjectARB(0);
        std::vector<uint8_t> rgb = frame();
        // Above a knee of 0.15, a power of the gamma, eased by a tenth of
        // last frame's glow against the exposure.
        float adaptation = 0.17f / (0.17f + 0.1f * previous / 255.0f);
        auto kept = [](float v) { return std::pow((v - 0.15f) / 0.85f, 1.4f); };
        EXPECT_NEAR(at(rgb, 40, 100)[0], 255 * kept(0.2f) * adaptation, 2) << (int)previous;
        EXPECT_NEAR(at(rgb, 120, 100)[0], 255 * kept(128 / 255.0f) * adaptation, 2) << (int)previous;
        EXPECT_NEAR(at(rgb, 200, 100)[0], 255 * adaptation, 2) << (int)previous;
        glDeleteTextures(1, &glow);
    }
}

}  // namespace
