// The Car record and the player's car: keys or a controller to drive force
// and steering, the automatic gearbox, nitro, drift, sounds, emitters and lap
// bookkeeping.
#include <cmath>

#include "audio/audio.h"
#include "platform/controller_keys.h"
#include "platform/platform.h"
#include "race/race.h"
#include "race/race_local.h"
#include "render/render.h"
#include "state/state.h"

// The human driving a car: car i is player i's.
static int playerIndex(const Car& car) {
    return car.index >= 0 && car.index < kMaxPlayers ? car.index : 0;
}
static PlayerRace& playerOf(const Car& car) {
    return players[playerIndex(car)];
}
// The first player's car makes the sounds there is one of (gears, nitro,
// tyres, wind, the engine's pass sound); every human's engine loop is heard.
static bool firstPlayer(const Car& car) {
    return playerIndex(car) == 0;
}

// The player's tuning. Speeds are world units per second, forces are per rear
// wheel in contact, rates are per 10 ms (multiplied by the frame factor f).
//
// The player's engine forces run 15 % above the car's power rating.
static constexpr float kPlayerPowerScale = 1.15f;
// Engine speed: idle, and the revs per unit of road speed in gears 1..5
// (reverse uses first's); the engine follows its target by 10 % a step.
static constexpr float kIdleRpm = 1000.0f;
static constexpr float kGearRpmPerSpeed[5] = {777.7f, 542.6f, 388.8f, 318.2f, 272.7f};
static constexpr float kRpmFollowRate = 0.1f;
// Gear bands: the top road speed of gears 1..4 (fifth has none) and each
// gear's drive force before the power rating; reverse pushes with first's.
static constexpr float kGearTopSpeed[4] = {9.0f, 12.9f, 18.0f, 22.0f};
static constexpr float kGearForce[5] = {140.0f, 120.0f, 100.0f, 80.0f, 60.0f};
// Braking force at 1 unit/s, growing with the square root of the speed.
static constexpr float kBrakeForce = 100.0f;
// Nitro: burns this much of the 100-unit tank a step and multiplies the drive
// force while it burns.
static constexpr float kNitroBurnRate = 0.12f;
static constexpr float kNitroBoost = 1.5f;
// The engine sound's mix moves by this much a step towards the loop (throttle)
// or the pass sound.
static constexpr float kEngineMixRate = 0.02f;
// Steering: turns by kSteerRate radians a step up to the kSteerLock lock; let
// go, it returns by kSteerReturn of its angle a step and snaps to straight
// under kSteerSnap radians.
static constexpr float kSteerRate = 0.05f;
static constexpr float kSteerLock = 0.7f;
static constexpr float kSteerReturn = 0.075f;
static constexpr float kSteerSnap = 0.02f;

Car::Car()
    : body(nullptr),
      suspension{},
      index(-1),
      driveForce(0.0f),
      targetRpm(0.0f),
      rpm(0.0f),
      steer(0.0f),
      slipGrip(0.0f),
      wheelSpin{},
      aiWaypoint(0),
      model(0),
      reverseTimer(0.0f),
      stuckTimer(0.0f),
      reversing(false),
      lostTimer(0.0f),
      startRotation(Matrix3::identity()),
      reverseArmed(false),
      brakeHeld(false),
      nitro(0.0f),
      targetGear(0),
      gear(0),
      crashCooldown(0.0f),
      lap(0),
      nextCheckpoint(0),
      checkpointsPassed(0),
      rearGrip(0.0f),
      frontGrip(0.0f),
      frontWheelAxis(),
      dustLevel(0.0f),
      dustActive(false),
      flameColour{1.0f, 1.0f, 1.0f},
      flameLevel(0.0f),
      flameActive(false),
      smokeLevel(0.0f),
      smokeActive(false) {}

Car::~Car() {}

// Target engine speed for an engaged gear at road speed s.
float gearTargetRpm(int gear, float s) {
    switch (gear) {
        case 1:
        case -1:
            return kIdleRpm + kGearRpmPerSpeed[0] * s;
        case 2:
            return kIdleRpm + kGearRpmPerSpeed[1] * s;
        case 3:
            return kIdleRpm + kGearRpmPerSpeed[2] * s;
        case 4:
            return kIdleRpm + kGearRpmPerSpeed[3] * s;
        case 5:
            return kIdleRpm + kGearRpmPerSpeed[4] * s;
        default:
            return kIdleRpm;
    }
}

void followTargetRpm(Car& car, float f) {
    if (car.rpm < car.targetRpm) {
        car.rpm += fabsf(car.targetRpm - car.rpm) * kRpmFollowRate * f;
    }
    if (car.rpm > car.targetRpm) {
        car.rpm -= fabsf(car.targetRpm - car.rpm) * kRpmFollowRate * f;
    }
}

