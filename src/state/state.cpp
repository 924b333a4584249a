// The run-wide state's globals and the one place that gives them their
// starting values, at load and again for each fresh run; the player's notice.
#include "state/state.h"

#include <cstdio>

bool keyDown(int vk) {
    return vk >= 0 && vk < 256 && (input.keys[vk] || input.keysPressed[vk]);
}

void startMusicFade() {
    game.musicGain = kMusicFadeStart;
}

float advanceMusicFade(float f) {
    game.musicGain += kMusicFadeRate * f;
    return game.musicGain < 0.0f ? 0.0f : (game.musicGain > 1.0f ? 1.0f : game.musicGain);
}

void requestMenuMusicStart() {
    game.menuMusicStartPending = true;
    game.menuMusicWaitSeconds = 0.0f;
}

bool menuMusicStartDue(float frameSeconds) {
    if (!game.menuMusicStartPending) return false;
    game.menuMusicWaitSeconds +=
        frameSeconds < kMenuMusicWaitFrameSeconds ? frameSeconds : kMenuMusicWaitFrameSeconds;
    if (frameClock.fpsValue <= 15.0f && game.menuMusicWaitSeconds < kMenuMusicWaitSeconds) return false;
    game.menuMusicStartPending = false;
    game.menuMusicWaitSeconds = 0.0f;
    return true;
}

void resetRunState() {
    game.gameState = Race;
    game.quitRequested = false;
    game.showFps = false;

    frameClock.frameFactor = 0.0f;
    frameClock.frameTimeCarry = 0.0f;
    frameClock.frameClockPrev = 0.0f;
    frameClock.frameDelta = 0.0f;
    frameClock.fpsCounter = 0;
    frameClock.fpsStart = frameClock.fpsEnd = frameClock.fpsValue = 0.0f;
    game.startupPending = true;
    game.startupElapsed = 0.0f;
    startMusicFade();
    game.menuMusicStartPending = false;
    game.menuMusicWaitSeconds = 0.0f;

    for (bool& key : input.keys) {
        key = false;
    }
    for (bool& pressed : input.keysPressed) {
        pressed = false;
    }
    input.keyLatch = false;
    game.windowActive = true;
    options.optionsApplied = false;
    setDefaultKeyBindings();
    setDefaultInputSettings();
    game.playerNotice.set = false;
}

// Load time is the first reset.
static const bool kStateAtLoad = (resetRunState(), true);

void setPlayerNotice(const char* text) {
    std::snprintf(game.playerNotice.text, sizeof(game.playerNotice.text), "%s", text != nullptr ? text : "");
    game.playerNotice.shownAtMs = timerGetTime();
    game.playerNotice.set = true;
}

const char* currentPlayerNotice() {
    if (!game.playerNotice.set) {
        return nullptr;
    }
    const float age = timerGetTime() - game.playerNotice.shownAtMs;
    // A timer restarted since (a new run) counts as over.
    if (age < 0.0f || age >= kPlayerNoticeMs) {
        game.playerNotice.set = false;
        return nullptr;
    }
    return game.playerNotice.text;
}
