// Opponent drivers: follow the waypoints, brake before sharp turns, back out
// when blocked and right themselves when stopped for good.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

// Wheel 0's rolling angle per unit of forward speed and frame unit.
static constexpr float kOpponentWheelRoll = 1.0995574f;
// unstickCar: a car slower than this (units per second) stands still; a step
// whose frame factor reaches kUnstickFrameLimit (frames of 95 ms and more)
// moves no car.
static constexpr float kUnstickSpeed = 0.2f;
static constexpr float kUnstickFrameLimit = 9.5f;
// Steering: rate per unit of f, full lock, the wheel angle per radian of error, and the most wheel angle
// times the square root of the speed that the tyres take without sliding.
static constexpr float kOpponentSteerRate = 0.02f;
static constexpr float kOpponentSteerLock = 0.7f;
static constexpr float kOpponentSteerGain = 1.2f;
static constexpr float kOpponentGripSteer = 1.1f;

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
    speedLimit = opponentTopSpeed(session.raceDifficulty);
    if (session.checkpointCount <= 0) {
        return 0.0f;
    }
    if (car.aiWaypoint < 0 || car.aiWaypoint >= session.checkpointCount) {
        car.aiWaypoint = 0;
    }
    const Checkpoint& c = session.checkpoints[car.aiWaypoint];
    Vector3 d(c.x - p.x, 0.0f, c.z - p.z);
    normalise(d);
    float e = headingAngle(u, d);
    // Sharp turns ahead: slow to walking pace before them.
    if (fabsf(e) > 0.5f) {
        speedLimit = 4.0f;
    }
    if (length(Vector3(c.x, c.y, c.z) - p) < 15.0f) {
        car.lostTimer = 0.0f;
        car.aiWaypoint += 1;
        if (car.aiWaypoint > session.checkpointCount - 1) {
            car.aiWaypoint = 0;
        }
    }
    return e;
}

// A car that keeps moving without gaining a waypoint (held against a barrier
// it slides along, too fast for the back-out and for unstickCar) is put back
// on its line: on the waypoint it last gained, facing the one it drives to.
static void rescueLostCar(Car& car, float f, float s) {
    const bool holding = session.countdownRunning || session.raceFinished;
    if (holding || s < kUnstickSpeed || session.checkpointCount <= 0) {
        car.lostTimer = 0.0f;
        return;
    }
    car.lostTimer += 0.01f * f;
    if (car.lostTimer <= kLostSeconds) {
        return;
    }
    car.lostTimer = 0.0f;
    car.reversing = false;
    car.reverseTimer = 0.0f;
    car.stuckTimer = 0.0f;
    int from = car.aiWaypoint - 1;
    if (from < 0) from = session.checkpointCount - 1;
    placeCarAtCheckpoint(car, from);
    // Still inside the waypoint it starts from: aim past it.
    car.aiWaypoint = (from + 1) % session.checkpointCount;
    if (car.index >= 0 && car.index < kRaceCars) {
        session.lostCount[car.index] += 1;
    }
}

static void updateStuckAndReverse(Car& car, float f, float s, float pa, float& speedLimit) {
    const bool holding = session.countdownRunning || session.raceFinished;
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

// Steering: the wheel turns at 0.02 per unit of f towards an angle in
// proportion to the error e, never past the lock, and at speed never past
// what keeps the tyres gripping (a full lock at racing speed only slides the
// car wide), so it settles on the angle a bend needs instead of swinging
// from lock to lock.
float opponentSteerTarget(float e, float s) {
    float lock = kOpponentSteerLock;
    if (s > 1.0f) {
        float grip = kOpponentGripSteer * opponentCorneringScale(session.raceDifficulty) / sqrtf(s);
        if (grip < lock) lock = grip;
    }
    float target = kOpponentSteerGain * e;
    if (target > lock) target = lock;
    if (target < -lock) target = -lock;
    return target;
}

static void steerTowards(Car& car, float f, float e, float s) {
    const float target = opponentSteerTarget(e, s);
    const float rate = kOpponentSteerRate * f;
    if (car.steer < target - rate) {
        car.steer += rate;
    } else if (car.steer > target + rate) {
        car.steer -= rate;
    } else {
        car.steer = target;
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

    const float pa = players[0].playerCarPower * opponentPowerScale(session.raceDifficulty, car.index);
    updateOpponentEngine(car, f, s);

    float speedLimit;
    float e = aimAtWaypoint(car, p, u, speedLimit);
    updateStuckAndReverse(car, f, s, pa, speedLimit);
    rescueLostCar(car, f, s);

    if (s < speedLimit && !car.reversing) {
        car.gear = car.targetGear;
        selectGearForce(car, s, pa);
    }
    if (s >= speedLimit && !car.reversing) {
        float b = (players[0].playerCarPower * 1.5f + 0.5f) * 120.0f;
        float mag = s < 1.0f ? b * sqrtf(s) : b;
        car.driveForce = rollingBack ? mag : -mag;
        session.opponentSkidLevel += 0.005f * f;
    }

    steerTowards(car, f, e, s);

    if (car.slipGrip >= 0.75f || s <= 5.4f) {
        session.opponentSkidLevel -= 0.005f * f;
    } else {
        session.opponentSkidLevel += 0.005f * f;
    }
    if (session.opponentSkidLevel < 0.0f) session.opponentSkidLevel = 0.0f;
    if (session.opponentSkidLevel > 1.0f) session.opponentSkidLevel = 1.0f;

    car.dustLevel = session.opponentSkidLevel;
    car.dustActive = session.opponentSkidLevel > 0.5f;
    bool fast = s > 17.0f;
    car.flameColour[0] = fast ? 0.0f : 1.0f;
    car.flameColour[1] = 1.0f;
    car.flameColour[2] = fast ? 0.0f : 1.0f;
    car.flameLevel = (car.rpm - 1000.0f) * 0.0002f;
    car.flameActive = true;

    if (session.countdownRunning) {
        car.driveForce = 0.01f;
        car.steer = 0.0f;
        setLinearVelocity(body, Vector3(0.0f, 0.0f, 0.0f));
        setAngularMomentum(body, Vector3(0.0f, 0.0f, 0.0f));
    }

    // After the finish the opponents lift off and roll to a stop.
    if (session.raceFinished) {
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
        if (car.nextCheckpoint >= session.checkpointCount) {
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
            session.unstickCount[car.index] += 1;
        }
    }
}
