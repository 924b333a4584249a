// The Controls screen: each driving action with its two keys and its
// controller input, the controller's and the keys' settings, and live bars of
// the controller's stick and triggers. A click on a key waits for a key; the
// key pressed then is bound there (a slot that had it takes the old key), Esc
// leaves the key as it was, Backspace leaves a second key free, and
// "Defaults" puts every key back. Beside them a wheel's (any joystick's)
// steering, throttle and brake: a click waits for the player to move the
// axis wanted, and the axis that moves furthest from where it rested is
// taken, with its direction.
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "platform/controller_keys.h"
#include "render/render.h"
#include "state/state.h"

namespace {

constexpr int kActionX = 90;
constexpr int kKeyX = 292;
constexpr int kSecondX = 372;
constexpr int kPadX = 452;
// The rows' plates, overlay x.
constexpr float kRowLeft = 80.0f, kRowRight = 566.0f;
// Items in the right-hand column.
constexpr int kDefaultsRow = 4;
constexpr int kBackRow = 5;
// The settings' rows under the actions: label, value between "<" and ">".
constexpr int kSettingLabelX = 90;
constexpr int kSettingValueX = 360;
constexpr int kSettingLessX = 330, kSettingMoreX = 440;
// Live bars in the right-hand column.
constexpr float kBarLeft = 600.0f, kBarRight = 786.0f;
constexpr int kBarTopY = 116, kBarPitch = 30;

// The wheel's panel in the right-hand column, over the menu items.
constexpr float kWheelLeft = 584.0f, kWheelRight = 786.0f;
constexpr int kWheelValueX = 674;

int wheelY(int which) {
    return kWheelRowTopY - kWheelRowPitch * which;
}

const char* wheelInputName(int which) {
    static const char* const kNames[kWheelInputs] = {"Steer", "Throttle", "Brake"};
    return which >= 0 && which < kWheelInputs ? kNames[which] : "";
}

// A wheel row's value: its axis counted from 1, "rev" where it runs the
// other way.
void wheelValueText(int which, bool connected, char* text, size_t size) {
    const WheelAxis& axis = controlSettings.wheelAxes[which];
    if (!connected)
        std::snprintf(text, size, "No joystick");
    else if (axis.axis < 0)
        std::snprintf(text, size, "None");
    else
        std::snprintf(text, size, "Axis %d%s", axis.axis + 1, axis.inverted ? " rev" : "");
}

void drawWheelRows() {
    JoystickAxes wheel;
    joystickAxes(&wheel);
    drawTextPlate(kWheelLeft - 8.0f, static_cast<float>(wheelY(kWheelInputs - 1)) - 14.0f, kWheelRight + 8.0f,
                  static_cast<float>(kWheelRowTopY) + 54.0f, 0.62f);
    printColoured(kHudCyan, 1.0f, static_cast<int>(kWheelLeft), kWheelRowTopY + 34, "Wheel");
    for (int which = 0; which < kWheelInputs; which++) {
        const int y = wheelY(which);
        const bool capturing = frontEnd.wheelCapture == which;
        if (capturing) {
            beginShapes();
            shapeColour(kHudMagenta, 0.6f);
            fillRect(kWheelLeft - 4.0f, static_cast<float>(y) - 8.0f, kWheelRight + 4.0f,
                     static_cast<float>(y) + 21.0f);
            endShapes();
        }
        printText(static_cast<int>(kWheelLeft), y, 1.0f, 1, "%s", wheelInputName(which));
        if (capturing) {
            setTextAlpha(0.6f * (frontEnd.menuPhase - static_cast<int>(frontEnd.menuPhase)) + 0.4f);
            printText(kWheelValueX, y, 1.0f, 1, "?");
            setTextAlpha(1.0f);
            continue;
        }
        char value[32];
        wheelValueText(which, wheel.connected, value, sizeof value);
        printText(kWheelValueX, y, 1.0f, 1, "%s", value);
    }
}

int rowY(int action) {
    return kControlsRowTopY - kControlsRowPitch * action;
}

int settingY(int row) {
    return kControlsSettingTopY - kControlsSettingPitch * row;
}

// The settings' rows of the table, in ControlsSetting's order.
const Setting kControlsSettings[kControlsSettingRows] = {
    Setting::PadDeadZone,    Setting::PadSensitivity,  Setting::PadLinearity,
    Setting::PadSteerAssist, Setting::KeysSteerAssist, Setting::PadRumble,
};

// The rumble row's text: a controller that cannot rumble says so.
void rumbleText(char* text, size_t size) {
    PadAnalogue pad;
    padAnalogue(&pad);
    if (pad.connected && !pad.rumble)
        std::snprintf(text, size, "Pad cannot rumble");
    else if (controlSettings.rumbleStrength == 0)
        std::snprintf(text, size, "Off");
    else
        std::snprintf(text, size, "%d %%", controlSettings.rumbleStrength);
}

// A row's value as the screen words it: tenths with their decimal, a switch
// On or Off, a whole number in percent.
void settingValueText(int row, char* text, size_t size) {
    const Setting setting = kControlsSettings[row];
    const SettingRow& r = settingRow(setting);
    if (setting == Setting::PadRumble)
        rumbleText(text, size);
    else if (r.type == SettingType::Tenths)
        std::snprintf(text, size, "%.1f", static_cast<double>(settingNumber(setting)));
    else if (r.hi == 1)
        std::snprintf(text, size, "%s", settingValue(setting) != 0 ? "On" : "Off");
    else
        std::snprintf(text, size, "%d %%", settingValue(setting));
}

// One bar: the raw axis pale and white, the value the car gets inside it in
// cyan, over the dead zone's band. Centred bars run -1..1 from the middle.
void drawAxisBar(int y, const char* label, float raw, float shaped, bool centred) {
    printText(static_cast<int>(kBarLeft), y + 4, 0.8f, 1, "%s", label);
    const float y0 = static_cast<float>(y) - 12.0f, y1 = static_cast<float>(y) - 2.0f;
    const float mid = centred ? 0.5f * (kBarLeft + kBarRight) : kBarLeft;
    const float half = centred ? 0.5f * (kBarRight - kBarLeft) : kBarRight - kBarLeft;
    const float rest = static_cast<float>(controlSettings.inputDevices[DeviceController].deadZone) / 100.0f;
    beginShapes();
    shapeColour(kHudBlack, 0.6f);
    fillRect(kBarLeft, y0, kBarRight, y1);
    shapeColour(kHudMagenta, 0.35f);
    fillRect(centred ? mid - rest * half : mid, y0, mid + rest * half, y1);
    shapeColour(kHudWhite, 0.35f);
    fillRect(raw < 0.0f ? mid + raw * half : mid, y0, raw < 0.0f ? mid : mid + raw * half, y1);
    shapeColour(kHudCyan, 0.95f);
    fillRect(shaped < 0.0f ? mid + shaped * half : mid, y0 + 2.5f, shaped < 0.0f ? mid : mid + shaped * half,
             y1 - 2.5f);
    shapeLineWidth(1.0f);
    shapeColour(kHudWhite, 0.5f);
    outlineRect(kBarLeft, y0, kBarRight, y1);
    endShapes();
}

void drawLiveBars() {
    PadAnalogue pad;
    padAnalogue(&pad);
    const InputDeviceSettings& device = controlSettings.inputDevices[DeviceController];
    const float x = static_cast<float>(pad.axes[PadLeftX]) / 32767.0f;
    const float right = static_cast<float>(pad.axes[PadTriggerRight]) / 32767.0f;
    const float left = static_cast<float>(pad.axes[PadTriggerLeft]) / 32767.0f;
    drawTextPlate(kBarLeft - 8.0f, static_cast<float>(kBarTopY - 2 * kBarPitch) - 18.0f, kBarRight + 8.0f,
                  static_cast<float>(kBarTopY) + 46.0f, 0.62f);
    printColoured(kHudCyan, 1.0f, static_cast<int>(kBarLeft), kBarTopY + 24,
                  pad.connected ? "Controller" : "No controller");
    // The key to the two shades.
    printColoured(kHudWhite, 0.7f, 712, kBarTopY + 24, "raw");
    printColoured(kHudCyan, 1.0f, 750, kBarTopY + 24, "car");
    drawAxisBar(kBarTopY, "Stick", x, shapeAxis(x, device), true);
    drawAxisBar(kBarTopY - kBarPitch, "Throttle", right, shapeAxis(right, device), false);
    drawAxisBar(kBarTopY - 2 * kBarPitch, "Brake", left, shapeAxis(left, device), false);
}

void drawSettingRows() {
    drawTextPlate(kRowLeft - 6.0f, static_cast<float>(settingY(kControlsSettingRows - 1)) - 10.0f,
                  kRowRight + 6.0f, static_cast<float>(settingY(0)) + 22.0f, 0.62f);
    const int over = controlsSettingRowAt(frontEnd.mouseX, frontEnd.mouseY);
    PadAnalogue pad;
    padAnalogue(&pad);
    const bool rumbleMissing = pad.connected && !pad.rumble;
    for (int row = 0; row < kControlsSettingRows; row++) {
        const int y = settingY(row);
        if (row == over) {
            beginShapes();
            shapeColour(kHudCyan, 0.38f);
            fillRect(kRowLeft, static_cast<float>(y) - 5.0f, kRowRight, static_cast<float>(y) + 17.0f);
            endShapes();
        }
        char value[48];
        settingValueText(row, value, sizeof value);
        printText(kSettingLabelX, y, 0.9f, 1, "%s", controlsSettingName(row));
        printText(kSettingValueX, y, 0.9f, 1, "%s", value);
        if (row != ControlsRumble || !rumbleMissing) {
            printText(kSettingLessX, y, 0.9f, 1, "<");
            printText(kSettingMoreX, y, 0.9f, 1, ">");
        }
    }
}

}  // namespace

