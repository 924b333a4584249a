// The game window, its OpenGL context and the display mode.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "frontend/frontend.h"
#include "render/render.h"
#include "shell/shell.h"
#include "shell/shell_local.h"

// The display mode was changed for this window.
static bool fullscreen = true;

bool windowFullscreen() {
    return fullscreen;
}

// Held platform objects (the platform layer keeps the objects themselves;
// these say whether the shell holds one and must release it).
static bool windowHandle = false;
static bool deviceContext = false;
static bool renderContext = false;
static bool appInstance = false;

static bool pixelFormatFilled = false;
static PixelFormatRequest pixelFormat;

static const char* const kWindowClass = "OpenGL";

static void showError(const char* text) {
    platformMessageBox(text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}

static void showShutdownError(const char* text) {
    platformMessageBox(text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

bool createGameWindow(const char* title, int width, int height, int bits, bool fullscreenFlag) {
    fullscreen = fullscreenFlag;
    if (!platformRegisterWindowClass(kWindowClass)) {
        showError("Failed To Register The Window Class.");
        return false;
    }
    appInstance = true;

    if (fullscreen && !platformChangeDisplayMode(width, height, bits)) {
        if (displayModeSetting() < 0) {
            // The first start asks once; the answer is kept in settings.cfg.
            int answer = platformMessageBox(
                "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode "
                "Instead?",
                "Korvask", MB_YESNO | MB_ICONEXCLAMATION);
            if (answer == IDYES) {
                fullscreen = false;
                setDisplayModeSetting(DisplayWindow);
            } else {
                setDisplayModeSetting(DisplayFullscreen);
                platformMessageBox("Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP);
                return false;
            }
        } else {
            // A fullscreen the player chose that this display cannot give: the
            // game plays in a window and says so, once.
            fullscreen = false;
            setDisplayModeSetting(DisplayWindow);
            char text[160];
            std::snprintf(text, sizeof(text),
                          "Fullscreen at %dx%d is not available on this display: the game plays in a "
                          "window. The options screen's Display row changes it.",
                          width, height);
            std::fprintf(stderr, "korvask: %s\n", text);
            platformMessageBox(text, "Korvask", MB_OK | MB_ICONINFORMATION);
        }
    }

    if (fullscreen) {
        platformShowCursor(false);
    }
    if (!platformCreateWindow(title, width, height, fullscreen)) {
        destroyGameWindow();
        showError("Window Creation Error.");
        return false;
    }
    windowHandle = true;

    // The format is fixed by the settings read at start-up; the options
    // screen's changes apply at the next start.
    if (!pixelFormatFilled) {
        pixelFormat.colorBits = bits;
        pixelFormat.depthBits = options.depthBits;
        pixelFormat.stencilBits = 1;
        pixelFormat.doubleBuffer = true;
        pixelFormatFilled = true;
    }

    if (!platformGetDeviceContext()) {
        destroyGameWindow();
        showError("Can't Create A GL Device Context.");
        return false;
    }
    deviceContext = true;
    if (!platformChoosePixelFormat(pixelFormat)) {
        destroyGameWindow();
        showError("Can't Find A Suitable PixelFormat.");
        return false;
    }
    if (!platformSetPixelFormat()) {
        destroyGameWindow();
        showError("Can't Set The PixelFormat.");
        return false;
    }
    if (!platformCreateRenderContext()) {
        destroyGameWindow();
        showError("Can't Create A GL Rendering Context.");
        return false;
    }
    renderContext = true;
    if (!platformMakeCurrent()) {
        destroyGameWindow();
        showError("Can't Activate The GL Rendering Context.");
        return false;
    }

    platformShowWindow();
    platformSetForegroundWindow();
    platformSetFocus();
    resizeScene(width, height);
    if (!startRenderer()) {
        destroyGameWindow();
        showError("Initialization Failed.");
        return false;
    }
    return true;
}

bool startRenderer() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    timerInit();
    const bool started = initRenderer();
    // The graphics preset of the settings; Auto starts at High while it
    // times the first menu frames.
    if (started) applyGraphicsSetting();
    // The menus open on the main menu with the first car and race chosen,
    // whether or not the shaders built (a failure ends the program anyway).
    openMainMenu();
    return started;
}

void destroyGameWindow() {
    if (fullscreen) {
        platformRestoreDisplayMode();
        platformShowCursor(true);
    }
    if (renderContext) {
        if (!platformReleaseCurrent()) {
            showShutdownError("Release Of DC And RC Failed.");
        }
        if (!platformDeleteRenderContext()) {
            showShutdownError("Release Rendering Context Failed.");
        }
        renderContext = false;
    }
    // Each object is forgotten once released, whether or not the release
    // worked, so a second destroy never releases it again.
    if (deviceContext) {
        if (!platformReleaseDeviceContext()) {
            showShutdownError("Release Device Context Failed.");
        }
        deviceContext = false;
    }
    if (windowHandle) {
        if (!platformDestroyWindow()) {
            showShutdownError("Could Not Release hWnd.");
        }
        windowHandle = false;
    }
    if (appInstance) {
        if (!platformUnregisterWindowClass(kWindowClass)) {
            showShutdownError("Could Not Unregister Class.");
        }
        appInstance = false;
    }
}

void resetWindowState() {
    fullscreen = true;
    windowHandle = deviceContext = renderContext = appInstance = false;
    pixelFormatFilled = false;
}
