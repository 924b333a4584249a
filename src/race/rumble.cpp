// The controller's rumble in a race: a knock for a crash as strong as the
// impact, a short buzz over kerbs, a low hum while the nitro burns; all scaled
// by the rumble setting.
#include <cmath>

#include "platform/platform.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

namespace {

// A change of velocity within one 10 ms frame above this (world units per
// second) is an impact: driving, braking and gravity stay far below it.
constexpr float kImpactSpeed = 1.5f;
// The change that knocks at full strength.
constexpr float kFullImpactSpeed = 9.0f;
constexpr int kImpactMs = 220;
// Kerbs: the four wheels' suspension moving this much in one frame, summed,
// at road speed above kKerbMinSpeed.
constexpr float kKerbTravel = 0.05f;
constexpr float kKerbMinSpeed = 4.0f;
constexpr float kKerbStrength = 0.35f;
constexpr int kKerbMs = 80;
constexpr float kNitroStrength = 0.2f;
// The hum is renewed this often, and lasts a little longer, so it never
// stops between renewals.
constexpr float kNitroRenewMs = 80.0f;
constexpr int kNitroMs = 120;

struct RumbleState {
    const RigidBody* body;  // the car last seen; another one starts afresh
    Vector3 velocity;
    float suspension[4];
    float busyMs;       // the knock or buzz still running
    float nitroWaitMs;  // until the hum is renewed
};

RumbleState rumble = {};

void start(float strength, int ms) {
    platformRumble(strength * static_cast<float>(rumbleStrength) / 100.0f, ms);
}

}  // namespace

void resetRumble() {
    rumble = RumbleState{};
}

void updateRumble(const Car& car, bool nitroBurning, float f) {
    if (car.body == nullptr) return;
    const Vector3 v = getLinearVelocity(car.body);
    const bool fresh = rumble.body != car.body;
    const Vector3 before = rumble.velocity;
    float travel = 0.0f;
    for (int i = 0; i < 4; i++) {
        travel += fabsf(car.suspension[i] - rumble.suspension[i]);
        rumble.suspension[i] = car.suspension[i];
    }
    rumble.body = car.body;
    rumble.velocity = v;
    const float frameMs = 10.0f * f;
    rumble.busyMs -= frameMs;
    rumble.nitroWaitMs -= frameMs;
    // Nothing while held on the grid, after the finish, during a reset's
    // fade (the car is moved), or with rumble off.
    if (fresh || session.countdownRunning || session.raceFinished || carResetFade() > 0.0f ||
        rumbleStrength <= 0)
        return;

    // Per 10 ms, so a long frame does not read as a crash.
    const float impact = length(v - before) / (f > 0.0f ? f : 1.0f);
    if (impact > kImpactSpeed) {
        float strength = (impact - kImpactSpeed) / (kFullImpactSpeed - kImpactSpeed);
        strength = strength < 0.25f ? 0.25f : (strength > 1.0f ? 1.0f : strength);
        start(strength, kImpactMs);
        rumble.busyMs = static_cast<float>(kImpactMs);
        return;
    }
    if (rumble.busyMs > 0.0f) return;
    if (travel > kKerbTravel && length(v) > kKerbMinSpeed) {
        start(kKerbStrength, kKerbMs);
        rumble.busyMs = static_cast<float>(kKerbMs);
        return;
    }
    if (nitroBurning && rumble.nitroWaitMs <= 0.0f) {
        start(kNitroStrength, kNitroMs);
        rumble.nitroWaitMs = kNitroRenewMs;
    }
}
