// Front end: menu screens, career rules, result screen and garage scene.
//
// Globals below are grouped by lifetime. The selections are written by the
// menus and read by the race set-up and the driving model.
#pragma once

// ---------------------------------------------------------------------------
// For the whole run: what the menus selected.

// Car shown in the garage and driven in the next race, 0..11 (car number - 1).
extern int selectedCar;
// Career race shown on the city map, 1..maxRaceUnlocked.
extern int selectedRace;
// Race number of the running quick race, 1..9, drawn by the main menu.
extern int quickRaceNumber;
// Power rating of the selected car as tuned, 0..1; the race scales every
// engine force by it (the opponents by it raised by 30 %).
extern float carPower;
