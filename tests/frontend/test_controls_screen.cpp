// The options screen's own rows and the Controls screen: volumes, difficulty
// and graphics in settings.cfg's keys, and binding a key by clicking an action
// and pressing it through the window procedure.
#include <gtest/gtest.h>

#include "audio/audio.h"
#include "audio/audio_local.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
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
        frontEnd.controlsCapture = -1;
    }
    void TearDown() override {
        game.gameState = MainMenu;
        frontEnd.controlsCapture = -1;
        clearGameSettings();
        setDefaultKeyBindings();
        setDefaultInputSettings();
        scriptedReset();
    }
    void clickAt(int x, int y) {
        frontEnd.mouseX = x;
        frontEnd.mouseY = y;
        menuClick();
    }
    // The mouse height of an option row drawn at overlay height y.
    static int optionRow(int y) { return 595 - y; }
    // The middle of an action's row on the Controls screen.
    static int actionRow(int action) { return 600 - (kControlsRowTopY - kControlsRowPitch * action) - 6; }
    // The middle of a wheel row.
    static int wheelRow(int input) { return 600 - (kWheelRowTopY - kWheelRowPitch * input) - 6; }
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
    Setting setting;
    int expected;
};

TEST_F(ControlsScreen, OptionRowsWriteTheirSettings) {
    game.gameState = Options;
    const OptionClick clicks[] = {
        {kVolumeBarX + 3 * kVolumeStepWidth + 2, kMusicVolumeY, Setting::MusicVolume, 4},
        {kVolumeBarX + 2, kMusicVolumeY, Setting::MusicVolume, 1},
        {200, kMusicVolumeY, Setting::MusicVolume, 2},  // the label steps up
        {kVolumeBarX + 9 * kVolumeStepWidth + 5, kEffectsVolumeY, Setting::EffectsVolume, 10},
        {200, kEffectsVolumeY, Setting::EffectsVolume, 0},  // and wraps after ten
        {200, kDifficultyY, Setting::Difficulty, 0},        // from Rising, a new file's, round to Easy
        {200, kDifficultyY, Setting::Difficulty, 1},
        {200, kGraphicsY, Setting::Graphics, 0},
        {300, kGraphicsY, Setting::Graphics, 1},
    };
    for (const OptionClick& c : clicks) {
        clickAt(c.x, optionRow(c.rowY));
        // The file holds the value as the player set it, not only the screen.
        ASSERT_NE(settingText(settingKey(c.setting)), nullptr) << settingKey(c.setting);
        EXPECT_EQ(settingValue(c.setting), c.expected) << settingKey(c.setting) << " at x " << c.x;
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
    EXPECT_EQ(settingValue(Setting::Difficulty), 1);
    EXPECT_EQ(game.gameState, Options);
    clickAt(200, optionRow(kControlsY));
    EXPECT_EQ(game.gameState, Controls);
}

struct OptionStep {
    int rowY;
    Setting setting;
    int direction;
    int presses;
    int expected;
};

// Left and Right on the options screen's rows: the volumes stop at their
// ends, difficulty and graphics go round; each keeps within its row's range.
TEST_F(ControlsScreen, OptionRowsStepWithinTheirRanges) {
    game.gameState = Options;
    const OptionStep steps[] = {
        {kMusicVolumeY, Setting::MusicVolume, 1, 4, 10},     {kMusicVolumeY, Setting::MusicVolume, -1, 14, 0},
        {kEffectsVolumeY, Setting::EffectsVolume, -1, 3, 7}, {kDifficultyY, Setting::Difficulty, 1, 1, 0},
        {kDifficultyY, Setting::Difficulty, -1, 6, 1},       {kGraphicsY, Setting::Graphics, -1, 5, 2},
    };
    for (const OptionStep& c : steps) {
        clearGameSettings();
        for (int i = 0; i < c.presses; i++) {
            EXPECT_TRUE(stepOptionRow(200, optionRow(c.rowY), c.direction));
            const int now = settingValue(c.setting);
            EXPECT_GE(now, ::settingRow(c.setting).lo) << settingKey(c.setting);
            EXPECT_LE(now, ::settingRow(c.setting).hi) << settingKey(c.setting);
        }
        EXPECT_EQ(settingValue(c.setting), c.expected) << settingKey(c.setting);
    }
    // The graphics row puts its preset in force at once.
    clearGameSettings();
    stepOptionRow(200, optionRow(kGraphicsY), 1);
    EXPECT_EQ(graphicsSwitchesInForce().renderScale, kGraphicsPresets[GraphicsLow].renderScale);
    stepOptionRow(200, optionRow(kGraphicsY), 1);
    EXPECT_EQ(graphicsSwitchesInForce().renderScale, kGraphicsPresets[GraphicsMedium].renderScale);
    EXPECT_FALSE(stepOptionRow(200, optionRow(kControlsY), 1));
}

TEST_F(ControlsScreen, AClickedRowTakesTheNextKey) {
    game.gameState = Controls;
    EXPECT_EQ(controlsRowAt(100, actionRow(BindNitro)), BindNitro);
    EXPECT_EQ(controlsRowAt(700, actionRow(BindNitro)), -1);
    clickAt(100, actionRow(BindNitro));
    EXPECT_EQ(frontEnd.controlsCapture, BindNitro);
    press('N');
    EXPECT_EQ(controlSettings.keyBindings[BindNitro], 'N');
    EXPECT_EQ(frontEnd.controlsCapture, -1);
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
    EXPECT_EQ(frontEnd.controlsCapture, -1);
    EXPECT_EQ(controlSettings.keyBindings[BindCamera], 'C');
    EXPECT_EQ(game.gameState, Controls);
    clickAt(100, actionRow(BindCamera));
    press('F');
    EXPECT_EQ(frontEnd.controlsCapture, BindCamera);
    EXPECT_EQ(controlSettings.keyBindings[BindCamera], 'C');
    EXPECT_NE(currentPlayerNotice(), nullptr);

    // A clash swaps: camera takes Up, accelerate gets C.
    press(VK_UP);
    EXPECT_EQ(controlSettings.keyBindings[BindCamera], VK_UP);
    EXPECT_EQ(controlSettings.keyBindings[BindAccelerate], 'C');

    // Defaults (row 4) puts every key back; Back (row 5) returns to Options.
    clickAt(700, 342);
    for (int a = 0; a < kBindActions; a++)
        EXPECT_EQ(controlSettings.keyBindings[a], defaultKeyBinding(a)) << a;
    EXPECT_STREQ(settingText("key.camera"), "C");
    clickAt(100, actionRow(BindLeft));
    clickAt(700, 392);
    EXPECT_EQ(game.gameState, Options);
    EXPECT_EQ(frontEnd.controlsCapture, -1);
}

TEST_F(ControlsScreen, HoveredActionRowLightsUpOnce) {
    game.gameState = Controls;
    const int sounds = frontEnd.menuHoverSounds;
    frontEnd.mouseX = 120;
    frontEnd.mouseY = actionRow(BindBrake);
    menuHover();
    menuHover();
    EXPECT_EQ(frontEnd.controlsHoverRow, BindBrake);
    EXPECT_EQ(frontEnd.menuHoverSounds, sounds + 1);
    frontEnd.mouseX = 700;
    menuHover();
    EXPECT_EQ(frontEnd.controlsHoverRow, -1);
}

TEST_F(ControlsScreen, TheSecondColumnTakesTheSecondKey) {
    game.gameState = Controls;
    EXPECT_EQ(controlsSlotAt(100), 0);
    EXPECT_EQ(controlsSlotAt(380), 1);
    clickAt(380, actionRow(BindNitro));
    EXPECT_EQ(frontEnd.controlsCapture, BindNitro);
    EXPECT_EQ(frontEnd.controlsCaptureSlot, 1);
    press('N');
    EXPECT_EQ(controlSettings.secondKeyBindings[BindNitro], 'N');
    EXPECT_EQ(controlSettings.keyBindings[BindNitro], VK_SPACE);
    EXPECT_STREQ(settingText("key2.nitro"), "N");
    // A clash across the columns swaps: steering left's second takes N.
    clickAt(380, actionRow(BindLeft));
    press('N');
    EXPECT_EQ(controlSettings.secondKeyBindings[BindLeft], 'N');
    EXPECT_EQ(controlSettings.secondKeyBindings[BindNitro], 'A');
    // Backspace leaves a second key free; on a primary it is a key.
    clickAt(380, actionRow(BindLeft));
    press(VK_BACK);
    EXPECT_EQ(controlSettings.secondKeyBindings[BindLeft], kNoKey);
    EXPECT_STREQ(settingText("key2.left"), "None");
    clickAt(100, actionRow(BindLeft));
    press(VK_BACK);
    EXPECT_EQ(controlSettings.keyBindings[BindLeft], VK_BACK);
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
    EXPECT_EQ(controlSettings.inputDevices[DeviceController].deadZone, 50);
    EXPECT_FALSE(controlSettings.inputDevices[DeviceKeys].steerAssist);
    EXPECT_EQ(controlSettings.rumbleStrength, 0);
}

TEST_F(ControlsScreen, AClickedWheelRowTakesTheAxisMovedFurthest) {
    game.gameState = Controls;
    scriptedSetJoystick(true);
    scriptedSetJoystickAxis(2, -32768);  // a pedal resting at the low end
    clickAt(690, wheelRow(WheelThrottle));
    ASSERT_EQ(frontEnd.wheelCapture, WheelThrottle);
    // A nudge of the wheel while the pedal goes down halfway.
    scriptedSetJoystickAxis(0, 9000);
    updateWheelCapture();
    EXPECT_EQ(frontEnd.wheelCapture, WheelThrottle) << "a nudge is not a choice";
    scriptedSetJoystickAxis(2, 0);
    updateWheelCapture();
    EXPECT_EQ(frontEnd.wheelCapture, -1);
    const WheelAxis& throttle = controlSettings.wheelAxes[WheelThrottle];
    EXPECT_EQ(throttle.axis, 2);
    EXPECT_FALSE(throttle.inverted);
    EXPECT_EQ(throttle.rest, -1);
    EXPECT_STREQ(settingText("wheel.throttle_axis"), "2");
    EXPECT_STREQ(settingText("wheel.throttle_rest"), "-1");

    // Esc leaves the steering as it was, and the screen stays.
    clickAt(690, wheelRow(WheelSteer));
    ASSERT_EQ(frontEnd.wheelCapture, WheelSteer);
    press(VK_ESCAPE);
    EXPECT_EQ(frontEnd.wheelCapture, -1);
    EXPECT_EQ(game.gameState, Controls);
    scriptedSetJoystickAxis(0, -32768);
    updateWheelCapture();
    EXPECT_EQ(controlSettings.wheelAxes[WheelSteer].axis, kNoWheelAxis);

    // Backspace leaves the throttle without an axis.
    clickAt(690, wheelRow(WheelThrottle));
    press(VK_BACK);
    EXPECT_EQ(frontEnd.wheelCapture, -1);
    EXPECT_EQ(controlSettings.wheelAxes[WheelThrottle].axis, kNoWheelAxis);
}

TEST_F(ControlsScreen, AMissingJoystickSaysSo) {
    game.gameState = Controls;
    scriptedSetJoystick(false);
    clickAt(690, wheelRow(WheelSteer));
    EXPECT_EQ(frontEnd.wheelCapture, -1);
    ASSERT_NE(currentPlayerNotice(), nullptr);
    EXPECT_STREQ(currentPlayerNotice(), "No joystick");
}

}  // namespace
