// The chase camera: the sweep in from in front of the car at the start, the
// hold below walking pace, reversing, the orbit after the finish, slow frames,
// the published eye values and the view it sets.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/scripted.h"
#include "race/race.h"
#include "race_fixture.h"
#include "render/gl.h"

namespace {

class ChaseCamera : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        scriptedReset();
        windowOpen = scriptedOpenGLWindow(64, 64);
        resetChaseCamera();
        players[0].cameraMode = 0;
    }
    void TearDown() override {
        players[0].cameraMode = 0;
        if (windowOpen) scriptedCloseGLWindow();
        RaceWorldTest::TearDown();
    }
    void frame() {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        updateChaseCamera(0);
    }
    // The current view applied to a world point.
    Vector3 viewed(const Vector3& p) {
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        return Vector3(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
                       m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                       m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
    }
    bool windowOpen = false;
};

TEST_F(ChaseCamera, SweepsInFromInFrontAndSettlesBehindTheCar) {
    const Vector3 p(5, 1, 3);
    place(0, p, Vector3(10, 0, 0));
    frame();
    // One frame closes 1 % of each gap: -5.5 towards 1, -1 towards 0.
    EXPECT_NEAR(players[0].cameraDirX, -5.5f + 0.065f, 1e-6f);
    EXPECT_NEAR(players[0].cameraDirZ, -0.99f, 1e-6f);
    EXPECT_NEAR(cameraEye.x, p.x - 6.5f * players[0].cameraDirX, 1e-4f);
    EXPECT_NEAR(cameraEye.y, p.y + 2.0f, 1e-5f);
    EXPECT_NEAR(shadingEye.z, p.z - 8.0f * players[0].cameraDirZ, 1e-4f);
    EXPECT_NEAR(shadingEye.y, p.y + 2.2f, 1e-5f);

    for (int i = 1; i < 300; i++) frame();
    // The gap shrinks geometrically: 6.5 x 0.99^300 after 300 frames.
    EXPECT_NEAR(players[0].cameraDirX, 1.0f - 6.5f * std::pow(0.99f, 300.0f), 2e-3f);
    for (int i = 300; i < 1000; i++) frame();
    // It stops once a gap is 0.01 or less.
    EXPECT_GT(players[0].cameraDirX, 0.989f);
    EXPECT_LE(players[0].cameraDirX, 0.9901f);
    EXPECT_GE(players[0].cameraDirZ, -0.01f);
    EXPECT_LT(players[0].cameraDirZ, -0.0098f);

    // The view looks from the eye (at the origin of eye space) along the
    // smoothed direction, down towards a point 30 ahead and 1 below.
    const Vector3 eye = viewed(cameraEye);
    EXPECT_NEAR(eye.x, 0.0f, 1e-3f);
    EXPECT_NEAR(eye.y, 0.0f, 1e-3f);
    EXPECT_NEAR(eye.z, 0.0f, 1e-3f);
    const Vector3 ahead =
        viewed(Vector3(p.x + 30 * players[0].cameraDirX, p.y - 1, p.z + 30 * players[0].cameraDirZ));
    EXPECT_NEAR(ahead.x, 0.0f, 1e-3f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-3f);
    EXPECT_LT(ahead.z, -30.0f);
    // shadingViewDir is (38 cx, -3.2, 38 cz) normalised.
    const float n = std::sqrt(
        38 * 38 *
            (players[0].cameraDirX * players[0].cameraDirX + players[0].cameraDirZ * players[0].cameraDirZ) +
        3.2f * 3.2f);
    EXPECT_NEAR(shadingViewDir.x, 38 * players[0].cameraDirX / n, 1e-5f);
    EXPECT_NEAR(shadingViewDir.y, -3.2f / n, 1e-5f);
}

