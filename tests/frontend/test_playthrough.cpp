// Whole runs of the game through its own loop and frame dispatcher on the
// scripted backend: start-up and splash, the menus clicked as a player clicks
// them, a race driven by the race runner's driver, the result screen and the
// way out through "Quit" and "Yes". Runs at 640 x 480 with 60 ms frames; the
// driving itself runs undrawn between two frames, so only the frames the
// menus and the result screen need are drawn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"
#include "test_support.h"

namespace {

// Career file fields: maxRaceUnlocked, careerPoints, tuningPoints.
constexpr int kMaxRaceField = 18 + 54 + 48;
constexpr int kPointsField = kMaxRaceField + 1;
constexpr int kTuningField = kMaxRaceField + 2;

// Frames a run may take before the test gives up on it.
constexpr int kFrameLimit = 4000;
// 10 minutes of race at 10 ms a frame.
constexpr int kRaceStepLimit = 60000;

// One player action: wait for a screen, then point at a place and click it
// (mouse space), or do something else.
struct Step {
    int state;
    int x, y;  // mouse space; x < 0 for a step that only waits
    const char* what;
};

Step clickRow(int state, int row, const char* what) {
    return {state, 700, 192 + 50 * (row - 1), what};
}
Step clickAt(int state, int x, int y, const char* what) {
    return {state, x, y, what};
}

class PlayThrough : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        folder.linkContent();
        // 640 x 480, 32-bit colour, 24-bit depth, no sound, no music.
        ASSERT_TRUE(writeFile("base/menu.inf", leIntegers({0, 32, 24, 0, 0, 5})));
        resetRunWideState();
        resetFrontEndState();
        scriptedSetFrameStep(60.0);
        scriptedSetFrameCallback([this](int frame) { onFrame(frame); });
    }
    void TearDown() override {
        scriptedReset();
        game.gameState = MainMenu;
    }

    static bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }

    // Client pixels of a mouse-space point at 640 x 480 (mouse = pixel x 1.25).
    static void pushClick(int x, int y, int frame) {
        const int px = (int)(x / 1.25f + 0.5f), py = (int)(y / 1.25f + 0.5f);
        // The menus read the cursor once a frame: move, let a frame pass, click.
        scriptedPushMouseMove(px, py, frame + 1);
        scriptedPushLeftClick(px, py, frame + 3);
    }

    // Drives the running race undrawn, as the race frame would step it, until
    // `until` holds; the loop's next frame then carries on drawn.
    void driveUndrawn(bool (*until)()) {
        DriverState driver{};
        // Each undrawn step is one exact 10 ms frame; the drawn frames go on
        // with the frame factor the loop had measured.
        const float measuredFactor = frameClock.frameFactor;
        for (int i = 0; i < kRaceStepLimit && !until(); i++) {
            scriptedDriverKeys(session.cars[0], driver);
            frameClock.frameFactor = 1.0f;
            updateStandings();
            raceStep(frameClock.frameFactor);
            tickCountdown(frameClock.frameFactor);
            raceSteps++;
        }
        frameClock.frameFactor = measuredFactor;
        input.keys[VK_UP] = input.keys[VK_DOWN] = input.keys[VK_LEFT] = input.keys[VK_RIGHT] =
            input.keys[VK_SPACE] = false;
    }

    void onFrame(int frame) {
        if (frame > kFrameLimit) {
            game.quitRequested = true;
            return;
        }
        if (raceHandler && game.gameState == Race) raceHandler(frame);
        if (next >= steps.size() || frame < waitUntil || game.startupPending) return;
        const Step& step = steps[next];
        if (game.gameState != step.state) return;
        if (beforeStep) beforeStep(next, frame);
        pushClick(step.x, step.y, frame);
        statesSeen.push_back(game.gameState);
        next++;
        // Give the click and the new screen time to arrive.
        waitUntil = frame + 5;
    }

    // Runs the game to its end; true when every step was taken.
    bool run() {
        exitCode = gameMain();
        return next == steps.size();
    }

    TempFolder folder;
    std::vector<Step> steps;
    size_t next = 0;
    int waitUntil = 0;
    int exitCode = -99;
    long raceSteps = 0;
    std::vector<int> statesSeen;
    std::function<void(size_t, int)> beforeStep;
    std::function<void(int)> raceHandler;
};

