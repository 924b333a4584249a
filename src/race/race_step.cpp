// The per-frame race step: clocks, car updates, wheel frames, physics, the
// start countdown's timer and the standings.
#include <cstring>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

void resetRaceRunState() {
    session = RaceSession{};
    for (PlayerRace& player : players) player = PlayerRace{};
    replayRun = ReplayRunState{};
}

// The world advances this much per unit of frame factor, in four sub-steps.
static constexpr float kPhysicsTimePerUnit = 0.028f;
static constexpr int kPhysicsSubSteps = 4;

void advanceClock(RaceClock& clock, float f) {
    clock.hundredths += f;
    if (clock.hundredths >= 100.0f) {
        // The overshoot is dropped, not carried: a long frame loses time.
        clock.hundredths = 0.0f;
        clock.seconds += 1;
        if (clock.seconds >= 60) {
            clock.seconds = 0;
            clock.minutes += 1;
        }
    }
}

float clockValue(const RaceClock& clock) {
    return static_cast<float>(clock.minutes) * 10000.0f + static_cast<float>(clock.seconds) * 100.0f +
           clock.hundredths;
}

// Wheel j's frame: mount point lowered by the suspension, the front pair
// turned by the steering, then turned a quarter about x so the wheel model's
// axle lies across the car.
static Transform wheelFrame(const Car& car, const Transform& bodyFrame, int j) {
    Transform local = Transform::identity();
    local.position = wheelMounts[j] + Vector3(0.0f, 0.45f - car.suspension[j], 0.0f);
    Transform w = compose(bodyFrame, local);
    if (j == 0 || j == 1) {
        Transform steerFrame = Transform::identity();
        steerFrame.rotation = fromEulerXYZ(Vector3(0.0f, car.steer, 0.0f));
        w = compose(w, steerFrame);
    }
    Transform axle = Transform::identity();
    axle.rotation = fromEulerXYZ(Vector3(1.5707964f, 0.0f, 0.0f));
    return compose(w, axle);
}

void raceStep(float f) {
    session.raceStepFactor = f;

    // Clocks run only between the countdown's release and the finish.
    if (!session.countdownRunning && !session.raceFinished) {
        advanceClock(session.raceTime, f);
        advanceClock(players[0].lapTime, f);
    }

    const int passedBefore = session.cars[0].checkpointsPassed, nextBefore = session.cars[0].nextCheckpoint;
    const float lapClockBefore = clockHundredths(players[0].lapTime);
    updatePlayerCar(session.cars[0], f);
    updateLapTiming(passedBefore, nextBefore, lapClockBefore);
    for (int i = 1; i < kRaceCars; i++) {
        updateOpponentCar(session.cars[i], f);
    }
    updateCarReset(f);
    updateRaceInfo(f);

    // Wheel frames: only the steered axle's direction is kept, for the tyre
    // forces of the coming physics step.
    for (int i = 0; i < kRaceCars; i++) {
        Car& car = session.cars[i];
        if (car.body == nullptr) {
            continue;
        }
        Transform bodyFrame = getTransform(car.body);
        for (int j = 0; j < 2; j++) {
            Transform w = wheelFrame(car, bodyFrame, j);
            car.frontWheelAxis = w.rotation.rows[0];
        }
    }

    if (session.raceWorld != nullptr) {
        step(session.raceWorld, kPhysicsTimePerUnit * f, kPhysicsSubSteps, nullptr);
    }
    // The replay keeps what the step left, read only: the race runs the same.
    recordReplayStep(f);
}

int raceStepSlices(float f) {
    const float total = f < kRaceTimeLimit ? f : kRaceTimeLimit;
    return static_cast<int>(total / kRaceStepSliceLimit) + 1;
}

// raceStep over time `total` in equal slices under the slice limit.
static void stepInSlices(float total) {
    const int slices = raceStepSlices(total);
    // Each slice runs as a frame of its own length.
    const float slice = total / static_cast<float>(slices);
    for (int i = 0; i < slices; i++) {
        raceStep(slice);
    }
}

bool keyTimelineUsable() {
    if (input.keyEventCount <= 0 || !(input.inputSpanEndMs > input.inputSpanStartMs)) return false;
    for (int i = 0; i < input.keyEventCount; i++)
        if (input.keyEvents[i].timeMs < 0.0f) return false;
    return true;
}

float keyEventShare(const KeyEvent& e) {
    const float share = (e.timeMs - input.inputSpanStartMs) / (input.inputSpanEndMs - input.inputSpanStartMs);
    return share < 0.0f ? 0.0f : (share > 1.0f ? 1.0f : share);
}

