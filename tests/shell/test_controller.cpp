// Game controllers through the scripted backend and the window procedure: the
// d-pad and buttons hold the keys a race reads while the stick and triggers
// are read in proportion, the stick, d-pad, A and B work the menus' keys,
// and unplugging releases everything.
#include <gtest/gtest.h>

#include "frontend/frontend.h"
#include "platform/controller_keys.h"
#include "platform/scripted.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

const uint32_t kWatched[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SPACE, VK_ESCAPE, 'C', 'R', 'T'};

class Controller : public ::testing::Test {
  protected:
    void SetUp() override { resetRunWideState(); }
    void TearDown() override { scriptedReset(); }
    // Hands every waiting message to the window procedure, as the loop does.
    void pump() {
        PlatformMessage m;
        while (platformPeekMessage(&m)) {
            windowProcedure(m.message, m.wParam, m.lParam);
        }
    }
    // The watched keys held now, as a string of their codes.
    std::string held() {
        std::string out;
        for (uint32_t vk : kWatched) {
            if (input.keys[vk]) out += std::to_string(vk) + " ";
        }
        return out;
    }
};

struct RaceInput {
    const char* name;
    bool button;  // a button, else an axis
    int which;
    int value;     // axis value, or 1 for a pressed button
    uint32_t key;  // the key it holds, 0 for none
};

const RaceInput kRaceInputs[] = {
    // The stick and the triggers steer and drive in proportion, not as keys.
    {"StickLeft", false, PadLeftX, -30000, 0},
    {"StickForward", false, PadLeftY, -30000, 0},
    {"RightTrigger", false, PadTriggerRight, 20000, 0},
    {"LeftTrigger", false, PadTriggerLeft, 20000, 0},
    {"DpadLeft", true, PadDpadLeft, 1, VK_LEFT},
    {"DpadDown", true, PadDpadDown, 1, VK_DOWN},
    {"A", true, PadA, 1, VK_SPACE},
    {"Start", true, PadStart, 1, VK_ESCAPE},
    {"Y", true, PadY, 1, 'C'},
    {"B", true, PadB, 1, 'R'},
};

class ControllerInRace : public Controller, public ::testing::WithParamInterface<RaceInput> {};

TEST_P(ControllerInRace, HoldsItsKeyUntilLetGo) {
    const RaceInput& c = GetParam();
    game.gameState = Race;
    platformSetControllerMenus(false);
    if (c.button) {
        scriptedPushControllerButton(c.which, true);
    } else {
        scriptedPushControllerAxis(c.which, c.value);
    }
    pump();
    EXPECT_EQ(held(), c.key != 0 ? std::to_string(c.key) + " " : "");
    if (c.button) {
        scriptedPushControllerButton(c.which, false);
    } else {
        scriptedPushControllerAxis(c.which, 0);
    }
    pump();
    EXPECT_EQ(held(), "");
}

INSTANTIATE_TEST_SUITE_P(Inputs, ControllerInRace, ::testing::ValuesIn(kRaceInputs),
                         [](const ::testing::TestParamInfo<RaceInput>& test) { return test.param.name; });

TEST_F(Controller, BPressesWhateverKeyTheResetIsBoundTo) {
    game.gameState = Race;
    platformSetControllerMenus(false);
    int bindings[kBindActions] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'T'};
    padSetKeys(bindings);
    scriptedPushControllerButton(PadB, true);
    pump();
    EXPECT_EQ(held(), std::to_string('T') + " ");
    scriptedPushControllerButton(PadB, false);
    pump();
    EXPECT_EQ(held(), "");
    int defaults[kBindActions] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'};
    padSetKeys(defaults);
}

