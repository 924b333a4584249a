// The run-wide state's globals and the one place that gives them their
// starting values, at load and again for each fresh run; the player's notice.
#include "state/state.h"

#include <cstdio>

int32_t gameState;
bool quitRequested;
bool showFps;

float frameFactor;
float frameTimeCarry;
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
float menuMusicWaitSeconds;

bool keys[256];
bool keysPressed[256];
bool keyLatch;
bool windowActive;

bool keyDown(int vk) {
    return vk >= 0 && vk < 256 && (keys[vk] || keysPressed[vk]);
}

void startMusicFade() {
    musicGain = kMusicFadeStart;
}

float advanceMusicFade(float f) {
    musicGain += kMusicFadeRate * f;
    return musicGain < 0.0f ? 0.0f : (musicGain > 1.0f ? 1.0f : musicGain);
}

void requestMenuMusicStart() {
    menuMusicStartPending = true;
    menuMusicWaitSeconds = 0.0f;
}

bool menuMusicStartDue(float frameSeconds) {
    if (!menuMusicStartPending) return false;
    menuMusicWaitSeconds +=
        frameSeconds < kMenuMusicWaitFrameSeconds ? frameSeconds : kMenuMusicWaitFrameSeconds;
    if (fpsValue <= 15.0f && menuMusicWaitSeconds < kMenuMusicWaitSeconds) return false;
    menuMusicStartPending = false;
    menuMusicWaitSeconds = 0.0f;
    return true;
}

PlayerNotice playerNotice;

void resetRunState() {
    gameState = Race;
    quitRequested = false;
    showFps = false;

    frameFactor = 0.0f;
    frameTimeCarry = 0.0f;
    frameClockPrev = 0.0f;
    frameDelta = 0.0f;
    fpsCounter = 0;
    fpsStart = fpsEnd = fpsValue = 0.0f;
    startupPending = true;
    startupElapsed = 0.0f;
    startMusicFade();
    menuMusicStartPending = false;
    menuMusicWaitSeconds = 0.0f;

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
    setDefaultInputSettings();
    playerNotice.set = false;
}

// Load time is the first reset.
static const bool kStateAtLoad = (resetRunState(), true);

void setPlayerNotice(const char* text) {
    std::snprintf(playerNotice.text, sizeof(playerNotice.text), "%s", text != nullptr ? text : "");
    playerNotice.shownAtMs = timerGetTime();
    playerNotice.set = true;
}

const char* currentPlayerNotice() {
    if (!playerNotice.set) {
        return nullptr;
    }
    const float age = timerGetTime() - playerNotice.shownAtMs;
    // A timer restarted since (a new run) counts as over.
    if (age < 0.0f || age >= kPlayerNoticeMs) {
        playerNotice.set = false;
        return nullptr;
    }
    return playerNotice.text;
}
