// The frame counter (F) and the race's minimap share the right of the screen:
// at every resolution their pixels must stay apart.
#include <gtest/gtest.h>

#include <cmath>

#include "race/race.h"
#include "shell/shell.h"

namespace {

struct PixelRect {
    int x0, y0, x1, y1;  // covered pixels, x1 and y1 exclusive
};

// The pixels an overlay rectangle touches at a resolution, rounded outwards.
PixelRect toPixels(float x0, float y0, float x1, float y1, int width, int height) {
    const float sx = (float)width / 800.0f, sy = (float)height / 600.0f;
    return {(int)std::floor(x0 * sx), (int)std::floor(y0 * sy), (int)std::ceil(x1 * sx),
            (int)std::ceil(y1 * sy)};
}

bool overlap(const PixelRect& a, const PixelRect& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

TEST(HudLayout, FrameCounterNeverCoversTheMinimap) {
    float fx0, fy0, fx1, fy1, mx0, my0, mx1, my1;
    frameCounterRect(&fx0, &fy0, &fx1, &fy1);
    minimapRect(&mx0, &my0, &mx1, &my1);
    // The counter's text lies where it is printed.
    EXPECT_FLOAT_EQ(fx0, (float)kFrameCounterX);
    EXPECT_LT(fy0, (float)kFrameCounterY);
    EXPECT_GT(fy1, (float)kFrameCounterY + 10.0f);
    const int sizes[3][2] = {{640, 480}, {800, 600}, {1024, 768}};
    for (const auto& size : sizes) {
        const PixelRect counter = toPixels(fx0, fy0, fx1, fy1, size[0], size[1]);
        const PixelRect map = toPixels(mx0, my0, mx1, my1, size[0], size[1]);
        EXPECT_FALSE(overlap(counter, map)) << size[0] << " x " << size[1];
        // Both stay on the screen.
        EXPECT_LE(map.x1, size[0]);
        EXPECT_LE(counter.x1, size[0]);
    }
}

}  // namespace