TEST_F(ChaseCamera, HoldsItsAimBelowHorizontalSpeedOne) {
    place(0, Vector3(0, 0, 0), Vector3(0.6f, 5.0f, 0.7f));  // fast, but mostly upwards
    frame();
    EXPECT_FLOAT_EQ(players[0].cameraAimX, 1.0f);
    EXPECT_FLOAT_EQ(players[0].cameraAimZ, 0.0f);
    // Above it the aim is the whole velocity normalised, vertical part too.
    place(0, Vector3(0, 0, 0), Vector3(3.0f, 4.0f, 0.0f));
    frame();
    EXPECT_NEAR(players[0].cameraAimX, 0.6f, 1e-6f);
    EXPECT_NEAR(players[0].cameraAimZ, 0.0f, 1e-6f);
    // Standing still keeps it.
    place(0, Vector3(0, 0, 0), Vector3(0, 0, 0));
    const float x = players[0].cameraDirX;
    frame();
    EXPECT_NEAR(players[0].cameraAimX, 0.6f, 1e-6f);
    EXPECT_GT(players[0].cameraDirX, x);  // still closing the gap to the held aim
}

TEST_F(ChaseCamera, ReversingTurnsTheCameraRound) {
    place(0, Vector3(0, 0, 0), Vector3(10, 0, 0));
    for (int i = 0; i < 1000; i++) frame();
    place(0, Vector3(0, 0, 0), Vector3(-4, 0, 0));
    frame();
    EXPECT_FLOAT_EQ(players[0].cameraAimX, -1.0f);
    for (int i = 0; i < 1000; i++) frame();
    EXPECT_LT(players[0].cameraDirX, -0.98f);
    // Behind a car moving -x is at larger x.
    EXPECT_GT(cameraEye.x, 6.0f);
}

TEST_F(ChaseCamera, CirclesTheCarAfterTheFinishAndHoldsOnSlowFrames) {
    place(0, Vector3(0, 0, 0), Vector3(0, 0, 0));
    session.raceFinished = true;
    players[0].orbitAngle = 1.0f;
    frame();
    EXPECT_NEAR(players[0].orbitAngle, 1.007f, 1e-6f);
    EXPECT_NEAR(players[0].cameraAimX, std::cos(1.007f), 1e-5f);
    EXPECT_NEAR(players[0].cameraAimZ, std::sin(1.007f), 1e-5f);

    // Slow frames still turn the camera, by at most a 200 ms frame's share,
    // while the aim and the orbit go on.
    frameClock.frameFactor = 9.5f;
    const float x = players[0].cameraDirX;
    frame();
    EXPECT_NE(players[0].cameraDirX, x);
    EXPECT_NEAR(players[0].orbitAngle, 1.007f + 0.0665f, 1e-5f);
    EXPECT_NEAR(players[0].cameraAimX, std::cos(1.0735f), 1e-5f);
}

TEST_F(ChaseCamera, ModeOneSitsFurtherBackAndHigher) {
    const Vector3 p(20, -3, 7);
    place(0, p, Vector3(0, 0, 10));
    players[0].cameraMode = 1;
    frame();
    const Vector3 eye =
        viewed(Vector3(p.x - 8 * players[0].cameraDirX, p.y + 2.2f, p.z - 8 * players[0].cameraDirZ));
    EXPECT_NEAR(eye.x, 0.0f, 1e-3f);
    EXPECT_NEAR(eye.y, 0.0f, 1e-3f);
    EXPECT_NEAR(eye.z, 0.0f, 1e-3f);
    // The published sprite eye stays the mode 0 one.
    EXPECT_NEAR(cameraEye.x, p.x - 6.5f * players[0].cameraDirX, 1e-4f);
}

