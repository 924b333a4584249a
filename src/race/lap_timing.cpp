// The player's laps in every race: sector splits against the record, the
// session's best lap, the circuit's record and the ghost of the circuit and
// car, which the lap being driven replaces when it is faster. Also draws the
// ghost car and the time trial's lap panel.
#include <cmath>
#include <cstdio>
#include <ctime>

#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

// A split stays on the panel this long, hundredths of race time.
constexpr float kSplitShownFor = 500.0f;
// The ghost's tint: a cold blue-white that stands out of the orange lamps.
constexpr float kGhostTint[4] = {0.35f, 0.75f, 1.0f, 0.4f};
// The body model sits this far above the physics body's origin, the wheels
// at the car table's offsets scaled to the model (as the cars are drawn).
constexpr float kBodyRaise = 0.15f;
constexpr float kWheelOffsetScale = 0.77f / 1.67f;
constexpr float kWheelTrack = 1.0f;
constexpr float kWheelDrop = 0.45f - 0.8f;

bool recordCircuit(int race) {
    return race >= 1 && race <= kRecordCircuits;
}

Quaternion playerOrientation() {
    return getOrientation(session.cars[0].body);
}

void showSplit(int sector, float at) {
    const float* reference = referenceSplits();
    if (reference == nullptr) return;
    players[0].lapTiming.lastSplitSector = sector;
    players[0].lapTiming.lastSplitGap = at - reference[sector - 1];
    players[0].lapTiming.lastSplitShownAt = clockHundredths(session.raceTime);
}

void completeLap(float lap, const Vector3& p, const Quaternion& q) {
    players[0].lapTiming.splits[kLapSectors - 1] = lap;
    showSplit(kLapSectors, lap);
    players[0].lapTiming.lastLap = lap;
    players[0].lapTiming.lapsCompleted++;
    const bool sessionBest =
        players[0].lapTiming.sessionBest <= 0.0f || lap < players[0].lapTiming.sessionBest;
    if (sessionBest) players[0].lapTiming.sessionBest = lap;

    const int race = session.loadedRaceNumber, car = session.cars[0].model;
    const bool sampled = ghostRecordFinish(players[0].lapRecorder, lap, p, q) && recordCircuit(race);
    if (sampled) {
        for (int s = 0; s < kLapSectors; s++)
            players[0].lapRecorder.lap.splits[s] = players[0].lapTiming.splits[s];
        if (sessionBest) players[0].sessionGhost = players[0].lapRecorder.lap;
    }
    if (!recordCircuit(race)) return;
    if (sampled && (players[0].raceGhost.samples.empty() || lap < players[0].raceGhost.lap)) {
        // The new best of this car replaces the ghost at once.
        players[0].raceGhost = players[0].lapRecorder.lap;
        if (raceRun.ghostFilesEnabled) saveGhostFile(race, car, players[0].raceGhost);
    }
    if (offerLapRecord(race, car, lap, players[0].lapTiming.splits,
                       static_cast<int64_t>(std::time(nullptr))) &&
        raceRun.ghostFilesEnabled)
        writeLapRecords();
}

// A body matrix in OpenGL order from a ghost pose, raised or moved in the
// car's own frame.
void poseMatrix(const Vector3& p, const Matrix3& r, const Vector3& local, float out[16]) {
    const Vector3 at = p + rotate(local, r);
    for (int row = 0; row < 3; row++) {
        out[4 * row + 0] = r.rows[row].x;
        out[4 * row + 1] = r.rows[row].y;
        out[4 * row + 2] = r.rows[row].z;
        out[4 * row + 3] = 0.0f;
    }
    out[12] = at.x;
    out[13] = at.y;
    out[14] = at.z;
    out[15] = 1.0f;
}

}  // namespace

const float* referenceSplits() {
    if (!players[0].raceGhost.samples.empty()) return players[0].raceGhost.splits;
    const int race = session.loadedRaceNumber;
    if (recordCircuit(race) && raceRun.lapRecords[race - 1].lap > 0.0f)
        return raceRun.lapRecords[race - 1].splits;
    return nullptr;
}

int sectorEndedAt(int checkpoint, int count) {
    if (count <= 0) return 0;
    if (checkpoint == 0) return kLapSectors;
    for (int s = 1; s < kLapSectors; s++)
        if (checkpoint == count * s / kLapSectors) return s;
    return 0;
}

void resetLapTiming() {
    players[0].lapTiming = LapTiming{};
    players[0].lapRecorder.running = false;
    players[0].lapRecorder.lap.samples.clear();
    players[0].raceGhost.race = 0;
    players[0].raceGhost.samples.clear();
    players[0].sessionGhost.race = 0;
    players[0].sessionGhost.samples.clear();
    const int race = session.loadedRaceNumber;
    if (raceRun.ghostFilesEnabled && recordCircuit(race))
        loadGhostFile(race, players[0].playerCarModel, &players[0].raceGhost);
}

