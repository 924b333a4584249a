// Game controllers as the keys and pointer the game already reads.
//
// Both backends feed the controller's axes and buttons in here and pass on
// the messages that come out: in a race the left stick (past its dead zone)
// or the d-pad holds the arrow keys, the right trigger Up, the left trigger
// Down, A Space, Start Esc, Y C and B R; in the menus the left stick moves the
// pointer and A clicks where it points. Unplugging releases every key the
// controller held. The keyboard stays as it was: these are extra messages.
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

// Axis values as controllers report them: sticks -32768..32767 (y down),
// triggers 0..32767.
void padAxis(int axis, int value, PadEmit emit);
void padButton(int button, bool down, PadEmit emit);
// The controller is gone: every key it held is released.
void padRemoved(PadEmit emit);
// true while the game shows its menus (the stick moves the pointer, A
// clicks); false in a race.
void padSetMenus(bool menus, PadEmit emit);
// The pointer after ms milliseconds of the stick's deflection, in game
// pixels within width x height; true when it moved.
bool padMovePointer(double ms, int width, int height, int* x, int* y);
// Forgets every held input (a fresh run).
void padReset();