const char* actionName(int action) {
    static const char* const kNames[kBindActions] = {
        "Accelerate", "Brake / reverse", "Steer left", "Steer right",
        "Nitro",      "Camera",          "Pause",      "Back onto the road",
    };
    return action >= 0 && action < kBindActions ? kNames[action] : "";
}

const char* controllerButtonName(int action) {
    static const char* const kNames[kBindActions] = {
        "R trigger", "L trigger", "Stick left", "Stick right", "A", "Y", "Start", "B",
    };
    return action >= 0 && action < kBindActions ? kNames[action] : "";
}

const char* controlsSettingName(int row) {
    static const char* const kNames[kControlsSettingRows] = {
        "Stick dead zone",    "Stick sensitivity", "Stick linearity",
        "Stick steer assist", "Keys steer assist", "Rumble",
    };
    return row >= 0 && row < kControlsSettingRows ? kNames[row] : "";
}

int wheelRowAt(int x, int y) {
    if (x < static_cast<int>(kWheelLeft) - 4 || x > static_cast<int>(kWheelRight) + 4) return -1;
    for (int which = 0; which < kWheelInputs; which++) {
        const int top = 600 - wheelY(which) - 22, bottom = 600 - wheelY(which) + 9;
        if (y >= top && y <= bottom) return which;
    }
    return -1;
}

