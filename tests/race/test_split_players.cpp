// Several players on one screen: each car answers its own player's device
// only, each view's camera follows its own car, the views share the window
// as halves or quarters, and the race waits for the last human.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/scripted.h"
#include "race/race.h"
#include "race_fixture.h"

namespace {

class SplitPlayers : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        // A line far off for anyone to drive to.
        session.checkpointCount = 2;
        session.checkpoints[0] = Checkpoint{1000.0f, 2.0f, 0.0f, 0.0f, 0};
        session.checkpoints[1] = Checkpoint{2000.0f, 2.0f, 0.0f, 0.0f, 0};
        session.humanCount = 4;
        for (int p = 0; p < kMaxPlayers; p++) {
            players[p].playerCarPower = 0.5f;
            setPlayerDevice(p, kDevices[p]);
        }
    }
    // Every car rolling forwards (+x) at a steady pace, wheels straight.
    void rollAll() {
        for (int i = 0; i < kRaceCars; i++) {
            place(i, Vector3(0.0f, 0.0f, 10.0f * static_cast<float>(i)), Vector3(5.0f, 0.0f, 0.0f));
            session.cars[i].steer = 0.0f;
            session.cars[i].driveForce = 0.0f;
            session.cars[i].nitro = 100.0f;
        }
    }
    void driveAll() {
        for (int p = 0; p < session.humanCount; p++) updatePlayerCar(session.cars[p], 1.0f);
    }
    const int kDevices[kMaxPlayers] = {DriveKeysA, DriveKeysB, DriveController1, DriveController2};
};

// What an action held for a step does to the car that answers it.
struct ActionCase {
    int action;
    const char* name;
    bool (*moved)(const Car& car);
};
const ActionCase kActions[] = {
    {BindAccelerate, "accelerate", [](const Car& c) { return c.driveForce > 0.0f; }},
    {BindBrake, "brake", [](const Car& c) { return c.driveForce < 0.0f; }},
    {BindLeft, "left", [](const Car& c) { return c.steer > 0.0f; }},
    {BindRight, "right", [](const Car& c) { return c.steer < 0.0f; }},
    {BindNitro, "nitro", [](const Car& c) { return c.nitro < 100.0f; }},
};

TEST_F(SplitPlayers, EachDeviceMovesOnlyItsOwnPlayersCar) {
    for (int holder = 0; holder < kMaxPlayers; holder++) {
        for (const ActionCase& a : kActions) {
            input = InputState{};
            rollAll();
            const int vk = driveDeviceKey(kDevices[holder], a.action);
            ASSERT_NE(vk, kNoKey);
            input.keys[vk] = true;
            driveAll();
            for (int p = 0; p < kMaxPlayers; p++)
                EXPECT_EQ(a.moved(session.cars[p]), p == holder)
                    << driveDeviceName(kDevices[holder]) << " " << a.name << ", car " << p;
        }
    }
}

TEST_F(SplitPlayers, TheOnePlayerBindingsMoveNoCarOfSeveral) {
    // The bound arrows are set A's too; the second keys (W A S D) set B's.
    // Space, the bound nitro, is no one's in a race of several.
    rollAll();
    input.keys[VK_SPACE] = true;
    driveAll();
    for (int p = 0; p < kMaxPlayers; p++) EXPECT_EQ(session.cars[p].nitro, 100.0f) << p;
}

TEST_F(SplitPlayers, OnePlayerAloneStillDrivesByTheBindings) {
    session.humanCount = 1;
    rollAll();
    input.keys[VK_SPACE] = true;  // the bound nitro
    input.keys['A'] = true;       // the second key of steering left
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_LT(session.cars[0].nitro, 100.0f);
    EXPECT_GT(session.cars[0].steer, 0.0f);
}

TEST(DriveDevices, NoKeyServesTwoDevicesAndEscPausesEveryOne) {
    for (int d = 0; d < kDriveDevices; d++) {
        for (int a = 0; a < kBindActions; a++) {
            const int vk = driveDeviceKey(d, a);
            ASSERT_GE(vk, 0);
            ASSERT_LT(vk, 256);
            if (a == BindPause && d < DriveController1) {
                EXPECT_EQ(vk, VK_ESCAPE);
                EXPECT_EQ(driveDeviceOfKey(vk), -1);
                continue;
            }
            EXPECT_EQ(driveDeviceOfKey(vk), d) << driveDeviceName(d) << " action " << a;
        }
    }
    EXPECT_EQ(driveDeviceKey(DriveKeysA, BindNitro), VK_RCONTROL);
    EXPECT_EQ(driveDeviceKey(DriveKeysB, BindNitro), VK_LSHIFT);
    EXPECT_EQ(driveDeviceKey(DriveKeysB, BindAccelerate), 'W');
    EXPECT_EQ(driveDeviceKey(kDriveDevices, BindNitro), kNoKey);
}

