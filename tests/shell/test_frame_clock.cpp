// The frame clock against the wall clock: whatever the frame rate does, the
// game's time over any second is the second's, the countdown's beeps fall a
// second apart and the music's fade takes its 2.5 s.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

enum class Pattern { Steady, Alternate, Ramp, Jitter };

struct ClockCase {
    const char* name;
    Pattern pattern;
    double a, b;  // steady: a ms; alternate: a, b ms; ramp: a fps to b fps; jitter: a..b ms
};

const ClockCase kClockCases[] = {
    {"steady 5 fps", Pattern::Steady, 200.0, 0.0},
    {"steady 60 fps", Pattern::Steady, 1000.0 / 60.0, 0.0},
    {"steady 200 fps", Pattern::Steady, 5.0, 0.0},
    {"alternating 10 and 150 ms", Pattern::Alternate, 10.0, 150.0},
    {"alternating 5 and 200 ms", Pattern::Alternate, 5.0, 200.0},
    {"ramp from 5 to 200 fps", Pattern::Ramp, 5.0, 200.0},
    {"ramp from 200 to 5 fps", Pattern::Ramp, 200.0, 5.0},
    {"random 5 to 200 ms", Pattern::Jitter, 5.0, 200.0},
    {"random 20 to 40 ms", Pattern::Jitter, 20.0, 40.0},
};

// The lengths of the frames of a case, covering `seconds` of wall time.
std::vector<double> frameTimes(const ClockCase& c, double seconds) {
    std::vector<double> times;
    std::mt19937 random(17);
    std::uniform_real_distribution<double> jitter(c.a, c.b);
    double wall = 0.0;
    while (wall < seconds * 1000.0) {
        double ms = c.a;
        if (c.pattern == Pattern::Alternate) ms = times.size() % 2 == 0 ? c.a : c.b;
        if (c.pattern == Pattern::Ramp) ms = 1000.0 / (c.a + (c.b - c.a) * wall / (seconds * 1000.0));
        if (c.pattern == Pattern::Jitter) ms = jitter(random);
        times.push_back(ms);
        wall += ms;
    }
    return times;
}

class FrameClockKeepsTime : public ::testing::Test {
  protected:
    void SetUp() override {
        resetRunWideState();
        timerInit();
    }
    // One frame of the dispatcher's measure after `ms` of wall time.
    void frame(double ms) {
        scriptedAdvanceClock(ms);
        measureFrame();
    }
};

TEST_F(FrameClockKeepsTime, GameTimeOverEverySecondIsTheWallClocksWithinTwoPercent) {
    for (const ClockCase& c : kClockCases) {
        SetUp();
        const std::vector<double> times = frameTimes(c, 20.0);
        // Two seconds to settle from the first frame's start at factor 0.
        std::vector<double> wall, game;
        double w = 0.0, g = 0.0;
        for (double ms : times) {
            frame(ms);
            w += ms;
            g += 10.0 * frameClock.frameFactor;
            wall.push_back(w);
            game.push_back(g);
        }
        size_t first = 0;
        while (first < wall.size() && wall[first] < 2000.0) first++;
        double worst = 0.0;
        for (size_t i = first, j = first; i < wall.size(); i++) {
            while (j < wall.size() && wall[j] - wall[i] < 1000.0) j++;
            if (j == wall.size()) break;
            const double span = wall[j] - wall[i];
            const double error = std::fabs((game[j] - game[i]) - span) / span;
            worst = std::fmax(worst, error);
        }
        EXPECT_LT(worst, 0.02) << c.name;
        // And over the whole run the game lost or gained no more than a frame.
        EXPECT_NEAR(game.back() - game[first], wall.back() - wall[first], 20.0) << c.name;
    }
}

TEST_F(FrameClockKeepsTime, CountdownBeepsFallOneSecondApart) {
    for (const ClockCase& c : kClockCases) {
        SetUp();
        const std::vector<double> times = frameTimes(c, 12.0);
        session.countdownRunning = true;
        // The race's load is a long frame of its own before the countdown.
        frame(900.0);
        double wall = 0.0, beeps[4] = {-1.0, -1.0, -1.0, -1.0}, longest = 0.0;
        for (double ms : times) {
            frame(ms);
            wall += ms;
            const float before = session.raceTimer;
            runCountdown(frameClock.frameFactor);
            for (int k = 0; k < 4; k++) {
                if (before < 3.0f + k && session.raceTimer >= 3.0f + k && beeps[k] < 0.0) beeps[k] = wall;
            }
            longest = std::fmax(longest, ms);
            if (session.raceTimer >= 6.5f) break;
        }
        for (int k = 1; k < 4; k++) {
            ASSERT_GE(beeps[k - 1], 0.0) << c.name;
            ASSERT_GE(beeps[k], 0.0) << c.name;
            // A beep falls on the first frame past its moment: at most one
            // frame late, and the clock itself within 2 %.
            EXPECT_NEAR(beeps[k] - beeps[k - 1], 1000.0, longest + 20.0) << c.name << ", beep " << k;
        }
    }
}

TEST_F(FrameClockKeepsTime, MusicFadeTakesItsTwoAndAHalfSeconds) {
    for (const ClockCase& c : kClockCases) {
        SetUp();
        const std::vector<double> times = frameTimes(c, 6.0);
        frame(900.0);
        startMusicFade();
        double wall = 0.0, full = -1.0, longest = 0.0;
        for (double ms : times) {
            frame(ms);
            wall += ms;
            longest = std::fmax(longest, ms);
            if (advanceMusicFade(frameClock.frameFactor) >= 1.0f) {
                full = wall;
                break;
            }
        }
        ASSERT_GE(full, 0.0) << c.name;
        EXPECT_NEAR(full, 2500.0, longest + 50.0) << c.name;
    }
}

TEST(FrameTime, CarryIsPaidBackAndNeverRunsTheGameBackwards) {
    // One slow frame among 10 ms ones: what the smoothing holds back comes
    // back over the next frames, every frame moving forwards.
    float factor = 1.0f, carry = 0.0f, handed = 0.0f, measured = 0.0f;
    for (int i = 0; i < 40; i++) {
        const float m = i == 5 ? 12.0f : 1.0f;
        factor = keepFrameTime(factor, m, &carry);
        EXPECT_GE(factor, 0.0f);
        EXPECT_LE(std::fabs(carry), 0.8f + 1e-5f);
        handed += factor;
        measured += m;
    }
    EXPECT_NEAR(handed + carry, measured, 1e-3f);
    EXPECT_NEAR(carry, 0.0f, 1e-3f);
    EXPECT_NEAR(factor, 1.0f, 1e-3f);
    // A stall longer than 300 ms counts as 300 ms.
    carry = 0.0f;
    factor = keepFrameTime(1.0f, 250.0f, &carry);
    EXPECT_NEAR(factor + carry, 30.0f, 1e-4f);
}

}  // namespace
