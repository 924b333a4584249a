// The chase camera behind the player's car: the view it hands the renderer,
// the eye values the renderer shades and faces sprites with, and the sound
// listener that rides with it.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "render/render.h"
#include "state/state.h"

// After the finish the camera circles at 0.7 radians a second.
static const float kOrbitRate = 0.007f;
static const float kOrbitSpeed = 23.0f;
// Gaps of this size or less are left as they are.
static const float kAimDeadZone = 0.01f;
// The eye's distance uses at least this much of the smoothed direction.
static const float kMinDirLength = 0.75f;
// The chase eye stays this far over the highest corner of the car's body
// (level, the roof is 1.4 over the body's centre and the eye 2.0: only a
// tilt of more than about 12 degrees lifts it), and gives back the lift at
// 5 % a 10 ms, within a second once the car is level again.
static const float kRoofClearance = 0.3f;
static const float kLiftReturn = 0.05f;
// A car slower than this (units a second) for kHeldSeconds while racing is
// held (in a wall, say): the camera goes back behind its nose.
static const float kHeldSpeed = 1.5f;
static const float kHeldSeconds = 2.0f;
// The car's length: the ghost fades out over the last half of it and is
// gone inside its body.
static const float kCarLength = 6.0f;
// Where the bumper and hood views sit on the car, in its own axes (+x
// forward, +y up): just ahead of the front bumper, and over the hood in
// front of the windscreen.
static const Vector3 kBumperEye(3.3f, 0.45f, 0.0f);
static const Vector3 kHoodEye(1.0f, 1.35f, 0.0f);

void resetChaseCamera() {
    // The grid faces +x; starting from in front of the car makes the view
    // swing round behind it while the countdown runs.
    for (PlayerRace& player : players) {
        player.cameraAimX = 1.0f;
        player.cameraAimZ = 0.0f;
        player.cameraDirX = -5.5f;
        player.cameraDirZ = -1.0f;
        player.cameraHeldSeconds = 0.0f;
        player.cameraLift = 0.0f;
    }
}

// The highest point of the car's body (chassis and cabin boxes) over its
// centre, in world units, as it is turned now.
static float roofHeight(const Matrix3& r) {
    static const float kBoxes[2][6] = {{-3.0f, -0.2f, -1.3f, 3.0f, 0.8f, 1.3f},
                                       {-1.85f, 0.8f, -1.3f, 0.65f, 1.4f, 1.3f}};
    float top = -1e30f;
    for (const float* box : kBoxes) {
        for (int corner = 0; corner < 8; corner++) {
            const float x = box[(corner & 1) ? 3 : 0], y = box[(corner & 2) ? 4 : 1],
                        z = box[(corner & 4) ? 5 : 2];
            top = std::fmax(top, x * r.rows[0].y + y * r.rows[1].y + z * r.rows[2].y);
        }
    }
    return top;
}

float ghostFade(const Vector3& ghost) {
    const float d = length(ghost - cameraEye);
    const float fade = (d - 0.5f * kCarLength) / (0.5f * kCarLength);
    return fade < 0.0f ? 0.0f : (fade > 1.0f ? 1.0f : fade);
}

// A car held still for kHeldSeconds while racing gets the camera back behind
// its nose at once: the aim only follows motion, so it would stay wherever
// the car's last slide left it.
static void bringCameraBehindHeldCar(PlayerRace& me, const RigidBody* body, float h, float f) {
    const bool racing = !session.countdownRunning && !playerFinished(static_cast<int>(&me - players));
    if (!racing || h >= kHeldSpeed) {
        me.cameraHeldSeconds = 0.0f;
        return;
    }
    const float before = me.cameraHeldSeconds;
    me.cameraHeldSeconds += 0.01f * f;
    if (before > kHeldSeconds || me.cameraHeldSeconds <= kHeldSeconds) return;
    Vector3 nose = getRotation(body).rows[0];
    nose.y = 0.0f;
    if (length(nose) < 1e-3f) return;
    normalise(nose);
    me.cameraAimX = me.cameraDirX = nose.x;
    me.cameraAimZ = me.cameraDirZ = nose.z;
}

