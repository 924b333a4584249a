// The options screen's own rows and the Controls screen: volumes, difficulty
// and graphics in settings.cfg's keys, and binding a key by clicking an action
// and pressing it through the window procedure.
#include <gtest/gtest.h>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "support/temp_folder.h"

namespace {

class ControlsScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        setDefaultSettings();
        options.soundEnabled = false;
        options.musicEnabled = false;
        resetFrontEndState();
        clearGameSettings();
        setDefaultKeyBindings();
        setDefaultInputSettings();
        for (bool& key : input.keys) key = false;
        controlsCapture = -1;
    }
    void TearDown() override {
        game.gameState = MainMenu;
        controlsCapture = -1;
        clearGameSettings();
        setDefaultKeyBindings();
        setDefaultInputSettings();
        scriptedReset();
    }
    void clickAt(int x, int y) {
        mouseX = x;
        mouseY = y;
        menuClick();
    }
    // The mouse height of an option row drawn at overlay height y.
    static int optionRow(int y) { return 595 - y; }
    // The middle of an action's row on the Controls screen.
    static int actionRow(int action) { return 600 - (kControlsRowTopY - kControlsRowPitch * action) - 6; }
    // The middle of a setting's row.
    static int settingRow(int row) { return 600 - (kControlsSettingTopY - kControlsSettingPitch * row) - 6; }
    void press(int vk) {
        windowProcedure(WM_KEYDOWN, (WPARAM)vk, 0);
        windowProcedure(WM_KEYUP, (WPARAM)vk, 0);
    }
    TempFolder folder;
};

struct OptionClick {
    int x;
    int rowY;
    const char* key;
    int expected;
};

TEST_F(ControlsScreen, OptionRowsWriteTheirSettings) {
    game.gameState = Options;
    const OptionClick clicks[] = {
        {kVolumeBarX + 3 * kVolumeStepWidth + 2, kMusicVolumeY, "music_volume", 4},
        {kVolumeBarX + 2, kMusicVolumeY, "music_volume", 1},
        {200, kMusicVolumeY, "music_volume", 2},  // the label steps up
        {kVolumeBarX + 9 * kVolumeStepWidth + 5, kEffectsVolumeY, "effects_volume", 10},
        {200, kEffectsVolumeY, "effects_volume", 0},  // and wraps after ten
        {200, kDifficultyY, "difficulty", 0},         // from Rising, a new file's, round to Easy
        {200, kDifficultyY, "difficulty", 1},
        {200, kGraphicsY, "graphics", 0},
        {300, kGraphicsY, "graphics", 1},
    };
    for (const OptionClick& c : clicks) {
        clickAt(c.x, optionRow(c.rowY));
        EXPECT_EQ(settingInt(c.key, -1, -1, 10), c.expected) << c.key << " at x " << c.x;
        // The sound hears a volume the moment it is clicked.
        if (c.rowY == kMusicVolumeY) {
            EXPECT_FLOAT_EQ(musicVolume, (float)c.expected / 10.0f) << "x " << c.x;
        } else if (c.rowY == kEffectsVolumeY) {
            EXPECT_FLOAT_EQ(effectsVolume, (float)c.expected / 10.0f) << "x " << c.x;
        }
    }
    EXPECT_STREQ(difficultyName(0), "Easy");
    EXPECT_STREQ(difficultyName(kDifficultyRising), "Rising");
    EXPECT_STREQ(difficultyText(0), "Easy: rivals brake early and give way");
    EXPECT_STREQ(graphicsName(3), "Auto");
    // Beside the rows nothing is set, and the old lines keep their places.
    clickAt(460, optionRow(kDifficultyY));
    EXPECT_EQ(settingInt("difficulty", -1, -1, 3), 1);
    EXPECT_EQ(game.gameState, Options);
    clickAt(200, optionRow(kControlsY));
    EXPECT_EQ(game.gameState, Controls);
}

