// The race's replay: every car sampled at a fixed rate on the clock of
// the race steps, with the race's events, and read back by interpolating
// between the samples around a moment.
#include <cmath>
#include <ctime>

#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

ReplayRunState replayRun;

namespace {

// A race hundredth is 0.028 s of physics time (the world's step per unit of
// frame factor), so samples lie this far apart in the physics' seconds.
constexpr float kPhysicsSecondsPerHundredth = 0.028f;
constexpr float kQuaternionScale = 32767.0f;
constexpr float kSteerScale = 10000.0f;
constexpr float kDriftScale = 60.0f;

uint8_t unitByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

int16_t scaledShort(float v, float scale) {
    float s = v * scale;
    if (!std::isfinite(s)) s = 0.0f;
    if (s > 32767.0f) s = 32767.0f;
    if (s < -32767.0f) s = -32767.0f;
    return static_cast<int16_t>(std::lround(s));
}

float lerp(float a, float b, float k) {
    return a + (b - a) * k;
}

// Orientation along the shorter arc, normalised: the samples lie close
// enough for that to follow the turn.
Quaternion blendTurn(const Quaternion& a, const Quaternion& b, float k) {
    const float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    const float s = d < 0.0f ? -1.0f : 1.0f;
    Quaternion q(lerp(a.x, s * b.x, k), lerp(a.y, s * b.y, k), lerp(a.z, s * b.z, k), lerp(a.w, s * b.w, k));
    const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(n > 1e-6f)) return a;
    return Quaternion(q.x / n, q.y / n, q.z / n, q.w / n);
}

ReplayPose blendPose(const ReplayPose& a, const ReplayPose& b, float k) {
    ReplayPose p = k < 0.5f ? a : b;
    p.position = Vector3(lerp(a.position.x, b.position.x, k), lerp(a.position.y, b.position.y, k),
                         lerp(a.position.z, b.position.z, k));
    p.orientation = blendTurn(a.orientation, b.orientation, k);
    for (int j = 0; j < kWheels; j++) {
        p.wheelSpin[j] = lerp(a.wheelSpin[j], b.wheelSpin[j], k);
        p.suspension[j] = lerp(a.suspension[j], b.suspension[j], k);
    }
    p.steer = lerp(a.steer, b.steer, k);
    p.rpm = lerp(a.rpm, b.rpm, k);
    p.flameLevel = lerp(a.flameLevel, b.flameLevel, k);
    p.dustLevel = lerp(a.dustLevel, b.dustLevel, k);
    p.smokeLevel = lerp(a.smokeLevel, b.smokeLevel, k);
    p.driftLevel = lerp(a.driftLevel, b.driftLevel, k);
    p.nitro = lerp(a.nitro, b.nitro, k);
    return p;
}

// The sample on the grid at `at`, between the last step's samples and now's.
ReplayCarSample blendSample(const ReplayCarSample& a, const ReplayCarSample& b, float k) {
    return makeReplaySample(blendPose(replaySamplePose(a), replaySamplePose(b), k));
}

int carsOnRecord() {
    int n = 0;
    while (n < kRaceCars && session.cars[n].body != nullptr) n++;
    return n;
}

}  // namespace

int replayFrameCount(const Replay& replay) {
    if (replay.carCount <= 0) return 0;
    return static_cast<int>(replay.samples.size() / static_cast<size_t>(replay.carCount));
}

float replayDuration(const Replay& replay) {
    const int frames = replayFrameCount(replay);
    return frames > 0 ? static_cast<float>(frames - 1) * kReplaySampleHundredths : 0.0f;
}

ReplayCarSample makeReplaySample(const ReplayPose& pose) {
    ReplayCarSample s{};
    s.position[0] = pose.position.x;
    s.position[1] = pose.position.y;
    s.position[2] = pose.position.z;
    const Quaternion& q = pose.orientation;
    const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (n > 1e-6f && std::isfinite(n)) {
        s.orientation[0] = scaledShort(q.x / n, kQuaternionScale);
        s.orientation[1] = scaledShort(q.y / n, kQuaternionScale);
        s.orientation[2] = scaledShort(q.z / n, kQuaternionScale);
        s.orientation[3] = scaledShort(q.w / n, kQuaternionScale);
    } else {
        s.orientation[3] = 32767;
    }
    for (int j = 0; j < kWheels; j++) {
        s.wheelSpin[j] = std::isfinite(pose.wheelSpin[j]) ? pose.wheelSpin[j] : 0.0f;
        s.suspension[j] = unitByte(pose.suspension[j]);
    }
    s.steer = scaledShort(pose.steer, kSteerScale);
    const float rpm = std::isfinite(pose.rpm) ? pose.rpm : 0.0f;
    s.rpm = static_cast<uint16_t>(rpm <= 0.0f ? 0 : (rpm >= 65535.0f ? 65535 : std::lround(rpm)));
    s.gear = static_cast<int8_t>(pose.gear < -1 ? -1 : (pose.gear > 5 ? 5 : pose.gear));
    s.flags = static_cast<uint8_t>(pose.flags & kReplayAllFlags);
    s.flameLevel = unitByte(pose.flameLevel);
    s.dustLevel = unitByte(pose.dustLevel);
    s.smokeLevel = unitByte(pose.smokeLevel);
    s.driftLevel = unitByte(pose.driftLevel * kDriftScale / 255.0f);
    const float tank = std::isfinite(pose.nitro) ? pose.nitro : 0.0f;
    s.nitro = static_cast<uint8_t>(tank <= 0.0f ? 0 : (tank >= 100.0f ? 100 : std::lround(tank)));
    return s;
}

