// Back onto the road with the reset key, standings on the grid, and the
// difficulty read from the settings.
#include <cmath>

#include "race_fixture.h"
#include "state/state.h"

namespace {

class CarReset : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        session.checkpointCount = 4;
        session.checkpoints[0] = {0, 2, 0, 10, 1};
        session.checkpoints[1] = {100, 2, 0, 10, 1};
        session.checkpoints[2] = {100, 2, 100, 10, 2};
        session.checkpoints[3] = {0, 2, 100, 10, 1};
        setDefaultKeyBindings();
    }
    void TearDown() override {
        input.keys[keyBindings[BindReset]] = false;
        RaceWorldTest::TearDown();
    }
    // Frames of the reset alone, with the key held for the first of them.
    void press(int frames) {
        for (int i = 0; i < frames; i++) {
            input.keys[keyBindings[BindReset]] = i == 0;
            updateCarReset(1.0f);
        }
        input.keys[keyBindings[BindReset]] = false;
    }
};

TEST_F(CarReset, PutsTheCarOnTheLastCheckpointFacingTheNextAtRestForThreeSeconds) {
    struct Case {
        int nextCheckpoint;
        Vector3 at, facing;
    } cases[] = {
        {2, Vector3(100, 2, 0), Vector3(0, 0, 1)},   // mid-lap
        {0, Vector3(0, 2, 100), Vector3(0, 0, -1)},  // last checkpoint before the line
    };
    for (const Case& c : cases) {
        resetCarReset();
        Car& car = session.cars[0];
        car.nextCheckpoint = c.nextCheckpoint;
        car.checkpointsPassed = 7;
        car.lap = 2;
        session.raceTime = RaceClock{1, 58, 50.0f};
        players[0].lapTime = RaceClock{0, 20, 0.0f};
        place(0, Vector3(40, 0, -30), Vector3(0, 0, 12));  // off the road, sliding
        ASSERT_TRUE(carResetAllowed());
        press(20);
        // Into the fade, not yet moved.
        EXPECT_GT(carResetFade(), 0.5f);
        EXPECT_NEAR(getPosition(car.body).x, 40.0f, 1e-3f);
        press(60);
        const Vector3 p = getPosition(car.body);
        EXPECT_NEAR(p.x, c.at.x, 1e-3f);
        EXPECT_NEAR(p.z, c.at.z, 1e-3f);
        const Vector3 nose = getRotation(car.body).rows[0];
        EXPECT_NEAR(nose.x, c.facing.x, 1e-5f);
        EXPECT_NEAR(nose.z, c.facing.z, 1e-5f);
        EXPECT_NEAR(length(getLinearVelocity(car.body)), 0.0f, 1e-6f);
        EXPECT_EQ(carResetFade(), 0.0f);
        // Three seconds on both clocks, carried into the minutes.
        EXPECT_EQ(session.raceTime.minutes, 2);
        EXPECT_EQ(session.raceTime.seconds, 1);
        EXPECT_EQ(players[0].lapTime.seconds, 23);
        EXPECT_GT(players[0].resetPenaltyShown, 0.0f);
        // The progress is the car's own: nothing passed or lost.
        EXPECT_EQ(car.nextCheckpoint, c.nextCheckpoint);
        EXPECT_EQ(car.checkpointsPassed, 7);
        EXPECT_EQ(car.lap, 2);
        EXPECT_EQ(players[0].resetCount, 1);
    }
}

