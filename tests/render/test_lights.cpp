// Lamp lighting: the lamp list from a light model, the choice of the shader's
// four lamps, their model-space transform, and the lamp sprites on screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "gl_fixture.h"
#include "race/race.h"
#include "render/render_local.h"

namespace {

struct LampSpec {
    float x, y, z;
    float r, g, b;
};

// A light model with one small triangle per lamp, centred on it, each with
// its own material whose emissive colour is the lamp's.
std::unique_ptr<Model> lampModel(const std::vector<LampSpec>& lamps) {
    Ms3dFile f;
    Ms3dGroup group{{}, 0};
    for (size_t i = 0; i < lamps.size(); i++) {
        const LampSpec& l = lamps[i];
        const uint16_t base = (uint16_t)f.vertices.size();
        // Corners offset so that their mean is exactly the lamp position.
        f.vertices.push_back({l.x - 0.3f, l.y, l.z - 0.3f, 0});
        f.vertices.push_back({l.x + 0.6f, l.y, l.z, 0});
        f.vertices.push_back({l.x - 0.3f, l.y, l.z + 0.3f, 0});
        f.triangles.push_back(ms3dTriangle(base, (uint16_t)(base + 1), (uint16_t)(base + 2)));
        // Material indices are bytes in the file: big models share colours.
        const size_t material = i % 100;
        if (material == f.materials.size()) {
            Ms3dMaterial m = ms3dMaterial("");
            m.emissive[0] = l.r;
            m.emissive[1] = l.g;
            m.emissive[2] = l.b;
            f.materials.push_back(m);
        }
        f.groups.push_back({{(uint16_t)i}, (int8_t)material});
    }
    (void)group;
    Bytes bytes = f.build();
    auto model = std::make_unique<Model>();
    EXPECT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    model->buildFlatTriangles();
    return model;
}

class Lights : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(640, 480));
        game.gameState = Race;
        glUseProgramObjectARB(lightProgram);
    }
    void TearDown() override {
        glUseProgramObjectARB(0);
        lightSourceCount = 0;
        RendererTest::TearDown();
    }
};

TEST_F(Lights, LampListTakesTriangleCentresAndEmissiveColours) {
    auto model = lampModel({{10, 7.5f, -4, 1.0f, 0.6f, 0.3f}, {-20, 8, 30, 0.2f, 0.9f, 1.0f}});
    buildLightSources(model.get());
    ASSERT_EQ(lightSourceCount, 2);
    // The centre is the corner sum times 0.33333, not an exact third.
    EXPECT_NEAR(lightSources[0].position[0], 10.0f * 3 * 0.33333f, 1e-4f);
    EXPECT_NEAR(lightSources[0].position[1], 7.5f * 3 * 0.33333f, 1e-4f);
    EXPECT_NEAR(lightSources[1].position[2], 30.0f * 3 * 0.33333f, 1e-4f);
    EXPECT_FLOAT_EQ(lightSources[0].colour[1], 0.6f);
    EXPECT_FLOAT_EQ(lightSources[1].colour[2], 1.0f);
    EXPECT_EQ(lightSources[1].focus, 5);
    EXPECT_FLOAT_EQ(lightSources[1].direction[1], -1.0f);

    // More triangles than the list holds keep the first 200; none at all
    // (or no model) empties it.
    std::vector<LampSpec> many;
    for (int i = 0; i < 230; i++) many.push_back({(float)i, 5, 0, 1, 1, 1});
    auto big = lampModel(many);
    buildLightSources(big.get());
    EXPECT_EQ(lightSourceCount, kMaxLights);
    EXPECT_NEAR(lightSources[kMaxLights - 1].position[0], 199.0f * 3 * 0.33333f, 1e-3f);
    buildLightSources(nullptr);
    EXPECT_EQ(lightSourceCount, 0);
}

