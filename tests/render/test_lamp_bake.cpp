// The lamps' light baked into a map of the ground: one lamp over flat ground
// against the light program's formula worked out here on its own, the
// ground under a roof taken from the street rather than the roof, and two
// lamps adding up.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/render_local.h"
#include "support/render_fixtures.h"

namespace {

// The light program's lamp for a surface facing up, straight below a lamp
// pointing down with spot exponent 5: cos^5 of the spot, 1 / (1 + k d^2),
// and the diffuse cos again.
float expectedLight(float colour, float lampHeight, float dx, float dz) {
    const float d2 = lampHeight * lampHeight + dx * dx + dz * dz;
    const float cosine = lampHeight / std::sqrt(d2);
    return colour * std::pow(cosine, 6.0f) / (1.0f + 0.0015f * d2);
}

LightSource lampAt(float x, float y, float z, float r, float g, float b) {
    LightSource lamp{};
    lamp.position[0] = x, lamp.position[1] = y, lamp.position[2] = z;
    lamp.colour[0] = r, lamp.colour[1] = g, lamp.colour[2] = b;
    lamp.direction[1] = -1.0f;
    lamp.focus = 5;
    return lamp;
}

// Ground from -20 to 20 at height 0 and, when asked, a roof from x 5 to 15
// and z -5 to 5 at height 10 (above the lamps).
std::unique_ptr<Model> groundModel(bool roof) {
    Ms3dFile f = ms3dQuad();
    f.vertices = {{-20, 0, -20, 1}, {20, 0, -20, 2}, {20, 0, 20, 3}, {-20, 0, 20, 4}};
    if (roof) {
        f.vertices.push_back({5, 10, -5, 5});
        f.vertices.push_back({15, 10, -5, 6});
        f.vertices.push_back({15, 10, 5, 7});
        f.vertices.push_back({5, 10, 5, 8});
        f.triangles.push_back(ms3dTriangle(4, 5, 6));
        f.triangles.push_back(ms3dTriangle(4, 6, 7));
        f.groups = {{{0, 1, 2, 3}, -1}};
    } else {
        f.groups = {{{0, 1}, -1}};
    }
    f.materials.clear();
    Bytes bytes = f.build();
    auto model = std::make_unique<Model>();
    EXPECT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    return model;
}

constexpr float kHalfStep = 0.5f / 255.0f;

struct BakeCase {
    const char* what;
    bool roof;
    int lamps;  // 1: one lamp at (0, 8, 0); 2: and one at (6, 8, 0)
};

class LampBake : public ::testing::TestWithParam<BakeCase> {};

TEST_P(LampBake, EveryTexelHoldsTheLampsLightOnTheStreet) {
    const BakeCase& c = GetParam();
    std::unique_ptr<Model> model = groundModel(c.roof);
    const LightSource lamps[2] = {lampAt(0.0f, 8.0f, 0.0f, 1.0f, 0.5f, 0.25f),
                                  lampAt(6.0f, 8.0f, 0.0f, 0.25f, 0.25f, 1.0f)};
    LampMapBake bake;
    bakeLampMap(*model, lamps, c.lamps, &bake);
    ASSERT_GT(bake.width, 40);
    ASSERT_GT(bake.height, 40);
    // Texel centres lie on half units: (-20.5, -20.5) is the first.
    for (float z = -19.5f; z < 20.0f; z += 3.0f)
        for (float x = -19.5f; x < 20.0f; x += 1.0f) {
            float ground = -1.0f;
            ASSERT_TRUE(bakedGroundAt(bake, x, z, &ground)) << c.what << " at " << x << ", " << z;
            EXPECT_FLOAT_EQ(ground, 0.0f) << c.what << ": the street, not the roof, at " << x << ", " << z;
            for (int channel = 0; channel < 3; channel++) {
                float expected = 0.0f;
                for (int k = 0; k < c.lamps; k++)
                    expected += expectedLight(lamps[k].colour[channel], lamps[k].position[1],
                                              x - lamps[k].position[0], z - lamps[k].position[2]);
                // A lamp is left out only where it adds under half a step.
                EXPECT_NEAR(bakedLightAt(bake, x, z, channel), expected, kHalfStep * c.lamps)
                    << c.what << " at " << x << ", " << z << " channel " << channel;
            }
        }
    // The brightest baked light is right under the first lamp.
    EXPECT_NEAR(bake.brightest,
                expectedLight(1.0f, 8.0f, 0.5f, 0.5f) +
                    (c.lamps > 1 ? 0.25f * expectedLight(1.0f, 8.0f, 5.5f, 0.5f) : 0.0f),
                2e-3f);
    // Beyond the ground there is nothing to light.
    float ground = 0.0f;
    EXPECT_FALSE(bakedGroundAt(bake, 60.0f, 0.0f, &ground));
    EXPECT_EQ(bakedLightAt(bake, 60.0f, 0.0f, 0), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Grounds, LampBake,
                         ::testing::Values(BakeCase{"flat ground, one lamp", false, 1},
                                           BakeCase{"a roof over the street, one lamp", true, 1},
                                           BakeCase{"two lamps adding up", false, 2}));

// The map's place in the program: texel (0, 0) starts at the origin and one
// texture covers width x height texels.
TEST(LampBakePlace, PlaceMapsModelSpaceOntoTheTexture) {
    std::unique_ptr<Model> model = groundModel(false);
    const LightSource lamp = lampAt(0.0f, 8.0f, 0.0f, 1.0f, 1.0f, 1.0f);
    LampMapBake bake;
    bakeLampMap(*model, &lamp, 1, &bake);
    EXPECT_FLOAT_EQ(bake.place[0], bake.originX);
    EXPECT_FLOAT_EQ(bake.place[1], bake.originZ);
    EXPECT_FLOAT_EQ(bake.place[2] * bake.texel * static_cast<float>(bake.width), 1.0f);
    EXPECT_FLOAT_EQ(bake.place[3] * bake.texel * static_cast<float>(bake.height), 1.0f);
    EXPECT_LE(bake.originX, -20.0f);
    EXPECT_LE(bake.originZ, -20.0f);
    EXPECT_GE(bake.originX + bake.texel * static_cast<float>(bake.width), 20.0f);
    // Widths are powers of two.
    EXPECT_EQ(bake.width & (bake.width - 1), 0);
    EXPECT_EQ(bake.height & (bake.height - 1), 0);
}

}  // namespace