ReplayPose replaySamplePose(const ReplayCarSample& s) {
    ReplayPose p{};
    p.position = Vector3(s.position[0], s.position[1], s.position[2]);
    Quaternion q(s.orientation[0] / kQuaternionScale, s.orientation[1] / kQuaternionScale,
                 s.orientation[2] / kQuaternionScale, s.orientation[3] / kQuaternionScale);
    const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    p.orientation = n > 1e-6f ? Quaternion(q.x / n, q.y / n, q.z / n, q.w / n) : Quaternion();
    for (int j = 0; j < kWheels; j++) {
        p.wheelSpin[j] = s.wheelSpin[j];
        p.suspension[j] = s.suspension[j] / 255.0f;
    }
    p.steer = s.steer / kSteerScale;
    p.rpm = s.rpm;
    // -1 (reverse), 0 (neutral) or 1..5: the stored byte is signed.
    p.gear = s.gear < 0 ? -1 : static_cast<int>(static_cast<uint8_t>(s.gear));
    p.flags = s.flags;
    p.flameLevel = s.flameLevel / 255.0f;
    p.dustLevel = s.dustLevel / 255.0f;
    p.smokeLevel = s.smokeLevel / 255.0f;
    p.driftLevel = s.driftLevel / kDriftScale;
    p.nitro = s.nitro;
    return p;
}

// The car's velocity at sample i: the central difference of the samples
// around it (one-sided at either end), units a physics second.
static Vector3 sampleVelocity(const Replay& replay, int car, int i, int frames) {
    const size_t cars = static_cast<size_t>(replay.carCount);
    const int from = i > 0 ? i - 1 : i, to = i < frames - 1 ? i + 1 : i;
    if (to == from) return Vector3();
    const ReplayCarSample& a = replay.samples[static_cast<size_t>(from) * cars + static_cast<size_t>(car)];
    const ReplayCarSample& b = replay.samples[static_cast<size_t>(to) * cars + static_cast<size_t>(car)];
    const float seconds =
        static_cast<float>(to - from) * kReplaySampleHundredths * kPhysicsSecondsPerHundredth;
    return Vector3(b.position[0] - a.position[0], b.position[1] - a.position[1],
                   b.position[2] - a.position[2]) *
           (1.0f / seconds);
}

bool replayCarPose(const Replay& replay, int car, float t, ReplayPose* pose) {
    const int frames = replayFrameCount(replay);
    if (car < 0 || car >= replay.carCount || frames == 0 || !(t >= 0.0f) || t > replayDuration(replay))
        return false;
    const size_t cars = static_cast<size_t>(replay.carCount);
    int i = static_cast<int>(t / kReplaySampleHundredths);
    if (i > frames - 1) i = frames - 1;
    const ReplayPose a =
        replaySamplePose(replay.samples[static_cast<size_t>(i) * cars + static_cast<size_t>(car)]);
    if (i == frames - 1) {
        *pose = a;
        pose->velocity = sampleVelocity(replay, car, i, frames);
        return true;
    }
    const ReplayPose b =
        replaySamplePose(replay.samples[static_cast<size_t>(i + 1) * cars + static_cast<size_t>(car)]);
    float k = (t - static_cast<float>(i) * kReplaySampleHundredths) / kReplaySampleHundredths;
    k = k < 0.0f ? 0.0f : (k > 1.0f ? 1.0f : k);
    *pose = blendPose(a, b, k);
    const Vector3 va = sampleVelocity(replay, car, i, frames),
                  vb = sampleVelocity(replay, car, i + 1, frames);
    pose->velocity = va + (vb - va) * k;
    return true;
}

// ---------------------------------------------------------------------------
// Recording.

ReplayCarSample sampleOfCar(const Car& car, int index) {
    ReplayPose p{};
    if (car.body != nullptr) {
        p.position = getPosition(car.body);
        p.orientation = getOrientation(car.body);
    }
    for (int j = 0; j < kWheels; j++) {
        p.wheelSpin[j] = car.wheelSpin[j];
        p.suspension[j] = car.suspension[j];
    }
    p.steer = car.steer;
    p.rpm = car.rpm;
    p.gear = car.gear;
    const bool reverse = car.gear == -1 || car.reversing;
    p.flags = (reverse ? kReplayReverseLight : 0) |
              (!reverse && car.driveForce < 0.0f ? kReplayBrakeLight : 0) |
              (car.flameColour[0] == 0.0f ? kReplayNitro : 0) | (car.dustActive ? kReplayDust : 0) |
              (car.flameActive ? kReplayFlame : 0) | (car.smokeActive ? kReplaySmoke : 0);
    p.flameLevel = car.flameLevel;
    p.dustLevel = car.dustLevel;
    p.smokeLevel = car.smokeLevel;
    p.driftLevel = index == 0 ? players[0].driftLevel : 0.0f;
    p.nitro = car.nitro;
    return makeReplaySample(p);
}