TEST_F(Lights, NoLampInViewOrNearLeavesOnlyTheFillLight) {
    // Looking along +x from the origin; every lamp behind and over 40 away.
    auto model = lampModel({{-60, 7, 0, 1, 1, 1}, {-45, 7, 5, 1, 1, 1}, {-100, 7, -30, 1, 1, 1}});
    buildLightSources(model.get());
    shadingEye = Vector3(0, 2, 0);
    shadingViewDir = Vector3(1, -0.1f, 0);
    selectLights();
    for (int i = 0; i < 4; i++) {
        EXPECT_FLOAT_EQ(shaderLights[i].position[0], 0.0f) << i;
        EXPECT_FLOAT_EQ(shaderLights[i].position[1], -10000.0f) << i;
        EXPECT_FLOAT_EQ(shaderLights[i].position[2], 0.0f) << i;
    }
    EXPECT_FLOAT_EQ(shaderLights[4].position[0], 600.0f);
    EXPECT_FLOAT_EQ(shaderLights[4].position[1], 600.0f);
    EXPECT_FLOAT_EQ(shaderLights[4].colour[0], 0.25f);
    // Sorted nearest first all the same, with their keys and angles.
    EXPECT_NEAR(lightSources[0].distanceKey, 45.0f * 45.0f + 5.0f * 5.0f, 0.5f);
    EXPECT_GT(lightSources[0].viewAngle, 1.7f);
    EXPECT_LE(lightSources[1].distanceKey, lightSources[2].distanceKey);

    // Paused, the fill light turns blue and comes down.
    game.gameState = Pause;
    selectLights();
    EXPECT_FLOAT_EQ(shaderLights[4].position[1], 10.0f);
    EXPECT_FLOAT_EQ(shaderLights[4].colour[0], 0.0f);
    EXPECT_FLOAT_EQ(shaderLights[4].colour[2], 1.0f);
}

TEST_F(Lights, NearestLampsInViewOrCloseFillTheSlotsInOrder) {
    // Ahead at 100 and 60, behind at 30 (within 40: taken), behind at 50
    // (not taken), ahead at 200 and 300 (the fourth and fifth candidates).
    auto model = lampModel({{100, 7, 0, 1, 0, 0},
                            {-30, 7, 0, 0, 1, 0},
                            {60, 7, 0, 0, 0, 1},
                            {-50, 7, 0, 1, 1, 0},
                            {200, 7, 0, 0, 1, 1},
                            {300, 7, 0, 1, 0, 1}});
    buildLightSources(model.get());
    shadingEye = Vector3(0, 2, 0);
    shadingViewDir = Vector3(1, -0.1f, 0);
    selectLights();
    const float third = 3 * 0.33333f;
    EXPECT_NEAR(shaderLights[0].position[0], -30 * third, 1e-3f);
    EXPECT_NEAR(shaderLights[1].position[0], 60 * third, 1e-3f);
    EXPECT_NEAR(shaderLights[2].position[0], 100 * third, 1e-3f);
    EXPECT_NEAR(shaderLights[3].position[0], 200 * third, 1e-3f);
    EXPECT_FLOAT_EQ(shaderLights[3].colour[1], 1.0f);
    EXPECT_FLOAT_EQ(shaderLights[3].position[3], 1.0f);
}

