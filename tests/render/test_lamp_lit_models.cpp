// Cars and wheels lit by the lamps that reach them: the cheaper copies draw
// the full light program's picture, and a sphere is in view exactly when some
// of it lies inside the view volume.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "gl_fixture.h"
#include "render/render_local.h"

namespace {

class LampLitModel : public RendererTest {
  protected:
    std::unique_ptr<Model> ground;

    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(640, 480));
        resizeScene(640, 480);
        glDisable(GL_FOG);
        glDisable(GL_LIGHTING);
        // A 20 x 20 square of road, normal up, around its own origin.
        Ms3dFile f = ms3dQuad();
        f.vertices = {{-10, 0, -10, 1}, {10, 0, -10, 2}, {10, 0, 10, 3}, {-10, 0, 10, 4}};
        f.materials.clear();
        f.groups = {{{0, 1}, -1}};
        Bytes bytes = f.build();
        ground = std::make_unique<Model>();
        ASSERT_TRUE(ground->loadFromBytes(bytes.data(), bytes.size()));
    }
    void TearDown() override {
        modelLampChoiceEnabled = true;
        ground.reset();
        RendererTest::TearDown();
    }

    static void placeAside(const void*) { glTranslatef(3.0f, 0.0f, -2.0f); }

    // Slot 0 hangs over the square, slot 1 is far down the street, slot 2 is
    // dark and slot 3 points up, away from it; the fill light is dim white.
    static void streetLamps() {
        const float positions[4][3] = {{4, 7.5f, -1}, {400, 7.5f, 0}, {0, 7.5f, 0}, {-2, 1, 0}};
        const float colours[4] = {1.0f, 1.0f, 0.0f, 1.0f};
        const float down[4] = {-1.0f, -1.0f, -1.0f, 1.0f};
        for (int i = 0; i < 4; i++) {
            ShaderLight& l = shaderLights[i];
            for (int a = 0; a < 3; a++) l.position[a] = positions[i][a];
            l.colour[0] = l.colour[1] = l.colour[2] = colours[i];
            l.direction[0] = l.direction[2] = 0.0f;
            l.direction[1] = down[i];
            l.focus = 5;
        }
        ShaderLight& fill = shaderLights[kShaderLights - 1];
        fill.position[0] = fill.position[1] = 600.0f;
        fill.position[2] = 0.0f;
        fill.colour[0] = fill.colour[1] = fill.colour[2] = 0.25f;
    }

    std::vector<uint8_t> draw(bool choice, float mirror) {
        modelLampChoiceEnabled = choice;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(-6, 9, 14, 3, 0, -2, 0, 1, 0);
        glColor4f(1, 1, 1, 1);
        shadingEye = Vector3(-6, 9, 14);
        glUseProgramObjectARB(lightProgram);
        streetLamps();
        // The light program's own colours and focus, as selectLights leaves them.
        for (int i = 0; i < kShaderLights; i++) {
            const ShaderLight& l = shaderLights[i];
            glUniform4fARB(lightColorUniform[i], l.colour[0], l.colour[1], l.colour[2], 1);
        }
        for (int i = 0; i < kShaderLights - 1; i++)
            glUniform1iARB(lightFocusUniform[i], shaderLights[i].focus);
        glUniform1iARB(lightDecalUniform, 0);
        glUniform1iARB(lightDecal2Uniform, 1);
        const SceneShading& s = sceneShading;
        glUniform4fARB(ambientColorUniform, s.ambientColor[0], s.ambientColor[1], s.ambientColor[2], 1);
        glUniform4fARB(matAmbientUniform, s.matAmbient[0], s.matAmbient[1], s.matAmbient[2], 1);
        glUniform4fARB(matDiffuseUniform, s.matDiffuse[0], s.matDiffuse[1], s.matDiffuse[2], 1);
        glUniform4fARB(matSpecularUniform, 0, 0, 0, 1);
        glUniform4fARB(emissiveUniform, 0, 0, 0, 1);
        glUniform1fARB(shininessUniform, 0);
        // The mirror sees a plain grey surrounding.
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, whiteTexture);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glBindTexture(GL_TEXTURE_2D, whiteTexture);
        drawLampLitModel(ground.get(), placeAside, nullptr, sceneShading, mirror);
        glUseProgramObjectARB(0);
        return frame();
    }
};

