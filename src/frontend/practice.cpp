// The practice screen (any unlocked circuit with any available car, as a
// race against three opponents or as a time trial against the ghost) and the
// records screen with the best lap of every circuit.
#include <cstdio>
#include <ctime>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

// The choice lines: label, arrows either side of the value.
constexpr int kCircuitLineY = kChoiceCircuitY;
constexpr int kCarLineY = kChoiceCarY;
constexpr int kLabelX = 80;
constexpr int kPreviousX = kChoicePreviousX, kValueX = 300, kNextX = kChoiceNextX;
// Half an arrow box across, in overlay units.
constexpr int kArrowHalfWidth = 20;

bool carAvailableForPractice(int car) {
    return car >= 0 && car < kCarCount && career.carAvailable[car];
}

void stepCar(int direction) {
    for (int car = frontEnd.practiceCar + direction; car >= 0 && car < kCarCount; car += direction) {
        if (carAvailableForPractice(car)) {
            frontEnd.practiceCar = car;
            return;
        }
    }
}

// The race whose track cannot be loaded: said, and back on the screen.
void practiceNotStarted() {
    platformMessageBox("Could Not Load The Race Track.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    setGameState(PracticeMenu);
    frontEnd.practiceKind = NoPractice;
    setTimeTrialMode(false);
    if (options.musicEnabled && !audio.menuMusic.isPlaying()) requestMenuMusicStart();
    resetMenuHover();
}

}  // namespace

// Mouse-space hit box of the arrow drawn at overlay (arrowX, lineY).
static bool arrowHit(int x, int y, int arrowX, int lineY) {
    const int top = 600 - lineY - 19, bottom = 600 - lineY + 9;
    return x >= arrowX - kArrowHalfWidth + 6 && x <= arrowX + kArrowHalfWidth + 6 && y >= top && y <= bottom;
}

static void drawArrowBox(int arrowX, int lineY, const char* arrow);

int choiceArrowAt(int x, int y, int lineY) {
    if (arrowHit(x, y, kPreviousX, lineY)) return -1;
    return arrowHit(x, y, kNextX, lineY) ? 1 : 0;
}

void drawChoiceLines(int circuit, int car) {
    printText(kLabelX, kCircuitLineY, 1.0f, 1, "Circuit");
    drawArrowBox(kPreviousX, kCircuitLineY, "<");
    if (circuit < 1) {
        printText(kValueX, kCircuitLineY, 1.0f, 1, "Random");
    } else {
        printText(kValueX, kCircuitLineY, 1.0f, 1, "Race %2i", circuit);
        printColoured(kHudCyan, 1.0f, kValueX, kCircuitLineY - 24, circuitName(circuit));
    }
    drawArrowBox(kNextX, kCircuitLineY, ">");

    printText(kLabelX, kCarLineY, 1.0f, 1, "Car");
    drawArrowBox(kPreviousX, kCarLineY, "<");
    printText(kValueX, kCarLineY, 1.0f, 1, "%s", car < 0 ? "Random" : carName(car));
    drawArrowBox(kNextX, kCarLineY, ">");
}

static void drawArrowBox(int arrowX, int lineY, const char* arrow) {
    const float x0 = static_cast<float>(arrowX - kArrowHalfWidth + 6),
                x1 = static_cast<float>(arrowX + kArrowHalfWidth + 6);
    beginShapes();
    shapeColour(kHudBlack, 0.5f);
    fillRect(x0, static_cast<float>(lineY - 9), x1, static_cast<float>(lineY + 19));
    shapeLineWidth(1.2f);
    shapeColour(kHudCyan, 0.8f);
    outlineRect(x0, static_cast<float>(lineY - 9), x1, static_cast<float>(lineY + 19));
    endShapes();
    printText(arrowX, lineY, 1.0f, 1, "%s", arrow);
}

void settlePracticeChoice() {
    if (frontEnd.practiceCircuit < 1) frontEnd.practiceCircuit = 1;
    if (frontEnd.practiceCircuit > career.maxRaceUnlocked) frontEnd.practiceCircuit = career.maxRaceUnlocked;
    if (frontEnd.practiceCircuit > kCareerRaces) frontEnd.practiceCircuit = kCareerRaces;
    if (!carAvailableForPractice(frontEnd.practiceCar)) {
        frontEnd.practiceCar = 0;
        for (int car = 0; car < kCarCount; car++) {
            if (carAvailableForPractice(car)) {
                frontEnd.practiceCar = car;
                break;
            }
        }
    }
}

bool startPractice(int kind) {
    settlePracticeChoice();
    setGameState(Race);
    frontEnd.careerRace = false;
    frontEnd.awardPending = false;
    frontEnd.newCarWon = false;
    frontEnd.practiceKind = kind;
    setTimeTrialMode(kind == PracticeTimeTrial);
    // The car as the career has tuned it; the career itself is left alone.
    float power = 0.0f, maxSpeed = 0.0f, suspension = 0.0f;
    tunedStatistics(frontEnd.practiceCar, &power, &maxSpeed, &suspension);
    setPlayerCar(0, frontEnd.practiceCar, power);
    if (loadRace(frontEnd.practiceCircuit)) return true;
    practiceNotStarted();
    return false;
}