TEST_F(Lights, ModelSpaceUndoesThePlacement) {
    // Placement: translate (10, 0, -5) then turn 90 degrees about y.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(10, 0, -5);
    glRotatef(90, 0, 1, 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
    glPopMatrix();

    shaderLights[0].position[0] = 10;
    shaderLights[0].position[1] = 7;
    shaderLights[0].position[2] = -8;  // 3 units along world -z from the origin of the model
    shaderLights[0].direction[0] = 1;
    shaderLights[0].direction[1] = 0;
    shaderLights[0].direction[2] = 0;
    shadingEye = Vector3(14, 2, -5);
    updateModelLights();
    // A 90 degree turn about y maps model +x to world -z and model +z to world +x.
    EXPECT_NEAR(modelLightPositions[0][0], 3.0f, 1e-5f);
    EXPECT_NEAR(modelLightPositions[0][1], 7.0f, 1e-5f);
    EXPECT_NEAR(modelLightPositions[0][2], 0.0f, 1e-5f);
    EXPECT_NEAR(modelLightDirections[0][0], 0.0f, 1e-6f);
    EXPECT_NEAR(modelLightDirections[0][2], 1.0f, 1e-6f);
    EXPECT_NEAR(modelCameraPosition[0], 0.0f, 1e-5f);
    EXPECT_NEAR(modelCameraPosition[2], 4.0f, 1e-5f);

    // The inverse of a singular matrix is refused and reads as identity.
    Matrix4 flat;
    flat.m[5] = 0.0f;
    Matrix4 out;
    EXPECT_FALSE(invertMatrix4(flat, &out));
    EXPECT_FLOAT_EQ(out.m[5], 1.0f);
}

TEST_F(Lights, ThirtyFiveLampsGiveThirtySpritesOfTheNearest) {
    // An orthographic view straight down -z; lamps on a 7 x 5 grid in the
    // screen plane, 60 units apart, so every sprite (20 units across) has
    // its own patch. Their depth gives each its own distance from the eye.
    std::vector<LampSpec> lamps;
    for (int i = 0; i < 35; i++) {
        const float x = (float)(i % 7 - 3) * 60.0f / (3 * 0.33333f);
        const float y = (float)(i / 7 - 2) * 60.0f / (3 * 0.33333f);
        const float z = -(float)((i * 17) % 35) * 9.0f / (3 * 0.33333f);
        lamps.push_back({x, y, z, 1, 1, 1});
    }
    auto model = lampModel(lamps);
    buildLightSources(model.get());
    glUseProgramObjectARB(0);
    shadingEye = Vector3(0, 0, 2000);
    shadingViewDir = Vector3(0, 0, -1);
    cameraEye = shadingEye;
    glUseProgramObjectARB(lightProgram);
    selectLights();
    glUseProgramObjectARB(0);

    // The 30 nearest by horizontal distance, worked out here on their own.
    std::vector<std::pair<float, int>> keyed;
    for (int i = 0; i < 35; i++) {
        const float x = lamps[i].x * 3 * 0.33333f, z = lamps[i].z * 3 * 0.33333f;
        keyed.push_back({x * x + (2000 - z) * (2000 - z), i});
    }
    std::sort(keyed.begin(), keyed.end());

    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-320, 320, -240, 240, -5000, 5000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    drawLightSprites();
    std::vector<uint8_t> rgb = frame();
    int lit = 0;
    for (int k = 0; k < 35; k++) {
        const int i = keyed[k].second;
        const int px = 320 + (int)(lamps[i].x * 3 * 0.33333f), py = 240 - (int)(lamps[i].y * 3 * 0.33333f);
        const uint8_t value = rgb[((size_t)py * 640 + px) * 3];
        const bool drawn = value > 50;
        EXPECT_EQ(drawn, k < 30) << "lamp " << i << " rank " << k;
        lit += drawn;
    }
    EXPECT_EQ(lit, 30);
    // Sprites are added at alpha 0.4 with depth writes off and culling back on.
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST_F(Lights, BillboardFacesTheEye) {
    // Eye straight up +z from the centre: the quad spans the x/y plane with
    // half-size 5 x size, and never less than 5 x 0.2.
    glUseProgramObjectARB(0);
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-320, 320, -240, 240, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glColor4f(1, 1, 1, 1);
    const double eye[3] = {0, 0, 50}, centre[3] = {0, 0, 0};
    drawBillboard(eye, centre, 4.0);  // 20 units each way: a diamond
    std::vector<uint8_t> rgb = frame();
    auto at = [&](int x, int y) { return rgb[((size_t)(240 - y) * 640 + (320 + x)) * 3]; };
    EXPECT_GT(at(0, 0), 200);
    EXPECT_GT(at(18, 0), 200);
    EXPECT_GT(at(0, -18), 200);
    EXPECT_EQ(at(22, 0), 0);
    EXPECT_EQ(at(14, 14), 0);  // outside the diamond's edge
    // Sizes below 0.2 count as 0.2: seen ten times larger, a diamond of
    // half-diagonal 10 pixels, about 200 of them.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-32, 32, -24, 24, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    auto covered = [&](double size) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawBillboard(eye, centre, size);
        std::vector<uint8_t> p = frame();
        int n = 0;
        for (size_t i = 0; i < p.size(); i += 3) n += p[i] > 200;
        return n;
    };
    const int clamped = covered(0.0);
    EXPECT_NEAR(clamped, 200, 30);
    EXPECT_EQ(covered(-3.0), clamped);
    EXPECT_EQ(covered(0.1), clamped);
    EXPECT_NEAR(covered(0.4), 800, 60);
}

}  // namespace