TEST_F(Controller, StickAndTriggerDriveAndUnpluggingReleasesEverything) {
    game.gameState = Race;
    platformSetControllerMenus(false);
    // Full throttle, steering left, nitro.
    scriptedPushControllerAxis(PadTriggerRight, 32767, 1);
    scriptedPushControllerAxis(PadLeftX, -32768, 1);
    scriptedPushControllerButton(PadA, true, 1);
    scriptedPushControllerRemoved(2);
    pump();
    EXPECT_EQ(held(), "");
    platformSwapBuffers();
    pump();
    PadAnalogue pad;
    padAnalogue(&pad);
    EXPECT_TRUE(pad.connected);
    EXPECT_EQ(pad.axes[PadTriggerRight], 32767);
    EXPECT_EQ(pad.axes[PadLeftX], -32768);
    EXPECT_EQ(held(), std::to_string(VK_SPACE) + " ");
    // Unplugged mid-race: the pad lets go of what it held, and a key held on
    // the keyboard meanwhile stays down.
    scriptedPushKey(VK_RIGHT, true);
    pump();
    platformSwapBuffers();
    pump();
    EXPECT_EQ(held(), std::to_string(VK_RIGHT) + " ");
    padAnalogue(&pad);
    EXPECT_FALSE(pad.connected);
    EXPECT_EQ(pad.axes[PadTriggerRight], 0);
    EXPECT_EQ(pad.axes[PadLeftX], 0);
}

TEST_F(Controller, RumbleReachesOnlyAControllerThatCanRumble) {
    platformRumble(0.5f, 100);
    scriptedSetController(true, false);
    platformRumble(0.5f, 100);
    EXPECT_TRUE(scriptedRumbles().empty());
    scriptedSetController(true, true);
    platformRumble(0.8f, 120);
    ASSERT_EQ(scriptedRumbles().size(), 1u);
    EXPECT_FLOAT_EQ(scriptedRumbles()[0].strength, 0.8f);
    EXPECT_EQ(scriptedRumbles()[0].ms, 120);
}

// A controller alone works the menus: the stick and d-pad move the
// highlight, A chooses, B goes back; the pointer stays where it was.
TEST_F(Controller, InTheMenusTheStickMovesTheHighlightAndAChooses) {
    ASSERT_TRUE(scriptedOpenGLWindow(800, 600));
    game.gameState = MainMenu;
    game.startupPending = false;
    platformSetControllerMenus(true);
    scriptedSetCursorPos(100, 100);
    struct Step {
        bool button;
        int which, value;
        int state, litRow;
    } steps[] = {
        {false, PadLeftY, 30000, MainMenu, 1},  // down: the first item
        {false, PadLeftY, 0, MainMenu, 1},     {false, PadLeftY, 30000, MainMenu, 2},
        {false, PadLeftY, 0, MainMenu, 2},     {true, PadDpadDown, 1, MainMenu, 3},
        {true, PadDpadDown, 0, MainMenu, 3},   {true, PadDpadDown, 1, MainMenu, 4},
        {true, PadDpadDown, 0, MainMenu, 4},   {true, PadA, 1, Options, 0},
        {true, PadA, 0, Options, 0},           {true, PadB, 1, MainMenu, 1},
        {true, PadB, 0, MainMenu, 1},
    };
    int i = 0;
    for (const Step& s : steps) {
        if (s.button)
            scriptedPushControllerButton(s.which, s.value != 0);
        else
            scriptedPushControllerAxis(s.which, s.value);
        pump();
        EXPECT_EQ(game.gameState, s.state) << i;
        int lit = 0;
        for (int row = 1; row <= kMenuRows; row++)
            if (menuHoverFlags[row - 1]) lit = row;
        EXPECT_TRUE(s.litRow == 0 || lit == s.litRow) << i << ": " << lit;
        i++;
    }
    int x = 0, y = 0;
    platformGetCursorPos(&x, &y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 100);
    // Nothing the menus used is held in a race.
    EXPECT_FALSE(input.keys[VK_SPACE]);
    EXPECT_FALSE(input.keys[VK_RETURN]);
}

TEST_F(Controller, TriggersStepTheMenusAndLetGoWhenTheRaceStarts) {
    game.gameState = MainMenu;
    platformSetControllerMenus(true);
    scriptedPushControllerAxis(PadTriggerLeft, 30000);
    pump();
    EXPECT_TRUE(input.keys[VK_DOWN]);
    game.gameState = Race;
    platformSetControllerMenus(false);
    pump();
    EXPECT_FALSE(input.keys[VK_DOWN]);
    // Still held: the race reads it as the brake pedal.
    PadAnalogue pad;
    padAnalogue(&pad);
    EXPECT_EQ(pad.axes[PadTriggerLeft], 30000);
}

}  // namespace
