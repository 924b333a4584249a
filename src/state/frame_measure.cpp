// The frame measure: the FPS groups and frameFactor from the timer, with
// the smoothing that keeps game time on the wall clock.
#include "state/state.h"

float smoothFrameFactor(float factor, float measured) {
    // Follows the measured time by at most 0.1 a frame in either direction.
    // Each step stops at the measured value: 0.1 added ten times is a hair
    // above 1.0 in floats, and a step that overshot would be undone at once,
    // leaving a steady 10 ms frame at 0.9.
    if (measured > factor) {
        factor = (factor + 0.1f < measured) ? factor + 0.1f : measured;
    }
    if (measured < factor) {
        factor = (factor - 0.1f > measured) ? factor - 0.1f : measured;
    }
    // A frame under a millisecond is taken at once.
    if (measured < 0.1f) {
        factor = measured;
    }
    return factor;
}

// The most time the smoothing may hold back or hand out ahead of the clock
// (8 ms): game time then differs from wall time by at most twice that over
// any stretch, under 2 % of a second. A quarter of what is held is paid back
// each frame, the rest at once where it passes the limit.
static const float kFrameCarryLimit = 0.8f;
static const float kFrameCarryReturn = 0.25f;
// A frame longer than this (300 ms) counts as this long: a load or a stall
// of the machine is not game time.
static const float kFrameTimeLimit = 30.0f;

float keepFrameTime(float factor, float measured, float* carry) {
    if (measured > kFrameTimeLimit) {
        measured = kFrameTimeLimit;
    }
    const float smoothed = smoothFrameFactor(factor, measured);
    float owed = *carry + (measured - smoothed);
    factor = smoothed;
    if (owed > kFrameCarryLimit) {
        factor += owed - kFrameCarryLimit;
        owed = kFrameCarryLimit;
    } else if (owed < -kFrameCarryLimit) {
        factor += owed + kFrameCarryLimit;
        owed = -kFrameCarryLimit;
    }
    const float back = owed * kFrameCarryReturn;
    factor += back;
    owed -= back;
    // A frame never runs the game backwards; what it cannot take stays owed.
    if (factor < 0.0f) {
        owed += factor;
        factor = 0.0f;
    }
    *carry = owed;
    return factor;
}

void measureFrame() {
    // FPS over groups of ten frames: the 1st and the 10th frame's clocks are
    // nine frame times apart.
    frameClock.fpsCounter++;
    if (frameClock.fpsCounter == 1) {
        frameClock.fpsStart = timerGetTime() / 1000.0f;
    }
    if (frameClock.fpsCounter == 10) {
        frameClock.fpsEnd = timerGetTime() / 1000.0f;
        if (frameClock.fpsEnd > frameClock.fpsStart) {
            frameClock.fpsValue = 9.0f / (frameClock.fpsEnd - frameClock.fpsStart);
        }
        frameClock.fpsCounter = 0;
    }

    // The key changes handled before this frame happened since the last one.
    input.inputSpanStartMs = input.inputSpanEndMs;
    input.inputSpanEndMs = timerGetTime();
    const float t = timerGetTime() * 0.01f;
    frameClock.frameDelta =
        t > frameClock.frameClockPrev ? t - frameClock.frameClockPrev : frameClock.frameClockPrev - t;
    frameClock.frameClockPrev = t;
    frameClock.frameFactor =
        keepFrameTime(frameClock.frameFactor, frameClock.frameDelta * 10.0f, &frameClock.frameTimeCarry);
}
