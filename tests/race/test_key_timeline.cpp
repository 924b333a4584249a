// The race step of a slow frame follows the moments the keys changed: a tap
// steers for its own share of the frame's race time, and a frame of one
// slice reads the keys as it always did.
#include <gtest/gtest.h>

#include "race_fixture.h"
#include "state/state.h"

namespace {

// The player's steering turns 0.05 radians per 10 ms of race time held.
constexpr float kSteerPerUnit = 0.05f;

class KeyTimeline : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        std::memset(input.keysPressed, 0, sizeof input.keysPressed);
        clearKeyEvents();
    }
    void TearDown() override {
        clearKeyEvents();
        std::memset(input.keys, 0, sizeof input.keys);
        std::memset(input.keysPressed, 0, sizeof input.keysPressed);
        RaceWorldTest::TearDown();
    }
    // A key change as the window procedure records it, at timeMs.
    void change(int vk, bool down, float timeMs) {
        input.messageTimeMs = timeMs;
        noteKeyEvent(vk, down);
        input.keys[vk] = down;
        if (down) input.keysPressed[vk] = true;
        input.messageTimeMs = -1.0f;
    }
    void frame(float fromMs, float toMs, float f) {
        input.inputSpanStartMs = fromMs;
        input.inputSpanEndMs = toMs;
        raceFrameStep(f);
        clearKeyEvents();
        std::memset(input.keysPressed, 0, sizeof input.keysPressed);
    }
};

TEST_F(KeyTimeline, LeftPressedForTheLastThirtyPercentOfASlowFrameSteersThatShare) {
    // A 1 s frame advances the race by its cap, 300 ms (30 units): Left went
    // down 0.7 s into it and is still held, so it steered for 9 units.
    const int left = keyBindings[BindLeft];
    change(left, true, 1700.0f);
    frame(1000.0f, 2000.0f, 100.0f);
    EXPECT_NEAR(session.cars[0].steer, 9.0f * kSteerPerUnit, 1e-4f);
    EXPECT_TRUE(input.keys[left]);  // the frame's end state is kept
}

TEST_F(KeyTimeline, AThreeTenthsSecondTapInsideASlowFrameSteersForItsShare) {
    // Straight for 0.3 s, Left for 0.3 s, then released: of the frame's 30
    // units the steering stops at 9 units' worth and returns over the last
    // 12 (two slices of 6, each taking back 0.075 x 6 of the angle).
    const int left = keyBindings[BindLeft];
    change(left, true, 300.0f);
    change(left, false, 600.0f);
    frame(0.0f, 1000.0f, 100.0f);
    const float held = 9.0f * kSteerPerUnit;
    EXPECT_NEAR(session.cars[0].steer, held * 0.55f * 0.55f, 1e-4f);
    EXPECT_FALSE(input.keys[left]);
}

struct OneSliceCase {
    const char* name;
    bool timed;  // the platform told the moment of the change
    float f;     // the frame's time
};

TEST_F(KeyTimeline, FramesOfOneSliceOrWithoutMomentsReadTheKeysAtTheirEnd) {
    // A tap that came and went inside the frame still steers for the whole
    // frame, as the key checks have always counted it.
    const OneSliceCase cases[] = {
        {"60 fps, timed", true, 1.6f},
        {"one slice, just under the limit, timed", true, 6.4f},
        {"slow frame, untimed", false, 20.0f},
    };
    const int left = keyBindings[BindLeft];
    for (const OneSliceCase& c : cases) {
        session.cars[0].steer = 0.0f;
        input.messageTimeMs = c.timed ? 5.0f : -1.0f;
        noteKeyEvent(left, true);
        input.keys[left] = true;
        input.keysPressed[left] = true;
        input.messageTimeMs = c.timed ? 6.0f : -1.0f;
        noteKeyEvent(left, false);
        input.keys[left] = false;
        input.messageTimeMs = -1.0f;
        frame(0.0f, 10.0f * c.f, c.f);
        EXPECT_NEAR(session.cars[0].steer, std::min(0.7f, c.f * kSteerPerUnit), 1e-4f) << c.name;
    }
}

}  // namespace