TEST_F(PlayThrough, CareerWinBookedSavedAndQuit) {
    steps = {
        clickRow(MainMenu, 2, "Career"),    clickRow(CareerMenu, 2, "New game"),
        clickRow(Garage, 4, "Select race"), clickRow(CityMap, 4, "Start"),
        clickRow(Garage, 4, "Select race"),  // after the race
        clickRow(CityMap, 5, "Back"),       clickRow(Garage, 5, "Back"),
        clickRow(MainMenu, 5, "Quit"),      clickRow(QuitConfirm, 2, "Yes"),
    };
    std::vector<int32_t> careerAtNewGame, careerAfterRace;
    int raceOnMap = -1, placeAtFinish = -1;
    float resultSecondsDrawn = 0.0f;
    bool driven = false;
    beforeStep = [&](size_t index, int) {
        // The opponents' cars are drawn at the start: the same three each run.
        // Easy, so the scripted driver's win is the case booked here.
        if (index == 3) {
            std::srand(7);
            setSettingInt(kDifficultyKey, kDifficultyEasy);
        }
        if (index == 4) {
            careerAfterRace = readIntegers("base/career.inf");
            raceOnMap = selectedRace;
        }
        if (index == 2) careerAtNewGame = readIntegers("base/career.inf");
    };
    raceHandler = [&](int) {
        if (!driven) {
            driven = true;
            driveUndrawn([] { return session.raceFinished; });
            placeAtFinish = players[0].playerPlace;
            return;
        }
        resultSecondsDrawn = session.raceTimer;
    };

    EXPECT_TRUE(run()) << "stopped before step " << next << ": "
                       << (next < steps.size() ? steps[next].what : "");
    EXPECT_EQ(exitCode, 0);

    // The career as "New game" wrote it.
    ASSERT_EQ(careerAtNewGame.size(), 123u);
    EXPECT_EQ(careerAtNewGame[kPointsField], 0);
    EXPECT_EQ(careerAtNewGame[kTuningField], 250);

    // The race was won and booked once, and saved before the player moved on.
    EXPECT_EQ(placeAtFinish, 1);
    EXPECT_GT(raceSteps, 5000);
    EXPECT_GT(resultSecondsDrawn, 9.5f);
    ASSERT_EQ(careerAfterRace.size(), 123u);
    EXPECT_EQ(careerAfterRace[kPointsField], 100);
    EXPECT_EQ(careerAfterRace[kMaxRaceField], 2);
    EXPECT_EQ(careerAfterRace[kTuningField], 1000);
    // The city map opens on the highest unlocked race.
    EXPECT_EQ(raceOnMap, 2);

    // In memory and in the file written at exit.
    EXPECT_EQ(career.careerPoints, 100);
    EXPECT_EQ(career.maxRaceUnlocked, 2);
    EXPECT_EQ(career.tuningPoints, 1000);
    EXPECT_EQ(career.raceRecord[0].bestPlace, 1);
    EXPECT_FALSE(newCarWon);
    EXPECT_FALSE(careerRace);
    EXPECT_FALSE(awardPending);
    EXPECT_EQ(fileSize("base/career.inf"), 492);
    const std::vector<int32_t> career = readIntegers("base/career.inf");
    ASSERT_EQ(career.size(), 123u);
    EXPECT_EQ(career[kPointsField], 100);
    EXPECT_EQ(career[kMaxRaceField], 2);
    EXPECT_EQ(career[kTuningField], 1000);
    EXPECT_EQ(career[72 + 1], 1);  // race 1's best place
    for (int car = 0; car < 18; car++) EXPECT_EQ(career[car], car < 8 ? 1 : 0) << car;
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{0, 32, 24, 0, 0, 5}));
    EXPECT_EQ(menuClickSounds, (int)steps.size() + 1);  // the result screen's return clicks too
}

