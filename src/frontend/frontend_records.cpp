// The front end's record for the whole run.
#include "frontend/frontend.h"
#include "state/state.h"

FrontEndState frontEnd;

void openMainMenu() {
    setGameState(MainMenu);
    frontEnd.selectedCar = 0;
    frontEnd.selectedRace = 1;
    frontEnd.menuPhase = 40.0f;
}
