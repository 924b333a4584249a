// Cars on a flat track mesh, with the whole physics step: springs, top
// speed, drifting and the opponents' laps on a plain oval.
#include <cmath>
#include <vector>

#include "race_fixture.h"

// A flat square of ground at height 0, two triangles, wound to face up.
class FlatGround : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        static const Vector3 corners[4] = {Vector3(-5000, 0, -5000), Vector3(5000, 0, -5000),
                                           Vector3(5000, 0, 5000), Vector3(-5000, 0, 5000)};
        MeshTriangle tris[2];
        tris[0].vertices[0] = 0;
        tris[0].vertices[1] = 2;
        tris[0].vertices[2] = 1;
        tris[1].vertices[0] = 0;
        tris[1].vertices[1] = 3;
        tris[1].vertices[2] = 2;
        tris[0].material = tris[1].material = 0;
        TerrainMesh mesh;
        mesh.vertices = corners;
        mesh.vertexCount = 4;
        mesh.triangles = tris;
        mesh.triangleCount = 2;
        ASSERT_EQ(setTerrainMesh(world, mesh), 1);
        for (int i = 0; i < kRaceCars; i++) {
            place(i, Vector3(0.0f, 0.75f, 30.0f * (float)i), Vector3(0, 0, 0));
        }
        session.raceFinished = false;
        session.countdownRunning = false;
    }
    void frames(int n) {
        for (int i = 0; i < n; i++) raceStep(frameClock.frameFactor);
    }
};

TEST_F(FlatGround, FourSpringsCarryTheWeightAtRest) {
    frames(400);
    const Car& c = session.cars[0];  // the opponents would drive off
    Vector3 v = getLinearVelocity(c.body);
    EXPECT_LT(length(v), 0.05f);
    // Hit depth is 1 - suspension on each wheel; the front springs (1000)
    // and the rear ones (1200) share the 800 of weight between them.
    float carried = 0.0f;
    for (int w = 0; w < kWheels; w++) {
        carried += (w < 2 ? 1000.0f : 1200.0f) * (1.0f - c.suspension[w]);
    }
    EXPECT_NEAR(carried, 800.0f, 16.0f);
    // Equal loads fore and aft: 200 per wheel.
    EXPECT_NEAR(1.0f - c.suspension[0], 0.2f, 0.01f);
    EXPECT_NEAR(1.0f - c.suspension[2], 200.0f / 1200.0f, 0.01f);
}

TEST_F(FlatGround, FullThrottleReachesFifthGearAtAboutTwentyFour) {
    frames(100);
    input.keys[VK_UP] = true;
    float top = 0.0f;
    for (int i = 0; i < 2500; i++) {
        frames(1);
        top = std::max(top, length(getLinearVelocity(session.cars[0].body)));
    }
    EXPECT_EQ(session.cars[0].gear, 5);
    EXPECT_GT(top, 22.5f);
    EXPECT_LT(top, 26.5f);  // drive 2 x 34.5 against 0.05 q^2 + 1.5 q: 25
    EXPECT_GT(getPosition(session.cars[0].body).x, 500.0f);
    EXPECT_NEAR(getPosition(session.cars[0].body).z, 0.0f, 5.0f);
}

TEST_F(FlatGround, NitroRaisesTheTopSpeed) {
    frames(100);
    input.keys[VK_UP] = true;
    frames(1500);
    float plain = length(getLinearVelocity(session.cars[0].body));
    input.keys[VK_SPACE] = true;
    float top = plain;
    for (int i = 0; i < 840; i++) {
        frames(1);
        top = std::max(top, length(getLinearVelocity(session.cars[0].body)));
    }
    EXPECT_EQ(session.cars[0].nitro, 0.0f);  // a full tank lasts 100 / 0.12 frames
    EXPECT_GT(top, plain + 4.0f);
    EXPECT_LT(top, 33.5f);  // drive 2 x 51.75 against the drag: 32.9 at most
}

TEST_F(FlatGround, FullLockAtSpeedDrifts) {
    frames(100);
    input.keys[VK_UP] = true;
    frames(1500);
    float speed = length(getLinearVelocity(session.cars[0].body));
    ASSERT_GT(speed, 18.0f);
    input.keys[VK_LEFT] = true;
    float lowestGrip = 1.0f;
    for (int i = 0; i < 300; i++) {
        frames(1);
        lowestGrip = std::min(lowestGrip, session.cars[0].slipGrip);
    }
    EXPECT_LT(lowestGrip, 0.4f);
    EXPECT_GT(players[0].driftLevel, 1.0f);
    EXPECT_GT(players[0].driftScore, 0.0f);
    // The car stays on its wheels.
    EXPECT_GT(getRotation(session.cars[0].body).rows[1].y, 0.8f);
}