TEST_F(LampLitModel, OneLampCopyDrawsTheFullProgramsPicture) {
    for (float mirror : {0.0f, 1.0f}) {
        const std::vector<uint8_t> reference = draw(false, mirror);
        modelLampStats = ModelLampStats();
        const std::vector<uint8_t> cheap = draw(true, mirror);
        // Only the lamp over the square reaches it.
        EXPECT_EQ(modelLampStats.byLamps[1], 1) << "mirror " << mirror;
        ASSERT_EQ(cheap.size(), reference.size());
        int worst = 0, lit = 0;
        for (size_t i = 0; i < cheap.size(); i++) {
            worst = std::max(worst, std::abs((int)cheap[i] - (int)reference[i]));
            lit += reference[i] > 40;
        }
        // The copies sum the same terms in the same order, less the ones
        // that add under half a step.
        EXPECT_LE(worst, 1) << "mirror " << mirror;
        EXPECT_GT(lit, 10000) << "mirror " << mirror;
    }
}

TEST_F(LampLitModel, SpheresInAndOutOfView) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 4.0 / 3.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The camera at (0, 0, 10) looking down -z: the view's own space is
    // shifted, so the planes must follow the model-view matrix too.
    glTranslatef(0.0f, 0.0f, -10.0f);
    struct Case {
        float centre[3];
        float radius;
        bool inView;
        const char* what;
    };
    const Case cases[] = {
        {{0, 0, -10}, 1, true, "straight ahead"},
        {{0, 0, 20}, 1, false, "behind the camera"},
        {{0, 0, 20}, 11.5f, true, "behind but reaching past the near plane"},
        {{60, 0, 0}, 1, false, "far to the right"},
        {{60, 0, 0}, 45, true, "far to the right and large"},
        {{0, 0, -95}, 1, false, "beyond the far plane"},
        {{0, 0, -95}, 6, true, "reaching back over the far plane"},
        {{0, 30, 0}, 1, false, "overhead"},
    };
    for (const Case& c : cases) EXPECT_EQ(sphereInView(c.centre, c.radius), c.inView) << c.what;
}

}  // namespace

namespace {

// What the drawing code keeps about a model goes with it: loading other
// geometry into the same record gives that geometry's bounds and chunks.
TEST_F(LampLitModel, BoundsAndChunksBelongToTheModel) {
    float centre[3], radius = 0.0f;
    ASSERT_TRUE(modelBoundingSphere(ground.get(), centre, &radius));
    EXPECT_NEAR(radius, std::sqrt(200.0f), 1e-3f);
    drawChunkedModel(ground.get(), sceneShading);
    ASSERT_NE(ground->chunks, nullptr);

    Ms3dFile f = ms3dQuad();
    f.vertices = {{100, 0, 100, 1}, {102, 0, 100, 2}, {102, 0, 102, 3}, {100, 0, 102, 4}};
    f.materials.clear();
    f.groups = {{{0, 1}, -1}};
    Bytes bytes = f.build();
    ASSERT_TRUE(ground->loadFromBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(ground->chunks, nullptr) << "the old chunks went with the old geometry";
    ASSERT_TRUE(modelBoundingSphere(ground.get(), centre, &radius));
    EXPECT_NEAR(centre[0], 101.0f, 1e-4f);
    EXPECT_NEAR(radius, std::sqrt(2.0f), 1e-4f);
}

// A copy whose text does not compile is refused, not used.
TEST_F(LampLitModel, ACopyThatDoesNotCompileIsRefused) {
    LampProgram p;
    EXPECT_FALSE(buildLampProgram(p, "#define LAMPS (\n"));
    EXPECT_EQ(p.program, 0u);
    EXPECT_TRUE(buildLampProgram(p, "#define LAMPS 2\n"));
    EXPECT_NE(p.program, 0u);
}

}  // namespace
