// The kerb rumble: which ground is the kerb's face, and how the rumble
// follows the wheels that ride it.
#include <cmath>

#include "race/race_local.h"
#include "race_fixture.h"

TEST(KerbRumble, OnlyTheKerbsSlopedFaceAcrossTheCarCounts) {
    const Vector3 side(0.0f, 0.0f, 1.0f);  // the car faces +x
    auto normalOf = [](float x, float y, float z) {
        Vector3 n(x, y, z);
        normalise(n);
        return n;
    };
    struct Case {
        const char* what;
        Vector3 normal;
        bool kerb;
    };
    const Case cases[] = {
        {"level road", normalOf(0.0f, 1.0f, 0.0f), false},
        {"a road banked 5 degrees", normalOf(0.0f, 0.996f, 0.087f), false},
        {"a hill of 30 degrees ahead", normalOf(-0.5f, 0.866f, 0.0f), false},
        {"the kerb's face on the right, 0.2 over 0.3", normalOf(0.0f, 0.3f, -0.2f), true},
        {"the kerb's face on the left", normalOf(0.0f, 0.3f, 0.2f), true},
        {"the kerb's face met at 45 degrees", normalOf(0.141f, 0.3f, -0.141f), true},
    };
    for (const Case& c : cases) EXPECT_EQ(wheelOnKerb(c.normal, side), c.kerb) << c.what;
}

using KerbRumbleRace = RaceWorldTest;

TEST_F(KerbRumbleRace, TheRumbleComesInOnTheKerbFollowsTheSpeedAndDiesAway) {
    const Vector3 side(0.0f, 0.0f, 1.0f), kerb(0.0f, 0.83f, -0.55f), road(0.0f, 1.0f, 0.0f);
    startKerbRumble();
    players[0].playerSpeed = 15.0f;
    for (int frame = 0; frame < 10; frame++) {
        noteWheelGround(session.cars[0], kerb, side);
        noteWheelGround(session.cars[1], road, side);
        updateKerbRumble(1.0f);
    }
    EXPECT_GT(kerbRumbleLevel(), 0.95f);
    EXPECT_NEAR(soundKerb.gain, kerbRumbleLevel(), 1e-6f) << "full from 6 units a second";
    // An opponent on the kerb is not the player's tyres.
    startKerbRumble();
    for (int frame = 0; frame < 10; frame++) {
        noteWheelGround(session.cars[1], kerb, side);
        updateKerbRumble(1.0f);
    }
    EXPECT_EQ(kerbRumbleLevel(), 0.0f);
    // Slowly over the kerb: heard in proportion.
    players[0].playerSpeed = 3.0f;
    for (int frame = 0; frame < 20; frame++) {
        noteWheelGround(session.cars[0], kerb, side);
        updateKerbRumble(1.0f);
    }
    EXPECT_NEAR(soundKerb.gain, 0.5f * kerbRumbleLevel(), 1e-6f);
    // Back on the road: gone within half a second.
    for (int frame = 0; frame < 50; frame++) {
        noteWheelGround(session.cars[0], road, side);
        updateKerbRumble(1.0f);
    }
    EXPECT_LT(kerbRumbleLevel(), 0.05f);
    players[0].playerSpeed = 0.0f;
}
