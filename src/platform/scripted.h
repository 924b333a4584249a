// Control surface of the scripted platform backend, for tests and tools.
//
// The scripted backend implements platform.h with everything a test needs to
// hold fixed: a clock that moves only when told (10 ms per swapped frame by
// default), a message queue the test fills (optionally due at a given frame),
// message boxes that are recorded and answered from a preset answer without
// ever blocking, recorded shell requests and display-mode changes, and window
// and context steps that can each be told to fail. The window itself is real:
// a hidden SDL window with an OpenGL compatibility context, so frames can be
// drawn, read back and written as PNG.
//
// Only executables linked with the scripted backend may call these.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

// ---------------------------------------------------------------------------
// Standalone GL window for render tests and tools.

// Opens a hidden window of width x height with a double-buffered RGB
// compatibility context (8 stencil bits, 24 depth bits, no multisampling) and
// makes it current. Replaces any window the backend already holds.
bool scriptedOpenGLWindow(int width, int height);
void scriptedCloseGLWindow();
// Reads the back buffer (call before the swap), rows top first, 3 bytes a
// pixel (R, G, B).
bool scriptedReadFrame(std::vector<uint8_t>* rgb, int width, int height);
// Writes an 8-bit RGB PNG (stored deflate blocks, no compression).
bool scriptedWritePng(const char* path, const std::vector<uint8_t>& rgb, int width, int height);

// ---------------------------------------------------------------------------
// Whole-backend state.

// Forgets every queued message, record and preset, closes the window and puts
// the clock back to 0 with a performance counter and a 10 ms frame step.
void scriptedReset();

// ---------------------------------------------------------------------------
// Clock. The performance counter runs at 1 MHz; the millisecond clock is the
// same time in whole milliseconds.

void scriptedAdvanceClock(double milliseconds);
// Time added by every platformSwapBuffers (10 ms unless changed; 0 stops it).
void scriptedSetFrameStep(double milliseconds);
double scriptedClockMs();
// Without it platformQueryPerformanceFrequency reports no counter.
void scriptedSetPerformanceCounter(bool available);

// ---------------------------------------------------------------------------
// Frames and messages.

// Buffer swaps since the last reset.
int scriptedFrameCount();
// Queues a message for platformPeekMessage, delivered once dueFrame frames
// have been swapped (0: at once). Messages come out in due order, then in the
// order they were pushed.
void scriptedPushMessage(uint32_t message, WPARAM wParam, LPARAM lParam, int dueFrame = 0);
// Key down/up with a virtual-key code, mouse move and left click at client
// pixels (the click also moves the cursor there).
void scriptedPushKey(uint32_t vk, bool down, int dueFrame = 0);
void scriptedPushMouseMove(int x, int y, int dueFrame = 0);
void scriptedPushLeftClick(int x, int y, int dueFrame = 0);
// Game-controller input (controller_keys.h's PadAxis and PadButton), turned
// into the game's messages when due, as a real controller's would be.
void scriptedPushControllerAxis(int axis, int value, int dueFrame = 0);
void scriptedPushControllerButton(int button, bool down, int dueFrame = 0);
void scriptedPushControllerRemoved(int dueFrame = 0);
// The virtual controller at once, without the queue: plugged in (and able
// to rumble) or not, and an axis moved to value (PadAxis's ranges).
void scriptedSetController(bool connected, bool rumble);
void scriptedSetControllerAxis(int axis, int value);
// The virtual joystick (a wheel that is no game controller), at once:
// plugged in with every axis at 0, or not; an axis moved to value
// (-32768..32767, kJoystickAxes of them).
void scriptedSetJoystick(bool connected);
void scriptedSetJoystickAxis(int axis, int value);
// Every rumble the game asked of a controller that can rumble, in order.
struct ScriptedRumble {
    float strength;
    int ms;
};
const std::vector<ScriptedRumble>& scriptedRumbles();
// Messages still waiting (due or not).
int scriptedPendingMessages();
// Called inside platformSwapBuffers before the swap, with the number of the
// frame just drawn (1 for the first); the back buffer still holds it.
void scriptedSetFrameCallback(std::function<void(int frame)> callback);

void scriptedSetCursorPos(int x, int y);

// The game window's own size, set before it is made (0 x 0: the game's
// resolution, as a window that fits). The game still draws at its resolution
// and the backend presents it scaled; pointer messages are pushed in window
// pixels and reach the game in its own.
void scriptedSetWindowSize(int width, int height);
// The display's modes platformDisplayModes tells (by default 640 x 480,
// 800 x 600, 1024 x 768, 1280 x 720 and 1920 x 1080).
void scriptedSetDisplayModes(const std::vector<std::pair<int, int>>& sizes);
// Keeps a copy of each picture presented in the window (rows top first, RGB).
void scriptedKeepWindowPicture(bool keep);
const std::vector<uint8_t>& scriptedWindowPicture();

// ---------------------------------------------------------------------------
// Window and context steps that can be made to fail.

enum ScriptedStep {
    ScriptedRegisterClass,
    ScriptedUnregisterClass,
    ScriptedChangeDisplayMode,
    ScriptedCreateWindow,
    ScriptedDestroyWindow,
    ScriptedGetDeviceContext,
    ScriptedReleaseDeviceContext,
    ScriptedChoosePixelFormat,
    ScriptedSetPixelFormat,
    ScriptedCreateRenderContext,
    ScriptedMakeCurrent,
    ScriptedReleaseCurrent,
    ScriptedDeleteRenderContext,
    ScriptedSwapInterval,
    ScriptedStepCount
};

void scriptedFailStep(ScriptedStep step, bool fail = true);
// How often each step was called since the reset.
int scriptedStepCalls(ScriptedStep step);
// The window and context are real (hidden) while held.
bool scriptedWindowHeld();
bool scriptedContextHeld();
// The last pixel format asked for.
PixelFormatRequest scriptedLastPixelFormat();

// ---------------------------------------------------------------------------
// Records.

struct ScriptedMessageBox {
    std::string text;
    std::string caption;
    uint32_t flags;
    int answer;
};

// Answer given to Yes/No boxes (IDYES unless set); OK boxes answer IDOK.
void scriptedSetMessageBoxAnswer(int answer);
const std::vector<ScriptedMessageBox>& scriptedMessageBoxes();
// Also prints every box to stderr as it is shown ("message box [caption]
// text"), for the headless tools; off unless asked for, kept across resets.
void scriptedEchoMessageBoxes(bool echo);
const std::vector<std::string>& scriptedShellOpens();
// Whether shell requests report success (true unless set): false plays a
// system with no way to open a page.
void scriptedSetShellOpenWorks(bool works);

struct ScriptedDisplayMode {
    int width, height, bits;  // 0 x 0 x 0 records a restore of the desktop mode
};
const std::vector<ScriptedDisplayMode>& scriptedDisplayModes();

// Every platform call that changes something outside the program, in order,
// as short lines ("showCursor 0", "setWindowPos 0 0 800 600", ...).
const std::vector<std::string>& scriptedCallLog();
bool scriptedCursorShown();
