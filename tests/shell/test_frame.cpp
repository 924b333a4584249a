// Frame measure, frame timer and the single-press keys after each frame.
#include <gtest/gtest.h>

#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

TEST(FrameFactor, SteadyHundredFramesASecondSettlesAtOne) {
    float factor = 0.0f;
    for (int i = 1; i <= 10; i++) {
        factor = smoothFrameFactor(factor, 1.0f);
        EXPECT_NEAR(factor, 0.1f * (float)i, 1e-5f) << "frame " << i;
    }
    for (int i = 0; i < 50; i++) {
        factor = smoothFrameFactor(factor, 1.0f);
    }
    // Exactly 1.0: ten float steps of 0.1 overshoot by an ulp, and the rule
    // must not undo that step and leave 0.9.
    EXPECT_EQ(factor, 1.0f);
}

TEST(FrameFactor, LongFrameMovesItByATenthOnly) {
    float factor = smoothFrameFactor(1.0f, 50.0f);
    EXPECT_NEAR(factor, 1.1f, 1e-6f);
    factor = smoothFrameFactor(factor, 1.0f);
    EXPECT_NEAR(factor, 1.0f, 1e-6f);
    // Falling from a slow patch goes by a tenth a frame too.
    factor = 3.0f;
    for (int i = 1; i <= 5; i++) {
        factor = smoothFrameFactor(factor, 1.0f);
        EXPECT_NEAR(factor, 3.0f - 0.1f * (float)i, 1e-5f);
    }
    // A gap smaller than a tenth is closed at once.
    EXPECT_EQ(smoothFrameFactor(1.0f, 1.05f), 1.05f);
}

TEST(FrameFactor, SubMillisecondFrameIsTakenAtOnce) {
    EXPECT_EQ(smoothFrameFactor(3.0f, 0.05f), 0.05f);
    EXPECT_EQ(smoothFrameFactor(0.0f, 0.0f), 0.0f);
}

class FrameClock : public ::testing::Test {
  protected:
    void SetUp() override { resetRunWideState(); }
};

TEST_F(FrameClock, TimerStartsAtZeroAndFollowsTheCounter) {
    scriptedAdvanceClock(5000.0);
    timerInit();
    EXPECT_TRUE(frameClock.frameTimer.performanceTimer);
    EXPECT_EQ(timerGetTime(), 0.0f);
    scriptedAdvanceClock(12.345);
    EXPECT_NEAR(timerGetTime(), 12.345f, 1e-4f);
}

TEST_F(FrameClock, MillisecondFallbackAdvancesInWholeMilliseconds) {
    scriptedSetPerformanceCounter(false);
    scriptedAdvanceClock(3.7);
    timerInit();
    EXPECT_FALSE(frameClock.frameTimer.performanceTimer);
    EXPECT_EQ(frameClock.frameTimer.frequency, 1000);
    EXPECT_NEAR(timerGetTime(), 0.0f, 1.0f);
    scriptedAdvanceClock(10.6);
    const float t = timerGetTime();
    EXPECT_EQ(t, (float)(int)t);
    EXPECT_NEAR(t, 10.6f, 1.0f);
}

TEST_F(FrameClock, HundredFramesAtTenMillisecondsGiveFactorOneAndHundredFps) {
    timerInit();
    for (int i = 0; i < 100; i++) {
        measureFrame();
        scriptedAdvanceClock(10.0);
    }
    EXPECT_NEAR(frameClock.frameFactor, 1.0f, 1e-4f);
    EXPECT_NEAR(frameClock.frameDelta, 0.1f, 1e-5f);
    EXPECT_NEAR(frameClock.fpsValue, 100.0f, 0.01f);
    EXPECT_EQ(frameClock.fpsCounter, 0);
}

TEST_F(FrameClock, FpsComesFromFirstAndTenthFrameOfEachGroup) {
    timerInit();
    // Frames 1..9 of the group 20 ms apart, then a slow 10th-to-1st gap that
    // belongs to no group.
    for (int i = 0; i < 10; i++) {
        measureFrame();
        scriptedAdvanceClock(i == 9 ? 500.0 : 20.0);
    }
    EXPECT_NEAR(frameClock.fpsValue, 50.0f, 0.01f);
    EXPECT_NEAR(frameClock.fpsStart, 0.0f, 1e-6f);
    EXPECT_NEAR(frameClock.fpsEnd, 0.18f, 1e-5f);
}

class FrameKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        resetRunWideState();
        game.gameState = MainMenu;
    }
};