TEST_F(SplitPlayers, EachPlayersResetKeyPutsBackOnlyTheirCar) {
    for (int i = 0; i < kRaceCars; i++) {
        session.cars[i].checkpointsPassed = 1;
        session.cars[i].nextCheckpoint = 1;
    }
    input.keys[driveDeviceKey(DriveKeysB, BindReset)] = true;
    updateCarReset(1.0f);
    for (int p = 0; p < kMaxPlayers; p++) EXPECT_EQ(players[p].resetTimer >= 0.0f, p == 1) << p;
    EXPECT_GT(carResetFade(1), 0.0f);
    EXPECT_EQ(carResetFade(0), 0.0f);
}

TEST_F(SplitPlayers, EachViewsCameraFollowsItsOwnCar) {
    scriptedReset();
    ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
    resetChaseCamera();
    // The cars far apart, each driving its own way; the grid's opponents
    // have a line to drive to.
    const Vector3 at[kMaxPlayers] = {Vector3(0, 0, 0), Vector3(300, 0, 0), Vector3(0, 0, 300),
                                     Vector3(300, 0, 300)};
    const Vector3 heading[kMaxPlayers] = {Vector3(10, 0, 0), Vector3(-10, 0, 0), Vector3(0, 0, 10),
                                          Vector3(0, 0, -10)};
    for (int frame = 0; frame < 400; frame++) {
        for (int p = 0; p < kMaxPlayers; p++) {
            place(p, at[p], heading[p]);
            const SceneView view = updateChaseCamera(p);
            if (frame < 399) continue;
            // Behind its own car, looking past it the way it drives.
            const Vector3 back = view.eye - at[p];
            EXPECT_LT(length(back), 15.0f) << p;
            Vector3 dir = heading[p];
            normalise(dir);
            EXPECT_LT(back.x * dir.x + back.z * dir.z, -3.0f) << p;
            EXPECT_GT((view.target - at[p]).x * dir.x + (view.target - at[p]).z * dir.z, 10.0f) << p;
            // Its eyes are its own.
            EXPECT_LT(length(cameraEye - at[p]), 15.0f) << p;
        }
    }
    scriptedCloseGLWindow();
}

TEST_F(SplitPlayers, ACameraKeyTurnsOnlyItsOwnPlayersView) {
    for (int p = 0; p < kMaxPlayers; p++) players[p].cameraMode = 0;
    cycleCameraMode(2);
    for (int p = 0; p < kMaxPlayers; p++) EXPECT_EQ(players[p].cameraMode, p == 2 ? 1 : 0) << p;
}

struct WindowCase {
    int width, height;
    bool sideBySide;  // two players beside each other
};
const WindowCase kWindows[] = {
    {640, 480, false},  {800, 600, false},
    {1024, 768, false}, {1280, 800, false},  // exactly 16:10 stays one over the other
    {1920, 1080, true}, {2560, 1080, true},
};

TEST(SplitViews, ViewsTileTheWindowWithoutOverlap) {
    for (const WindowCase& w : kWindows) {
        const ViewportRect window{0, 0, w.width, w.height};
        for (int humans = 1; humans <= kMaxPlayers; humans++) {
            const int views = splitViewCount(humans);
            long area = 0;
            for (int v = 0; v < views; v++) {
                const ViewportRect r = splitViewRect(v, views, window);
                EXPECT_GE(r.x, 0);
                EXPECT_GE(r.y, 0);
                EXPECT_LE(r.x + r.width, w.width);
                EXPECT_LE(r.y + r.height, w.height);
                area += static_cast<long>(r.width) * r.height;
                for (int u = 0; u < v; u++) {
                    const ViewportRect o = splitViewRect(u, views, window);
                    const bool apart = r.x + r.width <= o.x || o.x + o.width <= r.x ||
                                       r.y + r.height <= o.y || o.y + o.height <= r.y;
                    EXPECT_TRUE(apart) << w.width << "x" << w.height << " views " << u << "," << v;
                }
            }
            EXPECT_EQ(area, static_cast<long>(w.width) * w.height) << w.width << "x" << w.height;
        }
        const ViewportRect first = splitViewRect(0, 2, window), second = splitViewRect(1, 2, window);
        if (w.sideBySide) {
            EXPECT_LT(first.x, second.x) << w.width;
            EXPECT_EQ(first.height, w.height);
        } else {
            // The first player on top: rows count up from the foot.
            EXPECT_GT(first.y, second.y) << w.width;
            EXPECT_EQ(first.width, w.width);
        }
    }
    EXPECT_EQ(splitViewCount(3), 4);
    // Quarters in reading order: the first on the top left.
    const ViewportRect q0 = splitViewRect(0, 4, ViewportRect{0, 0, 800, 600});
    EXPECT_EQ(q0.x, 0);
    EXPECT_EQ(q0.y, 300);
    const ViewportRect q3 = splitViewRect(3, 4, ViewportRect{0, 0, 800, 600});
    EXPECT_EQ(q3.x, 400);
    EXPECT_EQ(q3.y, 0);
}

