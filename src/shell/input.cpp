// The window procedure: key state, activation, size, close and the mouse.
#include "audio/audio.h"
#include "frontend/frontend.h"
#include "render/render.h"
#include "shell/shell.h"

// Where the last pointer message put the pointer, in window pixels.
static LPARAM lastPointer = -1;

static void hoverUpdate() {
    if (game.gameState != Race) {
        menuHover();
    }
}

static void onActivated() {
    setWindowActive(true);
    if (options.musicEnabled && !game.startupPending) {
        if (game.gameState == Race) {
            audio.raceMusic.play();
        } else {
            requestMenuMusicStart();
            audio.menuMusic.play();
        }
        startMusicFade();
    }
    // The size the window was made at: a size chosen on the options screen
    // counts from the next start.
    platformChangeDisplayMode(options.windowWidth, options.windowHeight, options.colorBits);
    platformSetWindowPos(0, 0, options.windowWidth, options.windowHeight);
}

static void onDeactivated() {
    setWindowActive(false);
    if (options.musicEnabled) {
        if (game.gameState == Race) {
            audio.raceMusic.setGain(0.0f);
            audio.raceMusic.rewind();
        } else {
            audio.menuMusic.setGain(0.0f);
            audio.menuMusic.rewind();
            requestMenuMusicStart();
        }
        startMusicFade();
    }
    platformRestoreDisplayMode();
}

intptr_t windowProcedure(uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND: {
            const uint32_t command = static_cast<uint32_t>(wParam) & 0xFFF0;
            if (command == SC_SCREENSAVE || command == SC_MONITORPOWER) {
                return 0;
            }
            hoverUpdate();
            return 0;
        }
        case WM_SIZE:
            resizeScene(loWord(static_cast<uintptr_t>(lParam)), hiWord(static_cast<uintptr_t>(lParam)));
            return 0;
        case WM_ACTIVATE:
            if (loWord(wParam) != 0 && hiWord(wParam) == 0) {
                onActivated();
            } else {
                onDeactivated();
            }
            return 0;
        case WM_CLOSE:
            platformPostQuitMessage(0);
            return 0;
        case WM_KEYDOWN: {
            if (game.startupPending) {
                skipSplash();
            }
            // The Controls screen waiting for a key takes it whole: it is
            // bound, not played.
            if (wParam < 256 && controlsKeyPressed(static_cast<int>(wParam))) {
                return 0;
            }
            // The menus move their highlight and act on their own keys; a
            // held key's repeats (bit 30, the key was already down) only move.
            // A key that took the menus into the race (Esc on "Continue",
            // Return on "Start") is not held down in it.
            const int32_t before = game.gameState;
            if (wParam < 256 && !game.startupPending &&
                menuKeyDown(static_cast<int>(wParam), (static_cast<uintptr_t>(lParam) >> 30 & 1u) != 0) &&
                game.gameState == Race && before != Race) {
                return 0;
            }
            if (wParam < 256) keyMessage(static_cast<int>(wParam), true);
            return 0;
        }
        case WM_KEYUP:
            if (wParam < 256) keyMessage(static_cast<int>(wParam), false);
            return 0;
        case WM_LBUTTONDOWN:
            if (game.startupPending) {
                skipSplash();
                return 0;
            }
            // The click acts where it happened, not where the pointer was
            // at the last menu frame.
            if (game.gameState != Race) {
                screenToMouse(options.windowWidth, options.windowHeight,
                              loWord(static_cast<uintptr_t>(lParam)), hiWord(static_cast<uintptr_t>(lParam)),
                              &frontEnd.mouseX, &frontEnd.mouseY);
                menuClick();
            }
            hoverUpdate();
            return 0;
        case WM_MOUSEMOVE:
            // A pointer that really moved leads the menus' highlight again.
            if (lParam != lastPointer) {
                lastPointer = lParam;
                menuPointerMoved();
            }
            hoverUpdate();
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return 0;
        default:
            hoverUpdate();
            return 0;
    }
}
