// The program itself: start-up order, the message loop and shutdown.
#include <cstdio>

#include "app/app.h"
#include "app/app_local.h"
#include "app/hooks.h"

int32_t gameState = Race;
bool quitRequested = false;
int cameraMode = 0;
bool showFps = false;
bool countdownRunning = false;
bool raceFinished = false;
float raceTimer = 0.0f;

// Pause between passes while the window is inactive, so a minimised game
// waits for messages instead of spinning.
static const int kInactiveWaitMs = 10;

void reportSaveFailures(bool settingsSaved, bool careerSaved) {
    if (!settingsSaved) {
        std::fprintf(stderr, "korvask: could not save the settings\n");
        platformMessageBox("Could Not Save The Settings.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    }
    if (!careerSaved) {
        std::fprintf(stderr, "korvask: could not save the career\n");
        platformMessageBox("Could Not Save The Career.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    }
}

// Messages first, then a frame when none waits; returns the exit code.
static int runMainLoop() {
    for (;;) {
        PlatformMessage msg;
        if (platformPeekMessage(&msg)) {
            if (msg.message == WM_QUIT) {
                return (int)(intptr_t)msg.wParam;
            }
            windowProcedure(msg.message, msg.wParam, msg.lParam);
            continue;
        }
        if ((windowActive && !drawFrame()) || quitRequested) {
            return 0;
        }
        platformSwapBuffers();
        checkFrameKeys();
        if (!windowActive) {
            platformWaitMessage(kInactiveWaitMs);
        }
    }
}

int gameMain() {
    // Start-up.
    readSettings();
    blurWidth = 256;
    blurHeight = 256;
    readCareer();
    if (!hookOpenSoundDevice()) {
        return -1;
    }
    hookLoadSounds();
    if (!createGameWindow("Korvask", screenWidth, screenHeight, colorBits, true)) {
        // The sounds and the device go before the program ends, as at a
        // normal exit.
        hookReleaseSounds();
        hookCloseSoundDevice();
        return 0;
    }

    const int exitCode = runMainLoop();

    // Shutdown.
    hookReleaseSounds();
    hookCloseSoundDevice();
    // A save that fails leaves the previous file as it was; the player is told
    // while the window still exists.
    const bool settingsSaved = writeSettings();
    const bool careerSaved = writeCareer();
    reportSaveFailures(settingsSaved, careerSaved);
    destroyGameWindow();
    if (writeStatsPage()) {
        platformShellOpen(kStatsPagePath);
    }
    return exitCode;
}

void resetShellState() {
    gameState = Race;
    quitRequested = false;
    cameraMode = 0;
    showFps = false;
    countdownRunning = false;
    raceFinished = false;
    raceTimer = 0.0f;

    frameFactor = 0.0f;
    frameClockPrev = 0.0f;
    frameDelta = 0.0f;
    fpsCounter = 0;
    fpsStart = fpsEnd = fpsValue = 0.0f;
    startupPending = true;
    startupElapsed = 0.0f;
    musicGain = -1.5f;
    menuMusicStartPending = false;

    for (bool& key : keys) {
        key = false;
    }
    keyLatch = false;
    windowActive = true;
    optionsApplied = false;
    resetWindowState();
}
