// Controller axes and buttons turned into the game's key and mouse messages.
#include "platform/controller_keys.h"

namespace {

// In the menus a stick or trigger counts only past a quarter of its travel,
// so a worn stick resting off centre never moves the highlight.
const int kDeadZone = 8000;

struct PadState {
    bool connected;
    bool rumble;
    int axes[PadAxisCount];
    bool buttons[PadButtonCount];
    bool menus;
    // The keys this controller holds down now, by virtual-key code.
    bool held[256];
};

PadState pad = {};
JoystickAxes joystick = {};

const int kDefaultPadKeys[PadKeyCount] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'};
int padKeys[PadKeyCount] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'};

}  // namespace

void padSetKeys(const int keys[PadKeyCount]) {
    for (int k = 0; k < PadKeyCount; k++) {
        padKeys[k] = keys[k] >= 0 && keys[k] < 256 ? keys[k] : kDefaultPadKeys[k];
    }
}

void padUseDefaultKeys() {
    padSetKeys(kDefaultPadKeys);
}

// The keys the controller's present state asks for.
static void wantedKeys(bool wanted[256]) {
    for (int i = 0; i < 256; i++) {
        wanted[i] = false;
    }
    if (pad.menus) {
        // The menus' own keys: the d-pad, the stick and the triggers move the
        // highlight, A chooses, B and Start go back.
        const int x = pad.axes[PadLeftX], y = pad.axes[PadLeftY];
        wanted[VK_LEFT] = pad.buttons[PadDpadLeft] || x < -kDeadZone;
        wanted[VK_RIGHT] = pad.buttons[PadDpadRight] || x > kDeadZone;
        wanted[VK_UP] = pad.buttons[PadDpadUp] || y < -kDeadZone || pad.axes[PadTriggerRight] > kDeadZone;
        wanted[VK_DOWN] = pad.buttons[PadDpadDown] || y > kDeadZone || pad.axes[PadTriggerLeft] > kDeadZone;
        wanted[VK_RETURN] = pad.buttons[PadA];
        wanted[VK_ESCAPE] = pad.buttons[PadB] || pad.buttons[PadStart];
        return;
    }
    // In a race the stick and the triggers are read in proportion, not as
    // keys.
    const bool triggers = false;
    // Two actions never share a key, but a key wanted by one is never
    // dropped by another: each only adds.
    wanted[padKeys[PadKeyLeft]] |= pad.buttons[PadDpadLeft];
    wanted[padKeys[PadKeyRight]] |= pad.buttons[PadDpadRight];
    wanted[padKeys[PadKeyAccelerate]] |=
        pad.buttons[PadDpadUp] || (triggers && pad.axes[PadTriggerRight] > kDeadZone);
    wanted[padKeys[PadKeyBrake]] |=
        pad.buttons[PadDpadDown] || (triggers && pad.axes[PadTriggerLeft] > kDeadZone);
    wanted[padKeys[PadKeyNitro]] |= !pad.menus && pad.buttons[PadA];
    wanted[padKeys[PadKeyPause]] |= pad.buttons[PadStart];
    wanted[padKeys[PadKeyCamera]] |= pad.buttons[PadY];
    wanted[padKeys[PadKeyReset]] |= !pad.menus && pad.buttons[PadB];
}

// Sends key down or up for every key whose wanted state changed.
static void syncKeys(PadEmit emit) {
    bool wanted[256];
    wantedKeys(wanted);
    for (int vk = 0; vk < 256; vk++) {
        if (wanted[vk] != pad.held[vk]) {
            pad.held[vk] = wanted[vk];
            emit(wanted[vk] ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), 0);
        }
    }
}

void padAxis(int axis, int value, PadEmit emit) {
    if (axis < 0 || axis >= PadAxisCount) {
        return;
    }
    pad.axes[axis] = value;
    pad.connected = true;
    syncKeys(emit);
}

void padButton(int button, bool down, PadEmit emit) {
    if (button < 0 || button >= PadButtonCount) {
        return;
    }
    pad.buttons[button] = down;
    pad.connected = true;
    syncKeys(emit);
}

void padRemoved(PadEmit emit) {
    for (int& axis : pad.axes) {
        axis = 0;
    }
    for (bool& button : pad.buttons) {
        button = false;
    }
    pad.connected = false;
    pad.rumble = false;
    syncKeys(emit);
}

void padSetConnected(bool connected, bool rumble) {
    pad.connected = connected;
    pad.rumble = connected && rumble;
}

void padAnalogue(PadAnalogue* out) {
    out->connected = pad.connected;
    out->rumble = pad.rumble;
    for (int a = 0; a < PadAxisCount; a++) {
        out->axes[a] = pad.axes[a];
    }
}

void padSetMenus(bool menus, PadEmit emit) {
    if (menus == pad.menus) {
        return;
    }
    pad.menus = menus;
    syncKeys(emit);
}

void joystickAxes(JoystickAxes* out) {
    *out = joystick;
}

void joystickSetConnected(bool connected) {
    joystick = JoystickAxes();
    joystick.connected = connected;
}

void joystickAxis(int axis, int value) {
    if (axis < 0 || axis >= kJoystickAxes) return;
    joystick.axes[axis] = value < -32768 ? -32768 : (value > 32767 ? 32767 : value);
    joystick.connected = true;
}

void padReset() {
    pad = PadState();
    joystick = JoystickAxes();
    padSetKeys(kDefaultPadKeys);
}