TEST_F(CarReset, RefusedDuringTheCountdownAfterTheFinishAndBeforeTheFirstCheckpoint) {
    Car& car = session.cars[0];
    car.nextCheckpoint = 2;
    car.checkpointsPassed = 2;
    place(0, Vector3(40, 0, -30), Vector3(0, 0, 0));
    session.countdownRunning = true;
    press(100);
    EXPECT_EQ(players[0].resetCount, 0);
    EXPECT_NEAR(getPosition(car.body).x, 40.0f, 1e-3f);
    session.countdownRunning = false;
    session.raceFinished = true;
    EXPECT_FALSE(requestCarReset());
    session.raceFinished = false;
    car.checkpointsPassed = 0;
    EXPECT_FALSE(requestCarReset());
    car.checkpointsPassed = 2;
    // Holding the key asks once; a second press during the fade is ignored.
    EXPECT_TRUE(requestCarReset());
    EXPECT_FALSE(requestCarReset());
    press(100);
    EXPECT_EQ(players[0].resetCount, 1);
}

TEST(Standings, OnTheGridTheCarNearestTheFirstCheckpointLeads) {
    resetRaceGlobals();
    WorldSizes sizes;
    Vector3 gravity(0.0f, -8.0f, 0.0f);
    PhysicsWorld* world = createWorld(sizes, nullptr, &gravity);
    ASSERT_NE(world, nullptr);
    session.checkpointCount = 2;
    session.checkpoints[0] = {10, 0, 6.75f, 10, 1};
    session.checkpoints[1] = {100, 0, 6.75f, 10, 1};
    // The grid: the player at z 0, the others 4.5 apart; the player and car
    // 3 stand furthest from the point, equally far.
    for (int i = 0; i < kRaceCars; i++) {
        session.cars[i].index = i;
        createCarBody(session.cars[i], world, Vector3(0.0f, 0.0f, 4.5f * (float)i));
    }
    updateStandings();
    const int order[kRaceCars] = {1, 2, 0, 3};
    for (int i = 0; i < kRaceCars; i++) EXPECT_EQ(session.standings[i].car, order[i]) << i;
    // Once a checkpoint is passed the counts decide again.
    session.cars[3].checkpointsPassed = 1;
    updateStandings();
    EXPECT_EQ(session.standings[0].car, 3);
    destroyWorld(world);
    for (int i = 0; i < kRaceCars; i++) session.cars[i].body = nullptr;
}

TEST(Difficulty, ReadFromTheSettingsWithBadValuesClampedAndRisingOverTheCareer) {
    struct Case {
        const char* value;  // nullptr: no key, as in a new settings file
        int careerRace;     // 0: a quick race or practice
        int difficulty;
    } cases[] = {
        // A choice of Easy, Normal or Hard holds for every race.
        {"0", 1, kDifficultyEasy},
        {"1", 2, kDifficultyNormal},
        {"2", 0, kDifficultyHard},
        {"2", 15, kDifficultyHard},
        {"-3", 0, kDifficultyEasy},
        // Rising, and no key at all: Easy for a career's races 1-3, Normal
        // from 4 to 10, Hard after; Normal outside the career.
        {nullptr, 1, kDifficultyEasy},
        {nullptr, 3, kDifficultyEasy},
        {nullptr, 4, kDifficultyNormal},
        {nullptr, 10, kDifficultyNormal},
        {nullptr, 11, kDifficultyHard},
        {nullptr, 0, kDifficultyNormal},
        {"3", 2, kDifficultyEasy},
        {"3", 15, kDifficultyHard},
        {"7", 12, kDifficultyHard},
        {"7", 0, kDifficultyNormal},
    };
    for (const Case& c : cases) {
        clearGameSettings();
        if (c.value != nullptr) {
            ASSERT_TRUE(setSettingText(kDifficultyKey, c.value));
        }
        session.raceCareerNumber = c.careerRace;
        EXPECT_EQ(readRaceDifficulty(), c.difficulty)
            << (c.value ? c.value : "none") << ", race " << c.careerRace;
    }
    session.raceCareerNumber = 0;
    clearGameSettings();
    // A difficulty out of range scales like the nearest one.
    EXPECT_EQ(opponentPowerScale(9, 1), opponentPowerScale(kDifficultyHard, 1));
    EXPECT_EQ(opponentPowerScale(-1, 3), opponentPowerScale(kDifficultyEasy, 3));
}

}  // namespace
