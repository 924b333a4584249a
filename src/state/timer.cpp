// Frame timer: milliseconds since timerInit, read by the frame measure.
#include <cstring>

#include "state/state.h"

void timerInit() {
    std::memset(&frameClock.frameTimer, 0, sizeof(frameClock.frameTimer));
    int64_t frequency = 0;
    if (platformQueryPerformanceFrequency(&frequency) && frequency > 0 &&
        platformQueryPerformanceCounter(&frameClock.frameTimer.performanceTimerStart)) {
        frameClock.frameTimer.frequency = frequency;
        frameClock.frameTimer.performanceTimer = true;
        frameClock.frameTimer.resolution = static_cast<float>(1.0 / static_cast<double>(frequency));
        frameClock.frameTimer.performanceTimerElapsed = frameClock.frameTimer.performanceTimerStart;
    } else {
        frameClock.frameTimer.performanceTimer = false;
        frameClock.frameTimer.mmTimerStart = platformMillisecondTime();
        frameClock.frameTimer.resolution = 0.001f;
        frameClock.frameTimer.frequency = 1000;
        frameClock.frameTimer.mmTimerElapsed = frameClock.frameTimer.mmTimerStart;
    }
}

float timerGetTime() {
    // Ticks are scaled in double: a float seconds-per-tick at a MHz counter
    // would put an error of parts per million on every frame time.
    if (frameClock.frameTimer.frequency <= 0) {
        return 0.0f;  // not started yet
    }
    if (frameClock.frameTimer.performanceTimer) {
        int64_t now = 0;
        platformQueryPerformanceCounter(&now);
        int64_t ticks = now - frameClock.frameTimer.performanceTimerStart;
        return static_cast<float>(static_cast<double>(ticks) * 1000.0 /
                                  static_cast<double>(frameClock.frameTimer.frequency));
    }
    uint32_t ticks = platformMillisecondTime() - frameClock.frameTimer.mmTimerStart;
    return static_cast<float>(static_cast<double>(ticks) * 1000.0 /
                              static_cast<double>(frameClock.frameTimer.frequency));
}
