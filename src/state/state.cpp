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

void setGameState(int32_t state) {
    game.gameState = state;
}

void setWindowActive(bool active) {
    game.windowActive = active;
}

void requestQuit() {
    game.quitRequested = true;
}

void toggleFpsDisplay() {
    game.showFps = !game.showFps;
}

void advanceStartup(float seconds) {
    game.startupElapsed += seconds;
}

void endStartupWait(float atSeconds) {
    game.startupElapsed = atSeconds;
}

void finishStartup() {
    game.startupPending = false;
}

void keyMessage(int vk, bool down) {
    if (vk < 0 || vk >= 256) return;
    noteKeyEvent(vk, down);
    input.keys[vk] = down;
    if (down) input.keysPressed[vk] = true;
}

void setKeyLatch(bool held) {
    input.keyLatch = held;
}

void setMessageTime(float ms) {
    input.messageTimeMs = ms;
}

void resetRunState() {
    game = GameRunState{};
    frameClock = FrameClock{};
    input = InputState{};
    startMusicFade();
    options.optionsApplied = false;
    setDefaultKeyBindings();
    setDefaultInputSettings();
}

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
