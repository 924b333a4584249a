// The result screen's table under its text: the four cars in finishing order
// with best lap and race time, and what a career race booked.
#include <cstdio>

#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

static_assert(kResultRows == kRaceCars, "one result row per car");

namespace {

// Overlay layout: the panel sits under "You win new car." (y 250 and up),
// between the nitro gauge (x < 188) and the tachometer (x > 606).
constexpr float kPanelLeft = 210.0f, kPanelRight = 590.0f, kPanelTop = 238.0f;
constexpr int kHeaderY = 216;
constexpr int kFirstRowY = 194;
constexpr int kRowStep = 20;
constexpr int kPointsY = 104;
constexpr int kPlaceX = 222, kNameX = 268, kBestX = 380, kTimeX = 490;

// a goes before b among the opponents.
bool ahead(const ResultRow& a, const ResultRow& b) {
    if (a.finished != b.finished) return a.finished;
    if (a.finished) return a.total < b.total;
    if (a.progress != b.progress) return a.progress > b.progress;
    return a.toNext < b.toNext;
}

void drawPanel(float bottom) {
    beginShapes();
    shapeColour(kHudBlack, 0.5f);
    fillRect(kPanelLeft, bottom, kPanelRight, kPanelTop);
    shapeLineWidth(1.0f);
    shapeColour(kHudCyan, 0.7f);
    outlineRect(kPanelLeft, bottom, kPanelRight, kPanelTop);
    // The header's magenta underline, as under the HUD's lap and place.
    const float underline = static_cast<float>(kHeaderY) - 5.0f;
    shapeColour(kHudMagenta, 0.9f);
    drawLine(kPanelLeft + 8.0f, underline, kPanelRight - 8.0f, underline);
    endShapes();
}

}  // namespace

void noteRaceBooking(int careerPointsGained, int tuningPointsGained) {
    frontEnd.bookedCareerPoints = careerPointsGained;
    frontEnd.bookedTuningPoints = tuningPointsGained;
}

void gatherResultRows(ResultRow rows[kResultRows]) {
    for (int i = 0; i < kResultRows; i++) {
        ResultRow& r = rows[i];
        const CarRaceTimes& t = session.carRaceTimes[i];
        r.car = i;
        r.finished = t.finished;
        r.total = t.finishTime;
        r.bestLap = t.bestLap;
        r.progress = t.progress;
        r.toNext = t.toNext;
    }
    // Several humans are timed as the opponents are.
    if (session.humanCount > 1) return;
    // The player's own clocks; its best lap exists once lap 1 is driven.
    ResultRow& player = rows[0];
    player.finished = session.raceFinished;
    player.total = clockHundredths(session.raceTime);
    player.bestLap =
        session.cars[0].lap >= 2 || session.raceFinished ? clockHundredths(players[0].bestLapTime) : 0.0f;
    player.progress = session.cars[0].checkpointsPassed;
}

void orderAllResults(ResultRow rows[kResultRows]) {
    for (int i = 1; i < kResultRows; i++) {
        ResultRow r = rows[i];
        int j = i;
        for (; j > 0 && ahead(r, rows[j - 1]); j--) rows[j] = rows[j - 1];
        rows[j] = r;
    }
}

void resultRowName(int car, char* text, int size) {
    const int humans = session.humanCount;
    if (humans <= 1 && car == 0)
        std::snprintf(text, static_cast<size_t>(size), "You");
    else if (car < humans)
        std::snprintf(text, static_cast<size_t>(size), "Player %d", car + 1);
    else
        std::snprintf(text, static_cast<size_t>(size), "Rival %d", humans <= 1 ? car : car - humans + 1);
}

void orderResults(ResultRow rows[kResultRows], int place) {
    ResultRow player = rows[0];
    ResultRow others[kResultRows];
    int n = 0;
    for (int i = 0; i < kResultRows; i++)
        if (rows[i].car != 0) others[n++] = rows[i];
    if (n == kResultRows) {
        // No player row: the opponents alone, in order.
        n = kResultRows - 1;
        player = others[n];
    }
    // Three rows at most: an insertion sort, stable for equal rows.
    for (int i = 1; i < n; i++) {
        ResultRow r = others[i];
        int j = i;
        for (; j > 0 && ahead(r, others[j - 1]); j--) others[j] = others[j - 1];
        others[j] = r;
    }
    if (place < 1) place = 1;
    if (place > n + 1) place = n + 1;
    int k = 0;
    for (int i = 0; i < kResultRows; i++) rows[i] = i == place - 1 ? player : others[k++];
}

void drawResultsTable() {
    ResultRow rows[kResultRows];
    gatherResultRows(rows);
    if (session.humanCount > 1)
        orderAllResults(rows);
    else
        orderResults(rows, players[0].playerPlace);

    const bool points = frontEnd.careerRace && !frontEnd.awardPending;
    drawPanel(points ? static_cast<float>(kPointsY) - 10.0f
                     : static_cast<float>(kFirstRowY - kRowStep * (kResultRows - 1)) - 12.0f);

    printColoured(kHudCyan, 1.0f, kPlaceX, kHeaderY, "Pos");
    printColoured(kHudCyan, 1.0f, kNameX, kHeaderY, "Car");
    printColoured(kHudCyan, 1.0f, kBestX, kHeaderY, "Best lap");
    printColoured(kHudCyan, 1.0f, kTimeX, kHeaderY, "Time");
    for (int i = 0; i < kResultRows; i++) {
        const ResultRow& r = rows[i];
        const int y = kFirstRowY - kRowStep * i;
        const float* c = r.car < session.humanCount ? kHudPlayer : nullptr;
        static const float kWhite[3] = {1.0f, 1.0f, 1.0f};
        if (c == nullptr) c = kWhite;
        char text[24];
        std::snprintf(text, sizeof text, "%d", i + 1);
        printColoured(c, 1.0f, kPlaceX + 8, y, text);
        resultRowName(r.car, text, sizeof text);
        printColoured(c, 1.0f, kNameX, y, text);
        if (r.bestLap > 0.0f)
            formatRaceTime(r.bestLap, text, sizeof text);
        else
            std::snprintf(text, sizeof text, "-:--.--");
        printColoured(c, 1.0f, kBestX, y, text);
        if (r.finished) {
            formatRaceTime(r.total, text, sizeof text);
            printColoured(c, 1.0f, kTimeX, y, text);
        } else {
            printColoured(kHudCyan, 1.0f, kTimeX, y, "racing");
        }
    }
    if (points) {
        char text[40];
        printColoured(kHudCyan, 1.0f, kPlaceX, kPointsY, "Points");
        std::snprintf(text, sizeof text, "+%d", frontEnd.bookedCareerPoints);
        printColoured(kHudPlayer, 1.0f, kPlaceX + 70, kPointsY, text);
        printColoured(kHudCyan, 1.0f, kBestX - 22, kPointsY, "Tuning points");
        std::snprintf(text, sizeof text, "+%d", frontEnd.bookedTuningPoints);
        printColoured(kHudPlayer, 1.0f, kBestX + 118, kPointsY, text);
    }
}
