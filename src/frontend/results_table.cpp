// The result screen's table under its text: the four cars in finishing order
// with best lap and race time, and what a career race booked.
#include <cstdio>

#include "app/state.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"

int bookedCareerPoints = 0;
int bookedTuningPoints = 0;

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

// The HUD's neon and the player's yellow of the minimap.
constexpr float kCyan[3] = {0.18f, 0.9f, 1.0f};
constexpr float kMagenta[3] = {1.0f, 0.18f, 0.6f};
constexpr float kPlayerColour[3] = {1.0f, 0.9f, 0.15f};

// a goes before b among the opponents.
bool ahead(const ResultRow& a, const ResultRow& b) {
    if (a.finished != b.finished) return a.finished;
    if (a.finished) return a.total < b.total;
    if (a.progress != b.progress) return a.progress > b.progress;
    return a.toNext < b.toNext;
}

void printIn(const float c[3], int x, int y, const char* text) {
    textColour = 3;
    glColor4f(c[0], c[1], c[2], 1.0f);
    printText(x, y, 1.0f, 1, "%s", text);
    textColour = 0;
}

void drawPanel(float bottom) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    glBegin(GL_QUADS);
    glVertex2f(kPanelLeft, bottom);
    glVertex2f(kPanelRight, bottom);
    glVertex2f(kPanelRight, kPanelTop);
    glVertex2f(kPanelLeft, kPanelTop);
    glEnd();
    glLineWidth((float)screenWidth / 800.0f < 1.0f ? 1.0f : (float)screenWidth / 800.0f);
    glColor4f(kCyan[0], kCyan[1], kCyan[2], 0.7f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(kPanelLeft, bottom);
    glVertex2f(kPanelRight, bottom);
    glVertex2f(kPanelRight, kPanelTop);
    glVertex2f(kPanelLeft, kPanelTop);
    glEnd();
    // The header's magenta underline, as under the HUD's lap and place.
    const float underline = (float)kHeaderY - 5.0f;
    glColor4f(kMagenta[0], kMagenta[1], kMagenta[2], 0.9f);
    glBegin(GL_LINES);
    glVertex2f(kPanelLeft + 8.0f, underline);
    glVertex2f(kPanelRight - 8.0f, underline);
    glEnd();
    glLineWidth(1.0f);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace

void noteRaceBooking(int careerPointsGained, int tuningPointsGained) {
    bookedCareerPoints = careerPointsGained;
    bookedTuningPoints = tuningPointsGained;
}

void gatherResultRows(ResultRow rows[kResultRows]) {
    for (int i = 0; i < kResultRows; i++) {
        ResultRow& r = rows[i];
        const CarRaceTimes& t = carRaceTimes[i];
        r.car = i;
        r.finished = t.finished;
        r.total = t.finishTime;
        r.bestLap = t.bestLap;
        r.progress = t.progress;
        r.toNext = t.toNext;
    }
    // The player's own clocks; its best lap exists once lap 1 is driven.
    ResultRow& player = rows[0];
    player.finished = raceFinished;
    player.total = clockHundredths(raceTime);
    player.bestLap = cars[0].lap >= 2 || raceFinished ? clockHundredths(bestLapTime) : 0.0f;
    player.progress = cars[0].checkpointsPassed;
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
    orderResults(rows, playerPlace);

    const bool points = careerRace && !awardPending;
    drawPanel(points ? (float)kPointsY - 10.0f : (float)(kFirstRowY - kRowStep * (kResultRows - 1)) - 12.0f);

    printIn(kCyan, kPlaceX, kHeaderY, "Pos");
    printIn(kCyan, kNameX, kHeaderY, "Car");
    printIn(kCyan, kBestX, kHeaderY, "Best lap");
    printIn(kCyan, kTimeX, kHeaderY, "Time");
    for (int i = 0; i < kResultRows; i++) {
        const ResultRow& r = rows[i];
        const int y = kFirstRowY - kRowStep * i;
        const float* c = r.car == 0 ? kPlayerColour : nullptr;
        static const float kWhite[3] = {1.0f, 1.0f, 1.0f};
        if (c == nullptr) c = kWhite;
        char text[24];
        std::snprintf(text, sizeof text, "%d", i + 1);
        printIn(c, kPlaceX + 8, y, text);
        if (r.car == 0)
            std::snprintf(text, sizeof text, "You");
        else
            std::snprintf(text, sizeof text, "Rival %d", r.car);
        printIn(c, kNameX, y, text);
        if (r.bestLap > 0.0f)
            formatRaceTime(r.bestLap, text, sizeof text);
        else
            std::snprintf(text, sizeof text, "-:--.--");
        printIn(c, kBestX, y, text);
        if (r.finished) {
            formatRaceTime(r.total, text, sizeof text);
            printIn(c, kTimeX, y, text);
        } else {
            printIn(kCyan, kTimeX, y, "racing");
        }
    }
    if (points) {
        char text[40];
        printIn(kCyan, kPlaceX, kPointsY, "Points");
        std::snprintf(text, sizeof text, "+%d", bookedCareerPoints);
        printIn(kPlayerColour, kPlaceX + 70, kPointsY, text);
        printIn(kCyan, kBestX - 22, kPointsY, "Tuning points");
        std::snprintf(text, sizeof text, "+%d", bookedTuningPoints);
        printIn(kPlayerColour, kBestX + 118, kPointsY, text);
    }
}