void startWheelCapture(int which) {
    if (which < 0 || which >= kWheelInputs) return;
    JoystickAxes wheel;
    joystickAxes(&wheel);
    if (!wheel.connected) {
        frontEnd.wheelCapture = -1;
        setPlayerNotice("No joystick");
        return;
    }
    frontEnd.controlsCapture = -1;
    frontEnd.wheelCapture = which;
    for (int a = 0; a < kJoystickAxes; a++) frontEnd.wheelCaptureRest[a] = wheel.axes[a];
}

void updateWheelCapture() {
    if (frontEnd.wheelCapture < 0) return;
    JoystickAxes wheel;
    joystickAxes(&wheel);
    if (!wheel.connected) {
        // Unplugged while waiting.
        frontEnd.wheelCapture = -1;
        return;
    }
    WheelAxis axis{};
    if (!pickWheelAxis(frontEnd.wheelCaptureRest, wheel.axes, kJoystickAxes, &axis)) return;
    assignWheelAxis(static_cast<WheelInput>(frontEnd.wheelCapture), axis);
    frontEnd.wheelCapture = -1;
    playClickSound();
}

int controlsRowAt(int x, int y) {
    if (x < static_cast<int>(kRowLeft) || x > static_cast<int>(kRowRight)) return -1;
    for (int a = 0; a < kBindActions; a++) {
        // The row's band in the mouse space, y down.
        const int top = 600 - rowY(a) - 22, bottom = 600 - rowY(a) + 9;
        if (y >= top && y <= bottom) return a;
    }
    return -1;
}

