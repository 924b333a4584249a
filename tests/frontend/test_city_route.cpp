// The route on the city map: the plan that puts world points on the map
// picture, and each race's waypoints read back onto it, starting at the
// race's grid and staying on the picture.
#include <gtest/gtest.h>

#include <cmath>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "race/race.h"
#include "shell/shell.h"

namespace {

// World points and where the map screen must draw them: the picture's
// centre, and 600 units out to 240 of its 512 pixels in each direction.
TEST(CityRoute, PlanPutsWorldPointsOnThePicture) {
    struct Case {
        float x, z, overlayX, overlayY;
    };
    const Case cases[] = {
        {5.0f, -3.0f, 281.0f, 281.0f},
        {605.0f, -3.0f, 521.0f, 281.0f},
        {5.0f, 597.0f, 281.0f, 521.0f},
        {-595.0f, -603.0f, 41.0f, 41.0f},
    };
    for (const Case& c : cases) {
        float x = 0.0f, y = 0.0f;
        cityMapPosition(c.x, c.z, &x, &y);
        EXPECT_NEAR(x, c.overlayX, 0.01f) << c.x << ", " << c.z;
        EXPECT_NEAR(y, c.overlayY, 0.01f) << c.x << ", " << c.z;
    }
}

// Every career race's route is read from its waypoint file (tests run in
// the build folder, beside base/), begins just ahead of its grid and stays
// inside the map picture.
TEST(CityRoute, EveryRaceRouteStartsAtItsGrid) {
    for (int race = 1; race <= kCareerRaces; race++) {
        const int count = loadCityRoute(race);
        ASSERT_GT(count, 8) << "race " << race;
        const Vector3 grid = gridOrigin(race);
        float gx = 0.0f, gy = 0.0f, x = 0.0f, y = 0.0f;
        cityMapPosition(grid.x, grid.z + 6.75f, &gx, &gy);
        ASSERT_TRUE(cityRoutePoint(0, &x, &y));
        EXPECT_LT(std::hypot(x - gx, y - gy), 8.0f) << "race " << race;
        for (int i = 0; i < count; i++) {
            ASSERT_TRUE(cityRoutePoint(i, &x, &y));
            EXPECT_GT(x, 25.0f);
            EXPECT_LT(x, 537.0f);
            EXPECT_GT(y, 25.0f);
            EXPECT_LT(y, 537.0f);
        }
        EXPECT_FALSE(cityRoutePoint(count, &x, &y));
    }
    EXPECT_EQ(loadCityRoute(99), 0);
}

}  // namespace
