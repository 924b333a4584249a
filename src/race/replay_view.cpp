// Watching a replay: the recorded cars put back on the loaded circuit at the
// viewer's clock, seen by the chase camera of any car, by trackside TV
// cameras that hand over as the leader passes, or by a free camera; paused,
// slowed, sped up or run backwards, with a time bar over the frame.
#include <cmath>
#include <cstdio>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "render/render.h"
#include "state/state.h"

namespace {

constexpr float kRadiansToDegrees = 57.29578f;
// TV cameras: one at the kerb (the pavement between kerb and barrier, a
// person's height up) or on a building's corner, as near the stretch it
// covers as it can stand and still see all of it.
constexpr float kTvKerbHeight = 1.6f;
constexpr float kTvCornerHeight = 7.0f;
constexpr float kTvCornerReach = 30.0f;
// A camera keeps the leader while it sees it and it is nearer than this.
constexpr float kTvKeepDistance = 70.0f;
// The leading car fills about this much of the picture's height, in units
// at the car: a broadcast's long lens, never wider than kTvWidest.
constexpr float kTvFraming = 16.0f;
constexpr float kTvNarrowest = 8.0f;
constexpr float kTvWidest = 45.0f;
// How far a point may be from the waypoint line and still be "on" a segment.
constexpr int kTvPointsPerSegment = 5;

const float kReplaySpeeds[kReplaySpeedCount] = {0.25f, 0.5f, 1.0f, 2.0f, 4.0f};

Vector3 checkpointAt(int k) {
    const int n = session.checkpointCount;
    const Checkpoint& c = session.checkpoints[((k % n) + n) % n];
    return Vector3(c.x, c.y, c.z);
}

// True when the segment from a to b passes through a building's box.
bool meetsSolid(const std::vector<MapSolid>& solids, const Vector3& a, const Vector3& b) {
    for (const MapSolid& s : solids) {
        float t0 = 0.0f, t1 = 1.0f;
        const float from[3] = {a.x, a.y, a.z}, to[3] = {b.x, b.y, b.z};
        const float low[3] = {s.x0, -1e4f, s.z0}, high[3] = {s.x1, s.top, s.z1};
        bool inside = true;
        for (int k = 0; k < 3 && inside; k++) {
            const float d = to[k] - from[k];
            if (std::fabs(d) < 1e-9f) {
                inside = from[k] >= low[k] && from[k] <= high[k];
                continue;
            }
            float e0 = (low[k] - from[k]) / d, e1 = (high[k] - from[k]) / d;
            if (e0 > e1) std::swap(e0, e1);
            t0 = std::fmax(t0, e0);
            t1 = std::fmin(t1, e1);
            inside = t0 <= t1;
        }
        if (inside) return true;
    }
    return false;
}

bool clearLine(const std::vector<MapSolid>& solids, const Vector3& eye, const Vector3& point) {
    const Model* map = session.collisionMapModel;
    if (map != nullptr && map->triangles != nullptr && map->vertices != nullptr &&
        segmentHitFraction(map->vertices, map->vertexCount, map->triangles, map->triangleCount, eye, point) <
            1.0f)
        return false;
    return !meetsSolid(solids, eye, point);
}

// The points of segment j (checkpoint j to j + 1) a camera must see: where
// a car's body is, a metre over the line.
Vector3 segmentPoint(int j, int i) {
    const Vector3 a = checkpointAt(j), b = checkpointAt(j + 1);
    const float k = (static_cast<float>(i) + 0.5f) / static_cast<float>(kTvPointsPerSegment);
    return a + (b - a) * k + Vector3(0.0f, 1.0f, 0.0f);
}

int pointsSeen(const std::vector<MapSolid>& solids, const Vector3& eye, int j) {
    int seen = 0;
    for (int i = 0; i < kTvPointsPerSegment; i++) seen += clearLine(solids, eye, segmentPoint(j, i)) ? 1 : 0;
    return seen;
}

// Where the road's barrier stands beside checkpoint k on one side: the
// distance to the first wall along the level line out from it.
float barrierDistance(int k, const Vector3& side) {
    const Model* map = session.collisionMapModel;
    const Vector3 from = checkpointAt(k) + Vector3(0.0f, 1.0f, 0.0f);
    const float reach = 30.0f;
    if (map == nullptr || map->triangles == nullptr) return reach;
    return reach * segmentHitFraction(map->vertices, map->vertexCount, map->triangles, map->triangleCount,
                                      from, from + side * reach);
}

// The places a TV camera may stand near checkpoint k: the kerb on both
// sides, and the corners of the buildings near it, up on the corner.
void cameraSpotsNear(int k, const std::vector<MapSolid>& solids, std::vector<Vector3>* spots) {
    const Vector3 p = checkpointAt(k);
    Vector3 along = checkpointAt(k + 1) - checkpointAt(k - 1);
    along.y = 0.0f;
    if (length(along) < 1e-3f) return;
    normalise(along);
    for (int s = -1; s <= 1; s += 2) {
        const Vector3 side = Vector3(along.z, 0.0f, -along.x) * static_cast<float>(s);
        // Just inside the barrier, standing on the pavement.
        const float out = barrierDistance(k, side) - 0.8f;
        if (out > 2.0f) spots->push_back(p + side * out + Vector3(0.0f, kTvKerbHeight, 0.0f));
    }
    for (const MapSolid& b : solids) {
        const float cx[2] = {b.x0, b.x1}, cz[2] = {b.z0, b.z1};
        for (int c = 0; c < 4; c++) {
            const float x = cx[c & 1], z = cz[c >> 1];
            if (std::fabs(x - p.x) > kTvCornerReach || std::fabs(z - p.z) > kTvCornerReach) continue;
            // Just off the corner, out from the building, below its roof.
            const float ox = (c & 1) ? 0.6f : -0.6f, oz = (c >> 1) ? 0.6f : -0.6f;
            const float top = std::fmin(b.top, p.y + kTvCornerHeight);
            if (top < p.y + 3.5f) continue;
            spots->push_back(Vector3(x + ox, top, z + oz));
        }
    }
}

float score(const std::vector<MapSolid>& solids, const Vector3& eye, int j) {
    // Seen points first; then near (a long lens from far off loses the car
    // behind every lamp post), with the kerb's low view a little preferred.
    const Vector3 middle = (checkpointAt(j) + checkpointAt(j + 1)) * 0.5f;
    const float d = length(eye - middle);
    return static_cast<float>(pointsSeen(solids, eye, j)) * 100.0f - std::fabs(d - 22.0f) -
           (eye.y - middle.y) * 0.5f;
}

float replaySpeed() {
    return kReplaySpeeds[replayRun.viewer.speedIndex];
}

const Replay& viewedReplay() {
    return replayRun.viewer.watchingSaved ? replayRun.watched : replayRun.recording;
}

RaceClock clockOf(float hundredths) {
    RaceClock c{};
    if (!(hundredths > 0.0f)) return c;
    const int whole = static_cast<int>(hundredths / 100.0f);
    c.minutes = whole / 60;
    c.seconds = whole % 60;
    c.hundredths = hundredths - static_cast<float>(whole) * 100.0f;
    return c;
}

// The race as it stood at replay clock t, from the events up to it: the
// countdown's release and the player's finish (the flags the camera reads),
// every car's checkpoints and lap, the race and lap clocks and the places
// (what the HUD shows).
void followRaceState(const Replay& r, float t) {
    bool released = r.timeTrial, finished = false;
    float releasedAt = 0.0f, finishedAt = 0.0f, lapStart = -1.0f, best = 0.0f;
    int passed[kRaceCars] = {}, next[kRaceCars] = {}, lap[kRaceCars] = {};
    for (const ReplayEvent& e : r.events) {
        if (e.time > t) break;
        if (e.kind == ReplayEventKind::Countdown && e.value == 1) {
            released = true;
            releasedAt = e.time;
        }
        if (e.car >= kRaceCars) continue;
        if (e.kind == ReplayEventKind::Finish && e.car == 0) {
            finished = true;
            finishedAt = e.time;
        }
        if (e.kind == ReplayEventKind::Checkpoint && session.checkpointCount > 0) {
            passed[e.car]++;
            next[e.car] = (e.value + 1) % session.checkpointCount;
        }
        if (e.kind == ReplayEventKind::Lap) {
            lap[e.car] = e.value;
            if (e.car == 0 && !finished) {
                if (lapStart >= 0.0f && (best == 0.0f || e.time - lapStart < best)) best = e.time - lapStart;
                lapStart = e.time;
            }
        }
    }
    session.countdownRunning = !released;
    session.raceFinished = finished;
    const float end = finished ? finishedAt : t;
    session.raceTime = clockOf(released ? end - releasedAt : 0.0f);
    // The lap clock, like the race's, stands still until the cars go.
    if (lapStart < releasedAt) lapStart = releasedAt;
    players[0].lapTime = clockOf(released && lapStart >= 0.0f ? end - lapStart : 0.0f);
    players[0].bestLapTime = clockOf(best);
    for (int i = 0; i < r.carCount && i < kRaceCars; i++) {
        session.cars[i].checkpointsPassed = passed[i];
        session.cars[i].nextCheckpoint = next[i];
        session.cars[i].lap = lap[i];
    }
    updateStandings();
    for (int k = 0; k < kRaceCars; k++)
        if (session.standings[k].car == 0) players[0].playerPlace = k + 1;
}

// Sound at 1x forwards: the engines at their recorded rpm, the crashes and
// the nitro as they come; at any other speed only the music.
void followReplaySounds(const Replay& r, float from, float to) {
    SoundEffect* engines[kRaceCars] = {&audio.soundEngine1, &audio.soundEngine2, &audio.soundEngine3,
                                       &audio.soundEngine4};
    const bool heard = options.soundEnabled && !replayRun.viewer.paused && !replayRun.viewer.backwards &&
                       replayRun.viewer.speedIndex == kReplayNormalSpeed;
    for (int i = 0; i < kRaceCars; i++) {
        if (i >= r.carCount || !heard) {
            engines[i]->setGain(0.0f);
            continue;
        }
        float pitch = (session.cars[i].rpm - 1000.0f) * 0.0002f + 0.35f;
        pitch = pitch < 0.15f ? 0.15f : (pitch > 2.5f ? 2.5f : pitch);
        engines[i]->setPitch(pitch);
        engines[i]->setGain(std::fmin(1.0f, std::fmax(0.15f, pitch * 0.4f)));
        if (!engines[i]->isPlaying()) engines[i]->play();
    }
    audio.soundEnginePass.setGain(0.0f);
    const bool nitro = heard && r.carCount > 0 && session.cars[0].flameColour[0] == 0.0f;
    if (nitro && !audio.soundNitro.isPlaying()) audio.soundNitro.play();
    if (!nitro && audio.soundNitro.isPlaying()) audio.soundNitro.stop();
    if (!heard) return;
    for (const ReplayEvent& e : r.events) {
        if (e.time <= from) continue;
        if (e.time > to) break;
        if (e.kind != ReplayEventKind::Crash || e.car >= r.carCount) continue;
        // The gain names the crash's file as the impact listener chose it.
        const float gain = static_cast<float>(e.value) / 100.0f;
        const ImpactSound sound =
            impactSoundFor(kImpactThreshold + (gain - 0.5f) * 2.0f * (12.0f - kImpactThreshold));
        if (sound.sound == nullptr) continue;
        placeSound(*sound.sound, getPosition(session.cars[e.car].body),
                   getLinearVelocity(session.cars[e.car].body));
        sound.sound->setGain(gain);
        sound.sound->play();
    }
}

void drawTimeBar() {
    const Replay& r = viewedReplay();
    const ReplayViewer& v = replayRun.viewer;
    const float end = replayDuration(r);
    // Between the nitro gauge and the tachometer.
    const float x0 = 70.0f, x1 = 580.0f, y0 = 14.0f, y1 = 24.0f;
    resetView();
    beginOverlay();
    beginShapes();
    shapeColour(kHudBlack, 0.55f);
    fillRect(x0 - 6.0f, y0 - 6.0f, x1 + 6.0f, y1 + 34.0f);
    shapeColour(kHudCyan, 0.35f);
    fillRect(x0, y0, x1, y1);
    const float at = end > 0.0f ? v.time / end : 0.0f;
    shapeColour(kHudCyan, 0.9f);
    fillRect(x0, y0, x0 + (x1 - x0) * at, y1);
    // The followed car's laps as ticks.
    shapeColour(kHudMagenta, 1.0f);
    for (const ReplayEvent& e : r.events) {
        if (e.kind != ReplayEventKind::Lap || e.car != v.car || end <= 0.0f) continue;
        const float x = x0 + (x1 - x0) * e.time / end;
        fillRect(x - 1.0f, y0 - 4.0f, x + 1.0f, y1 + 4.0f);
    }
    endShapes();
    endOverlay();
    setBlend2D(Blend2DAlpha);
    static const char* const kCameraNames[] = {"CHASE", "TV", "FREE"};
    char clock[16], total[16];
    formatRaceTime(v.time, clock, sizeof clock);
    formatRaceTime(end, total, sizeof total);
    char line[96];
    std::snprintf(line, sizeof line, "%s %s%gx %s/%s CAR %d", kCameraNames[static_cast<int>(v.camera)],
                  v.paused ? "PAUSED " : (v.backwards ? "REWIND " : ""), static_cast<double>(replaySpeed()),
                  clock, total, v.car + 1);
    setTextColour(0);
    printText(static_cast<int>(x0), static_cast<int>(y1 + 6.0f), 1.0f, 0, "%s", line);
    setBlend2D(Blend2DOff);
}

// The glow over the frame, as the race HUD adds it, for a frame without it.
void addGlow() {
    if (graphicsSwitchesInForce().glowSize <= 0) return;
    resetView();
    beginOverlay();
    beginImages();
    setBlend2D(Blend2DAdd);
    drawImage(blurTextureA, 0.0f, 0.0f, 800.0f, 600.0f);
    endImages();
    endOverlay();
}

void drawReplayHud() {
    if (replayRun.viewer.hudShown) {
        // The race's HUD belongs to the driver's view; the TV and free
        // cameras show the glow and the time bar alone.
        if (replayRun.viewer.camera == ReplayCamera::Chase)
            drawRaceHud();
        else
            addGlow();
        drawTimeBar();
    } else {
        addGlow();
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// TV cameras.

void planTvCameras() {
    TvCameraPlan plan;
    plan.race = session.loadedRaceNumber;
    const int n = session.checkpointCount;
    if (n < 3) {
        replayRun.tv = plan;
        return;
    }
    char path[64];
    std::snprintf(path, sizeof path, "base/maps/%d/solids.txt", plan.race);
    std::vector<MapSolid> solids;
    loadMapSolids(path, &solids);
    plan.segmentCamera.assign(static_cast<size_t>(n), -1);
    int current = -1;
    for (int j = 0; j < n; j++) {
        // The camera in use keeps the leader while it sees the whole stretch
        // from near enough.
        if (current >= 0) {
            const Vector3& eye = plan.cameras[static_cast<size_t>(current)];
            const Vector3 middle = (checkpointAt(j) + checkpointAt(j + 1)) * 0.5f;
            if (length(eye - middle) < kTvKeepDistance && pointsSeen(solids, eye, j) == kTvPointsPerSegment) {
                plan.segmentCamera[static_cast<size_t>(j)] = current;
                continue;
            }
        }
        // Else the best spot from here to a little ahead, so the new camera
        // sees the car come towards it.
        std::vector<Vector3> spots;
        for (int k = j; k <= j + 3; k++) cameraSpotsNear(k, solids, &spots);
        float best = -1e30f;
        Vector3 chosen;
        for (const Vector3& s : spots) {
            const float value =
                score(solids, s, j) + 20.0f * static_cast<float>(pointsSeen(solids, s, j + 1));
            if (value > best) {
                best = value;
                chosen = s;
            }
        }
        if (spots.empty()) {
            plan.segmentCamera[static_cast<size_t>(j)] = current;
            continue;
        }
        plan.cameras.push_back(chosen);
        current = static_cast<int>(plan.cameras.size()) - 1;
        plan.segmentCamera[static_cast<size_t>(j)] = current;
    }
    // The circuit's first stretches before any camera was chosen take the last.
    for (int j = 0; j < n && plan.segmentCamera[static_cast<size_t>(j)] < 0; j++)
        plan.segmentCamera[static_cast<size_t>(j)] = current;
    replayRun.tv = std::move(plan);
}

int nearestSegment(const Vector3& p) {
    int best = 0;
    float bestDistance = 1e30f;
    for (int j = 0; j < session.checkpointCount; j++) {
        const Vector3 a = checkpointAt(j), b = checkpointAt(j + 1);
        const Vector3 ab = b - a;
        const float lengthSquared = dot(ab, ab);
        float k = lengthSquared > 0.0f ? dot(p - a, ab) / lengthSquared : 0.0f;
        k = k < 0.0f ? 0.0f : (k > 1.0f ? 1.0f : k);
        const float d = length(p - (a + ab * k));
        if (d < bestDistance) {
            bestDistance = d;
            best = j;
        }
    }
    return best;
}

int tvCameraFor(const Vector3& p) {
    if (replayRun.tv.segmentCamera.empty()) return -1;
    return replayRun.tv.segmentCamera[static_cast<size_t>(nearestSegment(p))];
}

// ---------------------------------------------------------------------------
// The viewer.

int replayLeader(const Replay& r, float t) {
    int passed[kRaceCars] = {};
    for (const ReplayEvent& e : r.events) {
        if (e.time > t) break;
        if (e.kind == ReplayEventKind::Checkpoint && e.car < kRaceCars) passed[e.car]++;
    }
    int leader = 0;
    for (int i = 1; i < r.carCount; i++)
        if (passed[i] > passed[leader]) leader = i;
    return leader;
}

bool startReplayView(bool saved) {
    const Replay& r = saved ? replayRun.watched : replayRun.recording;
    if (r.race != session.loadedRaceNumber || replayFrameCount(r) < 2 || session.raceWorld == nullptr)
        return false;
    replayRun.recorder.running = false;
    ReplayViewer v;
    v.active = true;
    v.watchingSaved = saved;
    v.countdownWas = session.countdownRunning;
    v.finishedWas = session.raceFinished;
    v.raceTimeWas = session.raceTime;
    v.lapTimeWas = players[0].lapTime;
    v.bestLapWas = players[0].bestLapTime;
    v.placeWas = players[0].playerPlace;
    for (int i = 0; i < kRaceCars; i++) {
        v.passedWas[i] = session.cars[i].checkpointsPassed;
        v.nextWas[i] = session.cars[i].nextCheckpoint;
        v.lapWas[i] = session.cars[i].lap;
    }
    for (int i = 0; i < r.carCount; i++) session.cars[i].model = r.models[i];
    replayRun.viewer = v;
    if (replayRun.tv.race != session.loadedRaceNumber) planTvCameras();
    resetChaseCamera();
    showReplayMoment();
    return true;
}

void stopReplayView() {
    if (!replayRun.viewer.active) return;
    const ReplayViewer& v = replayRun.viewer;
    session.countdownRunning = v.countdownWas;
    session.raceFinished = v.finishedWas;
    session.raceTime = v.raceTimeWas;
    players[0].lapTime = v.lapTimeWas;
    players[0].bestLapTime = v.bestLapWas;
    players[0].playerPlace = v.placeWas;
    for (int i = 0; i < kRaceCars; i++) {
        session.cars[i].checkpointsPassed = v.passedWas[i];
        session.cars[i].nextCheckpoint = v.nextWas[i];
        session.cars[i].lap = v.lapWas[i];
    }
    updateStandings();
    replayRun.viewer.active = false;
    SoundEffect* engines[kRaceCars] = {&audio.soundEngine1, &audio.soundEngine2, &audio.soundEngine3,
                                       &audio.soundEngine4};
    for (SoundEffect* e : engines) e->setGain(0.0f);
    audio.soundNitro.stop();
}

void showReplayMoment() {
    const Replay& r = viewedReplay();
    const float t = replayRun.viewer.time;
    for (int i = 0; i < r.carCount && i < kRaceCars; i++) {
        Car& car = session.cars[i];
        ReplayPose p;
        if (car.body == nullptr || !replayCarPose(r, i, t, &p)) continue;
        setPosition(car.body, p.position);
        setRotation(car.body, toMatrix(p.orientation));
        setLinearVelocity(car.body, p.velocity);
        setAngularMomentum(car.body, Vector3());
        for (int j = 0; j < kWheels; j++) {
            car.wheelSpin[j] = p.wheelSpin[j];
            car.suspension[j] = p.suspension[j];
        }
        car.steer = p.steer;
        car.rpm = p.rpm;
        car.gear = p.gear;
        car.nitro = p.nitro;
        const bool green = (p.flags & kReplayNitro) != 0;
        car.flameColour[0] = green ? 0.0f : 1.0f;
        car.flameColour[1] = 1.0f;
        car.flameColour[2] = green ? 0.0f : 1.0f;
        car.flameLevel = p.flameLevel;
        car.flameActive = (p.flags & kReplayFlame) != 0;
        car.dustLevel = p.dustLevel;
        car.dustActive = (p.flags & kReplayDust) != 0;
        car.smokeLevel = p.smokeLevel;
        car.smokeActive = (p.flags & kReplaySmoke) != 0;
        // The chase view widens with the followed car's speed, as in the race.
        if (i == replayRun.viewer.car) setRaceViewSpeed(length(p.velocity));
        if (i == 0) {
            players[0].playerSpeed = length(p.velocity);
            players[0].driftLevel = p.driftLevel;
        }
    }
    followRaceState(r, t);
}

void advanceReplayView(float f) {
    ReplayViewer& v = replayRun.viewer;
    if (!v.active || v.paused) return;
    const float end = replayDuration(viewedReplay());
    const float step = replaySpeed() * (f < kRaceTimeLimit ? f : kRaceTimeLimit);
    const float before = v.time;
    v.time += v.backwards ? -step : step;
    // At either end the picture holds, paused.
    if (v.time <= 0.0f) {
        v.time = 0.0f;
        v.paused = v.backwards;
    }
    if (v.time >= end) {
        v.time = end;
        v.paused = !v.backwards;
    }
    followReplaySounds(viewedReplay(), before, v.time);
}

void setReplaySpeed(int index) {
    replayRun.viewer.speedIndex =
        index < 0 ? 0 : (index >= kReplaySpeedCount ? kReplaySpeedCount - 1 : index);
}

void seekReplay(float t) {
    const float end = replayDuration(viewedReplay());
    replayRun.viewer.time = t < 0.0f ? 0.0f : (t > end ? end : t);
}

bool jumpReplayToLap(int lap) {
    const Replay& r = viewedReplay();
    const int car = replayRun.viewer.car;
    if (lap <= 1) {
        // The first lap starts as the cars are let go.
        for (const ReplayEvent& e : r.events)
            if (e.kind == ReplayEventKind::Countdown && e.value == 1) {
                seekReplay(e.time);
                return true;
            }
        seekReplay(0.0f);
        return true;
    }
    for (const ReplayEvent& e : r.events)
        if (e.kind == ReplayEventKind::Lap && e.car == car && e.value == lap) {
            seekReplay(e.time);
            return true;
        }
    return false;
}

void followReplayCar(int car) {
    if (car >= 0 && car < viewedReplay().carCount) replayRun.viewer.car = car;
}

void setReplayCamera(ReplayCamera camera) {
    ReplayViewer& v = replayRun.viewer;
    v.camera = camera;
    if (camera == ReplayCamera::Free && v.car < kRaceCars && session.cars[v.car].body != nullptr)
        v.freeCentre = getPosition(session.cars[v.car].body);
}

SceneView replayCameraView() {
    ReplayViewer& v = replayRun.viewer;
    const Replay& r = viewedReplay();
    SceneView view;
    if (v.camera == ReplayCamera::Chase || r.carCount == 0) {
        view = updateChaseCamera(v.car);
        return view;
    }
    // The chase camera's own state goes on with the followed car, so a
    // switch back finds it behind the car.
    updateChaseCamera(v.car);
    view.nearPlane = kRaceNearPlane;
    view.farPlane = kRaceFarPlane;
    view.viewport = windowViewport();
    if (v.camera == ReplayCamera::Tv) {
        const int leader = replayLeader(r, v.time);
        const Vector3 car = getPosition(session.cars[leader].body) + Vector3(0.0f, 0.6f, 0.0f);
        const int camera = tvCameraFor(car);
        v.tvCamera = camera;
        const Vector3 eye =
            camera >= 0 ? replayRun.tv.cameras[static_cast<size_t>(camera)] : car + Vector3(0, 20, 20);
        const float d = length(car - eye);
        float fov = 2.0f * std::atan(0.5f * kTvFraming / (d > 1.0f ? d : 1.0f)) * kRadiansToDegrees;
        fov = fov < kTvNarrowest ? kTvNarrowest : (fov > kTvWidest ? kTvWidest : fov);
        view.eye = eye;
        view.target = car;
        view.fieldOfView = fov;
    } else {
        const float cp = std::cos(v.freePitch);
        const Vector3 offset(std::cos(v.freeYaw) * cp, std::sin(v.freePitch), std::sin(v.freeYaw) * cp);
        view.eye = v.freeCentre + offset * v.freeDistance;
        view.target = v.freeCentre;
        view.fieldOfView = kRaceFieldOfView * 0.75;
    }
    setCameraEye(view.eye);
    Vector3 dir = view.target - view.eye;
    normalise(dir);
    setShadingView(view.eye, dir);
    return view;
}

void drawReplayScene() {
    RaceFrame frame;
    frame.view = replayCameraView();
    for (int k = 0; k < 3; k++) frame.fillLight[k] = kMoonlight[k];
    for (int k = 0; k < 4; k++) frame.haze[k] = kNightHaze[k];
    frame.map = session.visualMapModel;
    frame.mapDepthPrepass = raceRun.mapDepthPrepass;
    poseRaceCars(&frame);
    frame.drawEffects = drawCarEffects;
    // The player's next checkpoint, as the player saw it.
    if (replayRun.viewer.camera == ReplayCamera::Chase && replayRun.viewer.car == 0)
        frame.marker = checkpointMarkerPicture();
    frame.drawHud = drawReplayHud;
    drawRaceFrame(frame);
}

// ---------------------------------------------------------------------------
// The viewer's frame and keys.

static bool pressed(int vk) {
    return input.keysPressed[vk];
}

void handleReplayKeys(float f) {
    ReplayViewer& v = replayRun.viewer;
    if (pressed(VK_SPACE) || pressed('P')) v.paused = !v.paused;
    if (pressed(VK_UP)) setReplaySpeed(v.speedIndex + 1);
    if (pressed(VK_DOWN)) setReplaySpeed(v.speedIndex - 1);
    if (pressed(VK_LEFT) || pressed(VK_RIGHT)) {
        v.backwards = pressed(VK_LEFT);
        v.paused = false;
    }
    for (int i = 0; i < kRaceCars; i++)
        if (pressed('1' + i)) {
            followReplayCar(i);
            setReplayCamera(ReplayCamera::Chase);
        }
    if (pressed('C')) setReplayCamera(static_cast<ReplayCamera>((static_cast<int>(v.camera) + 1) % 3));
    if (pressed('H')) v.hudShown = !v.hudShown;
    if (pressed(VK_HOME)) seekReplay(0.0f);
    if (pressed(VK_END)) seekReplay(replayDuration(viewedReplay()));
    if (pressed(VK_PRIOR) || pressed(VK_NEXT)) {
        // The lap the followed car is on, then the next or the one before.
        int lap = 1;
        for (const ReplayEvent& e : viewedReplay().events)
            if (e.kind == ReplayEventKind::Lap && e.car == v.car && e.time <= v.time + 1.0f) lap = e.value;
        jumpReplayToLap(pressed(VK_NEXT) ? lap + 1 : (lap > 1 ? lap - 1 : 1));
    }
    if (v.camera == ReplayCamera::Free) {
        // Held keys: A and D orbit, W and S tilt, Q and E come nearer or go
        // back, I, J, K and L move the centre over the ground.
        const float turn = 0.02f * f, move = 0.3f * f;
        if (keyDown('A')) v.freeYaw -= turn;
        if (keyDown('D')) v.freeYaw += turn;
        if (keyDown('W')) v.freePitch = std::fmin(1.4f, v.freePitch + turn);
        if (keyDown('S')) v.freePitch = std::fmax(0.05f, v.freePitch - turn);
        if (keyDown('Q')) v.freeDistance = std::fmax(4.0f, v.freeDistance - move);
        if (keyDown('E')) v.freeDistance = std::fmin(200.0f, v.freeDistance + move);
        const Vector3 ahead(-std::cos(v.freeYaw), 0.0f, -std::sin(v.freeYaw));
        const Vector3 right(-ahead.z, 0.0f, ahead.x);
        if (keyDown('I')) v.freeCentre = v.freeCentre + ahead * move;
        if (keyDown('K')) v.freeCentre = v.freeCentre - ahead * move;
        if (keyDown('L')) v.freeCentre = v.freeCentre + right * move;
        if (keyDown('J')) v.freeCentre = v.freeCentre - right * move;
    }
}

bool runReplayFrame(float f) {
    if (pressed(VK_ESCAPE)) {
        stopReplayView();
        return false;
    }
    handleReplayKeys(f);
    showReplayMoment();
    drawReplayScene();
    advanceReplayView(f);
    return true;
}