int controlsSlotAt(int x) {
    return x >= kSecondX - 8 && x < kPadX - 8 ? 1 : 0;
}

int controlsSettingRowAt(int x, int y) {
    if (x < static_cast<int>(kRowLeft) || x > static_cast<int>(kRowRight)) return -1;
    for (int row = 0; row < kControlsSettingRows; row++) {
        const int top = 600 - settingY(row) - 16, bottom = 600 - settingY(row) + 4;
        if (y >= top && y <= bottom) return row;
    }
    return -1;
}

void stepControlsSetting(int row, int direction) {
    if (row < 0 || row >= kControlsSettingRows) return;
    stepSetting(kControlsSettings[row], direction);
    // A taste of the new strength.
    if (row == ControlsRumble)
        platformRumble(static_cast<float>(controlSettings.rumbleStrength) / 100.0f, 200);
}

void drawControlsScreen() {
    updateWheelCapture();
    drawDarkeningSheet();
    printLargeOnPlate(300, 550, "Controls");
    drawTextPlate(kRowLeft - 6.0f, static_cast<float>(rowY(kBindActions - 1)) - 14.0f, kRowRight + 6.0f,
                  static_cast<float>(kControlsRowTopY) + 54.0f, 0.62f);
    printColoured(kHudCyan, 1.0f, kActionX, kControlsRowTopY + 34, "Action");
    printColoured(kHudCyan, 1.0f, kKeyX, kControlsRowTopY + 34, "Key");
    printColoured(kHudCyan, 1.0f, kSecondX, kControlsRowTopY + 34, "Second");
    printColoured(kHudCyan, 1.0f, kPadX, kControlsRowTopY + 34, "Controller");
    for (int a = 0; a < kBindActions; a++) {
        const int y = rowY(a);
        const bool capturing = frontEnd.controlsCapture == a;
        const bool over = frontEnd.controlsHoverRow == a;
        if (capturing || over) {
            // The slot waiting for a key lights up on its own.
            const float x0 =
                capturing ? static_cast<float>(frontEnd.controlsCaptureSlot == 1 ? kSecondX : kKeyX) - 8.0f
                          : kRowLeft;
            const float x1 = capturing ? x0 + 80.0f : kRowRight;
            beginShapes();
            shapeColour(kHudCyan, 0.38f);
            fillRect(kRowLeft, static_cast<float>(y) - 8.0f, kRowRight, static_cast<float>(y) + 21.0f);
            if (capturing) {
                shapeColour(kHudMagenta, 0.6f);
                fillRect(x0, static_cast<float>(y) - 8.0f, x1, static_cast<float>(y) + 21.0f);
            }
            shapeLineWidth(1.5f);
            shapeColour(capturing ? kHudMagenta : kHudCyan, 1.0f);
            outlineRect(x0, static_cast<float>(y) - 8.0f, x1, static_cast<float>(y) + 21.0f);
            endShapes();
        }
        printText(kActionX, y, 1.0f, 1, "%s", actionName(a));
        const int slotKeys[2] = {controlSettings.keyBindings[a], controlSettings.secondKeyBindings[a]};
        const int slotX[2] = {kKeyX, kSecondX};
        for (int slot = 0; slot < 2; slot++) {
            if (capturing && frontEnd.controlsCaptureSlot == slot) {
                setTextAlpha(0.6f * (frontEnd.menuPhase - static_cast<int>(frontEnd.menuPhase)) + 0.4f);
                printText(slotX[slot], y, 1.0f, 1, "?");
                setTextAlpha(1.0f);
                continue;
            }
            const char* key = keyName(slotKeys[slot]);
            printText(slotX[slot], y, 1.0f, 1, "%s", key != nullptr ? key : "-");
        }
        printText(kPadX, y, 1.0f, 1, "%s", controllerButtonName(a));
    }
    char hint[96];
    if (frontEnd.wheelCapture == WheelSteer)
        std::snprintf(hint, sizeof hint, "Move the axis you want: steer right (Esc cancels)");
    else if (frontEnd.wheelCapture >= 0)
        std::snprintf(hint, sizeof hint, "Move the axis you want for %s (Esc cancels)",
                      wheelInputName(frontEnd.wheelCapture));
    else if (frontEnd.controlsCapture >= 0 && frontEnd.controlsCaptureSlot == 1)
        std::snprintf(hint, sizeof hint, "%s, second key? (Backspace: none)",
                      actionName(frontEnd.controlsCapture));
    else if (frontEnd.controlsCapture >= 0)
        std::snprintf(hint, sizeof hint, "Press a key for %s (Esc cancels)",
                      actionName(frontEnd.controlsCapture));
    else
        std::snprintf(hint, sizeof hint, "Click a key, then press its new key");
    printOnPlate(kActionX, rowY(kBindActions - 1) - 46, hint);
    drawSettingRows();
    drawLiveBars();
    drawWheelRows();
    drawMenuItem(kDefaultsRow, "Defaults");
    drawMenuItem(kBackRow, "Back");
}

