// The frame's key changes and when they happened.
#include "state/state.h"

KeyEvent keyEvents[kMaxKeyEvents];
int keyEventCount = 0;
float inputSpanStartMs = 0.0f;
float inputSpanEndMs = 0.0f;
float messageTimeMs = -1.0f;

void noteKeyEvent(int vk, bool down) {
    if (vk < 0 || vk >= 256 || keys[vk] == down) return;
    // A frame with more changes than this is no tap to time: the rest count
    // at the frame's end, as keys[] has them.
    if (keyEventCount >= kMaxKeyEvents) return;
    KeyEvent& e = keyEvents[keyEventCount++];
    e.timeMs = messageTimeMs;
    e.vk = static_cast<uint8_t>(vk);
    e.down = down;
}

void clearKeyEvents() {
    keyEventCount = 0;
}
