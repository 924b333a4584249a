// The frame's key changes and when they happened.
#include "state/state.h"

void noteKeyEvent(int vk, bool down) {
    if (vk < 0 || vk >= 256 || input.keys[vk] == down) return;
    // A frame with more changes than this is no tap to time: the rest count
    // at the frame's end, as keys[] has them.
    if (input.keyEventCount >= kMaxKeyEvents) return;
    KeyEvent& e = input.keyEvents[input.keyEventCount++];
    e.timeMs = input.messageTimeMs;
    e.vk = static_cast<uint8_t>(vk);
    e.down = down;
}

void clearKeyEvents() {
    input.keyEventCount = 0;
}
