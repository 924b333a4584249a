// The run-wide state's globals at their load-time values.
#include "state/state.h"

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
