// The window procedure: keys, activation, close and system commands.
#include <gtest/gtest.h>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

class WindowProcedure : public ::testing::Test {
  protected:
    void SetUp() override {
        resetRunWideState();
        game.gameState = MainMenu;
        game.startupPending = false;
    }
};

TEST_F(WindowProcedure, KeysFollowDownAndUpMessagesWithCodesUnchanged) {
    EXPECT_EQ(windowProcedure(WM_KEYDOWN, VK_UP, 0), 0);
    EXPECT_TRUE(input.keys[VK_UP]);
    windowProcedure(WM_KEYDOWN, VK_SHIFT, 0);
    windowProcedure(WM_KEYDOWN, 'C', 0);
    EXPECT_TRUE(input.keys['C']);
    EXPECT_TRUE(input.keys[VK_SHIFT]);
    EXPECT_FALSE(input.keys['c']);
    windowProcedure(WM_KEYUP, VK_UP, 0);
    EXPECT_FALSE(input.keys[VK_UP]);
    EXPECT_TRUE(input.keys['C']);
    // Codes beyond the array are ignored, not written past it.
    windowProcedure(WM_KEYDOWN, 256, 0);
    windowProcedure(WM_KEYDOWN, (WPARAM)-1, 0);
    EXPECT_FALSE(input.keys[0]);
}

TEST_F(WindowProcedure, DeactivationStopsFramesAndRestoresTheDesktopMode) {
    windowProcedure(WM_KEYDOWN, VK_LEFT, 0);
    windowProcedure(WM_ACTIVATE, makeLong(0, 0), 0);
    EXPECT_FALSE(game.windowActive);
    EXPECT_TRUE(game.menuMusicStartPending);
    EXPECT_EQ(game.musicGain, kMusicFadeStart);
    ASSERT_FALSE(scriptedDisplayModes().empty());
    EXPECT_EQ(scriptedDisplayModes().back().width, 0) << "desktop mode restored";
    // A key held across the switch stays down until its key-up arrives.
    EXPECT_TRUE(input.keys[VK_LEFT]);

    game.musicGain = 0.7f;
    game.menuMusicStartPending = false;
    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_TRUE(game.windowActive);
    EXPECT_TRUE(game.menuMusicStartPending);
    EXPECT_EQ(game.musicGain, kMusicFadeStart);
    const ScriptedDisplayMode& mode = scriptedDisplayModes().back();
    EXPECT_EQ(mode.width, 800);
    EXPECT_EQ(mode.height, 600);
    EXPECT_EQ(mode.bits, 32);
    EXPECT_EQ(scriptedCallLog().back(), "setWindowPos 0 0 800 600");
    EXPECT_TRUE(input.keys[VK_LEFT]);
}

TEST_F(WindowProcedure, MinimisedCountsAsDeactivated) {
    windowProcedure(WM_ACTIVATE, makeLong(1, 1), 0);
    EXPECT_FALSE(game.windowActive);
    windowProcedure(WM_ACTIVATE, makeLong(2, 0), 0);  // activated by a click
    EXPECT_TRUE(game.windowActive);
}

TEST_F(WindowProcedure, ActivationLeavesTheMusicAloneWhenItIsOffOrDuringTheSplash) {
    options.musicEnabled = false;
    game.musicGain = 0.5f;
    windowProcedure(WM_ACTIVATE, makeLong(0, 0), 0);
    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_EQ(game.musicGain, 0.5f);
    EXPECT_FALSE(game.menuMusicStartPending);

    options.musicEnabled = true;
    game.startupPending = true;
    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_EQ(game.musicGain, 0.5f);

    // In a race the race music restarts; the menu music's restart flag stays.
    game.startupPending = false;
    game.gameState = Race;
    windowProcedure(WM_ACTIVATE, makeLong(0, 0), 0);
    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_EQ(game.musicGain, kMusicFadeStart);
    EXPECT_FALSE(game.menuMusicStartPending);
}

TEST_F(WindowProcedure, CloseQueuesAQuitWithCodeZero) {
    EXPECT_EQ(windowProcedure(WM_CLOSE, 0, 0), 0);
    PlatformMessage msg;
    ASSERT_TRUE(platformPeekMessage(&msg));
    EXPECT_EQ(msg.message, (uint32_t)WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_FALSE(platformPeekMessage(&msg));
}

TEST_F(WindowProcedure, ScreenSaverAndMonitorPowerAreSwallowed) {
    EXPECT_EQ(windowProcedure(WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(windowProcedure(WM_SYSCOMMAND, SC_MONITORPOWER | 0x2, 2), 0);
    PlatformMessage msg;
    EXPECT_FALSE(platformPeekMessage(&msg));
    EXPECT_TRUE(game.windowActive);
}

// The pointer moved onto "Career" after the last menu frame: the click acts
// there, at every resolution, not at the position the frame last read.
TEST_F(WindowProcedure, AClickRightAfterAMoveHitsTheButtonUnderTheClick) {
    struct Case {
        int width, height, pixelX, pixelY;
    };
    // On the wide screen the 4:3 design sits 160 pixels in, 1.2 pixels a unit.
    const Case cases[] = {
        {640, 480, 560, 192}, {800, 600, 700, 240}, {1024, 768, 934, 320}, {1280, 720, 1000, 288}};
    for (const Case& c : cases) {
        resetFrontEndState();
        options.soundEnabled = false;
        chooseScreenSize(c.width, c.height);
        game.gameState = MainMenu;
        frontEnd.mouseX = 0;  // where the last frame saw the pointer
        frontEnd.mouseY = 0;
        windowProcedure(WM_LBUTTONDOWN, 1, makeLong(c.pixelX, c.pixelY));
        EXPECT_EQ(game.gameState, CareerMenu) << c.width << "x" << c.height;
        EXPECT_EQ(frontEnd.mouseX, 700);
        EXPECT_EQ(frontEnd.mouseY, 240);
    }
}

}  // namespace
