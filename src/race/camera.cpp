// The chase camera behind the player's car, the eye values it hands the
// renderer to shade and face sprites with, and the sound listener that rides
// with it.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "render/gl.h"
#include "render/render.h"
#include "state/state.h"

float cameraAimX = 1.0f;
float cameraAimZ = 0.0f;
float cameraDirX = -5.5f;
float cameraDirZ = -1.0f;
float orbitAngle = 0.0f;
int cameraMode = 0;

// After the finish the camera circles at 0.7 radians a second.
static const float kOrbitRate = 0.007f;
static const float kOrbitSpeed = 23.0f;
// Gaps of this size or less are left as they are.
static const float kAimDeadZone = 0.01f;
// The eye's distance uses at least this much of the smoothed direction.
static const float kMinDirLength = 0.75f;

void resetChaseCamera() {
    // The grid faces +x; starting from in front of the car makes the view
    // swing round behind it while the countdown runs.
    cameraAimX = 1.0f;
    cameraAimZ = 0.0f;
    cameraDirX = -5.5f;
    cameraDirZ = -1.0f;
}

static float approach(float current, float target, float f) {
    const float d = target - current;
    if (d > kAimDeadZone)
        current += std::fabs(d) * 0.01f * f;
    else if (-d > kAimDeadZone)
        current -= std::fabs(d) * 0.01f * f;
    return current;
}

static void placeListenerAndSounds(const Vector3& p, float cx, float cz) {
    const Vector3 v0 = cars[0].body != nullptr ? getLinearVelocity(cars[0].body) : Vector3();
    const float position[3] = {p.x - 12.0f * cx, p.y + 5.0f, p.z - 12.0f * cz};
    const float velocity[3] = {v0.x, v0.y, v0.z};
    Vector3 at(27.0f * cx, -5.0f, 27.0f * cz);
    normalise(at);
    const float orientation[6] = {at.x, at.y, at.z, 0.0f, 1.0f, 0.0f};
    setListener(position, velocity, orientation);

    if (cars[0].body != nullptr) {
        const Vector3 p0 = getPosition(cars[0].body);
        placeSound(soundEnginePass, p0, v0);
        placeSound(soundGear, p0, v0);
        placeSound(soundNitro, p0, v0);
        placeSound(soundWind, p0, v0);
    }
    SoundEffect* engines[kRaceCars] = {&soundEngine1, &soundEngine2, &soundEngine3, &soundEngine4};
    for (int i = 0; i < kRaceCars; i++) {
        if (cars[i].body != nullptr)
            placeSound(*engines[i], getPosition(cars[i].body), getLinearVelocity(cars[i].body));
    }
}

void updateChaseCamera(int carIndex) {
    const float f = frameFactor;
    const RigidBody* body = (carIndex >= 0 && carIndex < kRaceCars) ? cars[carIndex].body : nullptr;
    const Vector3 p = body != nullptr ? getPosition(body) : Vector3();
    Vector3 v = body != nullptr ? getLinearVelocity(body) : Vector3();

    orbitAngle += kOrbitRate * f;
    if (raceFinished) {
        v.x = std::cos(orbitAngle) * kOrbitSpeed;
        v.z = std::sin(orbitAngle) * kOrbitSpeed;
    }

    // The aim follows the direction of travel, not the car's heading, and
    // holds when the car is nearly still.
    const float h = std::sqrt(v.x * v.x + v.z * v.z);
    Vector3 n = v;
    normalise(n);
    if (h > 1.0f) {
        cameraAimX = n.x;
        cameraAimZ = n.z;
    }
    // On a slow machine the camera still turns, at most as far as the race
    // itself advances in one frame.
    const float turn = f < kRaceTimeLimit ? f : kRaceTimeLimit;
    cameraDirX = approach(cameraDirX, cameraAimX, turn);
    cameraDirZ = approach(cameraDirZ, cameraAimZ, turn);
    const float cx = cameraDirX, cz = cameraDirZ;

    const float back = cameraMode == 1 ? 8.0f : 6.5f;
    const float rise = cameraMode == 1 ? 2.2f : 2.0f;
    // While the direction swings round (reversing, a spin) its smoothed
    // length can pass near zero; the eye keeps its distance all the same.
    float ex = cx, ez = cz;
    const float dirLength = std::sqrt(cx * cx + cz * cz);
    if (dirLength < kMinDirLength) {
        if (dirLength > 1e-4f) {
            ex = cx / dirLength * kMinDirLength;
            ez = cz / dirLength * kMinDirLength;
        } else if (body != nullptr) {
            const Vector3 nose = getRotation(body).rows[0];
            ex = nose.x * kMinDirLength;
            ez = nose.z * kMinDirLength;
        }
    }
    const Vector3 eye = clearChaseEye(p, Vector3(p.x - back * ex, p.y + rise, p.z - back * ez));
    gluLookAt(eye.x, eye.y, eye.z, p.x + 30.0f * cx, p.y - 1.0f, p.z + 30.0f * cz, 0.0, 1.0, 0.0);

    cameraEye =
        cameraMode == 0 ? eye : clearChaseEye(p, Vector3(p.x - 6.5f * ex, p.y + 2.0f, p.z - 6.5f * ez));
    shadingEye = Vector3(p.x - 8.0f * cx, p.y + 2.2f, p.z - 8.0f * cz);
    shadingViewDir = Vector3(38.0f * cx, -3.2f, 38.0f * cz);
    normalise(shadingViewDir);

    placeListenerAndSounds(p, cx, cz);
}