TEST_F(PlayThrough, QuickRaceLeftThroughPauseBooksNothing) {
    steps = {
        clickRow(MainMenu, 3, "Quick race"), clickRow(QuickRaceMenu, 1, "Start"), clickRow(Pause, 4, "Exit"),
        clickRow(MainMenu, 5, "Quit"),       clickRow(QuitConfirm, 2, "Yes"),
    };
    int raceNumber = 0, stateAfterEsc = -1;
    bool driven = false, escPushed = false;
    raceHandler = [&](int frame) {
        if (!driven) {
            driven = true;
            raceNumber = quickRaceNumber;
            // Through the countdown and five seconds of driving.
            driveUndrawn([] { return !session.countdownRunning && session.raceTime.seconds >= 5; });
            scriptedPushKey(VK_ESCAPE, true, frame + 1);
            scriptedPushKey(VK_ESCAPE, false, frame + 3);
            escPushed = true;
        }
    };
    beforeStep = [&](size_t index, int) {
        if (index == 2) stateAfterEsc = game.gameState;
    };

    EXPECT_TRUE(run()) << "stopped before step " << next << ": "
                       << (next < steps.size() ? steps[next].what : "");
    EXPECT_TRUE(escPushed);
    EXPECT_GE(raceNumber, 1);
    EXPECT_LE(raceNumber, 9);
    EXPECT_EQ(stateAfterEsc, Pause);
    EXPECT_FALSE(careerRace);
    EXPECT_FALSE(awardPending);
    EXPECT_EQ(selectedCar, 0);
    EXPECT_EQ(selectedRace, 1);
    EXPECT_EQ(session.raceWorld, nullptr);
    // Nothing booked: the career is the new one the missing file gave.
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(career.maxRaceUnlocked, 1);
    EXPECT_EQ(career.tuningPoints, 250);
    const std::vector<int32_t> career = readIntegers("base/career.inf");
    ASSERT_EQ(career.size(), 123u);
    EXPECT_EQ(career[kPointsField], 0);
    EXPECT_EQ(career[kMaxRaceField], 1);
    EXPECT_EQ(career[kTuningField], 250);
}

// Closing the window in the middle of a race unloads it and frees every
// model, as leaving it through the menus would: a second start in the same
// process (the soak tool does this) must find nothing left behind.
TEST_F(PlayThrough, ClosingDuringARaceFreesTheRaceAndTheModels) {
    steps = {clickRow(MainMenu, 3, "Quick race"), clickRow(QuickRaceMenu, 1, "Start")};
    bool closed = false;
    raceHandler = [&](int frame) {
        if (!closed) {
            closed = true;
            driveUndrawn([] { return !session.countdownRunning && session.raceTime.seconds >= 2; });
            scriptedPushMessage(WM_CLOSE, 0, 0, frame + 1);
        }
    };
    EXPECT_TRUE(run());
    EXPECT_TRUE(closed);
    EXPECT_EQ(session.raceWorld, nullptr);
    EXPECT_EQ(session.visualMapModel, nullptr);
    EXPECT_EQ(garageModel, nullptr);
    for (int i = 0; i < kCarModels; i++) {
        EXPECT_EQ(raceRun.carBodyModels[i], nullptr) << "car " << i + 1;
        EXPECT_EQ(raceRun.carWheelModels[i], nullptr) << "car " << i + 1;
    }
}

TEST_F(PlayThrough, ResolutionNeedsApplyWhileColourDepthIsStored) {
    steps = {
        clickRow(MainMenu, 4, "Options"),
        clickAt(Options, 300, 145, "Display resolution"),
        clickAt(Options, 300, 195, "Color depth"),
        clickRow(Options, 4, "Back"),
        clickRow(MainMenu, 5, "Quit"),
        clickRow(QuitConfirm, 2, "Yes"),
    };
    EXPECT_TRUE(run()) << "stopped before step " << next << ": "
                       << (next < steps.size() ? steps[next].what : "");
    EXPECT_EQ(options.screenWidth, 800);
    EXPECT_EQ(options.colorBits, 16);
    EXPECT_FALSE(options.optionsApplied);
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{0, 16, 24, 0, 0, 5}));
    // The two setting lines click with the hover sound; four items click.
    EXPECT_EQ(menuClickSounds, 4);
}

TEST_F(PlayThrough, AppliedResolutionIsStored) {
    steps = {
        clickRow(MainMenu, 4, "Options"),
        clickAt(Options, 300, 145, "Display resolution"),
        clickAt(Options, 300, 145, "Display resolution"),
        clickRow(Options, 2, "Apply"),
        clickRow(Options, 4, "Back"),
        clickRow(MainMenu, 5, "Quit"),
        clickRow(QuitConfirm, 2, "Yes"),
    };
    EXPECT_TRUE(run()) << "stopped before step " << next << ": "
                       << (next < steps.size() ? steps[next].what : "");
    EXPECT_TRUE(options.optionsApplied);
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{2, 32, 24, 0, 0, 5}));
}

}  // namespace