void updateLapTiming(int passedBefore, int nextBefore, float lapClockBefore) {
    const Car& car = session.cars[0];
    if (car.body == nullptr) return;
    const Vector3 p = getPosition(car.body);
    const Quaternion q = playerOrientation();
    if (car.checkpointsPassed == passedBefore) {
        if (players[0].lapTiming.lapRunning)
            ghostRecordStep(players[0].lapRecorder, clockHundredths(players[0].lapTime), p, q);
        return;
    }
    // The pass of checkpoint nextBefore, on the lap clock as it read then.
    const int sector = sectorEndedAt(nextBefore, session.checkpointCount);
    if (nextBefore == 0) {
        if (players[0].lapTiming.lapRunning) completeLap(lapClockBefore, p, q);
        players[0].lapTiming.lapRunning = !session.raceFinished;
        players[0].lapTiming.sectorsDone = 0;
        for (float& s : players[0].lapTiming.splits) s = 0.0f;
        if (players[0].lapTiming.lapRunning)
            ghostRecordStart(players[0].lapRecorder, session.loadedRaceNumber, car.model, p, q);
        return;
    }
    if (!players[0].lapTiming.lapRunning) return;
    ghostRecordStep(players[0].lapRecorder, lapClockBefore, p, q);
    if (sector > 0) {
        players[0].lapTiming.splits[sector - 1] = lapClockBefore;
        players[0].lapTiming.sectorsDone = sector;
        showSplit(sector, lapClockBefore);
    }
}

bool ghostNow(Vector3* position, Quaternion* orientation) {
    if (!players[0].lapTiming.lapRunning || session.raceFinished) return false;
    return ghostPose(players[0].raceGhost, clockHundredths(players[0].lapTime), position, orientation);
}

GhostPicture ghostCarPicture() {
    GhostPicture ghost;
    Vector3 p;
    Quaternion q;
    const int model = players[0].raceGhost.car;
    // Career and quick races time their laps but race only the opponents.
    if (!raceRun.timeTrialMode || !ghostNow(&p, &q) || model < 0 || model >= kCarModels) return ghost;
    // Faded out as the camera comes near it, rather than filling the view.
    const float tint[4] = {kGhostTint[0], kGhostTint[1], kGhostTint[2], kGhostTint[3] * ghostFade(p)};
    if (tint[3] <= 0.0f) return ghost;
    ghost.shown = true;
    for (int k = 0; k < 4; k++) ghost.tint[k] = tint[k];
    ghost.body = raceCarBody(model);
    ghost.wheel = raceCarWheel(model);
    const Matrix3 r = toMatrix(q);
    poseMatrix(p, r, Vector3(0.0f, kBodyRaise, 0.0f), ghost.bodyMatrix);
    const CarTableRow& row = raceRun.carTable[model];
    for (int j = 0; j < kWheels; j++) {
        const float x = (j < 2 ? row.frontWheelOffset : -row.rearWheelOffset) * kWheelOffsetScale;
        const float z = j % 2 == 0 ? kWheelTrack : -kWheelTrack;
        // The left-hand wheels turn their other face out, as on the cars.
        const Matrix3 wheel = z < 0.0f ? fromEulerXYZ(Vector3(3.1415927f, 0.0f, 0.0f)) * r : r;
        float* matrix = ghost.wheelMatrices[j];
        poseMatrix(p, r, Vector3(x, kWheelDrop, z), matrix);
        for (int row3 = 0; row3 < 3; row3++) {
            matrix[4 * row3 + 0] = wheel.rows[row3].x;
            matrix[4 * row3 + 1] = wheel.rows[row3].y;
            matrix[4 * row3 + 2] = wheel.rows[row3].z;
        }
    }
    return ghost;
}

// ---------------------------------------------------------------------------
// The time trial's panel, under the race clock: the record and the last
// split against it.

void drawLapPanel() {
    if (!raceRun.timeTrialMode) return;
    constexpr float kLeft = 96.0f, kRight = 252.0f, kBottom = 436.0f, kTop = 496.0f;
    beginOverlay();
    drawPod(kLeft, kBottom, kRight, kTop, kHudCyan);

    const int race = session.loadedRaceNumber;
    const LapRecord* record = recordCircuit(race) && raceRun.lapRecords[race - 1].lap > 0.0f
                                  ? &raceRun.lapRecords[race - 1]
                                  : nullptr;
    char text[32] = "-:--.--";
    if (record != nullptr) formatRaceTime(record->lap, text, sizeof text);
    // Shapes leave alpha blending on; the text keeps the shape colour.
    setTextColour(3);
    shapeColour(kHudCyan, 1.0f);
    printText(static_cast<int>(kLeft) + 8, 476, 1.0f, 1, "Record");
    shapeColour(kHudWhite, 1.0f);
    printText(static_cast<int>(kLeft) + 86, 476, 1.0f, 1, "%s", text);

    const bool fresh =
        players[0].lapTiming.lastSplitSector > 0 &&
        clockHundredths(session.raceTime) - players[0].lapTiming.lastSplitShownAt < kSplitShownFor;
    if (fresh) {
        const float gap = players[0].lapTiming.lastSplitGap;
        // Green ahead of the record, red behind it.
        static const float kAhead[3] = {0.2f, 1.0f, 0.35f};
        const float* colour = gap <= 0.0f ? kAhead : kHudOpponent;
        const int whole = static_cast<int>(std::fabs(gap));
        shapeColour(kHudCyan, 1.0f);
        printText(static_cast<int>(kLeft) + 8, 448, 1.0f, 1, "Split %d",
                  players[0].lapTiming.lastSplitSector);
        shapeColour(colour, 1.0f);
        printText(static_cast<int>(kLeft) + 86, 448, 1.0f, 1, "%c%d.%02d", gap <= 0.0f ? '-' : '+',
                  whole / 100, whole % 100);
    }
    setTextColour(0);
    shapeColour(kHudWhite, 1.0f);
    endOverlay();
}
