// The whole game started and played with one content file broken: missing,
// cut in half, zeroed, or a folder in its place. Whatever the file, the game
// must neither crash nor hang: it plays on with what it has (empty models,
// silence, a texture table left out), refuses a race it cannot hold, or ends
// at start-up with its message where it cannot draw at all.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "faulty_content.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

enum class Outcome {
    Plays,        // the race starts and runs
    RaceRefused,  // "Start" shows the race-track box and stays on the map
    StartupEnds,  // "Initialization Failed." and no menus
};

struct BadFile {
    const char* file;
    Outcome outcome;
};

// Race 1 with car 1, as a new career starts; every kind of content file.
const BadFile kBadFiles[] = {
    {"base/maps/1/map.ms3d", Outcome::RaceRefused},
    {"base/maps/1/points/level.ai", Outcome::RaceRefused},
    {"base/maps/1/mapvisual.ms3d", Outcome::Plays},
    {"base/maps/1/light.ms3d", Outcome::Plays},
    {"base/cars/1/car.ms3d", Outcome::Plays},
    {"base/cars/1/wheel.ms3d", Outcome::Plays},
    {"base/garage/garage.ms3d", Outcome::Plays},
    {"base/textures/tex14.bmp", Outcome::Plays},  // game table
    {"base/textures/tex42.bmp", Outcome::Plays},  // start-up table
    {"base/textures/tex04.tga", Outcome::Plays},  // TGA table
    {"base/sound/en1.wav", Outcome::Plays},
    {"base/sound/menu1.wav", Outcome::Plays},
    {"base/music/menu.ogg", Outcome::Plays},
    {"base/music/1.ogg", Outcome::Plays},
    {"base/shaders/LightPS.glsl", Outcome::StartupEnds},
    {"base/shaders/HDRVS.glsl", Outcome::StartupEnds},
    {"base/effects/dust.eff", Outcome::Plays},
};

const ContentFault kFaults[] = {ContentFault::Missing, ContentFault::Truncated, ContentFault::Zeroed,
                                ContentFault::Folder};

// Frames a run may take before the test calls it a hang.
constexpr int kFrameLimit = 1500;
// Race frames played before the window is closed.
constexpr int kRaceFrames = 25;

struct Step {
    int state;
    int row;
};
// Career, New game, Select race, Start.
const Step kToTheRace[] = {{MainMenu, 2}, {CareerMenu, 2}, {Garage, 4}, {CityMap, 4}};

class BadContent : public ::testing::TestWithParam<std::tuple<int, int>> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(content.ready());
        // 640 x 480 with sound and music on, so the broken sounds are played.
        const uint8_t settings[kSettingsFileBytes] = {0, 0, 0, 0, 32, 0, 0, 0, 24, 0, 0, 0, 1, 0, 0, 0, 1};
        ASSERT_TRUE(platformWriteFileAtomic("base/menu.inf", settings, sizeof settings));
        resetRunWideState();
        resetFrontEndState();
        // Long frames through the eight-second splash, then ordinary ones.
        scriptedSetFrameStep(200.0);
        scriptedSetFrameCallback([this](int frame) { onFrame(frame); });
    }
    void TearDown() override {
        scriptedReset();
        game.gameState = MainMenu;
    }

    void onFrame(int frame) {
        if (frame > kFrameLimit) {
            hung = true;
            game.quitRequested = true;
            return;
        }
        if (game.startupPending) return;
        scriptedSetFrameStep(30.0);
        if (game.gameState == Race) {
            if (++raceFrames == kRaceFrames) scriptedPushMessage(WM_CLOSE, 0, 0, frame);
            return;
        }
        if (next == 4 && game.gameState == CityMap && frame >= waitUntil) {
            // "Start" was clicked and the race did not start.
            scriptedPushMessage(WM_CLOSE, 0, 0, frame);
            next++;
            return;
        }
        if (next >= 4 || frame < waitUntil || game.gameState != kToTheRace[next].state) return;
        const int x = (int)(700 / 1.25f), y = (int)((192 + 50 * (kToTheRace[next].row - 1)) / 1.25f);
        scriptedPushMouseMove(x, y, frame + 1);
        scriptedPushLeftClick(x, y, frame + 3);
        next++;
        waitUntil = frame + 8;
    }

    FaultyContent content;
    size_t next = 0;
    int waitUntil = 0;
    int raceFrames = 0;
    bool hung = false;
};

bool shown(const char* text) {
    for (const ScriptedMessageBox& box : scriptedMessageBoxes())
        if (box.text == text) return true;
    return false;
}

TEST_P(BadContent, NeitherCrashesNorHangs) {
    const BadFile& bad = kBadFiles[std::get<0>(GetParam())];
    const ContentFault fault = kFaults[std::get<1>(GetParam())];
    ASSERT_TRUE(content.inject(bad.file, fault));

    EXPECT_EQ(gameMain(), 0);
    EXPECT_FALSE(hung) << "still running after " << kFrameLimit << " frames";
    for (const ScriptedMessageBox& box : scriptedMessageBoxes())
        std::printf("message box [%s] %s\n", box.caption.c_str(), box.text.c_str());
    switch (bad.outcome) {
        case Outcome::Plays:
            EXPECT_EQ(raceFrames, kRaceFrames);
            EXPECT_FALSE(shown("Could Not Load The Race Track."));
            break;
        case Outcome::RaceRefused:
            // Half a waypoint file still holds a circuit of the points it has.
            if (fault == ContentFault::Truncated &&
                std::string(bad.file).find("level.ai") != std::string::npos) {
                EXPECT_EQ(raceFrames, kRaceFrames);
                break;
            }
            EXPECT_EQ(raceFrames, 0);
            EXPECT_TRUE(shown("Could Not Load The Race Track."));
            EXPECT_EQ(next, 5u) << "not back on the city map";
            break;
        case Outcome::StartupEnds:
            EXPECT_TRUE(shown("Initialization Failed."));
            EXPECT_EQ(next, 0u);
            break;
    }
    // The saves written at exit are whole whatever happened.
    std::vector<uint8_t> career;
    if (bad.outcome != Outcome::StartupEnds) {
        ASSERT_TRUE(platformReadFile("base/career.inf", &career));
        EXPECT_EQ(career.size(), (size_t)kCareerFileBytes);
    }
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
    std::string name = std::string(kBadFiles[std::get<0>(info.param)].file).substr(5);
    name += std::string("_") + contentFaultName(kFaults[std::get<1>(info.param)]);
    for (char& c : name)
        if (!isalnum((unsigned char)c)) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, BadContent,
                         ::testing::Combine(::testing::Range(0,
                                                             (int)(sizeof kBadFiles / sizeof kBadFiles[0])),
                                            ::testing::Range(0, 4)),
                         caseName);

}  // namespace