bool selectGearForce(Car& car, float s, float power) {
    // s == 0 exactly (a car at rest) leaves force and gear as they were.
    if (s > 0.0f && s <= kGearTopSpeed[0]) {
        car.driveForce = kGearForce[0] * power;
        car.targetGear = 1;
    } else if (s > kGearTopSpeed[0] && s <= kGearTopSpeed[1]) {
        car.driveForce = kGearForce[1] * power;
        car.targetGear = 2;
    } else if (s > kGearTopSpeed[1] && s <= kGearTopSpeed[2]) {
        car.driveForce = kGearForce[2] * power;
        car.targetGear = 3;
    } else if (s > kGearTopSpeed[2] && s <= kGearTopSpeed[3]) {
        car.driveForce = kGearForce[3] * power;
        car.targetGear = 4;
    } else if (s > kGearTopSpeed[3]) {
        car.driveForce = kGearForce[4] * power;
        car.targetGear = 5;
    } else {
        return false;
    }
    return true;
}

// The throttle held while the car cannot get going (against a wall, on the
// grid) spins the rear wheels: the engine is heard revving towards this,
// though the gearbox's engine speed stays at idle. Rising over about a
// second, falling in about half that once the car moves or the throttle
// lifts.
static constexpr float kWheelSpinRpm = 6000.0f;
static constexpr float kWheelSpinSpeed = 3.0f;  // road speed under which the wheels spin
static constexpr float kWheelSpinRise = 0.03f;  // of the gap a 10 ms
static constexpr float kWheelSpinFall = 0.06f;
static float heardEngineRpm(const Car& car, float f, float s) {
    float& spin = playerOf(car).wheelSpinRpm;
    if (playerActionDown(playerIndex(car), BindAccelerate) && s < kWheelSpinSpeed &&
        !playerFinished(playerIndex(car))) {
        spin += (kWheelSpinRpm - spin) * kWheelSpinRise * f;
    } else {
        spin -= spin * kWheelSpinFall * f;
    }
    return car.rpm > spin ? car.rpm : spin;
}

static void clamp01(float& v) {
    if (v < 0.0f) v = 0.0f;
    if (v > 1.0f) v = 1.0f;
}

static void engageGear(Car& car) {
    if (car.gear != car.targetGear) {
        if (options.soundEnabled && firstPlayer(car) && !audio.soundGear.isPlaying()) {
            audio.soundGear.play();
        }
        car.gear = car.targetGear;
    }
}

// Force against the motion: a brake when moving forwards, the other way when
// rolling backwards, growing with the square root of the speed.
static float brakeForce(float s, float a, float scale, float backwards) {
    bool forwards = fabsf(a) < kHalfPi;
    if (s < 1.0f) {
        return forwards ? -scale : backwards;
    }
    return forwards ? -scale * sqrtf(s) : backwards * sqrtf(s);
}

static void updateNitro(Car& car, float f, float& k) {
    k = 1.0f;
    const bool heard = firstPlayer(car);
    bool playing = heard && audio.soundNitro.isPlaying();
    if (playerActionDown(playerIndex(car), BindNitro)) {
        if (car.nitro > 0.0f) {
            car.nitro -= kNitroBurnRate * f;
            k = kNitroBoost;
            if (heard && !playing && options.soundEnabled) {
                audio.soundNitro.play();
            }
        }
        if (car.nitro <= 0.0f) {
            car.nitro = 0.0f;
            if (playing) {
                audio.soundNitro.stop();
            }
        }
    } else if (playing) {
        audio.soundNitro.stop();
    }
}

// What the player asks of the car this frame, each -1..1: steering (positive
// turns left) and drive (positive throttle, negative brake or reverse). Keys
// give -1, 0 or 1 and win while held; otherwise a wheel's assigned axes,
// then a controller's stick and triggers, give their shaped deflection.
struct PlayerInput {
    float steer;
    float drive;
    bool analogueSteer;
};

// A raw stick or trigger value as a fraction of its travel.
static float axisFraction(int value) {
    return static_cast<float>(value) / 32767.0f;
}

