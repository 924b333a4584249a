// Application shell: entry, start-up order, main loop and frame dispatcher,
// window and context, and the window procedure.
//
// The shell sits on top of every module: it starts the run-wide state
// (state/state.h), the sound, the renderer and the screens, and calls into them
// in the order a frame needs.
#pragma once

#include "state/state.h"

// Shows the shutdown error box (and a stderr line) for each save that failed.
void reportSaveFailures(bool settingsSaved, bool careerSaved);
// After the saves were read: a box (and a stderr line) for a saves folder that
// takes no files, and for each save file that could not be read or was
// damaged.
void tellSaveProblemsAtStart();

// ---------------------------------------------------------------------------
// Window, context and input.

// The display mode was changed for this window.
bool windowFullscreen();

bool createGameWindow(const char* title, int width, int height, int bits, bool fullscreenFlag);
void destroyGameWindow();
// The renderer's start at the end of window creation: seeds the random
// generator from the clock, starts the frame timer, runs initRenderer, then
// opens the menus on the main menu with car 0 and race 1 selected. false when
// the renderer could not start ("Initialization Failed.").
bool startRenderer();
// Handles one window message; returns the message's result.
intptr_t windowProcedure(uint32_t message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Main loop and frame.

// The whole program: start-up, loop and shutdown; returns the exit code.
int gameMain();
// The frame dispatcher; always true.
bool drawFrame();
// A key, click or button during the start-up splash: after its first second
// the next frame loads what the splash hides and the menus open. false when
// the splash cannot end yet (or is over).
bool skipSplash();
// Where the frame counter (F) is printed, in the 800 x 600 overlay.
constexpr int kFrameCounterX = 670;
constexpr int kFrameCounterY = 500;
// The overlay rectangle its text covers.
void frameCounterRect(float* x0, float* y0, float* x1, float* y1);
// Single-press keys after each frame: Esc pauses, C camera, F FPS.
void checkFrameKeys();
// F12 once per press: the frame just drawn (before its swap) goes to
// screenshots/korvask-YYYYMMDD-HHMMSS.png in the saves folder.
void checkScreenshotKey();
// The width x height frame as an RGB PNG at path; false when it could not.
bool writeScreenshot(const char* path, int width, int height);
// Puts the shell's run-time globals back to their load-time values (tests
// and tools that run gameMain more than once).
void resetShellState();