TEST_F(ControlsScreen, AClickedRowTakesTheNextKey) {
    game.gameState = Controls;
    EXPECT_EQ(controlsRowAt(100, actionRow(BindNitro)), BindNitro);
    EXPECT_EQ(controlsRowAt(700, actionRow(BindNitro)), -1);
    clickAt(100, actionRow(BindNitro));
    EXPECT_EQ(controlsCapture, BindNitro);
    press('N');
    EXPECT_EQ(keyBindings[BindNitro], 'N');
    EXPECT_EQ(controlsCapture, -1);
    EXPECT_FALSE(input.keys['N']);
    EXPECT_STREQ(settingText("key.nitro"), "N");
    // Not waiting: keys are keys again.
    windowProcedure(WM_KEYDOWN, (WPARAM)'N', 0);
    EXPECT_TRUE(input.keys['N']);
    windowProcedure(WM_KEYUP, (WPARAM)'N', 0);

    // Esc leaves the key as it was; a key the game keeps is refused and the
    // row waits on.
    clickAt(100, actionRow(BindCamera));
    press(VK_ESCAPE);
    EXPECT_EQ(controlsCapture, -1);
    EXPECT_EQ(keyBindings[BindCamera], 'C');
    EXPECT_EQ(game.gameState, Controls);
    clickAt(100, actionRow(BindCamera));
    press('F');
    EXPECT_EQ(controlsCapture, BindCamera);
    EXPECT_EQ(keyBindings[BindCamera], 'C');
    EXPECT_NE(currentPlayerNotice(), nullptr);

    // A clash swaps: camera takes Up, accelerate gets C.
    press(VK_UP);
    EXPECT_EQ(keyBindings[BindCamera], VK_UP);
    EXPECT_EQ(keyBindings[BindAccelerate], 'C');

    // Defaults (row 4) puts every key back; Back (row 5) returns to Options.
    clickAt(700, 342);
    for (int a = 0; a < kBindActions; a++) EXPECT_EQ(keyBindings[a], defaultKeyBinding(a)) << a;
    EXPECT_STREQ(settingText("key.camera"), "C");
    clickAt(100, actionRow(BindLeft));
    clickAt(700, 392);
    EXPECT_EQ(game.gameState, Options);
    EXPECT_EQ(controlsCapture, -1);
}

TEST_F(ControlsScreen, HoveredActionRowLightsUpOnce) {
    game.gameState = Controls;
    const int sounds = menuHoverSounds;
    mouseX = 120;
    mouseY = actionRow(BindBrake);
    menuHover();
    menuHover();
    EXPECT_EQ(controlsHoverRow, BindBrake);
    EXPECT_EQ(menuHoverSounds, sounds + 1);
    mouseX = 700;
    menuHover();
    EXPECT_EQ(controlsHoverRow, -1);
}

TEST_F(ControlsScreen, TheSecondColumnTakesTheSecondKey) {
    game.gameState = Controls;
    EXPECT_EQ(controlsSlotAt(100), 0);
    EXPECT_EQ(controlsSlotAt(380), 1);
    clickAt(380, actionRow(BindNitro));
    EXPECT_EQ(controlsCapture, BindNitro);
    EXPECT_EQ(controlsCaptureSlot, 1);
    press('N');
    EXPECT_EQ(secondKeyBindings[BindNitro], 'N');
    EXPECT_EQ(keyBindings[BindNitro], VK_SPACE);
    EXPECT_STREQ(settingText("key2.nitro"), "N");
    // A clash across the columns swaps: steering left's second takes N.
    clickAt(380, actionRow(BindLeft));
    press('N');
    EXPECT_EQ(secondKeyBindings[BindLeft], 'N');
    EXPECT_EQ(secondKeyBindings[BindNitro], 'A');
    // Backspace leaves a second key free; on a primary it is a key.
    clickAt(380, actionRow(BindLeft));
    press(VK_BACK);
    EXPECT_EQ(secondKeyBindings[BindLeft], kNoKey);
    EXPECT_STREQ(settingText("key2.left"), "None");
    clickAt(100, actionRow(BindLeft));
    press(VK_BACK);
    EXPECT_EQ(keyBindings[BindLeft], VK_BACK);
}

struct SettingClick {
    int row;
    int x;  // left of the value steps down, right of it up
    int clicks;
    const char* key;
    const char* value;
};

TEST_F(ControlsScreen, SettingRowsStepWithinTheirRangesAndWriteTheirKeys) {
    const SettingClick cases[] = {
        {ControlsDeadZone, 450, 2, "pad.dead_zone", "25"},
        {ControlsDeadZone, 335, 9, "pad.dead_zone", "0"},
        {ControlsDeadZone, 450, 20, "pad.dead_zone", "50"},
        {ControlsSensitivity, 450, 3, "pad.sensitivity", "1.3"},
        {ControlsSensitivity, 335, 30, "pad.sensitivity", "0.5"},
        {ControlsLinearity, 450, 30, "pad.linearity", "3.0"},
        {ControlsPadSteerAssist, 450, 1, "pad.steer_assist", "1"},
        {ControlsKeysSteerAssist, 335, 1, "keys.steer_assist", "0"},
        {ControlsRumble, 335, 20, "pad.rumble", "0"},
    };
    game.gameState = Controls;
    for (const SettingClick& c : cases) {
        EXPECT_EQ(controlsSettingRowAt(c.x, settingRow(c.row)), c.row);
        for (int i = 0; i < c.clicks; i++) clickAt(c.x, settingRow(c.row));
        EXPECT_STREQ(settingText(c.key), c.value) << controlsSettingName(c.row);
    }
    EXPECT_EQ(inputDevices[DeviceController].deadZone, 50);
    EXPECT_FALSE(inputDevices[DeviceKeys].steerAssist);
    EXPECT_EQ(rumbleStrength, 0);
}

}  // namespace