// The bumper and hood views: fixed to the car, looking along its nose.
static Vector3 carViewEye(const PlayerRace& me, const RigidBody* body, const Vector3& p, Vector3* centre) {
    const Matrix3 r = getRotation(body);
    const Vector3 local = me.cameraMode == kBumperView ? kBumperEye : kHoodEye;
    const Vector3 eye = p + r.rows[0] * local.x + r.rows[1] * local.y + r.rows[2] * local.z;
    Vector3 ahead = r.rows[0];
    ahead.y = 0.0f;
    if (length(ahead) < 1e-3f) ahead = Vector3(me.cameraDirX, 0.0f, me.cameraDirZ);
    normalise(ahead);
    // A little down the road: the hood view sees the hood, the bumper the
    // road just ahead.
    const float drop = me.cameraMode == kBumperView ? 0.6f : 1.6f;
    *centre = Vector3(eye.x + 30.0f * ahead.x, eye.y - drop, eye.z + 30.0f * ahead.z);
    return eye;
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
    const Vector3 v0 = session.cars[0].body != nullptr ? getLinearVelocity(session.cars[0].body) : Vector3();
    const float position[3] = {p.x - 12.0f * cx, p.y + 5.0f, p.z - 12.0f * cz};
    const float velocity[3] = {v0.x, v0.y, v0.z};
    Vector3 at(27.0f * cx, -5.0f, 27.0f * cz);
    normalise(at);
    const float orientation[6] = {at.x, at.y, at.z, 0.0f, 1.0f, 0.0f};
    setListener(position, velocity, orientation);

    if (session.cars[0].body != nullptr) {
        const Vector3 p0 = getPosition(session.cars[0].body);
        placeSound(audio.soundEnginePass, p0, v0);
        placeSound(audio.soundGear, p0, v0);
        placeSound(audio.soundNitro, p0, v0);
        placeSound(audio.soundWind, p0, v0);
    }
    SoundEffect* engines[kRaceCars] = {&audio.soundEngine1, &audio.soundEngine2, &audio.soundEngine3,
                                       &audio.soundEngine4};
    for (int i = 0; i < kRaceCars; i++) {
        if (session.cars[i].body != nullptr)
            placeSound(*engines[i], getPosition(session.cars[i].body),
                       getLinearVelocity(session.cars[i].body));
    }
}

SceneView updateChaseCamera(int carIndex) {
    const float f = frameClock.frameFactor;
    const RigidBody* body = (carIndex >= 0 && carIndex < kRaceCars) ? session.cars[carIndex].body : nullptr;
    // Each human's view has its camera; car i is player i's.
    const int player = carIndex >= 0 && carIndex < kMaxPlayers ? carIndex : 0;
    PlayerRace& me = players[player];
    const Vector3 p = body != nullptr ? getPosition(body) : Vector3();
    Vector3 v = body != nullptr ? getLinearVelocity(body) : Vector3();

    me.orbitAngle += kOrbitRate * f;
    if (playerFinished(player)) {
        v.x = std::cos(me.orbitAngle) * kOrbitSpeed;
        v.z = std::sin(me.orbitAngle) * kOrbitSpeed;
    }

    // The aim follows the direction of travel, not the car's heading, and
    // holds when the car is nearly still.
    const float h = std::sqrt(v.x * v.x + v.z * v.z);
    Vector3 n = v;
    normalise(n);
    if (h > 1.0f) {
        me.cameraAimX = n.x;
        me.cameraAimZ = n.z;
    }
    // On a slow machine the camera still turns, at most as far as the race
    // itself advances in one frame.
    const float turn = f < kRaceTimeLimit ? f : kRaceTimeLimit;
    me.cameraDirX = approach(me.cameraDirX, me.cameraAimX, turn);
    me.cameraDirZ = approach(me.cameraDirZ, me.cameraAimZ, turn);
    if (body != nullptr) bringCameraBehindHeldCar(me, body, h, f);
    const float cx = me.cameraDirX, cz = me.cameraDirZ;

    const float back = me.cameraMode == 1 ? 8.0f : 6.5f;
    const float rise = me.cameraMode == 1 ? 2.2f : 2.0f;
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
    Vector3 eye = clearChaseEye(p, Vector3(p.x - back * ex, p.y + rise, p.z - back * ez));
    // Never under the roof of a tilted car: lifted at once, let down over
    // about a second once the car is level again.
    if (body != nullptr) {
        const float over = p.y + roofHeight(getRotation(body)) + kRoofClearance - eye.y;
        me.cameraLift -= me.cameraLift * std::fmin(1.0f, kLiftReturn * turn);
        if (over > me.cameraLift) me.cameraLift = over;
        if (me.cameraLift > 0.0f) eye.y += me.cameraLift;
    }
    Vector3 centre(p.x + 30.0f * cx, p.y - 1.0f, p.z + 30.0f * cz);
    if (body != nullptr && (me.cameraMode == kBumperView || me.cameraMode == kHoodView))
        eye = carViewEye(me, body, p, &centre);

    setCameraEye(me.cameraMode != kChaseFarView
                     ? eye
                     : clearChaseEye(p, Vector3(p.x - 6.5f * ex, p.y + 2.0f, p.z - 6.5f * ez)));
    Vector3 viewDir(38.0f * cx, -3.2f, 38.0f * cz);
    normalise(viewDir);
    setShadingView(Vector3(p.x - 8.0f * cx, p.y + 2.2f, p.z - 8.0f * cz), viewDir);

    // One listener: the first player's camera (docs/SOUND.md).
    if (player == 0) placeListenerAndSounds(p, cx, cz);

    SceneView view;
    view.eye = eye;
    view.target = centre;
    // The view widens with its own car's speed.
    const float speed = player == 0 ? raceViewSpeed : me.playerSpeed;
    view.fieldOfView = kRaceFieldOfView + kRaceViewWidening * static_cast<double>(speed);
    view.nearPlane = kRaceNearPlane;
    view.farPlane = kRaceFarPlane;
    view.viewport = windowViewport();
    return view;
}
