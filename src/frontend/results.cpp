// The result screen over a finished race: books a career result once, shows
// the place, and after ten seconds leaves for the garage or the main menu.
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

// Nothing shows for the first second; the race ends at ten.
static const float kResultShowSeconds = 1.0f;
static const float kResultEndSeconds = 10.0f;

// What the place would have needed to earn anything, read as the race was
// before this result was booked.
static char resultHint[96];

static void bookOnce() {
    if (!frontEnd.awardPending) return;
    if (!careerResultHint(frontEnd.selectedRace, players[0].playerPlace, resultHint, sizeof resultHint))
        resultHint[0] = '\0';
    const int points = career.careerPoints, tuning = career.tuningPoints;
    bookRaceResult(frontEnd.selectedRace, players[0].playerPlace);
    noteRaceBooking(career.careerPoints - points, career.tuningPoints - tuning);
    frontEnd.awardPending = false;
    // Saved at once, so a crash later in the run keeps this race's progress.
    writeCareerNow();
}

// Leaves as the pause menu's exit does; a career run then shows the newest
// race on the city map.
static void leaveRace() {
    const bool inCareer = frontEnd.careerRace;
    exitRace();
    if (inCareer) frontEnd.selectedRace = career.maxRaceUnlocked;
    playClickSound();
    resetMenuHover();
}

void drawResultScreen() {
    resetView();
    beginOverlay();

    if (session.raceTimer > kResultShowSeconds) {
        bookOnce();
        drawColour(1.0f, 1.0f, 1.0f, 1.0f);
        char circuit[48];
        std::snprintf(circuit, sizeof circuit, "Race %d: %s", session.loadedRaceNumber,
                      circuitName(session.loadedRaceNumber));
        if (circuitName(session.loadedRaceNumber)[0] != '\0')
            printOnPlate(400 - 5 * static_cast<int>(std::strlen(circuit)), 330, circuit);
        printTextLarge(280, 290, 1, "  You finished %s", placeOrdinal(players[0].playerPlace));
        if (frontEnd.newCarWon) printTextLarge(230, 250, 1, "     You win new car.");
        if (frontEnd.careerRace && resultHint[0] != '\0')
            printOnPlate(400 - 5 * static_cast<int>(std::strlen(resultHint)), 258, resultHint);
        drawResultsTable();
        printOnPlate(250, 40, "V  Watch replay     K  Save replay");
        handleResultReplayKeys();
    }

    endOverlay();

    if (advanceRaceTimer(frameSeconds()) > kResultEndSeconds) leaveRace();
}
