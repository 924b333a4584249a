// Which lamps light a chunk of a model: a lamp is left out only where the
// light program would add less than half an 8-bit step, and it is left out
// soon enough to spare the shading of most of the city.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "render/render.h"

namespace {

const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// A white street lamp 7.5 above the ground, pointing down, in slot 0.
void placeLamp(float r = 1.0f) {
    shaderLights[0].colour[0] = shaderLights[0].colour[1] = shaderLights[0].colour[2] = r;
    shaderLights[0].focus = 5;
    modelLightPositions[0][0] = 0.0f;
    modelLightPositions[0][1] = 7.5f;
    modelLightPositions[0][2] = 0.0f;
    modelLightDirections[0][0] = 0.0f;
    modelLightDirections[0][1] = -1.0f;
    modelLightDirections[0][2] = 0.0f;
}

// The light program's lamp term at p for a surface turned to the lamp, the
// most it can give there: spot cos^5 over 1 + 0.0015 d^2.
float lampTerm(float x, float y, float z) {
    const float dy = 7.5f - y;
    const float d2 = x * x + dy * dy + z * z;
    if (dy <= 0.0f) return 0.0f;
    return std::pow(dy / std::sqrt(d2), 5.0f) / (1.0f + 0.0015f * d2);
}

TEST(LampReach, BoxesAroundAStreetLamp) {
    struct Case {
        float lo[3], hi[3];
        float colour;
        bool reaches;
        const char* what;
    };
    const Case cases[] = {
        {{-1, 0, -1}, {1, 0, 1}, 1.0f, true, "the pool under the lamp"},
        {{15, 0, 0}, {16, 0, 1}, 1.0f, true, "the road 15 away"},
        {{40, 0, 0}, {41, 0, 1}, 1.0f, false, "the road 40 away"},
        {{10, 0, 0}, {11, 20, 1}, 1.0f, true, "a wall beside the lamp"},
        {{-1, 8, -1}, {1, 20, 1}, 1.0f, false, "a roof above the lamp"},
        {{-1, 0, -1}, {1, 0, 1}, 0.0f, false, "an unlit lamp"},
    };
    for (const Case& c : cases) {
        placeLamp(c.colour);
        EXPECT_EQ(lampReachesBox(0, c.lo, c.hi, kWhite), c.reaches) << c.what;
    }
}

// Walking away from the lamp: every box left out gets less than half a step
// everywhere, and the lamp is left out from about 30 on.
TEST(LampReach, LeftOutOnlyWhereItAddsLessThanHalfAStep) {
    placeLamp();
    float firstLeftOut = -1.0f;
    for (int i = 0; i < 80; i++) {
        const float lo[3] = {(float)i, 0.0f, -0.5f}, hi[3] = {(float)i + 1.0f, 3.0f, 0.5f};
        if (lampReachesBox(0, lo, hi, kWhite)) continue;
        if (firstLeftOut < 0.0f) firstLeftOut = lo[0];
        for (int sx = 0; sx <= 4; sx++)
            for (int sy = 0; sy <= 4; sy++) {
                const float x = lo[0] + 0.25f * (float)sx, y = lo[1] + 0.75f * (float)sy;
                EXPECT_LT(255.0f * lampTerm(x, y, 0.0f), 0.5f) << "x " << x << " y " << y;
            }
    }
    EXPECT_GT(firstLeftOut, 15.0f);
    EXPECT_LT(firstLeftOut, 40.0f);
}

// A chunk is drawn in the fog's colour alone only where the lit surface
// would show through the fog by under half a step, and not much later than
// that: the depth is tight for the night haze of the race.
TEST(FogHiddenDepth, HiddenByUnderHalfAStepAndNoDeeperThanNeeded) {
    struct Case {
        float density, fog, brightest;
        const char* what;
    };
    const Case cases[] = {
        {0.012f, 0.07f, 0.35f, "the city by the fill light alone"},
        {0.012f, 0.07f, 5.1f, "a wall under four white lamps"},
        {0.03f, 0.07f, 1.0f, "denser haze"},
        {0.012f, 0.9f, 0.1f, "bright fog over a dark city"},
    };
    for (const Case& c : cases) {
        const float fog[3] = {c.fog, c.fog, c.fog};
        const float depth = fogHiddenDepth(c.density, fog, c.brightest);
        const float gap = std::max(c.brightest, c.fog);
        auto shows = [&](float d) { return 255.0f * gap * std::exp(-std::pow(c.density * d, 2.0f)); };
        EXPECT_LE(shows(depth), 0.5f + 1e-4f) << c.what;
        EXPECT_GT(shows(0.95f * depth), 0.5f) << c.what;
    }
    const float nearlyBlack[3] = {0.0005f, 0.0005f, 0.0005f};
    EXPECT_EQ(fogHiddenDepth(0.012f, nearlyBlack, 0.0005f), 0.0f) << "nothing to hide";
    const float grey[3] = {0.07f, 0.07f, 0.07f};
    EXPECT_GT(fogHiddenDepth(0.0f, grey, 1.0f), 1e20f) << "no fog hides nothing";
}

}  // namespace