// The frame's time in stretches between its key changes, each stepped with
// the keys as they stood during it: a short tap on a slow frame steers for
// its own share of the frame, not for the whole frame.
static void stepByKeyTimeline(float total) {
    bool endKeys[256], endPressed[256];
    std::memcpy(endKeys, input.keys, sizeof input.keys);
    std::memcpy(endPressed, input.keysPressed, sizeof input.keysPressed);
    // Back to the keys at the frame's start: each key's state before its
    // first change. A key that changed is then down exactly where the
    // timeline says, so its tap no longer counts for the whole frame.
    for (int i = input.keyEventCount - 1; i >= 0; i--) {
        input.keys[input.keyEvents[i].vk] = !input.keyEvents[i].down;
        input.keysPressed[input.keyEvents[i].vk] = false;
    }
    float from = 0.0f;
    for (int i = 0; i < input.keyEventCount; i++) {
        const float to = keyEventShare(input.keyEvents[i]);
        if (to > from) {
            stepInSlices(total * (to - from));
            from = to;
        }
        input.keys[input.keyEvents[i].vk] = input.keyEvents[i].down;
    }
    if (from < 1.0f) stepInSlices(total * (1.0f - from));
    std::memcpy(input.keys, endKeys, sizeof input.keys);
    std::memcpy(input.keysPressed, endPressed, sizeof input.keysPressed);
}

void raceFrameStep(float f) {
    // A slow machine's long frames are cut into equal slices, each short
    // enough for the physics to stay stable, instead of stopping the race.
    // Past kRaceTimeLimit the race runs in slow motion rather than jumping.
    const float total = f < kRaceTimeLimit ? f : kRaceTimeLimit;
    // A frame of one slice reads the keys as they stand at its end; a longer
    // one follows the moments its keys changed, when the platform told them.
    if (raceStepSlices(f) > 1 && keyTimelineUsable()) {
        stepByKeyTimeline(total);
        return;
    }
    stepInSlices(total);
}

// A beep as each of the images 3, 2, 1 comes up, and a higher one with "go",
// when the cars are released.
static void playCountdownBeep(float before, float after) {
    static const float kBeepTimes[4] = {3.0f, 4.0f, 5.0f, 6.0f};
    for (int i = 0; i < 4; i++) {
        if (before < kBeepTimes[i] && after >= kBeepTimes[i] && options.soundEnabled) {
            audio.soundCountdown.setPitch(i == 3 ? kCountdownGoPitch : 1.0f);
            audio.soundCountdown.play();
        }
    }
}

bool countdownShowing() {
    return (session.countdownRunning || (session.raceTimer > 0.0f && session.raceTimer < 10.0f)) &&
           !session.raceFinished;
}

void tickCountdown(float f) {
    if (countdownShowing()) {
        runCountdown(f);
    }
}

void runCountdown(float f) {
    // The frame draws the countdown's images (drawCountdown) just before this
    // advances the timer that releases the cars. Long frames count up to the
    // same limit as the race step, so the countdown never hangs.
    const float before = session.raceTimer;
    session.raceTimer += 0.01f * (f < kRaceTimeLimit ? f : kRaceTimeLimit);
    playCountdownBeep(before, session.raceTimer);
    if (session.raceTimer > 6.0f) {
        session.countdownRunning = false;
    }
    if (session.raceTimer > 10.0f) {
        session.raceTimer = 0.0f;
    }
}

// Distance from a car to the first checkpoint; cars without a body count as
// far away.
static float distanceToStart(int i) {
    if (session.cars[i].body == nullptr || session.checkpointCount <= 0) {
        return 1e30f;
    }
    const Checkpoint& c = session.checkpoints[0];
    return length(getPosition(session.cars[i].body) - Vector3(c.x, c.y, c.z));
}

void updateStandings() {
    bool started = false;
    for (int i = 0; i < kRaceCars; i++) {
        session.standings[i].car = i;
        session.standings[i].checkpointsPassed = session.cars[i].checkpointsPassed;
        started = started || session.cars[i].checkpointsPassed > 0;
    }
    if (!started) {
        // On the grid nobody has passed anything yet: the car nearest the
        // first checkpoint leads (equal distances keep the grid's order).
        float distance[kRaceCars];
        for (int i = 0; i < kRaceCars; i++) distance[i] = distanceToStart(i);
        for (int i = 1; i < kRaceCars; i++) {
            Standing t = session.standings[i];
            int j = i;
            while (j > 0 && distance[session.standings[j - 1].car] > distance[t.car]) {
                session.standings[j] = session.standings[j - 1];
                j--;
            }
            session.standings[j] = t;
        }
        return;
    }
    // An exchange sort: equal counts are never swapped with each other, but a
    // third car moved past them can reorder them.
    for (int i = 0; i < kRaceCars - 1; i++) {
        for (int j = i + 1; j < kRaceCars; j++) {
            if (session.standings[i].checkpointsPassed < session.standings[j].checkpointsPassed) {
                Standing t = session.standings[i];
                session.standings[i] = session.standings[j];
                session.standings[j] = t;
            }
        }
    }
}
