// Controller axes and buttons turned into the game's key and mouse messages.
#include "platform/controller_keys.h"

namespace {

// In the menus a stick or trigger counts only past a quarter of its travel,
// so a worn stick resting off centre never moves the pointer.
const int kDeadZone = 8000;
// Full deflection moves the pointer this many game pixels a second.
const double kPointerSpeed = 900.0;

struct PadState {
    bool connected;
    bool rumble;
    int axes[PadAxisCount];
    bool buttons[PadButtonCount];
    bool menus;
    // The keys this controller holds down now, by virtual-key code.
    bool held[256];
    // Sub-pixel remainder of the pointer's motion.
    double pointerX, pointerY;
};

PadState pad = {};

const int kDefaultPadKeys[PadKeyCount] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'};
int padKeys[PadKeyCount] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'};

}  // namespace

void padSetKeys(const int keys[PadKeyCount]) {
    for (int k = 0; k < PadKeyCount; k++) {
        padKeys[k] = keys[k] >= 0 && keys[k] < 256 ? keys[k] : kDefaultPadKeys[k];
    }
}

// The keys the controller's present state asks for.
static void wantedKeys(bool wanted[256]) {
    for (int i = 0; i < 256; i++) {
        wanted[i] = false;
    }
    // In a race the stick and the triggers are read in proportion, not as
    // keys; in the menus the triggers step like Up and Down.
    const bool triggers = pad.menus;
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
            emit(wanted[vk] ? WM_KEYDOWN : WM_KEYUP, (WPARAM)vk, 0);
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
    // In the menus A is the left mouse button (the backend knows where the
    // pointer is and fills the position in).
    if (button == PadA && pad.menus && down != pad.buttons[PadA]) {
        emit(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? 1 : 0, 0);
    }
    pad.buttons[button] = down;
    pad.connected = true;
    syncKeys(emit);
}

void padRemoved(PadEmit emit) {
    const bool menus = pad.menus;
    const bool clicking = menus && pad.buttons[PadA];
    for (int& axis : pad.axes) {
        axis = 0;
    }
    for (bool& button : pad.buttons) {
        button = false;
    }
    pad.connected = false;
    pad.rumble = false;
    if (clicking) {
        emit(WM_LBUTTONUP, 0, 0);
    }
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

static double deflection(int value) {
    if (value > -kDeadZone && value < kDeadZone) {
        return 0.0;
    }
    const double sign = value < 0 ? -1.0 : 1.0;
    const double beyond = (value < 0 ? -(double)value : (double)value) - kDeadZone;
    const double travel = 32767.0 - kDeadZone;
    return sign * (beyond > travel ? 1.0 : beyond / travel);
}

bool padMovePointer(double ms, int width, int height, int* x, int* y) {
    if (!pad.menus || ms <= 0.0 || width <= 0 || height <= 0) {
        return false;
    }
    const double dx = deflection(pad.axes[PadLeftX]) * kPointerSpeed * ms / 1000.0;
    const double dy = deflection(pad.axes[PadLeftY]) * kPointerSpeed * ms / 1000.0;
    if (dx == 0.0 && dy == 0.0) {
        return false;
    }
    pad.pointerX += dx;
    pad.pointerY += dy;
    const int stepX = (int)pad.pointerX, stepY = (int)pad.pointerY;
    pad.pointerX -= stepX;
    pad.pointerY -= stepY;
    int nx = *x + stepX, ny = *y + stepY;
    nx = nx < 0 ? 0 : (nx >= width ? width - 1 : nx);
    ny = ny < 0 ? 0 : (ny >= height ? height - 1 : ny);
    const bool moved = nx != *x || ny != *y;
    *x = nx;
    *y = ny;
    return moved;
}

void padReset() {
    pad = PadState();
    padSetKeys(kDefaultPadKeys);
}
