// The front end's selections that the race reads.
#include "frontend/frontend.h"

int selectedCar = 0;
int selectedRace = 0;
int quickRaceNumber = 0;
float carPower = 0.0f;
float carMaxSpeed = 0.0f;
float carSuspension = 0.0f;