// A wall 4 units behind a car facing +x: one upright quad across z.
struct WallModel {
    ModelVertex vertices[4];
    ModelTriangle triangles[2];
    WallModel(float x) {
        const float corners[4][3] = {{x, -5, -20}, {x, -5, 20}, {x, 10, 20}, {x, 10, -20}};
        for (int i = 0; i < 4; i++) {
            vertices[i] = ModelVertex{};
            for (int k = 0; k < 3; k++) vertices[i].position[k] = corners[i][k];
        }
        const int idx[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (int t = 0; t < 2; t++) {
            triangles[t] = ModelTriangle{};
            for (int k = 0; k < 3; k++) triangles[t].vertexIndices[k] = idx[t][k];
        }
    }
};

TEST(ChaseEye, PulledInFrontOfAWallAndLiftedWhereThatWouldPutItInTheCar) {
    const Vector3 car(0, 0, 0);
    const Vector3 wanted(-6.5f, 2.0f, 0.0f);
    struct Case {
        float wallX;
        bool pulled, lifted;
    } cases[] = {
        {-20.0f, false, false},  // far behind the eye: nothing in the way
        {-5.5f, true, false},    // just in front of the eye: pulled in to 5
        {-3.0f, true, true},     // against the bumper: no room, look from above
    };
    for (const Case& c : cases) {
        WallModel wall(c.wallX);
        const float hit =
            segmentHitFraction(wall.vertices, 4, wall.triangles, 2, Vector3(0, 1.6f, 0), wanted);
        EXPECT_EQ(hit < 1.0f, c.pulled) << c.wallX;
        const Vector3 eye = placeChaseEye(car, wanted, hit);
        // Never on the far side of the wall, never within the body.
        EXPECT_GT(eye.x, c.wallX) << c.wallX;
        const bool clearOfBody = std::fabs(eye.x) >= 4.0f - 1e-3f || eye.y >= 4.5f - 1e-3f;
        EXPECT_TRUE(clearOfBody) << c.wallX << ": " << eye.x << " " << eye.y;
        EXPECT_EQ(eye.y > 4.0f, c.lifted) << c.wallX;
        if (!c.pulled) {
            EXPECT_NEAR(eye.x, wanted.x, 1e-6f);
        }
    }
}

TEST_F(ChaseCamera, EyeKeepsItsDistanceWhileTheDirectionSwingsRound) {
    // Just after a spin the smoothed direction passes near zero length.
    const Vector3 p(5, 1, 3);
    place(0, p, Vector3(0.5f, 0, 0));
    players[0].cameraAimX = players[0].cameraDirX = 0.02f;
    players[0].cameraAimZ = players[0].cameraDirZ = 0.0f;
    frame();
    const float dx = cameraEye.x - p.x, dz = cameraEye.z - p.z;
    EXPECT_GE(std::sqrt(dx * dx + dz * dz), 4.8f);
    EXPECT_LT(cameraEye.x, p.x);  // still behind the car
}

// The body's highest corner over its centre: the front chassis corners and
// the cabin's, as the car is turned.
float roofAbove(const Matrix3& r) {
    float top = -1e30f;
    const float corners[4][3] = {
        {3.0f, 0.8f, 1.3f}, {3.0f, 0.8f, -1.3f}, {-1.85f, 1.4f, 1.3f}, {-1.85f, 1.4f, -1.3f}};
    for (const auto& c : corners)
        top = std::fmax(top, c[0] * r.rows[0].y + c[1] * r.rows[1].y + c[2] * r.rows[2].y);
    return top;
}

struct TiltCase {
    const char* name;
    Vector3 euler;  // the body's turn, radians
};

// Nose up onto a barrier, nose down off a kerb, on its side.
const TiltCase kTilts[] = {
    {"nose up 40 degrees", Vector3(0.0f, 0.0f, 0.7f)},
    {"nose down 30 degrees", Vector3(0.0f, 0.0f, -0.52f)},
    {"on its side", Vector3(1.57f, 0.0f, 0.0f)},
};

TEST_F(ChaseCamera, EyeStaysOverTheRoofOfATiltedCarAndComesBackDownWithinASecond) {
    const Vector3 p(0, 1, 0);
    for (const TiltCase& c : kTilts) {
        resetChaseCamera();
        players[0].cameraAimX = players[0].cameraDirX = 1.0f;
        players[0].cameraAimZ = players[0].cameraDirZ = 0.0f;
        place(0, p, Vector3(0, 0, 0));
        setRotation(session.cars[0].body, fromEulerXYZ(c.euler));
        for (int i = 0; i < 100; i++) {
            frame();
            ASSERT_GT(cameraEye.y, p.y + roofAbove(getRotation(session.cars[0].body)))
                << c.name << ", frame " << i;
        }
        // Level again: down to its usual height within a second, not at once.
        setRotation(session.cars[0].body, Matrix3::identity());
        frame();
        const float firstDown = cameraEye.y;
        for (int i = 1; i < 100; i++) frame();
        EXPECT_NEAR(cameraEye.y, p.y + 2.0f, 0.02f) << c.name;
        if (roofAbove(fromEulerXYZ(c.euler)) + 0.3f > 2.0f) {
            EXPECT_GT(firstDown, p.y + 2.1f) << c.name;
        }
    }
}

TEST_F(ChaseCamera, ACarHeldStillForTwoSecondsGetsTheCameraBackBehindIt) {
    // Slid along a wall facing +z and stopped there: the camera looked along
    // the slide (+x).
    place(0, Vector3(0, 0, 0), Vector3(0, 0, 0));
    setRotation(session.cars[0].body, fromEulerXYZ(Vector3(0.0f, -1.5707964f, 0.0f)));
    const Vector3 nose = getRotation(session.cars[0].body).rows[0];
    ASSERT_NEAR(nose.z, 1.0f, 1e-4f);
    players[0].cameraAimX = players[0].cameraDirX = 1.0f;
    players[0].cameraAimZ = players[0].cameraDirZ = 0.0f;
    for (int i = 0; i < 190; i++) frame();
    EXPECT_NEAR(players[0].cameraDirX, 1.0f, 1e-4f) << "turned before two seconds";
    for (int i = 190; i < 210; i++) frame();
    EXPECT_NEAR(players[0].cameraDirX, nose.x, 1e-4f);
    EXPECT_NEAR(players[0].cameraDirZ, nose.z, 1e-4f);
    EXPECT_LT(cameraEye.z, -4.0f);  // behind the nose
    // Not while the countdown holds the cars.
    resetChaseCamera();
    players[0].cameraAimX = players[0].cameraDirX = 1.0f;
    players[0].cameraAimZ = players[0].cameraDirZ = 0.0f;
    session.countdownRunning = true;
    for (int i = 0; i < 300; i++) frame();
    EXPECT_NEAR(players[0].cameraDirX, 1.0f, 1e-4f);
}

TEST_F(ChaseCamera, BumperAndHoodViewsLookAlongTheNoseFromOnTheCar) {
    const Vector3 p(10, 2, -4);
    place(0, p, Vector3(0, 0, 12));
    setRotation(session.cars[0].body, fromEulerXYZ(Vector3(0.0f, -1.5707964f, 0.0f)));  // nose +z
    struct ViewCase {
        int mode;
        float ahead, up;  // the eye from the car's centre, along the nose and up
    } views[] = {{kBumperView, 3.3f, 0.45f}, {kHoodView, 1.0f, 1.35f}};
    for (const ViewCase& v : views) {
        players[0].cameraMode = v.mode;
        frame();
        EXPECT_NEAR(cameraEye.x, p.x, 1e-3f) << v.mode;
        EXPECT_NEAR(cameraEye.y, p.y + v.up, 1e-3f) << v.mode;
        EXPECT_NEAR(cameraEye.z, p.z + v.ahead, 1e-3f) << v.mode;
        // The eye at the view's origin, the road ahead down its -z axis.
        const Vector3 eye = viewed(cameraEye);
        EXPECT_NEAR(length(eye), 0.0f, 1e-3f) << v.mode;
        const Vector3 ahead = viewed(cameraEye + Vector3(0, 0, 20));
        EXPECT_LT(ahead.z, -19.0f) << v.mode;
        EXPECT_NEAR(ahead.x, 0.0f, 1e-3f) << v.mode;
    }
}

TEST(GhostFade, WholeBeyondACarsLengthGoneInsideItsBody) {
    cameraEye = Vector3(0, 0, 0);
    const float cases[][2] = {{20.0f, 1.0f}, {6.0f, 1.0f}, {4.5f, 0.5f}, {3.0f, 0.0f}, {1.0f, 0.0f}};
    for (const auto& c : cases) EXPECT_NEAR(ghostFade(Vector3(0, 0, c[0])), c[1], 1e-5f) << c[0];
}

}  // namespace
