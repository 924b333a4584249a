// A scripted driver that races the player's car by the key states, or by a
// virtual controller's stick and triggers.
#include "sim_driver.h"

#include <cmath>
#include <cstdlib>

#include "frontend/frontend.h"
#include "platform/controller_keys.h"
#include "platform/scripted.h"
#include "shell/shell.h"

// How far ahead the driver judges a bend, and how much slower it takes
// one per radian the line turns there.
static constexpr float kBendLookAhead = 45.0f;
static constexpr float kBendSlowing = 11.0f;
// Ten seconds without reaching the next checkpoint: backing out has not freed
// the car (pinned in a corner, or beached on a kerb), so it goes back onto
// the road with the reset key, as a player would.
static constexpr int kGiveUpFrames = 1000;

static float clampf(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

static Vector3 pointOf(int i) {
    const Checkpoint& c = session.checkpoints[i];
    return Vector3(c.x, c.y, c.z);
}

static Vector3 flat(const Vector3& v) {
    return Vector3(v.x, 0.0f, v.z);
}

// Driving by the controller: the stick and triggers take the place of the
// arrows; A (nitro) holds Space as a controller's A does.
static bool padDriving = false;

// The raw deflection that the controller's settings turn into want (0..1):
// the inverse of the dead zone, curve and sensitivity, as a hand learns it.
static int rawFor(float want) {
    if (want <= 0.0f) return 0;
    const InputDeviceSettings& d = controlSettings.inputDevices[DeviceController];
    const float rest = static_cast<float>(d.deadZone) / 100.0f;
    const float t = powf(clampf(want / d.sensitivity, 0.0f, 1.0f), 1.0f / d.linearity);
    return static_cast<int>(clampf(rest + (1.0f - rest) * t, 0.0f, 1.0f) * 32767.0f + 0.5f);
}

// Stick (positive steers left, -1..1) and pedals (0..1) on the virtual
// controller.
static void setPad(float steer, float throttle, float brake, bool nitro) {
    const int stick = rawFor(fabsf(steer));
    scriptedSetControllerAxis(PadLeftX, steer > 0.0f ? -stick : stick);
    scriptedSetControllerAxis(PadTriggerRight, rawFor(throttle));
    scriptedSetControllerAxis(PadTriggerLeft, rawFor(brake));
    input.keys[VK_SPACE] = nitro;
}

// The driver whose keys are being set, for setKeys.
static const DriverState* keysOf = nullptr;

static void setKeys(bool up, bool down, bool left, bool right, bool space) {
    if (keysOf != nullptr && keysOf->ownDevice) {
        const int d = keysOf->device;
        input.keys[driveDeviceKey(d, BindAccelerate)] = up;
        input.keys[driveDeviceKey(d, BindBrake)] = down;
        input.keys[driveDeviceKey(d, BindLeft)] = left;
        input.keys[driveDeviceKey(d, BindRight)] = right;
        input.keys[driveDeviceKey(d, BindNitro)] = space;
        return;
    }
    if (padDriving) {
        setPad(left ? 1.0f : (right ? -1.0f : 0.0f), up ? 1.0f : 0.0f, down ? 1.0f : 0.0f, space);
        return;
    }
    input.keys[VK_UP] = up;
    input.keys[VK_DOWN] = down;
    input.keys[VK_LEFT] = left;
    input.keys[VK_RIGHT] = right;
    input.keys[VK_SPACE] = space;
}

void useSimController() {
    padDriving = true;
    scriptedSetController(true, false);
    // The game's own start: the controller's settings as a player finds them.
    setDefaultInputSettings();
}

// Backing out of a wall: brake to a stop, let go (which arms reverse), drive
// backwards with the wheel turned away, then go again.
static bool recover(const Car& car, DriverState& st, float speed) {
    if (st.recoverFrame <= 0) {
        return false;
    }
    int t = st.recoverFrame++;
    bool left = st.recoverSteer > 0, right = st.recoverSteer < 0;
    if (t < 10) {
        setKeys(false, true, false, false, false);
    } else if (t < 14) {
        setKeys(false, false, false, false, false);
    } else if (t < 130) {
        setKeys(false, car.reverseArmed, left, right, false);
    } else {
        st.recoverFrame = 0;
        st.slowFrames = 0;
        return false;
    }
    (void)speed;
    return true;
}

// The reset key of the driver's device.
static int resetKey(const DriverState& st) {
    return st.ownDevice ? driveDeviceKey(st.device, BindReset) : controlSettings.keyBindings[BindReset];
}

void scriptedDriverKeys(const Car& car, DriverState& st) {
    keysOf = &st;
    setKeys(false, false, false, false, false);
    input.keys[resetKey(st)] = false;
    if (car.body == nullptr || session.checkpointCount <= 0) {
        return;
    }
    const Vector3 p = getPosition(car.body);
    const Vector3 v = getLinearVelocity(car.body);
    const float speed = length(v);
    const Vector3 forward = getRotation(car.body).rows[0];

    if (session.countdownRunning) {
        setKeys(true, false, false, false, false);
        return;
    }
    const int player = car.index >= 0 && car.index < kMaxPlayers ? car.index : 0;
    if (playerFinished(player)) {
        return;
    }
    if (car.nextCheckpoint != st.lastCheckpoint) {
        st.lastCheckpoint = car.nextCheckpoint;
        st.framesWithoutCheckpoint = 0;
    } else if (++st.framesWithoutCheckpoint > kGiveUpFrames && carResetAllowed(player)) {
        input.keys[resetKey(st)] = true;
        st.framesWithoutCheckpoint = 0;
        st.recoverFrame = 0;
        st.slowFrames = 0;
        return;
    }
    if (recover(car, st, speed)) {
        return;
    }

    // Aim at the next checkpoint; look one further to judge the corner.
    const int next = car.nextCheckpoint;
    const int after = (next + 1) % session.checkpointCount;
    Vector3 toTarget = flat(pointOf(next) - p);
    const float distance = length(toTarget);
    Vector3 leg = flat(pointOf(after) - pointOf(next));
    Vector3 aimDir = toTarget;
    normalise(aimDir);
    normalise(leg);
    // Close to the checkpoint, start turning into the next leg.
    float blend = clampf((25.0f - distance) / 30.0f, 0.0f, 0.45f);
    Vector3 steerDir = aimDir * (1.0f - blend) + leg * blend;
    const float e = headingAngle(forward, steerDir);
    const float turn = fabsf(headingAngle(aimDir, leg));

    // Steering: a proportional wish, reached by holding Left or Right; at
    // speed no more lock than the tyres hold, or the car slides wide.
    // Facing well away from the checkpoint (after backing out, say): slow
    // down and turn round on full lock.
    const bool turningRound = fabsf(e) > 1.2f;
    const float lock = speed > 1.0f && !turningRound ? clampf(1.1f / sqrtf(speed), 0.2f, 0.7f) : 0.7f;
    const float wish = clampf(1.6f * e, -lock, lock);
    bool left = car.steer < wish - 0.04f;
    bool right = car.steer > wish + 0.04f;

    // Nitro on a straight: the next few legs run nearly in line.
    float bendAhead = turn;
    for (int k = 1; k < 4; k++) {
        Vector3 a = flat(pointOf((next + k) % session.checkpointCount) -
                         pointOf((next + k - 1) % session.checkpointCount));
        Vector3 b = flat(pointOf((next + k + 1) % session.checkpointCount) -
                         pointOf((next + k) % session.checkpointCount));
        normalise(a);
        normalise(b);
        bendAhead += fabsf(headingAngle(a, b));
    }

    // Speed: slow enough for the corner at the checkpoint ahead, and for the
    // error we are carrying now.
    // The points come closer together where the line turns, so the bend is
    // judged by how far the line turns over the next stretch of road.
    float bendSoon = turn;
    float along = distance;
    for (int k = 1; k < 8 && along < kBendLookAhead; k++) {
        const int a = (next + k) % session.checkpointCount;
        Vector3 in = flat(pointOf(a) - pointOf((a + session.checkpointCount - 1) % session.checkpointCount));
        Vector3 out = flat(pointOf((a + 1) % session.checkpointCount) - pointOf(a));
        along += length(in);
        normalise(in);
        normalise(out);
        bendSoon += fabsf(headingAngle(in, out));
    }
    float cornerSpeed = clampf(30.0f - kBendSlowing * bendSoon, 9.0f, 30.0f);
    float brakingRoom = (speed * speed - cornerSpeed * cornerSpeed) / 10.0f + 8.0f;
    float limit = distance < brakingRoom ? cornerSpeed : 30.0f;
    float nowLimit = clampf(30.0f - 20.0f * fabsf(e), 8.0f, 30.0f);
    if (nowLimit < limit) limit = nowLimit;
    if (turningRound) limit = 5.0f;

    bool up = speed < limit;
    bool down = !up && speed > limit + 2.0f && speed > 2.0f;
    bool nitro = up && fabsf(e) < 0.1f && bendAhead < 0.25f && speed > 15.0f;

    // Stuck against something: back out.
    if (speed < 1.0f) {
        st.slowFrames++;
    } else {
        st.slowFrames = 0;
    }
    if (st.slowFrames > 150) {
        st.recoverFrame = 1;
        st.recoverSteer = e > 0.0f ? -1 : 1;
        recover(car, st, speed);
        return;
    }
    if (st.keyShare > 0.0f && st.keyShare < 1.0f) {
        st.throttleCredit = std::fmin(2.0f, st.throttleCredit + st.keyShare);
        st.steerCredit = std::fmin(2.0f, st.steerCredit + st.keyShare);
        if (up) {
            if (st.throttleCredit >= 1.0f)
                st.throttleCredit -= 1.0f;
            else
                up = false;
        }
        if (left || right) {
            if (st.steerCredit >= 1.0f) {
                st.steerCredit -= 1.0f;
            } else {
                left = false;
                right = false;
            }
        }
    }
    if (padDriving && !st.ownDevice) {
        // The stick points the wheels where the wish is; the pedals press in
        // proportion to the speed to gain or lose.
        const float throttle = up ? clampf((limit - speed) / 3.0f, 0.25f, 1.0f) : 0.0f;
        const float brake = down ? clampf((speed - limit) / 4.0f, 0.3f, 1.0f) : 0.0f;
        setPad(wish / 0.7f, throttle, brake, nitro);
        return;
    }
    setKeys(up, down, left, right, nitro);
}

bool openSimWindow() {
    if (getenv("DISPLAY") == nullptr) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    }
    return scriptedOpenGLWindow(64, 64);
}

bool loadSimRace(int race, int car, unsigned seed) {
    options.soundEnabled = false;
    options.musicEnabled = false;
    game.gameState = Race;
    frameClock.frameFactor = 1.0f;  // exact 10 ms frames
    initCarTable();
    frontEnd.selectedCar = car;
    frontEnd.selectedRace = race;
    frontEnd.carPower = raceRun.carTable[car].power;  // untuned
    players[0].playerCarModel = frontEnd.selectedCar;
    players[0].playerCarPower = frontEnd.carPower;
    srand(seed);
    return loadRace(race);
}
