// The Controls screen: each driving action with its key and its controller
// button. A click on a row waits for a key; the key pressed then is bound to
// the action (an action that had it takes the old key), Esc leaves the key as
// it was, and "Defaults" puts every key back.
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "render/render.h"
#include "state/state.h"

int controlsCapture = -1;
int controlsHoverRow = -1;

namespace {

constexpr int kActionX = 90;
constexpr int kKeyX = 300;
constexpr int kPadX = 400;
// The rows' plates, overlay x.
constexpr float kRowLeft = 80.0f, kRowRight = 548.0f;
// Items in the right-hand column.
constexpr int kDefaultsRow = 4;
constexpr int kBackRow = 5;

int rowY(int action) {
    return kControlsRowTopY - kControlsRowPitch * action;
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
        "Right trigger", "Left trigger", "Stick left", "Stick right", "A", "Y", "Start", "-",
    };
    return action >= 0 && action < kBindActions ? kNames[action] : "";
}

int controlsRowAt(int x, int y) {
    if (x < (int)kRowLeft || x > (int)kRowRight) return -1;
    for (int a = 0; a < kBindActions; a++) {
        // The row's band in the mouse space, y down.
        const int top = 600 - rowY(a) - 22, bottom = 600 - rowY(a) + 9;
        if (y >= top && y <= bottom) return a;
    }
    return -1;
}

void drawControlsScreen() {
    drawDarkeningSheet();
    printLargeOnPlate(300, 550, "Controls");
    drawTextPlate(kRowLeft - 6.0f, (float)rowY(kBindActions - 1) - 14.0f, kRowRight + 6.0f,
                  (float)kControlsRowTopY + 54.0f, 0.62f);
    printColoured(kHudCyan, 1.0f, kActionX, kControlsRowTopY + 34, "Action");
    printColoured(kHudCyan, 1.0f, kKeyX, kControlsRowTopY + 34, "Key");
    printColoured(kHudCyan, 1.0f, kPadX, kControlsRowTopY + 34, "Controller");
    for (int a = 0; a < kBindActions; a++) {
        const int y = rowY(a);
        const bool capturing = controlsCapture == a;
        const bool over = controlsHoverRow == a;
        if (capturing || over) {
            beginShapes();
            shapeColour(capturing ? kHudMagenta : kHudCyan, capturing ? 0.5f : 0.38f);
            fillRect(kRowLeft, (float)y - 8.0f, kRowRight, (float)y + 21.0f);
            shapeLineWidth(1.5f);
            shapeColour(capturing ? kHudMagenta : kHudCyan, 1.0f);
            outlineRect(kRowLeft, (float)y - 8.0f, kRowRight, (float)y + 21.0f);
            endShapes();
        }
        printText(kActionX, y, 1.0f, 1, "%s", actionName(a));
        const char* key = keyName(keyBindings[a]);
        if (capturing) {
            textAlpha = 0.6f * (float)(menuPhase - (int)menuPhase) + 0.4f;
            printText(kKeyX, y, 1.0f, 1, "?");
            textAlpha = 1.0f;
        } else {
            printText(kKeyX, y, 1.0f, 1, "%s", key != nullptr ? key : "-");
        }
        printText(kPadX, y, 1.0f, 1, "%s", controllerButtonName(a));
    }
    char hint[80];
    if (controlsCapture >= 0)
        std::snprintf(hint, sizeof hint, "Press a key for %s (Esc cancels)", actionName(controlsCapture));
    else
        std::snprintf(hint, sizeof hint, "Click an action, then press its new key");
    printOnPlate(kActionX, rowY(kBindActions - 1) - 50, hint);
    drawMenuItem(kDefaultsRow, "Defaults");
    drawMenuItem(kBackRow, "Back");
}

bool clickControlsScreen(int x, int y) {
    const int row = controlsRowAt(x, y);
    if (row >= 0) {
        // A second click on the waiting row keeps waiting; another row waits
        // instead.
        controlsCapture = row;
        playClickSound();
        return true;
    }
    if (menuRowHit(kDefaultsRow, x, y)) {
        restoreDefaultKeyBindings();
        controlsCapture = -1;
    } else if (menuRowHit(kBackRow, x, y)) {
        controlsCapture = -1;
        gameState = Options;
    } else {
        return false;
    }
    playClickSound();
    resetMenuHover();
    return true;
}

void hoverControlsScreen(int x, int y) {
    const int row = controlsRowAt(x, y);
    if (row >= 0 && row != controlsHoverRow) playHoverSound();
    controlsHoverRow = row;
}

bool controlsKeyPressed(int vk) {
    if (gameState != Controls || controlsCapture < 0) return false;
    if (vk == VK_ESCAPE) {
        controlsCapture = -1;
        return true;
    }
    if (!bindKey(controlsCapture, vk)) {
        // Keys the game keeps for itself, or has no name for, wait on.
        char text[64];
        const char* name = keyName(vk);
        std::snprintf(text, sizeof text, "%s cannot be bound", name != nullptr ? name : "That key");
        setPlayerNotice(text);
        return true;
    }
    controlsCapture = -1;
    playClickSound();
    return true;
}
