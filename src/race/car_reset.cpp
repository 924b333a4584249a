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

static bool validPlayer(int player) {
    return player >= 0 && player < session.humanCount && player < kMaxPlayers;
}

bool carResetAllowed(int player) {
    if (!validPlayer(player)) return false;
    const PlayerRace& me = players[player];
    const Car& car = session.cars[player];
    return !session.countdownRunning && !playerFinished(player) && me.resetTimer < 0.0f &&
           car.body != nullptr && session.checkpointCount > 0 && car.checkpointsPassed > 0;
}

bool requestCarReset(int player) {
    if (!carResetAllowed(player)) {
        return false;
    }
    PlayerRace& me = players[player];
    me.resetTimer = 0.0f;
    me.resetPlaced = false;
    return true;
}

float carResetFade(int player) {
    if (player < 0 || player >= kMaxPlayers) return 0.0f;
    const PlayerRace& me = players[player];
    if (me.resetTimer < 0.0f) {
        return 0.0f;
    }
    const float half = 0.5f * kResetFadeSeconds;
    float fade = me.resetTimer < half ? me.resetTimer / half : 1.0f - (me.resetTimer - half) / half;
    return fade < 0.0f ? 0.0f : (fade > 1.0f ? 1.0f : fade);
}

static void updatePlayerReset(int player, float f) {
    PlayerRace& me = players[player];
    const bool down = playerActionDown(player, BindReset);
    if (down && !me.resetKeyWasDown) {
        requestCarReset(player);
    }
    me.resetKeyWasDown = down;
    if (me.resetPenaltyShown > 0.0f) {
        me.resetPenaltyShown -= 0.01f * f;
        if (me.resetPenaltyShown < 0.0f) me.resetPenaltyShown = 0.0f;
    }
    if (me.resetTimer < 0.0f) {
        return;
    }
    // The finish ends a reset in progress where it stands.
    if (playerFinished(player)) {
        me.resetTimer = -1.0f;
        return;
    }
    Car& car = session.cars[player];
    me.resetTimer += 0.01f * f;
    if (!me.resetPlaced && me.resetTimer >= 0.5f * kResetFadeSeconds) {
        // Behind the black: on the last checkpoint passed, facing the next.
        placeCarAtCheckpoint(car, car.nextCheckpoint - 1);
        // The race clock is everyone's: one human among several pays on
        // their own lap clock and finish time.
        if (session.humanCount <= 1) addSeconds(session.raceTime, kResetPenaltySeconds);
        addSeconds(me.lapTime, kResetPenaltySeconds);
        me.resetPenaltyShown = kResetPenaltyShowSeconds;
        me.resetCount += 1;
        me.resetPlaced = true;
        if (car.body != nullptr) {
            const Matrix3 r = getRotation(car.body);
            me.cameraAimX = me.cameraDirX = r.rows[0].x;
            me.cameraAimZ = me.cameraDirZ = r.rows[0].z;
        }
        me.wrongWayTimer = 0.0f;
        me.driftLevel = 0.0f;
        me.driftScore = 0.0f;
    }
    if (me.resetPlaced && car.body != nullptr) {
        // Held at rest while the picture comes back.
        car.driveForce = 0.0f;
        setLinearVelocity(car.body, Vector3(0.0f, 0.0f, 0.0f));
        setAngularMomentum(car.body, Vector3(0.0f, 0.0f, 0.0f));
    }
    if (me.resetTimer >= kResetFadeSeconds) {
        me.resetTimer = -1.0f;
    }
}

void updateCarReset(float f) {
    for (int p = 0; p < session.humanCount && p < kMaxPlayers; p++) updatePlayerReset(p, f);
}

void resetCarReset() {
    for (PlayerRace& me : players) {
        me.resetTimer = -1.0f;
        me.resetPenaltyShown = 0.0f;
        me.resetCount = 0;
        me.resetPlaced = false;
        me.resetKeyWasDown = false;
    }
}
