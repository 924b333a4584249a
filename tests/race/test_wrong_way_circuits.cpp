// The wrong-way warning on the real circuits: a clean scripted lap of each of
// the fifteen never shows it, and a car turned round on the road gets it
// within two seconds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/scripted.h"
#include "race/race.h"
#include "race_fixture.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"

namespace {

// Long enough for the countdown and a lap of the longest circuit.
constexpr int kLapFrames = 20000;
// Two seconds of 10 ms frames.
constexpr int kTwoSeconds = 200;

// The player's car put down on a checkpoint facing back the way it came,
// already rolling at speed that way.
void turnRound(int checkpoint, float speed) {
    placeCarAtCheckpoint(session.cars[0], checkpoint);
    Matrix3 r = getRotation(session.cars[0].body);
    const Vector3 back = r.rows[0] * -1.0f;
    setRotation(session.cars[0].body, Matrix3(back, r.rows[1], r.rows[2] * -1.0f));
    setLinearVelocity(session.cars[0].body, back * speed);
}

// Throttle held, steering for the checkpoint behind the car, taken one
// further back each time the car comes near it.
void driveBackwards(int* target) {
    const Vector3 p = getPosition(session.cars[0].body);
    const Checkpoint& c = session.checkpoints[*target];
    Vector3 to(c.x - p.x, 0.0f, c.z - p.z);
    if (length(to) < 15.0f) *target = (*target + session.checkpointCount - 1) % session.checkpointCount;
    const float e = headingAngle(getRotation(session.cars[0].body).rows[0], to);
    const float wish = e > 0.5f ? 0.5f : (e < -0.5f ? -0.5f : e);
    for (bool& key : input.keys) key = false;
    input.keys[VK_UP] = true;
    input.keys[VK_LEFT] = session.cars[0].steer < wish - 0.04f;
    input.keys[VK_RIGHT] = session.cars[0].steer > wish + 0.04f;
}

TEST(WrongWayOnCircuits, ACleanLapNeverShowsItAndTurningRoundDoesWithinTwoSeconds) {
    struct stat st;
    if (stat("base/maps/1/map.ms3d", &st) != 0) FAIL() << "needs the generated maps (korvask-content base)";
    for (int race = 1; race <= kCareerRaces; race++) {
        resetRaceGlobals();
        scriptedReset();
        ASSERT_TRUE(openSimWindow());
        ASSERT_TRUE(loadSimRace(race, 0, 7)) << "race " << race;
        DriverState driver{};
        for (int frame = 0; frame < kLapFrames && session.cars[0].lap < 2; frame++) {
            scriptedDriverKeys(session.cars[0], driver);
            updateStandings();
            raceStep(frameClock.frameFactor);
            tickCountdown(frameClock.frameFactor);
        }
        EXPECT_EQ(session.cars[0].lap, 2)
            << "race " << race << ": the scripted driver did not finish its lap";
        EXPECT_EQ(session.courseProgress[0].wrongWaySeconds, 0.0f) << "race " << race;

        // Turned round half a lap on, rolling back at 20 units a second.
        const int at =
            (session.cars[0].nextCheckpoint + session.checkpointCount / 2) % session.checkpointCount;
        int target = (at + session.checkpointCount - 1) % session.checkpointCount;
        turnRound(at, 20.0f);
        int frames = 0;
        while (!wrongWayShown(players[0].wrongWayTimer) && frames < 3 * kTwoSeconds) {
            driveBackwards(&target);
            raceStep(frameClock.frameFactor);
            frames++;
        }
        EXPECT_LE(frames, kTwoSeconds) << "race " << race;
        unloadRace();
        scriptedCloseGLWindow();
    }
}

}  // namespace
