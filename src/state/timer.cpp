// Frame timer: milliseconds since timerInit, read by the frame measure.
#include <cstring>

#include "state/state.h"

static FrameTimer frameTimer;

void timerInit() {
    std::memset(&frameTimer, 0, sizeof(frameTimer));
    int64_t frequency = 0;
    if (platformQueryPerformanceFrequency(&frequency) && frequency > 0 &&
        platformQueryPerformanceCounter(&frameTimer.performanceTimerStart)) {
        frameTimer.frequency = frequency;
        frameTimer.performanceTimer = true;
        frameTimer.resolution = static_cast<float>(1.0 / static_cast<double>(frequency));
        frameTimer.performanceTimerElapsed = frameTimer.performanceTimerStart;
    } else {
        frameTimer.performanceTimer = false;
        frameTimer.mmTimerStart = platformMillisecondTime();
        frameTimer.resolution = 0.001f;
        frameTimer.frequency = 1000;
        frameTimer.mmTimerElapsed = frameTimer.mmTimerStart;
    }
}

float timerGetTime() {
    // Ticks are scaled in double: a float seconds-per-tick at a MHz counter
    // would put an error of parts per million on every frame time.
    if (frameTimer.frequency <= 0) {
        return 0.0f;  // not started yet
    }
    if (frameTimer.performanceTimer) {
        int64_t now = 0;
        platformQueryPerformanceCounter(&now);
        int64_t ticks = now - frameTimer.performanceTimerStart;
        return static_cast<float>(static_cast<double>(ticks) * 1000.0 /
                                  static_cast<double>(frameTimer.frequency));
    }
    uint32_t ticks = platformMillisecondTime() - frameTimer.mmTimerStart;
    return static_cast<float>(static_cast<double>(ticks) * 1000.0 /
                              static_cast<double>(frameTimer.frequency));
}

const FrameTimer& currentFrameTimer() {
    return frameTimer;
}
