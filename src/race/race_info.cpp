// Race information over the HUD: the race clock under the lap counter, the
// north-up minimap under the place counter and the blinking wrong-way
// warning; also times the opponents' laps and finishes for the result screen.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

// The warning blinks twice a second, lit for most of each beat.
constexpr float kBlinkPeriod = 0.5f;
constexpr float kBlinkLit = 0.35f;

// Layout in the 800 x 600 overlay. The top bar's band ends at y 550 (its
// lap and place pods above), so the clock pod hangs under the lap pod and the
// minimap on the right under the place pod, low enough that the frame counter
// (F, at y 497..517) stays above it; all clear of the arrow's scope in the
// middle, the tachometer and nitro gauge at the bottom and the drift text at
// y 380.
constexpr float kPodLeft = 96.0f, kPodRight = 252.0f, kPodBottom = 500.0f, kPodTop = 546.0f;
constexpr float kMapLeft = 652.0f, kMapBottom = 344.0f, kMapSize = 140.0f;
// The circuit keeps this much room from the minimap's edge for the dots.
constexpr float kMapMargin = 10.0f;
// Length of the heading mark on the player's dot, overlay units.
constexpr float kHeadingTick = 11.0f;
// "WRONG WAY" in the large font at twice its size, centred on the screen.
constexpr float kWarningScale = 2.0f;
constexpr float kWarningY = 300.0f;

Vector3 checkpointPosition(int i) {
    return Vector3(session.checkpoints[i].x, session.checkpoints[i].y, session.checkpoints[i].z);
}

// A lap line passed by an opponent: lap 1 starts at its first pass, each
// later pass closes a lap, and the pass beyond the race's laps is its finish.
void noteOpponentLap(CarRaceTimes& t, int lap, float now) {
    if (t.finished) return;
    if (lap >= 2) {
        const float driven = now - t.lapStart;
        if (t.bestLap <= 0.0f || driven <= t.bestLap) t.bestLap = driven;
        if (lap > session.lapCount) {
            t.finished = true;
            t.finishTime = now;
        }
    }
    t.lapStart = now;
}

// One of several humans: their best lap from their own lap clocks (which
// carry their resets' time), and at their finish the race clock plus the
// time their resets cost.
void noteHumanTimes(int player, CarRaceTimes& t, float now) {
    const PlayerRace& me = players[player];
    if (session.cars[player].lap >= 2) t.bestLap = clockHundredths(me.bestLapTime);
    if (me.finished && !t.finished) {
        t.finished = true;
        t.finishTime = now + 100.0f * static_cast<float>(kResetPenaltySeconds * me.resetCount);
    }
}

// ---------------------------------------------------------------------------
// Drawing.

// The clock the pod shows: the lap clock, and after the finish the race's
// total (one of several humans: their own finish time).
float podClock(int player) {
    if (!playerFinished(player)) return clockHundredths(players[player].lapTime);
    const CarRaceTimes& t = session.carRaceTimes[player];
    return session.humanCount > 1 && t.finished ? t.finishTime : clockHundredths(session.raceTime);
}

void drawClockPod(int player) {
    if (session.countdownRunning) return;
    drawPod(kPodLeft, kPodBottom, kPodRight, kPodTop, kHudMagenta);

    char top[32], best[32];
    formatRaceTime(podClock(player), top, sizeof top);
    // The best lap exists once lap 1 has been driven.
    if ((session.cars[player].lap >= 2 || playerFinished(player)) &&
        clockHundredths(players[player].bestLapTime) > 0.0f)
        formatRaceTime(clockHundredths(players[player].bestLapTime), best, sizeof best);
    else
        std::snprintf(best, sizeof best, "-:--.--");

    setTextColour(3);
    shapeColour(kHudCyan, 1.0f);
    printText(static_cast<int>(kPodLeft) + 8, 526, 1.0f, 1, "%s", playerFinished(player) ? "Total" : "Time");
    shapeColour(kHudCyan, 1.0f);
    printText(static_cast<int>(kPodLeft) + 8, 506, 1.0f, 1, "Best");
    setTextColour(0);
    printText(static_cast<int>(kPodLeft) + 72, 526, 1.0f, 1, "%s", top);
    printText(static_cast<int>(kPodLeft) + 72, 506, 1.0f, 1, "%s", best);
}

