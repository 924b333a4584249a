// The quick race screen: a random circuit and car, as the quick race always
// drew them, or the player's choice among the circuits and cars the career
// has opened.
#include <cstdio>
#include <cstdlib>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

constexpr int kLabelX = 80;
constexpr int kStartRow = 1;
constexpr int kBackRow = 5;

bool circuitOpen(int circuit) {
    return circuit >= 1 && circuit <= career.maxRaceUnlocked && circuit <= kCareerRaces;
}

bool carOpen(int car) {
    return car >= 0 && car < kCarCount && career.carAvailable[car];
}

// Random, then the open circuits in order, and round again.
void stepCircuit(int direction) {
    const int last = career.maxRaceUnlocked < kCareerRaces ? career.maxRaceUnlocked : kCareerRaces;
    const int now = frontEnd.quickRaceCircuit;
    if (direction > 0)
        frontEnd.quickRaceCircuit = now == kQuickRaceRandom ? 1 : (now >= last ? kQuickRaceRandom : now + 1);
    else
        frontEnd.quickRaceCircuit = now == kQuickRaceRandom ? last : (now <= 1 ? kQuickRaceRandom : now - 1);
}

void stepCar(int direction) {
    int car = frontEnd.quickRaceCar;
    for (int tries = 0; tries <= kCarCount; tries++) {
        car += direction;
        if (car >= kCarCount) car = kQuickRaceRandom;
        if (car < kQuickRaceRandom) car = kCarCount - 1;
        if (car == kQuickRaceRandom || carOpen(car)) break;
    }
    frontEnd.quickRaceCar = car;
}

}  // namespace

void settleQuickRaceChoice() {
    if (frontEnd.quickRaceCircuit != kQuickRaceRandom && !circuitOpen(frontEnd.quickRaceCircuit))
        frontEnd.quickRaceCircuit = kQuickRaceRandom;
    if (frontEnd.quickRaceCar != kQuickRaceRandom && !carOpen(frontEnd.quickRaceCar))
        frontEnd.quickRaceCar = kQuickRaceRandom;
}

void drawQuickRaceMenu() {
    settleQuickRaceChoice();
    drawDarkeningSheet();
    printTextLarge(300, 550, 1, "Quick race");
    drawPod(60.0f, 300.0f, 540.0f, 490.0f, kHudMagenta);

    drawChoiceLines(frontEnd.quickRaceCircuit, frontEnd.quickRaceCar);
    drawPlayersLine();
    printText(kLabelX, 318, 1.0f, 0, "Random, or a circuit and car your career has opened.");

    drawMenuItem(kStartRow, "Start");
    drawMenuItem(kBackRow, "Back");
}

bool clickQuickRaceMenu(int x, int y) {
    settleQuickRaceChoice();
    if (const int step = choiceArrowAt(x, y, kChoiceCircuitY)) {
        stepCircuit(step);
        playClickSound();
        return true;
    }
    if (const int step = choiceArrowAt(x, y, kChoiceCarY)) {
        stepCar(step);
        playClickSound();
        return true;
    }
    if (const int step = choiceArrowAt(x, y, kChoicePlayersY)) {
        stepPlayerCount(step);
        playClickSound();
        return true;
    }
    if (menuRowHit(kStartRow, x, y)) {
        // Several players join first; one starts at once.
        if (frontEnd.playerCount > 1) {
            openJoinScreen(JoinQuickRace);
            playClickSound();
            return true;
        }
        setPlayerCount(1);
        startQuickRace();
    } else if (menuRowHit(kBackRow, x, y)) {
        setGameState(MainMenu);
    } else {
        return false;
    }
    playClickSound();
    resetMenuHover();
    return true;
}

int drawQuickRaceCircuit() {
    settleQuickRaceChoice();
    return frontEnd.quickRaceCircuit != kQuickRaceRandom ? frontEnd.quickRaceCircuit : std::rand() % 9 + 1;
}

int drawQuickRaceCar() {
    settleQuickRaceChoice();
    return frontEnd.quickRaceCar != kQuickRaceRandom ? frontEnd.quickRaceCar : std::rand() % 6;
}