TEST_F(FlatGround, FreeRollingCarComesToRest) {
    frames(100);
    input.keys[VK_UP] = true;
    frames(600);
    input.keys[VK_UP] = false;
    ASSERT_GT(length(getLinearVelocity(session.cars[0].body)), 10.0f);
    frames(3000);
    EXPECT_LT(length(getLinearVelocity(session.cars[0].body)), 0.05f);
}

TEST_F(FlatGround, OpponentsLapAnOval) {
    // A 400 x 200 rectangle with rounded corners cut by waypoints.
    const float pts[][2] = {{0, 0},     {100, 0},   {200, 0}, {260, 20},  {290, 80},  {290, 120}, {260, 180},
                            {200, 200}, {100, 200}, {0, 200}, {-60, 180}, {-90, 120}, {-90, 80},  {-60, 20}};
    session.checkpointCount = (int)(sizeof pts / sizeof pts[0]);
    for (int i = 0; i < session.checkpointCount; i++)
        session.checkpoints[i] = {pts[i][0], 0.0f, pts[i][1], 0, 0};
    for (int i = 1; i < kRaceCars; i++) {
        place(i, Vector3(-20.0f, 0.75f, 8.0f * (float)i - 16.0f), Vector3(0, 0, 0));
    }
    place(0, Vector3(-20.0f, 0.75f, 60.0f), Vector3(0, 0, 0));
    frames(100 * 120);
    for (int i = 1; i < kRaceCars; i++) {
        EXPECT_GE(session.cars[i].lap, 3) << i;
        EXPECT_GT(getRotation(session.cars[i].body).rows[1].y, 0.8f) << i;
    }
}

// A slow machine: 100 ms frames are stepped as two slices of 50 ms, so the
// clocks keep time and the car drives as it does on a fast machine.
TEST_F(FlatGround, SlowFramesAreSlicedAndTheRaceRunsOn) {
    frames(100);
    input.keys[VK_UP] = true;
    session.raceTime = RaceClock{};
    const Vector3 start = getPosition(session.cars[0].body);
    frameClock.frameFactor = 10.0f;
    EXPECT_EQ(raceStepSlices(frameClock.frameFactor), 2);
    for (int i = 0; i < 100; i++) {
        const float before = clockValue(session.raceTime);
        raceFrameStep(frameClock.frameFactor);
        const float advanced = clockValue(session.raceTime) - before;
        // A second's wrap adds 100 - 100 hundredths; every frame is 10.
        EXPECT_NEAR(advanced, 10.0f, 1e-3f) << "frame " << i;
        EXPECT_EQ(frameClock.frameFactor, 10.0f);
    }
    EXPECT_EQ(session.raceTime.seconds, 10);
    const Vector3 end = getPosition(session.cars[0].body);
    // Ten seconds of full throttle from rest: well over a hundred units.
    EXPECT_GT(end.x - start.x, 100.0f);
    EXPECT_NEAR(end.y, start.y, 0.5f);
}

// A hang of ten seconds (as if the frame measure had passed it on whole) is
// stepped as at most 200 ms of race in short slices: nothing is launched and
// the race loses the rest of the time rather than jumping.
TEST_F(FlatGround, OneLongFrameLaunchesNothing) {
    frames(400);
    const float speeds[] = {0.0f, 20.0f};
    for (float speed : speeds) {
        input.keys[VK_UP] = speed > 0.0f;
        place(0, Vector3(0.0f, getPosition(session.cars[0].body).y, 0.0f), Vector3(speed, 0, 0));
        frames(20);
        const float before = length(getLinearVelocity(session.cars[0].body));
        const float clock = clockValue(session.raceTime);
        frameClock.frameFactor = 1000.0f;
        raceFrameStep(frameClock.frameFactor);
        EXPECT_NEAR(clockValue(session.raceTime) - clock, kRaceTimeLimit, 1e-3f);
        frameClock.frameFactor = 1.0f;
        const Vector3 v = getLinearVelocity(session.cars[0].body);
        EXPECT_LT(length(v), before + 3.0f) << "start speed " << speed;
        EXPECT_LT(std::fabs(v.y), 1.0f) << "start speed " << speed;
    }
}