// The minimap in the overlay square at (left, bottom), size units a side.
void drawMinimapIn(float left, float bottom, float size) {
    if (session.checkpointCount < 2) return;
    const MinimapFit fit = fitMinimap(session.checkpoints, session.checkpointCount, left, bottom, size);
    beginShapes();
    shapeColour(kHudBlack, 0.55f);
    fillRect(left, bottom, left + size, bottom + size);
    shapeLineWidth(1.0f);
    shapeColour(kHudCyan, 0.6f);
    outlineRect(left, bottom, left + size, bottom + size);

    // The road: a wide faint glow under a thin bright line. (No line
    // smoothing: on some drivers it leaves later lines drawn differently.)
    std::vector<float> road(2 * static_cast<size_t>(session.checkpointCount));
    for (int i = 0; i < session.checkpointCount; i++)
        minimapPlace(fit, session.checkpoints[i].x, session.checkpoints[i].z, &road[2 * i], &road[2 * i + 1]);
    for (int pass = 0; pass < 2; pass++) {
        shapeLineWidth(pass == 0 ? 5.0f : 1.8f);
        if (pass == 0)
            shapeColour(kHudCyan, 0.3f);
        else
            drawColour(0.75f, 0.97f, 1.0f, 0.95f);
        strokeLoop(road.data(), session.checkpointCount);
    }
    shapeLineWidth(1.0f);

    // The start line, then the opponents, the players on top.
    float x, y;
    minimapPlace(fit, session.checkpoints[0].x, session.checkpoints[0].z, &x, &y);
    shapeColour(kHudWhite, 0.9f);
    fillRect(x - 2.0f, y - 2.0f, x + 2.0f, y + 2.0f);
    for (int i = kRaceCars - 1; i >= 0; i--) {
        if (session.cars[i].body == nullptr) continue;
        const Vector3 p = getPosition(session.cars[i].body);
        minimapPlace(fit, p.x, p.z, &x, &y);
        const bool human = i < session.humanCount;
        const float r = human ? 5.0f : 4.0f;
        if (human) {
            // The map stays north-up, so the player's dot points where the
            // car faces.
            Vector3 facing = getRotation(session.cars[i].body).rows[0];
            facing.y = 0.0f;
            normalise(facing);
            shapeLineWidth(2.0f);
            shapeColour(kHudPlayer, 1.0f);
            drawLine(x, y, x + kHeadingTick * facing.x, y - kHeadingTick * facing.z);
            shapeLineWidth(1.0f);
        }
        shapeColour(kHudBlack, 0.8f);
        fillDisc(x, y, r + 1.5f);
        shapeColour(human ? kHudPlayer : kHudOpponent, 1.0f);
        fillDisc(x, y, r);
    }
    endShapes();
}

void drawMinimap() {
    drawMinimapIn(kMapLeft, kMapBottom, kMapSize);
}

void drawWrongWay(int player) {
    if (session.countdownRunning || playerFinished(player) || !wrongWayShown(players[player].wrongWayTimer))
        return;
    if (std::fmod(players[player].wrongWayTimer, kBlinkPeriod) > kBlinkLit) return;
    static const char kText[] = "WRONG WAY";
    // The glyphs sit in the left half of their quads: the text's width is
    // its advances, and the quad's height centres it.
    const float width = 13.0f * kWarningScale * static_cast<float>(sizeof kText - 1);
    const float x = 400.0f - width * 0.5f;
    const float y = kWarningY - 13.5f * kWarningScale;
    setBlend2D(Blend2DAlpha);
    drawColour(0.0f, 0.0f, 0.0f, 0.7f);
    printScaled(x + 2.0f, y - 2.0f, kWarningScale, kText);
    drawColour(1.0f, 0.15f, 0.15f, 1.0f);
    printScaled(x, y, kWarningScale, kText);
    // A second, added pass gives the letters their neon glow.
    setBlend2D(Blend2DGlow);
    drawColour(1.0f, 0.3f, 0.2f, 0.5f);
    printScaled(x, y, kWarningScale, kText);
    setBlend2D(Blend2DAlpha);
}

}  // namespace

float clockHundredths(const RaceClock& clock) {
    return static_cast<float>(clock.minutes * 60 + clock.seconds) * 100.0f + clock.hundredths;
}

void formatRaceTime(float hundredths, char* out, int size) {
    if (size <= 0) return;
    // Up to 999:59.99, far beyond any race.
    constexpr float kLongest = 999.0f * 6000.0f + 5999.0f;
    const int whole = hundredths > 0.0f ? static_cast<int>(hundredths < kLongest ? hundredths : kLongest) : 0;
    const int minutes = whole / 6000;
    const int rest = whole - minutes * 6000;
    std::snprintf(out, static_cast<size_t>(size), "%d:%02d.%02d", minutes, rest / 100, rest % 100);
}

void resetRaceInfo() {
    for (CarRaceTimes& t : session.carRaceTimes) t = CarRaceTimes{};
    resetCourseProgress();
}

void updateRaceInfo(float f) {
    const bool racing = !session.countdownRunning && !session.raceFinished;
    updateCourseProgress(f);
    // Times and progress stand still with the race clocks: what the result
    // screen lists is the race as it stood at the player's finish.
    if (!racing) return;
    const float now = clockHundredths(session.raceTime);
    // One human alone is timed by the race clocks; several are timed here.
    const int firstTimed = session.humanCount > 1 ? 0 : 1;
    for (int i = firstTimed; i < kRaceCars; i++) {
        const Car& car = session.cars[i];
        CarRaceTimes& t = session.carRaceTimes[i];
        if (i < session.humanCount)
            noteHumanTimes(i, t, now);
        else
            while (t.lapsSeen < car.lap) noteOpponentLap(t, ++t.lapsSeen, now);
        t.progress = car.checkpointsPassed;
        t.toNext = 0.0f;
        if (car.body != nullptr && car.nextCheckpoint >= 0 && car.nextCheckpoint < session.checkpointCount)
            t.toNext = length(checkpointPosition(car.nextCheckpoint) - getPosition(car.body));
    }
}