void noteReplayEvent(ReplayEventKind kind, int car, int value) {
    Replay& r = replayRun.recording;
    if (!replayRun.recorder.running || r.events.size() >= static_cast<size_t>(kMaxReplayEvents)) return;
    r.events.push_back(ReplayEvent{replayRun.recorder.clock, kind, static_cast<uint8_t>(car), value});
}

void startReplayRecording() {
    Replay r;
    r.race = session.loadedRaceNumber;
    r.carCount = carsOnRecord();
    for (int i = 0; i < r.carCount; i++) r.models[i] = session.cars[i].model;
    r.laps = session.lapCount;
    r.timeTrial = raceRun.timeTrialMode;
    r.date = static_cast<int64_t>(std::time(nullptr));
    // Twenty minutes at once: a race's recording never copies itself while it
    // grows, and pages not yet written cost nothing.
    r.samples.reserve(static_cast<size_t>(24001) * static_cast<size_t>(r.carCount));
    ReplayRecorder rec;
    rec.running = r.carCount > 0 && r.race >= 1 && r.race <= kReplayCircuits;
    for (int i = 0; i < r.carCount; i++) {
        rec.last[i] = sampleOfCar(session.cars[i], i);
        r.samples.push_back(rec.last[i]);
    }
    rec.countdownSeen = session.countdownRunning;
    replayRun.recording = std::move(r);
    replayRun.recorder = rec;
    if (session.countdownRunning) noteReplayEvent(ReplayEventKind::Countdown, 0, 0);
}

// Events found by what changed in the step: checkpoints, laps, resets,
// finishes and the countdown's release.
static void noteStepEvents() {
    ReplayRecorder& rec = replayRun.recorder;
    Replay& r = replayRun.recording;
    if (rec.countdownSeen && !session.countdownRunning) noteReplayEvent(ReplayEventKind::Countdown, 0, 1);
    rec.countdownSeen = session.countdownRunning;
    for (int i = 0; i < r.carCount; i++) {
        const Car& car = session.cars[i];
        if (car.checkpointsPassed > rec.checkpointsSeen[i] && session.checkpointCount > 0)
            noteReplayEvent(ReplayEventKind::Checkpoint, i,
                            (car.nextCheckpoint + session.checkpointCount - 1) % session.checkpointCount);
        rec.checkpointsSeen[i] = car.checkpointsPassed;
        if (car.lap != rec.lapsSeen[i]) noteReplayEvent(ReplayEventKind::Lap, i, car.lap);
        rec.lapsSeen[i] = car.lap;
        if (session.unstickCount[i] != rec.unstickSeen[i]) noteReplayEvent(ReplayEventKind::Reset, i, 1);
        rec.unstickSeen[i] = session.unstickCount[i];
        if (session.lostCount[i] != rec.lostSeen[i]) noteReplayEvent(ReplayEventKind::Reset, i, 2);
        rec.lostSeen[i] = session.lostCount[i];
        const bool finished = i == 0 ? session.raceFinished : session.carRaceTimes[i].finished;
        if (finished && !rec.finishedSeen[i]) {
            const float at = i == 0 ? clockHundredths(session.raceTime) : session.carRaceTimes[i].finishTime;
            noteReplayEvent(ReplayEventKind::Finish, i, static_cast<int>(std::lround(at)));
            if (r.winnerTime == 0.0f || at < r.winnerTime) r.winnerTime = at;
        }
        rec.finishedSeen[i] = finished;
    }
    if (players[0].resetCount != rec.resetsSeen) noteReplayEvent(ReplayEventKind::Reset, 0, 0);
    rec.resetsSeen = players[0].resetCount;
}

void recordReplayStep(float f) {
    ReplayRecorder& rec = replayRun.recorder;
    Replay& r = replayRun.recording;
    if (!rec.running || !(f > 0.0f)) return;
    rec.clock += f;
    noteStepEvents();
    ReplayCarSample now[kRaceCars];
    for (int i = 0; i < r.carCount; i++) now[i] = sampleOfCar(session.cars[i], i);
    // Every grid time passed in this step, interpolated between the last
    // step's poses and this one's.
    const float span = rec.clock - rec.lastTime;
    for (;;) {
        const int frame = replayFrameCount(r);
        const float at = static_cast<float>(frame) * kReplaySampleHundredths;
        if (at > rec.clock) break;
        if (frame >= kMaxReplayFrames) {
            rec.running = false;
            break;
        }
        const float k = span > 0.0f ? (at - rec.lastTime) / span : 1.0f;
        for (int i = 0; i < r.carCount; i++)
            r.samples.push_back(blendSample(rec.last[i], now[i], k < 0.0f ? 0.0f : (k > 1.0f ? 1.0f : k)));
    }
    for (int i = 0; i < r.carCount; i++) rec.last[i] = now[i];
    rec.lastTime = rec.clock;
}
