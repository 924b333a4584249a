// Game controllers as the keys the game already reads.
//
// Both backends feed the controller's axes and buttons in here and pass on
// the messages that come out: in a race the d-pad holds the arrow keys, A
// Space, Start Esc, Y C and B R, while the left stick and the triggers steer
// and drive in proportion (the race reads them with padAnalogue); in the
// menus the d-pad, the left stick and the triggers hold the arrow keys that
// move the highlight, A holds Return and B and Start hold Esc. Unplugging
// releases every key the controller held. The keyboard stays as it was: these are extra messages.
#pragma once

#include <cstdint>

#include "platform/platform.h"

enum PadAxis { PadLeftX, PadLeftY, PadTriggerLeft, PadTriggerRight, PadAxisCount };
enum PadButton {
    PadA,
    PadY,
    PadStart,
    PadDpadUp,
    PadDpadDown,
    PadDpadLeft,
    PadDpadRight,
    PadB,
    PadButtonCount
};

// Where the messages go (the backend's queue).
typedef void (*PadEmit)(uint32_t message, WPARAM wParam, LPARAM lParam);

// The keys the controller holds for the driving actions, in the order of the
// game's key bindings; the arrows, Space, C, Esc and R until set otherwise.
enum PadKey {
    PadKeyAccelerate,
    PadKeyBrake,
    PadKeyLeft,
    PadKeyRight,
    PadKeyNitro,
    PadKeyCamera,
    PadKeyPause,
    PadKeyReset,  // B: back onto the road
    PadKeyCount
};
// Takes effect with the controller's next change (a key it holds under an old
// binding is released then).
void padSetKeys(const int keys[PadKeyCount]);
// Back to the arrows, Space, C, Esc and R.
void padUseDefaultKeys();

// Axis values as controllers report them: sticks -32768..32767 (y down),
// triggers 0..32767.
void padAxis(int axis, int value, PadEmit emit);
void padButton(int button, bool down, PadEmit emit);
// The controller is gone: every key it held is released.
void padRemoved(PadEmit emit);
// true while the game shows its menus (the menus' own keys); false in a
// race.
void padSetMenus(bool menus, PadEmit emit);
// Forgets every held input (a fresh run).
void padReset();

// The controller's analogue state, raw as it reports it (see padAxis), for
// the race's steering and pedals and the Controls screen's bars; every axis
// reads 0 without a controller.
struct PadAnalogue {
    bool connected;
    bool rumble;  // the controller can rumble
    int axes[PadAxisCount];
};
void padAnalogue(PadAnalogue* out);
// A controller was plugged in (any axis or button counts as one too), and
// whether it can rumble.
void padSetConnected(bool connected, bool rumble);

// A joystick that is no game controller (a wheel and its pedals): its raw
// axes, -32768..32767 each, for the axes the player assigns on the Controls
// screen. Only the first kJoystickAxes axes are read; every axis reads 0
// without a joystick.
constexpr int kJoystickAxes = 8;
struct JoystickAxes {
    bool connected;
    int axes[kJoystickAxes];
};
void joystickAxes(JoystickAxes* out);
// A joystick was plugged in (every axis at rest at 0 until it reports) or
// unplugged (every axis back to 0).
void joystickSetConnected(bool connected);
void joystickAxis(int axis, int value);
