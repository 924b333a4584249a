// Opponent drivers: follow the waypoints, brake before sharp turns, back out
// when blocked and right themselves when stopped for good.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

float opponentSkidLevel = 0.0f;
int unstickCount[kRaceCars];

// Wheel 0's rolling angle per unit of forward speed and frame unit.
static constexpr float kOpponentWheelRoll = 1.0995574f;
// The opponents' engine forces run 30 % above the player's power rating.
static constexpr float kOpponentPowerScale = 1.3f;
// unstickCar: a car slower than this (units per second) stands still; a step
// whose frame factor reaches kUnstickFrameLimit (frames of 95 ms and more)
// moves no car.
static constexpr float kUnstickSpeed = 0.2f;
static constexpr float kUnstickFrameLimit = 9.5f;

static SoundEffect* engineLoop(int index) {
    switch (index) {
        case 0:
            return &soundEngine1;
        case 1:
            return &soundEngine2;
        case 2:
            return &soundEngine3;
        case 3:
            return &soundEngine4;
        default:
            return nullptr;
    }
}

static void updateOpponentEngine(Car& car, float f, float s) {
    car.targetRpm = gearTargetRpm(car.gear, s);
    followTargetRpm(car, f);
    float pitch = (car.rpm - 1000.0f) * 0.0002f + 0.35f;
    if (pitch < 0.15f) pitch = 0.15f;
    if (pitch > 2.5f) pitch = 2.5f;
    float gain = pitch * 0.4f;
    if (gain < 0.15f) gain = 0.15f;
    if (gain > 1.0f) gain = 1.0f;
    SoundEffect* loop = engineLoop(car.index);
    if (loop != nullptr) {
        loop->setPitch(pitch);
        loop->setGain(gain);
    }
}

// Drives towards the current waypoint; returns the steering error e and the
// speed limit it implies.
static float aimAtWaypoint(Car& car, const Vector3& p, const Vector3& u, float& speedLimit) {
    speedLimit = 30.0f;
    if (checkpointCount <= 0) {
        return 0.0f;
    }
    if (car.aiWaypoint < 0 || car.aiWaypoint >= checkpointCount) {
        car.aiWaypoint = 0;
    }
    const Checkpoint& c = checkpoints[car.aiWaypoint];
    Vector3 d(c.x - p.x, 0.0f, c.z - p.z);
    normalise(d);
    float e = headingAngle(u, d);
    // Sharp turns ahead: slow to walking pace before them.
    if (fabsf(e) > 0.5f) {
        speedLimit = 4.0f;
    }
    if (length(Vector3(c.x, c.y, c.z) - p) < 15.0f) {
        car.aiWaypoint += 1;
        if (car.aiWaypoint > checkpointCount - 1) {
            car.aiWaypoint = 0;
        }
    }
    return e;
}

static void updateStuckAndReverse(Car& car, float f, float s, float pa, float& speedLimit) {
    const bool holding = countdownRunning || raceFinished;
    if (s >= 0.3f || holding) {
        car.stuckTimer = 0.0f;
    } else {
        car.stuckTimer += 0.01f * f;
        if (car.stuckTimer > 4.5f) {
            unstickCar(car, f);
            car.stuckTimer = 0.0f;
        }
    }

    if (s < 1.5f && !car.reversing && !holding) {
        car.reverseTimer += 0.01f * f;
        if (car.reverseTimer > 3.0f) {
            car.reversing = true;
        }
    }
    if (s >= 1.5f && !car.reversing) {
        car.reverseTimer = 0.0f;
    }
    if (car.reversing) {
        // Below any speed, so neither throttle nor brake applies.
        speedLimit = -30.0f;
        car.driveForce = -160.0f * pa;
        car.reverseTimer -= 0.02f * f;
        if (car.reverseTimer <= 0.0f) {
            car.reversing = false;
            car.reverseTimer = 0.0f;
        }
    }
}