// A joystick's assigned axes, shaped as the controller's, where no key
// steers or drives.
static void readWheel(PlayerInput& in) {
    JoystickAxes wheel;
    joystickAxes(&wheel);
    if (!wheel.connected) return;
    const InputDeviceSettings& device = controlSettings.inputDevices[DeviceController];
    float value[kWheelInputs] = {};
    for (int i = 0; i < kWheelInputs; i++) {
        const WheelAxis& axis = controlSettings.wheelAxes[i];
        if (axis.axis < 0 || axis.axis >= kJoystickAxes) continue;
        const float raw = axisFraction(wheel.axes[axis.axis]);
        value[i] = shapeAxis(wheelAxisValue(raw, axis, static_cast<WheelInput>(i)), device);
    }
    // The wheel turned right is positive; the car's left is.
    if (in.steer == 0.0f && value[WheelSteer] != 0.0f) {
        in.steer = -value[WheelSteer];
        in.analogueSteer = true;
    }
    if (in.drive == 0.0f) in.drive = value[WheelThrottle] > 0.0f ? value[WheelThrottle] : -value[WheelBrake];
}

// A player among several: their own device's keys, and the stick and
// triggers when it is the controller the platform reads.
static PlayerInput readDeviceInput(int player) {
    PlayerInput in{};
    const int device = players[player].driveDevice;
    in.steer =
        deviceActionDown(device, BindLeft) ? 1.0f : (deviceActionDown(device, BindRight) ? -1.0f : 0.0f);
    in.drive = deviceActionDown(device, BindAccelerate)
                   ? 1.0f
                   : (deviceActionDown(device, BindBrake) ? -1.0f : 0.0f);
    if (device != DriveController1) return in;
    PadAnalogue pad;
    padAnalogue(&pad);
    if (!pad.connected) return in;
    const InputDeviceSettings& settings = controlSettings.inputDevices[DeviceController];
    const float stick = -shapeAxis(axisFraction(pad.axes[PadLeftX]), settings);
    if (in.steer == 0.0f && stick != 0.0f) {
        in.steer = stick;
        in.analogueSteer = true;
    }
    const float throttle = shapeAxis(axisFraction(pad.axes[PadTriggerRight]), settings);
    const float brake = shapeAxis(axisFraction(pad.axes[PadTriggerLeft]), settings);
    if (in.drive == 0.0f) in.drive = throttle > 0.0f ? throttle : -brake;
    return in;
}

static PlayerInput readPlayerInput(int player) {
    if (session.humanCount > 1) return readDeviceInput(player);
    PlayerInput in{};
    in.steer = actionDown(BindLeft) ? 1.0f : (actionDown(BindRight) ? -1.0f : 0.0f);
    in.drive = actionDown(BindAccelerate) ? 1.0f : (actionDown(BindBrake) ? -1.0f : 0.0f);
    readWheel(in);
    PadAnalogue pad;
    padAnalogue(&pad);
    if (!pad.connected) {
        return in;
    }
    const InputDeviceSettings& device = controlSettings.inputDevices[DeviceController];
    // The stick's right is positive; the car's left is.
    const float stick = -shapeAxis(axisFraction(pad.axes[PadLeftX]), device);
    if (in.steer == 0.0f && stick != 0.0f) {
        in.steer = stick;
        in.analogueSteer = true;
    }
    const float throttle = shapeAxis(axisFraction(pad.axes[PadTriggerRight]), device);
    const float brake = shapeAxis(axisFraction(pad.axes[PadTriggerLeft]), device);
    if (in.drive == 0.0f) {
        // The throttle wins over the brake, as Up does over Down.
        in.drive = throttle > 0.0f ? throttle : -brake;
    }
    return in;
}

// Another human's engine loop: their car's own loop, louder on the throttle
// (the first player's pass sound has no twin for them).
static void updateOtherPlayerEngine(const Car& car, float pitch) {
    SoundEffect* loops[kRaceCars] = {&audio.soundEngine1, &audio.soundEngine2, &audio.soundEngine3,
                                     &audio.soundEngine4};
    if (car.index < 0 || car.index >= kRaceCars) return;
    loops[car.index]->setGain(0.4f + 0.6f * playerOf(car).engineMix);
    loops[car.index]->setPitch(pitch);
}

