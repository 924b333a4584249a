// The player's tyres heard drumming when they ride the kerb's sloped face,
// its pitch rising with the speed.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

// A wheel's ground tilted this far across the car (the sine of the angle
// from level, along the car's side axis) is the kerb's face: it rises 0.2
// over 0.3, about 34 degrees, while the road banks a few degrees at most.
static constexpr float kKerbTilt = 0.35f;
// The rumble comes in within a few frames and dies away over about 0.15 s.
static constexpr float kKerbRise = 0.3f;
static constexpr float kKerbFall = 0.07f;
// Full loudness from this speed (units a second) up; the ridges' rate, the
// pitch, follows the speed: 1 at 20 units a second.
static constexpr float kKerbFullSpeed = 6.0f;

// Wheels of the player's car on the kerb since the last race frame, and the
// rumble's level, 0..1.
static int wheelsOnKerb = 0;
static float kerbLevel = 0.0f;

bool wheelOnKerb(const Vector3& groundNormal, const Vector3& carSide) {
    return std::fabs(dot(groundNormal, carSide)) > kKerbTilt;
}

void noteWheelGround(const Car& car, const Vector3& groundNormal, const Vector3& carSide) {
    if (car.index == 0 && wheelOnKerb(groundNormal, carSide)) wheelsOnKerb++;
}

void startKerbRumble() {
    wheelsOnKerb = 0;
    kerbLevel = 0.0f;
    soundKerb.setGain(0.0f);
    soundKerb.play();
}

void updateKerbRumble(float f) {
    const float target = wheelsOnKerb > 0 ? 1.0f : 0.0f;
    wheelsOnKerb = 0;
    kerbLevel += (target - kerbLevel) * (target > kerbLevel ? kKerbRise : kKerbFall) * f;
    if (kerbLevel < 0.0f) kerbLevel = 0.0f;
    if (kerbLevel > 1.0f) kerbLevel = 1.0f;
    if (session.cars[0].body == nullptr) return;
    const float s = players[0].playerSpeed;
    placeSound(soundKerb, getPosition(session.cars[0].body), getLinearVelocity(session.cars[0].body));
    soundKerb.setGain(kerbLevel * (s < kKerbFullSpeed ? s / kKerbFullSpeed : 1.0f));
    float pitch = s / 20.0f;
    if (pitch < 0.3f) pitch = 0.3f;
    if (pitch > 2.0f) pitch = 2.0f;
    soundKerb.setPitch(pitch);
}

float kerbRumbleLevel() {
    return kerbLevel;
}
