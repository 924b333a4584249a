// Back onto the road: a car put down on a checkpoint, facing the next one,
// at rest. The player asks for it with the reset key (a short fade, then a
// time cost); opponents that are lost get it without asking.
#include <cmath>

#include "race/race.h"
#include "state/state.h"

// Seconds of the fade to black and back, and how long the time cost stays on
// the HUD afterwards.
static constexpr float kResetFadeSeconds = 0.6f;
static constexpr float kResetPenaltyShowSeconds = 2.5f;
static bool resetKeyWasDown = false;
static bool resetPlaced = false;

void placeCarAtCheckpoint(Car& car, int checkpoint) {
    if (car.body == nullptr || session.checkpointCount <= 0) {
        return;
    }
    checkpoint %= session.checkpointCount;
    if (checkpoint < 0) checkpoint += session.checkpointCount;
    const Checkpoint& c = session.checkpoints[checkpoint];
    const Checkpoint& n = session.checkpoints[(checkpoint + 1) % session.checkpointCount];
    Vector3 forward(n.x - c.x, 0.0f, n.z - c.z);
    if (length(forward) <= 0.0f) forward = Vector3(1.0f, 0.0f, 0.0f);
    normalise(forward);
    // Rows are the car's own axes: +x forward, +y up, +z to its right.
    const Vector3 up(0.0f, 1.0f, 0.0f);
    const Vector3 right(-forward.z, 0.0f, forward.x);
    setRotation(car.body, Matrix3(forward, up, right));
    // The points lie two units above the road: the wheels drop onto it.
    setPosition(car.body, Vector3(c.x, c.y, c.z));
    setLinearVelocity(car.body, Vector3(0.0f, 0.0f, 0.0f));
    setAngularMomentum(car.body, Vector3(0.0f, 0.0f, 0.0f));
    car.driveForce = 0.0f;
    car.steer = 0.0f;
    placeCourseProgress(car.index, checkpoint);
}

static void addSeconds(RaceClock& clock, int seconds) {
    clock.seconds += seconds;
    clock.minutes += clock.seconds / 60;
    clock.seconds %= 60;
}

bool carResetAllowed() {
    const Car& car = session.cars[0];
    return !session.countdownRunning && !session.raceFinished && players[0].resetTimer < 0.0f &&
           car.body != nullptr && session.checkpointCount > 0 && car.checkpointsPassed > 0;
}

bool requestCarReset() {
    if (!carResetAllowed()) {
        return false;
    }
    players[0].resetTimer = 0.0f;
    resetPlaced = false;
    return true;
}

float carResetFade() {
    if (players[0].resetTimer < 0.0f) {
        return 0.0f;
    }
    const float half = 0.5f * kResetFadeSeconds;
    float fade = players[0].resetTimer < half ? players[0].resetTimer / half
                                              : 1.0f - (players[0].resetTimer - half) / half;
    return fade < 0.0f ? 0.0f : (fade > 1.0f ? 1.0f : fade);
}

void updateCarReset(float f) {
    const bool down = actionDown(BindReset);
    if (down && !resetKeyWasDown) {
        requestCarReset();
    }
    resetKeyWasDown = down;
    if (players[0].resetPenaltyShown > 0.0f) {
        players[0].resetPenaltyShown -= 0.01f * f;
        if (players[0].resetPenaltyShown < 0.0f) players[0].resetPenaltyShown = 0.0f;
    }
    if (players[0].resetTimer < 0.0f) {
        return;
    }
    // The finish ends a reset in progress where it stands.
    if (session.raceFinished) {
        players[0].resetTimer = -1.0f;
        return;
    }
    Car& car = session.cars[0];
    players[0].resetTimer += 0.01f * f;
    if (!resetPlaced && players[0].resetTimer >= 0.5f * kResetFadeSeconds) {
        // Behind the black: on the last checkpoint passed, facing the next.
        placeCarAtCheckpoint(car, car.nextCheckpoint - 1);
        addSeconds(session.raceTime, kResetPenaltySeconds);
        addSeconds(players[0].lapTime, kResetPenaltySeconds);
        players[0].resetPenaltyShown = kResetPenaltyShowSeconds;
        players[0].resetCount += 1;
        resetPlaced = true;
        if (car.body != nullptr) {
            const Matrix3 r = getRotation(car.body);
            players[0].cameraAimX = players[0].cameraDirX = r.rows[0].x;
            players[0].cameraAimZ = players[0].cameraDirZ = r.rows[0].z;
        }
        players[0].wrongWayTimer = 0.0f;
        players[0].driftLevel = 0.0f;
        players[0].driftScore = 0.0f;
    }
    if (resetPlaced && car.body != nullptr) {
        // Held at rest while the picture comes back.
        car.driveForce = 0.0f;
        setLinearVelocity(car.body, Vector3(0.0f, 0.0f, 0.0f));
        setAngularMomentum(car.body, Vector3(0.0f, 0.0f, 0.0f));
    }
    if (players[0].resetTimer >= kResetFadeSeconds) {
        players[0].resetTimer = -1.0f;
    }
}

void resetCarReset() {
    players[0].resetTimer = -1.0f;
    players[0].resetPenaltyShown = 0.0f;
    players[0].resetCount = 0;
    resetPlaced = false;
    resetKeyWasDown = false;
}
