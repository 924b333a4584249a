// The twelve cars tell apart at a glance: each paint has its own strong
// colour (not near-black, not another car's), each body keeps to its
// triangle budget and carries lit lamps front and back, and the four body
// styles stand at different heights.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "content/cars.h"

namespace {

// Mean colour of the right side's door panel in the paint picture.
void doorColour(const Image& paint, float rgb[3]) {
    double sum[3] = {0, 0, 0};
    int count = 0;
    for (int y = 60; y < 90; y++)
        for (int x = 20; x < 60; x++) {
            const uint8_t* p = imagePixel(paint, x, y);
            for (int k = 0; k < 3; k++) sum[k] += p[k];
            count++;
        }
    for (int k = 0; k < 3; k++) rgb[k] = (float)(sum[k] / count);
}

TEST(Cars, EveryPaintIsStrongAndItsOwn) {
    float colours[kCarCount][3];
    for (int m = 0; m < kCarCount; m++) {
        const Image paint = carPaintTexture(m);
        ASSERT_EQ(paint.width, 512);
        ASSERT_EQ(paint.height, 256);
        doorColour(paint, colours[m]);
        const float brightest = std::max({colours[m][0], colours[m][1], colours[m][2]});
        EXPECT_GT(brightest, 150.0f) << "car " << m + 1 << " is too dark to read at night";
    }
    for (int a = 0; a < kCarCount; a++)
        for (int b = a + 1; b < kCarCount; b++) {
            const float d =
                std::hypot(colours[a][0] - colours[b][0],
                           std::hypot(colours[a][1] - colours[b][1], colours[a][2] - colours[b][2]));
            EXPECT_GT(d, 60.0f) << "cars " << a + 1 << " and " << b + 1 << " share a colour";
        }
}

TEST(Cars, BodiesKeepTheirBudgetAndLamps) {
    float roof[4] = {0, 0, 0, 0};
    for (int m = 0; m < kCarCount; m++) {
        MeshBuilder body;
        buildCarBody(m, body);
        EXPECT_LE(body.triangleCount(), 6000) << "car " << m + 1;
        EXPECT_GT(body.triangleCount(), 1500) << "car " << m + 1 << " is too coarse for curves";
        Ms3dFile file;
        std::string error;
        ASSERT_TRUE(body.build(&file, &error)) << error;
        bool head = false, tail = false;
        for (const Ms3dMaterial& material : file.materials) {
            head = head || std::string(material.texture).find("headlamp") != std::string::npos;
            tail = tail || std::string(material.texture).find("taillamp") != std::string::npos;
        }
        EXPECT_TRUE(head && tail) << "car " << m + 1;
        // The roof's height over the middle of the car (x between -0.6 and
        // 0, the body's centre line).
        float top = -1.0f;
        for (const Vec3& p : body.positions())
            if (p.x > -0.6f && p.x < 0.0f && std::fabs(p.z) < 0.05f) top = std::max(top, p.y);
        if (m < 4) roof[m] = top;
    }
    // Wedge under muscle car under hot hatch; the GT lowest of all.
    EXPECT_LT(roof[0], roof[1]);
    EXPECT_LT(roof[1], roof[2]);
    EXPECT_LT(roof[3], roof[0]);
}

}  // namespace
