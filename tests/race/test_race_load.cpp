// Loading and unloading real races: a fresh world every time, and the race
// sounds and music started only as the settings allow.
#include <sys/stat.h>

#include <cstdlib>

#include "audio/audio.h"
#include "faulty_content.h"
#include "platform/scripted.h"
#include "race_fixture.h"
#include "render/render.h"

class RaceLoad : public ::testing::Test {
  protected:
    static bool soundDevice;

    static void SetUpTestSuite() {
        soundDevice = openSoundDevice();
        if (soundDevice) loadEffectSounds();
    }
    static void TearDownTestSuite() {
        if (soundDevice) {
            releaseEffectSounds();
            closeSoundDevice();
        }
    }
    void SetUp() override {
        struct stat st;
        if (stat("base/maps/1/map.ms3d", &st) != 0 || stat("base/maps/5/points/level.ai", &st) != 0) {
            FAIL() << "needs the generated maps (korvask-content base)";
        }
        scriptedReset();
        ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
        resetRaceGlobals();
        game.gameState = Race;
        initCarTable();
        players[0].playerCarPower = raceRun.carTable[0].power;
    }
    void TearDown() override { scriptedCloseGLWindow(); }

    void runFrames(int n) {
        input.keys[VK_UP] = true;
        for (int i = 0; i < n; i++) {
            updateStandings();
            raceStep(frameClock.frameFactor);
            tickCountdown(frameClock.frameFactor);
        }
        input.keys[VK_UP] = false;
    }
};
bool RaceLoad::soundDevice = false;

TEST_F(RaceLoad, ASecondRaceStartsFromAFreshWorld) {
    srand(3);
    loadRace(1);
    ASSERT_NE(session.raceWorld, nullptr);
    EXPECT_GT(session.checkpointCount, 10);
    EXPECT_GT(session.collisionMapModel->triangleCount, 0);
    EXPECT_TRUE(session.countdownRunning);
    runFrames(1500);
    EXPECT_FALSE(session.countdownRunning);
    EXPECT_GT(clockValue(session.raceTime), 0.0f);
    EXPECT_GT(session.cars[0].checkpointsPassed, 1);
    session.cars[0].nitro = 10.0f;
    unloadRace();
    EXPECT_EQ(session.raceWorld, nullptr);
    EXPECT_EQ(session.collisionMapModel, nullptr);
    EXPECT_TRUE(session.countdownRunning);
    EXPECT_EQ(session.raceTimer, 0.0f);

    loadRace(5);
    ASSERT_NE(session.raceWorld, nullptr);
    EXPECT_EQ(clockValue(session.raceTime), 0.0f);
    EXPECT_EQ(clockValue(players[0].lapTime), 0.0f);
    EXPECT_EQ(clockValue(players[0].bestLapTime), 0.0f);
    EXPECT_EQ(players[0].playerPlace, 4);
    for (int i = 0; i < kRaceCars; i++) {
        EXPECT_EQ(session.cars[i].lap, 0);
        EXPECT_EQ(session.cars[i].checkpointsPassed, 0);
        EXPECT_EQ(session.cars[i].nextCheckpoint, 0);
        EXPECT_EQ(session.cars[i].aiWaypoint, 0);
        EXPECT_EQ(session.cars[i].nitro, 100.0f);
        // Race 5 shares race 1's grid.
        Vector3 p = getPosition(session.cars[i].body);
        EXPECT_EQ(p.x, gridOrigin(1).x);
    }
    unloadRace();
}

TEST_F(RaceLoad, SoundsAndMusicFollowTheSettings) {
    if (!soundDevice) GTEST_SKIP() << "no sound device (run with ALSOFT_DRIVERS=null)";
    options.soundEnabled = false;
    options.musicEnabled = false;
    loadRace(1);
    EXPECT_FALSE(soundEngine1.isPlaying());
    EXPECT_FALSE(soundWind.isPlaying());
    EXPECT_FALSE(raceMusic.isPlaying());
    EXPECT_NE(raceMusic.decoder, nullptr);  // opened all the same
    unloadRace();

    options.soundEnabled = true;
    options.musicEnabled = true;
    loadRace(1);
    EXPECT_TRUE(soundEngine1.isPlaying());
    EXPECT_TRUE(soundEngine4.isPlaying());
    EXPECT_TRUE(soundEnginePass.isPlaying());
    EXPECT_TRUE(soundWind.isPlaying());
    EXPECT_TRUE(raceMusic.isPlaying());
    unloadRace();
    EXPECT_FALSE(soundEngine1.isPlaying());
    EXPECT_FALSE(raceMusic.isPlaying());
    options.soundEnabled = false;
    options.musicEnabled = false;
}

TEST_F(RaceLoad, NumbersBeyondTheGridTableStartOnItsLastRow) {
    loadRace(17);  // the map files go to 20, the grid table to 15
    ASSERT_NE(session.raceWorld, nullptr);
    Vector3 p = getPosition(session.cars[0].body);
    EXPECT_EQ(p.x, gridOrigin(15).x);
    EXPECT_EQ(p.z, gridOrigin(15).z);
    unloadRace();
    // No such map: nothing to race on, so no race.
    EXPECT_FALSE(loadRace(0));
    EXPECT_EQ(session.raceWorld, nullptr);
    EXPECT_EQ(session.checkpointCount, 0);
    EXPECT_EQ(session.collisionMapModel, nullptr);
}

TEST_F(RaceLoad, ARaceWithoutItsTrackOrWaypointsDoesNotStart) {
    struct Case {
        const char* file;
        ContentFault fault;
        bool starts;
    } cases[] = {
        {"base/maps/1/map.ms3d", ContentFault::Missing, false},
        {"base/maps/1/map.ms3d", ContentFault::Truncated, false},
        {"base/maps/1/map.ms3d", ContentFault::Zeroed, false},
        {"base/maps/1/map.ms3d", ContentFault::Folder, false},
        {"base/maps/1/points/level.ai", ContentFault::Missing, false},
        {"base/maps/1/points/level.ai", ContentFault::Zeroed, false},
        {"base/maps/1/points/level.ai", ContentFault::Folder, false},
        // Half the circuit still makes a race of the points that remain.
        {"base/maps/1/points/level.ai", ContentFault::Truncated, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + contentFaultName(c.fault));
        FaultyContent content;
        ASSERT_TRUE(content.ready());
        ASSERT_TRUE(content.inject(c.file, c.fault));
        scriptedReset();
        ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
        game.gameState = CityMap;
        selectedRace = 1;
        startCareerRace();
        if (c.starts) {
            EXPECT_EQ(game.gameState, Race);
            ASSERT_NE(session.raceWorld, nullptr);
            EXPECT_GT(session.checkpointCount, 0);
            exitRace();
            continue;
        }
        // The player is told and is back on the city map with nothing loaded.
        ASSERT_EQ(scriptedMessageBoxes().size(), 1u);
        EXPECT_EQ(scriptedMessageBoxes()[0].text, "Could Not Load The Race Track.");
        EXPECT_EQ(game.gameState, CityMap);
        EXPECT_FALSE(careerRace);
        EXPECT_FALSE(awardPending);
        EXPECT_EQ(session.raceWorld, nullptr);
        EXPECT_EQ(session.collisionMapModel, nullptr);
        EXPECT_EQ(session.visualMapModel, nullptr);
    }
}