TEST_F(SplitPlayers, TheRaceWaitsForTheLastHumanOrThirtySeconds) {
    session.humanCount = 2;
    session.countdownRunning = false;
    // The second human home at once: the race goes on for the first.
    players[1].finished = true;
    EXPECT_TRUE(playerFinished(1));
    EXPECT_FALSE(playerFinished(0));
    int steps = 0;
    while (!session.raceFinished && steps < 5000) {
        raceStep(1.0f);
        steps++;
    }
    EXPECT_TRUE(session.raceFinished);
    // 30 s of 10 ms steps, give or take the float sum's last steps.
    EXPECT_NEAR(steps, 3000, 2);
    // The finished human's lap clock stood still; the other's ran.
    EXPECT_EQ(clockHundredths(players[1].lapTime), 0.0f);
    EXPECT_GT(clockHundredths(players[0].lapTime), 2900.0f);
}

TEST_F(SplitPlayers, TheLastHumanHomeEndsTheRace) {
    session.humanCount = 2;
    session.countdownRunning = false;
    players[0].finished = true;
    raceStep(1.0f);
    EXPECT_FALSE(session.raceFinished);
    players[1].finished = true;
    raceStep(1.0f);
    EXPECT_TRUE(session.raceFinished);
}

TEST_F(SplitPlayers, OnePlayerAloneEndsTheRaceAtTheirFinish) {
    session.humanCount = 1;
    session.countdownRunning = false;
    session.checkpointCount = 2;
    session.checkpoints[0] = Checkpoint{0.0f, 0.0f, 0.0f, 0.0f, 0};
    session.checkpoints[1] = Checkpoint{500.0f, 0.0f, 0.0f, 0.0f, 0};
    session.cars[0].lap = session.lapCount;
    session.cars[0].nextCheckpoint = 0;
    place(0, Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_TRUE(session.raceFinished);
    EXPECT_FALSE(players[0].finished);
}

}  // namespace

namespace {

// An overlay rectangle of a view's HUD, as the overlay frame places it in
// window pixels: the design fitted into the frame, the corner pieces moved
// out with their corner.
struct HudPiece {
    const char* name;
    float x0, y0, x1, y1;
    int anchorX;  // -1 left, 0 centre, 1 right
    int anchorY;  // -1 bottom, 0 centre
};
const HudPiece kHudPieces[] = {
    {"tachometer", 600.0f, 0.0f, 800.0f, 200.0f, 1, -1},
    {"nitro gauge", -12.0f, 0.0f, 188.0f, 200.0f, -1, -1},
    {"lap and place", 96.0f, 500.0f, 704.0f, 590.0f, 0, 0},
    {"clock pod", 96.0f, 500.0f, 252.0f, 546.0f, 0, 0},
    {"corner arrow", 352.0f, 497.0f, 448.0f, 593.0f, 0, 0},
};

TEST(SplitViews, EveryViewsHudLiesInsideItsView) {
    const int sizes[3][2] = {{640, 480}, {800, 600}, {1024, 768}};
    for (const auto& size : sizes) {
        const ViewportRect window{0, 0, size[0], size[1]};
        for (int humans = 2; humans <= kMaxPlayers; humans++) {
            const int views = splitViewCount(humans);
            for (int v = 0; v < humans; v++) {
                const ViewportRect r = splitViewRect(v, views, window);
                const OverlayBounds b = overlayBoundsOf(r.width, r.height);
                const float scale = static_cast<float>(r.width) / (b.right - b.left);
                EXPECT_NEAR(scale, static_cast<float>(r.height) / (b.top - b.bottom), 1e-3f);
                for (const HudPiece& piece : kHudPieces) {
                    const float dx =
                        piece.anchorX < 0 ? b.left : (piece.anchorX > 0 ? b.right - 800.0f : 0.0f);
                    const float dy = piece.anchorY < 0 ? b.bottom : 0.0f;
                    // The nitro gauge's frame reaches 12 units left of its
                    // corner; the picture clips it as on one screen.
                    const float x0 = std::fmax(piece.x0 + dx, b.left);
                    const float px0 = r.x + (x0 - b.left) * scale,
                                px1 = r.x + (piece.x1 + dx - b.left) * scale;
                    const float py0 = r.y + (piece.y0 + dy - b.bottom) * scale,
                                py1 = r.y + (piece.y1 + dy - b.bottom) * scale;
                    const std::string where = std::string(piece.name) + " of view " + std::to_string(v) +
                                              " at " + std::to_string(size[0]) + ", " +
                                              std::to_string(humans) + " players";
                    EXPECT_GE(px0, r.x - 0.01f) << where;
                    EXPECT_LE(px1, r.x + r.width + 0.01f) << where;
                    EXPECT_GE(py0, r.y - 0.01f) << where;
                    EXPECT_LE(py1, r.y + r.height + 0.01f) << where;
                }
            }
        }
    }
}

}  // namespace