bool clickControlsScreen(int x, int y) {
    const int wheelRow = wheelRowAt(x, y);
    frontEnd.wheelCapture = -1;
    if (wheelRow >= 0) {
        startWheelCapture(wheelRow);
        playClickSound();
        return true;
    }
    const int row = controlsRowAt(x, y);
    if (row >= 0) {
        // A second click on the waiting key keeps waiting; another key waits
        // instead.
        frontEnd.controlsCapture = row;
        frontEnd.controlsCaptureSlot = controlsSlotAt(x);
        playClickSound();
        return true;
    }
    const int setting = controlsSettingRowAt(x, y);
    if (setting >= 0) {
        // Left of the value's middle steps down, right of it up.
        stepControlsSetting(setting, x < kSettingValueX + 30 && x >= kSettingLessX - 10 ? -1 : 1);
        frontEnd.controlsCapture = -1;
        playClickSound();
        return true;
    }
    if (menuRowHit(kDefaultsRow, x, y)) {
        restoreDefaultKeyBindings();
        frontEnd.controlsCapture = -1;
    } else if (menuRowHit(kBackRow, x, y)) {
        frontEnd.controlsCapture = -1;
        setGameState(Options);
    } else {
        return false;
    }
    playClickSound();
    resetMenuHover();
    return true;
}

void hoverControlsScreen(int x, int y) {
    const int row = controlsRowAt(x, y);
    if (row >= 0 && row != frontEnd.controlsHoverRow) playHoverSound();
    frontEnd.controlsHoverRow = row;
}

bool controlsKeyPressed(int vk) {
    if (game.gameState == Controls && frontEnd.wheelCapture >= 0) {
        // Esc leaves the axis as it was; Backspace leaves the input without
        // one; other keys wait on.
        if (vk == VK_BACK) {
            assignWheelAxis(static_cast<WheelInput>(frontEnd.wheelCapture),
                            WheelAxis{kNoWheelAxis, false, 0});
            playClickSound();
        }
        if (vk == VK_ESCAPE || vk == VK_BACK) frontEnd.wheelCapture = -1;
        return true;
    }
    if (game.gameState != Controls || frontEnd.controlsCapture < 0) return false;
    if (vk == VK_ESCAPE) {
        frontEnd.controlsCapture = -1;
        return true;
    }
    if (vk == VK_BACK && frontEnd.controlsCaptureSlot == 1) {
        clearSecondKey(frontEnd.controlsCapture);
        frontEnd.controlsCapture = -1;
        playClickSound();
        return true;
    }
    if (!bindKeySlot(frontEnd.controlsCapture, frontEnd.controlsCaptureSlot, vk)) {
        // Keys the game keeps for itself, or has no name for, or the only key
        // of another action, wait on.
        char text[80];
        const char* name = keyName(vk);
        if (keyBindable(vk))
            std::snprintf(text, sizeof text, "%s is the only key of another action", name);
        else
            std::snprintf(text, sizeof text, "%s cannot be bound", name != nullptr ? name : "That key");
        setPlayerNotice(text);
        return true;
    }
    frontEnd.controlsCapture = -1;
    playClickSound();
    return true;
}
