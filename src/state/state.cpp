// The run-wide state's globals at their load-time values, and the player's
// notice.
#include "state/state.h"

#include <cstdio>

int32_t gameState = Race;
bool quitRequested = false;
bool showFps = false;

float frameFactor = 0.0f;
float frameClockPrev = 0.0f;
float frameDelta = 0.0f;
int fpsCounter = 0;
float fpsStart = 0.0f;
float fpsEnd = 0.0f;
float fpsValue = 0.0f;
bool startupPending = true;
float startupElapsed = 0.0f;
float musicGain = -1.5f;
bool menuMusicStartPending = false;

bool keys[256];
bool keysPressed[256];
bool keyLatch = false;
bool windowActive = true;

bool keyDown(int vk) {
    return vk >= 0 && vk < 256 && (keys[vk] || keysPressed[vk]);
}

PlayerNotice playerNotice;

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
