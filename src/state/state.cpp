// The run-wide state's globals and the one place that gives them their
// starting values, at load and again for each fresh run.
#include "state/state.h"

int32_t gameState;
bool quitRequested;
bool showFps;

float frameFactor;
float frameClockPrev;
float frameDelta;
int fpsCounter;
float fpsStart;
float fpsEnd;
float fpsValue;
bool startupPending;
float startupElapsed;
float musicGain;
bool menuMusicStartPending;

bool keys[256];
bool keysPressed[256];
bool keyLatch;
bool windowActive;

bool keyDown(int vk) {
    return vk >= 0 && vk < 256 && (keys[vk] || keysPressed[vk]);
}

void resetRunState() {
    gameState = Race;
    quitRequested = false;
    showFps = false;

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
    for (bool& pressed : keysPressed) {
        pressed = false;
    }
    keyLatch = false;
    windowActive = true;
    optionsApplied = false;
    setDefaultKeyBindings();
}

// Load time is the first reset.
static const bool kStateAtLoad = (resetRunState(), true);