bool wrongWayShown(float timer) {
    return timer > 0.0f;
}

MinimapFit fitMinimap(const Checkpoint* points, int count, float left, float bottom, float size) {
    MinimapFit fit{0.0f, 0.0f, 1.0f, left, bottom, size};
    if (count <= 0) return fit;
    float minX = points[0].x, maxX = points[0].x, minZ = points[0].z, maxZ = points[0].z;
    for (int i = 1; i < count; i++) {
        minX = std::fmin(minX, points[i].x);
        maxX = std::fmax(maxX, points[i].x);
        minZ = std::fmin(minZ, points[i].z);
        maxZ = std::fmax(maxZ, points[i].z);
    }
    fit.centreX = 0.5f * (minX + maxX);
    fit.centreZ = 0.5f * (minZ + maxZ);
    // One scale for both axes, set by the longer side, so the circuit's shape
    // is kept; a single point just sits in the middle.
    const float extent = std::fmax(maxX - minX, maxZ - minZ);
    if (extent > 0.001f) fit.scale = (size - 2.0f * kMapMargin) / extent;
    return fit;
}

void minimapPlace(const MinimapFit& fit, float x, float z, float* overlayX, float* overlayY) {
    // Seen from above with x to the right, world +z points down the screen.
    float ox = fit.left + 0.5f * fit.size + (x - fit.centreX) * fit.scale;
    float oy = fit.bottom + 0.5f * fit.size - (z - fit.centreZ) * fit.scale;
    // A car off the circuit's box stays on the map's rim.
    const float inset = 0.5f * kMapMargin;
    ox = std::fmin(std::fmax(ox, fit.left + inset), fit.left + fit.size - inset);
    oy = std::fmin(std::fmax(oy, fit.bottom + inset), fit.bottom + fit.size - inset);
    *overlayX = ox;
    *overlayY = oy;
}

void minimapRect(float* x0, float* y0, float* x1, float* y1) {
    *x0 = kMapLeft;
    *y0 = kMapBottom;
    *x1 = kMapLeft + kMapSize;
    *y1 = kMapBottom + kMapSize;
}

void drawRaceInfo() {
    beginOverlay();
    beginImages();
    setBlend2D(Blend2DAlpha);

    drawMinimap();
    drawClockPod(0);
    drawWrongWay(0);

    endOverlay();
    restoreSceneState();
    setBlend2D(Blend2DAdd);
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    setTextColour(0);
}

void drawPlayerRaceInfo(int player) {
    if (player < 0 || player >= kMaxPlayers) return;
    beginOverlay();
    beginImages();
    setBlend2D(Blend2DAlpha);
    drawClockPod(player);
    drawWrongWay(player);
    endOverlay();
    restoreSceneState();
    setBlend2D(Blend2DAdd);
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    setTextColour(0);
}

void drawMiddleMinimap() {
    beginOverlay();
    beginImages();
    setBlend2D(Blend2DAlpha);
    drawMinimapIn(400.0f - 0.5f * kMapSize, 300.0f - 0.5f * kMapSize, kMapSize);
    endOverlay();
    restoreSceneState();
    setBlend2D(Blend2DAdd);
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
}

void drawStandingsPanel() {
    beginOverlay();
    beginImages();
    setBlend2D(Blend2DAlpha);
    drawPod(40.0f, 120.0f, 480.0f, 480.0f, kHudMagenta);
    printColoured(kHudCyan, 1.0f, 60, 440, "Standings");
    updateStandings();
    for (int k = 0; k < kRaceCars; k++) {
        const int car = session.standings[k].car;
        if (car < 0 || car >= kRaceCars || session.cars[car].body == nullptr) continue;
        char name[24];
        if (car < session.humanCount)
            std::snprintf(name, sizeof name, "Player %d", car + 1);
        else
            std::snprintf(name, sizeof name, "Rival %d", car - session.humanCount + 1);
        const int lap = session.cars[car].lap > 1 ? session.cars[car].lap : 1;
        char line[48];
        if (car < session.humanCount && playerFinished(car))
            std::snprintf(line, sizeof line, "%d  %-9s  home", k + 1, name);
        else
            std::snprintf(line, sizeof line, "%d  %-9s  lap %d/%d", k + 1, name, lap, session.lapCount);
        printColoured(car < session.humanCount ? kHudPlayer : kHudWhite, 1.0f, 60, 390 - 60 * k, line);
    }
    drawMinimapIn(540.0f, 200.0f, 220.0f);
    endOverlay();
    restoreSceneState();
    setBlend2D(Blend2DAdd);
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    setTextColour(0);
}