static void steerTowards(Car& car, float f, float e) {
    if (e > 0.1f) {
        car.steer += 0.02f * f;
        if (car.steer > 0.7f) car.steer = 0.7f;
    } else if (e < -0.1f) {
        car.steer -= 0.02f * f;
        if (car.steer < -0.7f) car.steer = -0.7f;
    } else {
        if (car.steer > 0.0f) car.steer -= 0.02f * f;
        if (car.steer < 0.0f) car.steer += 0.02f * f;
    }
}

void updateOpponentCar(Car& car, float f) {
    if (car.body == nullptr) {
        return;
    }
    RigidBody* body = car.body;
    Transform t = getTransform(body);
    Vector3 v = getLinearVelocity(body);
    float s = length(v);
    Vector3 u = v;
    normalise(u);
    Vector3 p = getPosition(body);
    Vector3 forward = t.rotation.rows[0];
    float a = headingAngle(v, forward);
    const bool rollingBack = fabsf(a) >= kHalfPi;
    car.wheelSpin[0] -=
        fabsf(length(project(v, forward))) * (rollingBack ? -1.0f : 1.0f) * kOpponentWheelRoll * f;

    const float pa = playerCarPower * kOpponentPowerScale;
    updateOpponentEngine(car, f, s);

    float speedLimit;
    float e = aimAtWaypoint(car, p, u, speedLimit);
    updateStuckAndReverse(car, f, s, pa, speedLimit);

    if (s < speedLimit && !car.reversing) {
        car.gear = car.targetGear;
        selectGearForce(car, s, pa);
    }
    if (s >= speedLimit && !car.reversing) {
        float b = (playerCarPower * 1.5f + 0.5f) * 120.0f;
        float mag = s < 1.0f ? b * sqrtf(s) : b;
        car.driveForce = rollingBack ? mag : -mag;
        opponentSkidLevel += 0.005f * f;
    }

    steerTowards(car, f, e);

    if (car.slipGrip >= 0.75f || s <= 5.4f) {
        opponentSkidLevel -= 0.005f * f;
    } else {
        opponentSkidLevel += 0.005f * f;
    }
    if (opponentSkidLevel < 0.0f) opponentSkidLevel = 0.0f;
    if (opponentSkidLevel > 1.0f) opponentSkidLevel = 1.0f;

    car.dustLevel = opponentSkidLevel;
    car.dustActive = opponentSkidLevel > 0.5f;
    bool fast = s > 17.0f;
    car.flameColour[0] = fast ? 0.0f : 1.0f;
    car.flameColour[1] = 1.0f;
    car.flameColour[2] = fast ? 0.0f : 1.0f;
    car.flameLevel = (car.rpm - 1000.0f) * 0.0002f;
    car.flameActive = true;

    if (countdownRunning) {
        car.driveForce = 0.01f;
        car.steer = 0.0f;
        setLinearVelocity(body, Vector3(0.0f, 0.0f, 0.0f));
        setAngularMomentum(body, Vector3(0.0f, 0.0f, 0.0f));
    }

    // After the finish the opponents lift off and roll to a stop.
    if (raceFinished) {
        float mag = s < 1.0f ? sqrtf(s) : 1.0f;
        car.driveForce = rollingBack ? mag : -mag;
        car.steer = 0.0f;
    }

    // Opponents count laps for the standings but never finish the race.
    if (checkpointReached(car, p)) {
        if (car.nextCheckpoint == 0) {
            car.lap += 1;
        }
        car.checkpointsPassed += 1;
        car.nextCheckpoint += 1;
        if (car.nextCheckpoint >= checkpointCount) {
            car.nextCheckpoint = 0;
        }
    }
}

void unstickCar(Car& car, float f) {
    if (car.body == nullptr) {
        return;
    }
    if (length(getLinearVelocity(car.body)) < kUnstickSpeed && f < kUnstickFrameLimit) {
        setRotation(car.body, car.startRotation);
        Vector3 p = getPosition(car.body);
        p.y += 2.0f;
        setPosition(car.body, p);
        car.driveForce = 0.0f;
        if (car.index >= 0 && car.index < kRaceCars) {
            unstickCount[car.index] += 1;
        }
    }
}
