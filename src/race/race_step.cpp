// The per-frame race step: clocks, car updates, wheel frames, physics, the
// start countdown's timer and the standings.
#include "audio/audio.h"
#include "race/race.h"
#include "state/state.h"

RaceClock raceTime;
RaceClock lapTime;
RaceClock bestLapTime;
int lapCount = 4;
int playerPlace = 4;
Standing standings[kRaceCars];
bool countdownRunning = false;
bool raceFinished = false;
float raceTimer = 0.0f;
float raceStepFactor = 1.0f;

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
    return (float)clock.minutes * 10000.0f + (float)clock.seconds * 100.0f + clock.hundredths;
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
    raceStepFactor = f;

    // Clocks run only between the countdown's release and the finish.
    if (!countdownRunning && !raceFinished) {
        advanceClock(raceTime, f);
        advanceClock(lapTime, f);
    }

    const int passedBefore = cars[0].checkpointsPassed, nextBefore = cars[0].nextCheckpoint;
    const float lapClockBefore = clockHundredths(lapTime);
    updatePlayerCar(cars[0], f);
    updateLapTiming(passedBefore, nextBefore, lapClockBefore);
    for (int i = 1; i < kRaceCars; i++) {
        updateOpponentCar(cars[i], f);
    }
    updateCarReset(f);
    updateRaceInfo(f);

    // Wheel frames: only the steered axle's direction is kept, for the tyre
    // forces of the coming physics step.
    for (int i = 0; i < kRaceCars; i++) {
        Car& car = cars[i];
        if (car.body == nullptr) {
            continue;
        }
        Transform bodyFrame = getTransform(car.body);
        for (int j = 0; j < 2; j++) {
            Transform w = wheelFrame(car, bodyFrame, j);
            car.frontWheelAxis = w.rotation.rows[0];
        }
    }

    if (raceWorld != nullptr) {
        step(raceWorld, kPhysicsTimePerUnit * f, kPhysicsSubSteps, nullptr);
    }
}

int raceStepSlices(float f) {
    const float total = f < kRaceTimeLimit ? f : kRaceTimeLimit;
    return (int)(total / kRaceStepSliceLimit) + 1;
}

void raceFrameStep(float f) {
    // A slow machine's long frames are cut into equal slices, each short
    // enough for the physics to stay stable, instead of stopping the race.
    // Past kRaceTimeLimit the race runs in slow motion rather than jumping.
    const float total = f < kRaceTimeLimit ? f : kRaceTimeLimit;
    const int slices = raceStepSlices(f);
    // Each slice runs as a frame of its own length.
    const float slice = total / (float)slices;
    for (int i = 0; i < slices; i++) {
        raceStep(slice);
    }
}

// A beep as each of the images 3, 2, 1 comes up, and a higher one with "go",
// when the cars are released.
static void playCountdownBeep(float before, float after) {
    static const float kBeepTimes[4] = {3.0f, 4.0f, 5.0f, 6.0f};
    for (int i = 0; i < 4; i++) {
        if (before < kBeepTimes[i] && after >= kBeepTimes[i] && soundEnabled) {
            soundCountdown.setPitch(i == 3 ? kCountdownGoPitch : 1.0f);
            soundCountdown.play();
        }
    }
}

bool countdownShowing() {
    return (countdownRunning || (raceTimer > 0.0f && raceTimer < 10.0f)) && !raceFinished;
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
    const float before = raceTimer;
    raceTimer += 0.01f * (f < kRaceTimeLimit ? f : kRaceTimeLimit);
    playCountdownBeep(before, raceTimer);
    if (raceTimer > 6.0f) {
        countdownRunning = false;
    }
    if (raceTimer > 10.0f) {
        raceTimer = 0.0f;
    }
}

// Distance from a car to the first checkpoint; cars without a body count as
// far away.
static float distanceToStart(int i) {
    if (cars[i].body == nullptr || checkpointCount <= 0) {
        return 1e30f;
    }
    const Checkpoint& c = checkpoints[0];
    return length(getPosition(cars[i].body) - Vector3(c.x, c.y, c.z));
}

void updateStandings() {
    bool started = false;
    for (int i = 0; i < kRaceCars; i++) {
        standings[i].car = i;
        standings[i].checkpointsPassed = cars[i].checkpointsPassed;
        started = started || cars[i].checkpointsPassed > 0;
    }
    if (!started) {
        // On the grid nobody has passed anything yet: the car nearest the
        // first checkpoint leads (equal distances keep the grid's order).
        float distance[kRaceCars];
        for (int i = 0; i < kRaceCars; i++) distance[i] = distanceToStart(i);
        for (int i = 1; i < kRaceCars; i++) {
            Standing t = standings[i];
            int j = i;
            while (j > 0 && distance[standings[j - 1].car] > distance[t.car]) {
                standings[j] = standings[j - 1];
                j--;
            }
            standings[j] = t;
        }
        return;
    }
    // An exchange sort: equal counts are never swapped with each other, but a
    // third car moved past them can reorder them.
    for (int i = 0; i < kRaceCars - 1; i++) {
        for (int j = i + 1; j < kRaceCars; j++) {
            if (standings[i].checkpointsPassed < standings[j].checkpointsPassed) {
                Standing t = standings[i];
                standings[i] = standings[j];
                standings[j] = t;
            }
        }
    }
}
