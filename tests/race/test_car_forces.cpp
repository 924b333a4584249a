// Car forces: grip, side force, drag and the behaviour of a body in the air.
#include <cmath>

#include "race/race_local.h"
#include "race_fixture.h"

TEST(CarGrip, FullWithoutSteeringAndAtItsFloorsAtFullLockAndSpeed25) {
    float front, rear;
    carGrip(25.0f, 0.0f, front, rear);
    EXPECT_EQ(front, 1.0f);
    EXPECT_EQ(rear, 1.0f);
    carGrip(25.0f, 0.7f, front, rear);  // loss 0.18 x 2 x 5 x 0.7 = 1.26
    EXPECT_EQ(front, 0.6f);
    EXPECT_EQ(rear, 0.35f);
    carGrip(4.0f, -0.5f, front, rear);  // loss 0.36: above both floors
    EXPECT_NEAR(front, 0.64f, 1e-6f);
    EXPECT_NEAR(rear, 0.64f, 1e-6f);
}

TEST(TyreSideForce, SoftBelowOneAndCappedAtTheLimitAgainstTheSlide) {
    Vector3 f = tyreSideForce(Vector3(0.0f, 0.0f, 0.25f));
    EXPECT_NEAR(f.z, -150.0f * 0.5f, 1e-3f);
    f = tyreSideForce(Vector3(3.0f, 4.0f, 0.0f));
    EXPECT_NEAR(f.x, -90.0f, 1e-3f);
    EXPECT_EQ(f.y, 0.0f);  // never lifts or presses
    f = tyreSideForce(Vector3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(length(f), 0.0f);
}

TEST(CarDrag, GrowsWithSpeedAndOpposesMotion) {
    const float drive = 50.0f;
    float previous = 0.0f;
    for (float q = 0.5f; q < 40.0f; q += 0.5f) {
        Vector3 d = carDragForce(Vector3(0.6f * q, 0.0f, -0.8f * q), drive, 0.007f);
        float mag = length(d);
        EXPECT_NEAR(mag, 0.05f * q * q + 1.5f * q, 1e-3f * mag + 1e-4f);
        EXPECT_GT(mag, previous);
        EXPECT_LT(dot(d, Vector3(0.6f, 0.0f, -0.8f)), 0.0f);
        previous = mag;
    }
    EXPECT_EQ(length(carDragForce(Vector3(0, 0, 0), 0.0f, 0.007f)), 0.0f);
}

// Speed of a car on flat ground under drive (two rear wheels each pushing
// driveForce) and drag, by sub-steps of 0.007 s.
static float coast(float speed, float driveForce, float seconds) {
    const float h = 0.007f;
    for (int i = 0; i < (int)(seconds / h); i++) {
        Vector3 force = carDragForce(Vector3(speed, 0, 0), driveForce, 0.007f);
        speed += (force.x + 2.0f * driveForce) / 100.0f * h;
        if (length(Vector3(speed, 0, 0)) == 0.0f) speed = 0.0f;
    }
    return speed;
}

TEST(CarDrag, AFreeRollingCarComesToRestWithoutRollingBack) {
    EXPECT_EQ(coast(10.0f, 0.0f, 12.0f), 0.0f);
    EXPECT_EQ(coast(25.0f, 0.0f, 30.0f), 0.0f);
    // The countdown's 0.01 and the roll-out force of 1 count as no drive.
    EXPECT_EQ(coast(5.0f, 0.01f, 10.0f), 0.0f);
    // Stopping never overshoots into rolling backwards.
    float speed = 0.05f;
    for (int i = 0; i < 100; i++) {
        speed += carDragForce(Vector3(speed, 0, 0), 0.0f, 0.007f).x / 100.0f * 0.007f;
        EXPECT_GE(speed, -1e-6f);
    }
}

TEST(CarDrag, FifthGearTopSpeedIsAboutTwentyFour) {
    // 60 x carPower 0.5 x 1.15 per rear wheel, balanced by the air drag.
    float top = coast(22.0f, 60.0f * 0.575f, 120.0f);
    EXPECT_GT(top, 23.5f);
    EXPECT_LT(top, 26.0f);
    float nitro = coast(22.0f, 60.0f * 0.575f * 1.5f, 120.0f);
    EXPECT_GT(nitro, top + 3.0f);
}

using CarForces = RaceWorldTest;

TEST_F(CarForces, ACarInTheAirGetsOnlyDragAndGravityAndKeepsItsGrip) {
    for (int i = 0; i < kRaceCars; i++) {
        session.cars[i].frontGrip = 0.42f;
        session.cars[i].rearGrip = 0.43f;
        session.cars[i].driveForce = 80.0f;
        session.cars[i].steer = 0.5f;
    }
    place(0, Vector3(0, 100, 0), Vector3(0, 0, 0));
    step(world, 0.028f, 4, nullptr);
    step(world, 0.028f, 4, nullptr);
    // No wheel touches: no drive, no springs; the body falls at g (drag on
    // the tiny fall speed is below the tolerance).
    Vector3 v = getLinearVelocity(session.cars[0].body);
    EXPECT_NEAR(v.x, 0.0f, 1e-5f);
    EXPECT_NEAR(v.y, -0.42f, 0.04f);  // gravity acts from the first or second sub-step
    EXPECT_EQ(session.cars[0].frontGrip, 0.42f);
    EXPECT_EQ(session.cars[0].rearGrip, 0.43f);
    EXPECT_EQ(session.cars[0].driveForce, 80.0f);  // the cornering loss needs ground too
    for (int w = 0; w < kWheels; w++) EXPECT_EQ(session.cars[0].suspension[w], 0.9f);
}

TEST(CarImpacts, HeavierHitsPlayHeavierFilesLouder) {
    struct Case {
        float lost;  // units a second
        const SoundEffect* sound;
        float gain;
    };
    const Case cases[] = {
        {2.9f, nullptr, 0.0f},
        {3.0f, &soundCrash0, 0.5f},
        {5.9f, &soundCrash0, 0.5f + 0.5f * 2.9f / 9.0f},
        {6.0f, &soundCrash1, 2.0f / 3.0f},
        {11.9f, &soundCrash2, 0.5f + 0.5f * 8.9f / 9.0f},
        {14.9f, &soundCrash2, 1.0f},
        {15.0f, &soundCrash3, 1.0f},
        {19.0f, &soundCrash3, 1.0f},
    };
    for (const Case& c : cases) {
        const ImpactSound impact = impactSoundFor(c.lost);
        EXPECT_EQ(impact.sound, c.sound) << c.lost;
        EXPECT_NEAR(impact.gain, c.gain, 1e-5f) << c.lost;
    }
}

TEST_F(CarForces, AnImpactIsHeardOnceItStopsGrowingAndNotAgainWithin03Seconds) {
    // Speeds of car 1 at successive sub-steps of 0.007 physics seconds (2.5 ms
    // of play): a hit spread over three sub-steps, a second one 0.155 s of
    // play later, a third 0.31 s after the first.
    const float h = 0.007f;
    auto subStep = [&](float speed) {
        place(1, getPosition(session.cars[1].body), Vector3(speed, 0.0f, 0.0f));
        return listenForImpact(session.cars[1], h).sound;
    };
    for (int i = 0; i < 10; i++) EXPECT_EQ(subStep(20.0f), nullptr);
    EXPECT_EQ(subStep(14.0f), nullptr) << "still losing speed";
    EXPECT_EQ(subStep(6.0f), nullptr);
    EXPECT_EQ(subStep(2.0f), nullptr);
    EXPECT_EQ(subStep(2.0f), &soundCrash3) << "18 lost in all";
    for (int i = 0; i < 60; i++) EXPECT_EQ(subStep(12.0f), nullptr);
    EXPECT_EQ(subStep(2.0f), nullptr);
    EXPECT_EQ(subStep(2.0f), nullptr) << "0.155 s after the last: too soon";
    for (int i = 0; i < 60; i++) subStep(12.0f);
    EXPECT_EQ(subStep(5.0f), nullptr);
    EXPECT_EQ(subStep(5.0f), &soundCrash1) << "about 7 lost, 0.31 s after the hit";
    // Braking hard from 20 never opens a gap of 3.
    for (int i = 0; i < 10; i++) subStep(20.0f);
    for (int i = 0; i < 400; i++) EXPECT_EQ(subStep(20.0f - 0.05f * (float)i), nullptr);
}