TEST_F(FrameKeys, FTogglesOncePerPressInEveryState) {
    input.keys['F'] = true;
    checkFrameKeys();
    EXPECT_TRUE(game.showFps);
    EXPECT_TRUE(input.keyLatch);
    for (int i = 0; i < 5; i++) {
        checkFrameKeys();
    }
    EXPECT_TRUE(game.showFps) << "a held F toggled again";
    input.keys['F'] = false;
    checkFrameKeys();
    EXPECT_FALSE(input.keyLatch);

    game.gameState = Race;
    input.keys['F'] = true;
    checkFrameKeys();
    EXPECT_FALSE(game.showFps);
}

TEST_F(FrameKeys, AHeldLatchKeyKeepsTheLatch) {
    input.keys['F'] = true;
    checkFrameKeys();
    ASSERT_TRUE(game.showFps);
    input.keys['F'] = false;
    input.keys[VK_SPACE] = true;
    checkFrameKeys();
    EXPECT_TRUE(input.keyLatch);
    // F again while Space still holds the latch: no toggle.
    input.keys['F'] = true;
    checkFrameKeys();
    EXPECT_TRUE(game.showFps);
    input.keys['F'] = false;
    input.keys[VK_SPACE] = false;
    checkFrameKeys();
    EXPECT_FALSE(input.keyLatch);

    // Keys outside the latch set do not hold it.
    input.keyLatch = true;
    input.keys[VK_UP] = true;
    input.keys['A'] = true;
    checkFrameKeys();
    EXPECT_FALSE(input.keyLatch);
    for (uint8_t key : {'Y', 'R', 'L', 'K', 'X', 'Z', 'O', 'P', 'I', 'U', 'C'}) {
        input.keys[key] = true;
        input.keyLatch = true;
        checkFrameKeys();
        EXPECT_TRUE(input.keyLatch) << "key " << key;
        input.keys[key] = false;
    }
}

TEST_F(FrameKeys, CCyclesTheCameraPerPressInARaceOnly) {
    input.keys['C'] = true;
    checkFrameKeys();
    EXPECT_EQ(players[0].cameraMode, 0) << "C outside a race";

    game.gameState = Race;
    // The two chase distances, the bumper and the hood, and round again.
    const int expected[] = {1, 2, 3, 0, 1};
    for (int press : expected) {
        input.keys['C'] = true;
        checkFrameKeys();
        checkFrameKeys();
        EXPECT_EQ(players[0].cameraMode, press);
        input.keys['C'] = false;
        checkFrameKeys();
    }
}

TEST_F(FrameKeys, EscPausesARaceOnlyWhileDriving) {
    input.keys[VK_ESCAPE] = true;
    checkFrameKeys();
    EXPECT_EQ(game.gameState, MainMenu);

    game.gameState = Race;
    session.countdownRunning = true;
    checkFrameKeys();
    EXPECT_EQ(game.gameState, Race) << "Esc during the countdown";

    session.countdownRunning = false;
    session.raceFinished = true;
    checkFrameKeys();
    EXPECT_EQ(game.gameState, Race) << "Esc on the result screen";

    session.raceFinished = false;
    checkFrameKeys();
    EXPECT_EQ(game.gameState, Pause);
}

// A key pressed and released between two frames (a slow frame, a quick tap)
// acts once, and only once.
TEST_F(FrameKeys, ATapBetweenTwoFramesCountsOnce) {
    struct Tap {
        uint8_t key;
        int32_t state;
    };
    const Tap taps[] = {{VK_ESCAPE, Race}, {'C', Race}, {'F', MainMenu}};
    for (const Tap& tap : taps) {
        resetShellState();
        game.gameState = tap.state;
        windowProcedure(WM_KEYDOWN, tap.key, 0);
        windowProcedure(WM_KEYUP, tap.key, 0);
        EXPECT_FALSE(input.keys[tap.key]) << "the held state follows the key-up";
        EXPECT_TRUE(keyDown(tap.key));
        checkFrameKeys();
        EXPECT_FALSE(keyDown(tap.key)) << "the tap is used up by the frame";
        if (tap.key == VK_ESCAPE) {
            EXPECT_EQ(game.gameState, Pause);
            game.gameState = Race;  // "Continue"
        }
        checkFrameKeys();
        checkFrameKeys();
        EXPECT_EQ(game.gameState, tap.state) << "Esc paused again";
        EXPECT_EQ(players[0].cameraMode, tap.key == 'C' ? 1 : 0);
        EXPECT_EQ(game.showFps, tap.key == 'F');
    }
}

}  // namespace