static void updatePedals(Car& car, float f, float s, float power, const Vector3& forward, const Vector3& v,
                         float drive) {
    if (drive > 0.0f) {
        car.reverseArmed = false;
        car.brakeHeld = false;
        engageGear(car);
        playerOf(car).engineMix += kEngineMixRate * f;
        if (playerOf(car).engineMix > 1.0f) playerOf(car).engineMix = 1.0f;
        // A part-pressed pedal gives that part of the gear's force.
        if (selectGearForce(car, s, power) && drive < 1.0f) car.driveForce *= drive;
    } else if (drive < 0.0f) {
        const float pedal = -drive;
        car.brakeHeld = true;
        engageGear(car);
        if (car.targetGear == -1) {
            playerOf(car).engineMix += kEngineMixRate * f;
            if (playerOf(car).engineMix > 1.0f) playerOf(car).engineMix = 1.0f;
        } else {
            playerOf(car).engineMix -= kEngineMixRate * f;
            if (playerOf(car).engineMix < 0.0f) playerOf(car).engineMix = 0.0f;
        }
        float a = headingAngle(forward, v);
        float scale = kBrakeForce;
        car.driveForce = brakeForce(s, a, scale, scale);
        if (pedal < 1.0f) car.driveForce *= pedal;
        if (car.reverseArmed) {
            car.targetGear = -1;
            if (s > 0.0f && s <= kGearTopSpeed[0]) {
                car.driveForce = -kGearForce[0] * power;
                if (pedal < 1.0f) car.driveForce *= pedal;
            } else {
                car.driveForce += 0.1f * f;
            }
        } else {
            float t = (s - 1.0f) * 0.2f;
            clamp01(t);
            if (pedal < 1.0f) t *= pedal;
            if (t > playerOf(car).skidLevel) playerOf(car).skidLevel = t;
        }
    } else {
        // Letting go of the brake at a near stop arms reverse.
        if (car.brakeHeld && s < 1.0f) {
            car.reverseArmed = true;
        }
        playerOf(car).engineMix -= kEngineMixRate * f;
        if (playerOf(car).engineMix < 0.0f) playerOf(car).engineMix = 0.0f;
        car.driveForce = 0.0f;
    }
}

static void returnSteering(Car& car, float f) {
    car.steer -= kSteerReturn * car.steer * f;
    if (fabsf(car.steer) < kSteerSnap) car.steer = 0.0f;
}

static void updateSteering(Car& car, float f, const PlayerInput& in) {
    const bool assist =
        controlSettings.inputDevices[in.analogueSteer ? DeviceController : DeviceKeys].steerAssist;
    if (in.steer == 0.0f) {
        returnSteering(car, f);
        return;
    }
    const float target = in.steer * kSteerLock;
    if (!assist) {
        car.steer = target;
    } else if (!in.analogueSteer) {
        // Keys turn towards full lock at the steady rate.
        if (in.steer > 0.0f) {
            car.steer += kSteerRate * f;
            if (car.steer > kSteerLock) car.steer = kSteerLock;
        } else {
            car.steer -= kSteerRate * f;
            if (car.steer < -kSteerLock) car.steer = -kSteerLock;
        }
    } else if (car.steer < target) {
        car.steer += kSteerRate * f;
        if (car.steer > target) car.steer = target;
    } else if (car.steer > target) {
        car.steer -= kSteerRate * f;
        if (car.steer < target) car.steer = target;
    }
}

static void updateDrift(Car& car, float f, float s) {
    if (car.slipGrip < 0.4f && s > 8.0f) {
        if (playerOf(car).driftLevel < 4.0f) playerOf(car).driftLevel += 0.01f * f;
    } else if (playerOf(car).driftLevel > 0.0f) {
        playerOf(car).driftLevel -= 0.02f * f;
    }
    if (playerOf(car).driftLevel > 1.0f) {
        // Drifting refills the nitro tank.
        if (car.nitro < 100.0f) car.nitro += (playerOf(car).driftLevel - 1.0f) * 0.1f * f;
        if (car.nitro > 100.0f) car.nitro = 100.0f;
        playerOf(car).driftScore += (playerOf(car).driftLevel - 1.0f) * 0.1f * f;
    } else {
        playerOf(car).driftScore = 0.0f;
    }
}

static void updateEmitters(Car& car, float k) {
    car.dustLevel = playerOf(car).skidLevel;
    car.dustActive = playerOf(car).skidLevel > 0.01f;
    float e = (car.rpm - 4000.0f) * 0.00025f;
    clamp01(e);
    car.flameColour[0] = 1.0f;
    car.flameColour[1] = 1.0f;
    car.flameColour[2] = 1.0f;
    if (k > 1.0f) {
        // Nitro burns green at full flame.
        car.flameColour[0] = 0.0f;
        car.flameColour[2] = 0.0f;
        e = 1.0f;
    }
    car.flameLevel = e;
    car.flameActive = true;
    car.smokeLevel = 1.0f;
    car.smokeActive = true;
}