void recordLine(int circuit, char* lap, int lapSize, char* car, int carSize, char* date, int dateSize) {
    const LapRecord* r =
        circuit >= 1 && circuit <= kRecordCircuits && raceRun.lapRecords[circuit - 1].lap > 0.0f
            ? &raceRun.lapRecords[circuit - 1]
            : nullptr;
    if (r == nullptr) {
        std::snprintf(lap, static_cast<size_t>(lapSize), "-:--.--");
        std::snprintf(car, static_cast<size_t>(carSize), "-");
        std::snprintf(date, static_cast<size_t>(dateSize), "-");
        return;
    }
    formatRaceTime(r->lap, lap, lapSize);
    std::snprintf(car, static_cast<size_t>(carSize), "%s", carName(r->car));
    // Dates outside 1970 to 9999 are no date a lap was driven on, and a far
    // one would overflow the calendar's year.
    constexpr int64_t kLastDate = 253402300799;  // 9999-12-31 23:59:59 UTC
    const time_t when = static_cast<time_t>(r->date);
    struct tm day;
    if (r->date >= 0 && r->date <= kLastDate && gmtime_r(&when, &day) != nullptr)
        std::snprintf(date, static_cast<size_t>(dateSize), "%04d-%02d-%02d", day.tm_year + 1900,
                      day.tm_mon + 1, day.tm_mday);
    else
        std::snprintf(date, static_cast<size_t>(dateSize), "-");
}

void drawPracticeMenu() {
    settlePracticeChoice();
    drawDarkeningSheet();
    printTextLarge(300, 550, 1, "  Practice");
    drawPod(60.0f, 250.0f, 540.0f, 490.0f, kHudMagenta);

    drawChoiceLines(frontEnd.practiceCircuit, frontEnd.practiceCar);

    char lap[32], car[16], date[16];
    recordLine(frontEnd.practiceCircuit, lap, sizeof lap, car, sizeof car, date, sizeof date);
    printColoured(kHudCyan, 1.0f, kLabelX, 330, "Record");
    printText(kValueX - 100, 330, 1.0f, 1, "%s  %s  %s", lap, car, date);
    printText(kLabelX, 290, 1.0f, 0, "Time trial: alone, from a standing start;");
    printText(kLabelX, 268, 1.0f, 0, "the laps run on until you exit.");

    drawMenuItem(1, "Race");
    drawMenuItem(2, "Time trial");
    drawMenuItem(3, "Records");
    drawMenuItem(4, "Replays");
    drawMenuItem(5, "Back");
}

void drawRecordsPage() {
    drawDarkeningSheet();
    printTextLarge(290, 550, 1, "Lap records");
    constexpr int kTop = 490, kPitch = 25;
    constexpr int kCircuitX = 50, kNameX = 80, kLapX = 230, kCarX = 320, kDateX = 450;
    drawPod(40.0f, static_cast<float>(kTop - kPitch * kRecordCircuits - 6), 560.0f,
            static_cast<float>(kTop + 32), kHudMagenta);
    printColoured(kHudCyan, 1.0f, kCircuitX, kTop + 4, "Circuit");
    printColoured(kHudCyan, 1.0f, kLapX, kTop + 4, "Best lap");
    printColoured(kHudCyan, 1.0f, kCarX, kTop + 4, "Car");
    printColoured(kHudCyan, 1.0f, kDateX, kTop + 4, "Date");
    for (int circuit = 1; circuit <= kRecordCircuits; circuit++) {
        char lap[32], car[16], date[16];
        recordLine(circuit, lap, sizeof lap, car, sizeof car, date, sizeof date);
        const int y = kTop - kPitch * circuit;
        printText(kCircuitX, y, 1.0f, 1, "%2i", circuit);
        printText(kNameX, y, 1.0f, 1, "%s", circuitName(circuit));
        printText(kLapX, y, 1.0f, 1, "%s", lap);
        printText(kCarX, y, 1.0f, 1, "%s", car);
        printText(kDateX, y, 1.0f, 1, "%s", date);
    }
    drawMenuItem(5, "Back");
}

bool clickPracticeMenu(int x, int y) {
    settlePracticeChoice();
    if (const int step = choiceArrowAt(x, y, kCircuitLineY)) {
        if (step < 0 && frontEnd.practiceCircuit > 1) frontEnd.practiceCircuit--;
        if (step > 0 && frontEnd.practiceCircuit < career.maxRaceUnlocked &&
            frontEnd.practiceCircuit < kCareerRaces)
            frontEnd.practiceCircuit++;
        playClickSound();
        return true;
    }
    if (const int step = choiceArrowAt(x, y, kCarLineY)) {
        stepCar(step);
        playClickSound();
        return true;
    }
    if (menuRowHit(1, x, y)) {
        startPractice(PracticeRace);
    } else if (menuRowHit(2, x, y)) {
        startPractice(PracticeTimeTrial);
    } else if (menuRowHit(3, x, y)) {
        setGameState(RecordsPage);
    } else if (menuRowHit(4, x, y)) {
        openReplaysPage();
    } else if (menuRowHit(5, x, y)) {
        setGameState(MainMenu);
    } else {
        return false;
    }
    playClickSound();
    resetMenuHover();
    return true;
}

bool clickRecordsPage(int x, int y) {
    if (!menuRowHit(5, x, y)) return false;
    setGameState(PracticeMenu);
    playClickSound();
    resetMenuHover();
    return true;
}