static void passPlayerCheckpoint(Car& car, const Vector3& p, const Vector3& v) {
    // The standings were refreshed by this frame's HUD.
    for (int i = 0; i < kRaceCars; i++) {
        if (session.standings[i].car == playerIndex(car)) {
            playerOf(car).playerPlace = 1 + i;
        }
    }
    if (firstPlayer(car)) {
        placeSound(audio.soundPoint, p, v);
        if (options.soundEnabled) audio.soundPoint.play();
    }
    if (car.nextCheckpoint == 0) {
        car.lap += 1;
        // Lap 1 ends when lap becomes 2 and is always the first best lap.
        if (clockValue(playerOf(car).lapTime) <= clockValue(playerOf(car).bestLapTime) || car.lap == 2) {
            playerOf(car).bestLapTime = playerOf(car).lapTime;
        }
        playerOf(car).lapTime = RaceClock{};
        if (car.lap > session.lapCount) {
            car.lap = session.lapCount;
            // With several humans the race goes on for the others (raceStep
            // ends it).
            if (session.humanCount <= 1)
                session.raceFinished = true;
            else
                playerOf(car).finished = true;
        }
    }
    car.checkpointsPassed += 1;
    car.nextCheckpoint += 1;
    if (car.nextCheckpoint >= session.checkpointCount) {
        car.nextCheckpoint = 0;
    }
}

bool checkpointReached(const Car& car, const Vector3& p) {
    // An empty table has nothing to reach (and nothing to index).
    if (session.checkpointCount <= 0 || car.nextCheckpoint < 0 ||
        car.nextCheckpoint >= session.checkpointCount) {
        return false;
    }
    const Checkpoint& c = session.checkpoints[car.nextCheckpoint];
    return length(Vector3(c.x, c.y, c.z) - p) < 15.0f && checkpointApproachedInOrder(car);
}

void updatePlayerCar(Car& car, float f) {
    if (car.body == nullptr) {
        return;
    }
    RigidBody* body = car.body;
    Vector3 v = getLinearVelocity(body);
    float s = length(v);
    playerOf(car).playerSpeed = s;
    if (firstPlayer(car)) setRaceViewSpeed(s);
    const float power = playerOf(car).playerCarPower * kPlayerPowerScale;

    float k;
    updateNitro(car, f, k);

    car.targetRpm = gearTargetRpm(car.gear, s);
    followTargetRpm(car, f);

    // Engine sounds: the loop and the pass sound cross-fade by last frame's mix.
    float pitch = (heardEngineRpm(car, f, s) - 1000.0f) * 0.0002f + 0.35f;
    if (pitch < 0.15f) pitch = 0.15f;
    if (pitch > 2.5f) pitch = 2.5f;
    if (firstPlayer(car)) {
        audio.soundEngine1.setGain(playerOf(car).engineMix);
        audio.soundEnginePass.setGain(1.0f - playerOf(car).engineMix);
        audio.soundEngine1.setPitch(pitch);
        audio.soundEnginePass.setPitch(pitch);
    } else {
        updateOtherPlayerEngine(car, pitch);
    }

    Vector3 forward = getRotation(body).rows[0];
    const PlayerInput held = readPlayerInput(playerIndex(car));
    updatePedals(car, f, s, power * k, forward, v, held.drive);
    updateSteering(car, f, held);

    // Tyre squeal.
    Vector3 p = getPosition(body);
    if (firstPlayer(car)) placeSound(audio.soundStart, p, v);
    if (car.slipGrip < 0.75f && s > 5.4f) {
        playerOf(car).skidLevel += 0.01f * f;
    } else {
        playerOf(car).skidLevel -= 0.0125f * f;
    }
    clamp01(playerOf(car).skidLevel);
    if (firstPlayer(car)) audio.soundStart.setGain(playerOf(car).skidLevel);

    float wind = 0.066f * s - 1.0f;
    clamp01(wind);
    if (firstPlayer(car) && audio.soundWind.isPlaying() && options.soundEnabled) {
        audio.soundWind.setGain(wind);
    }

    updateDrift(car, f, s);
    updateEmitters(car, k);
    // The controller rumbles for its own player's car.
    if (session.humanCount <= 1 || playerOf(car).driveDevice == DriveController1)
        updateRumble(car, k > 1.0f, f);

    if (session.countdownRunning) {
        car.driveForce = 0.01f;
        car.steer = 0.0f;
        setLinearVelocity(body, Vector3(0.0f, 0.0f, 0.0f));
        setAngularMomentum(body, Vector3(0.0f, 0.0f, 0.0f));
    }

    // After the finish the autopilot brakes to a standstill turning left,
    // whatever the keys did above.
    if (playerFinished(playerIndex(car))) {
        float a = headingAngle(forward, v);
        car.driveForce = brakeForce(s, a, kBrakeForce, 1.0f);
        car.steer = kSteerLock;
    }

    if (checkpointReached(car, p)) {
        passPlayerCheckpoint(car, p, v);
    }
}
