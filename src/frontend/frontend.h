// Front end: menu screens, career rules, result screen and garage scene.
//
// The menus are drawn in the fixed 800 x 600 overlay space (x right, y up)
// over the garage scene; clicks and hovers are tested in the mouse space of
// the same size with y growing downwards. Globals below are grouped by
// lifetime. The selections are written by the menus and handed to the race
// when it starts (playerCarModel, playerCarPower); the career itself (points, cars, races) is
// the save-file state in state/state.h, changed only here.
#pragma once

#include <string>
#include <vector>

#include "platform/controller_keys.h"
#include "race/race.h"

class Model;

// ---------------------------------------------------------------------------
// For the whole run: what the menus selected.

// ---------------------------------------------------------------------------
// For the whole run: menu state, written by drawMenus, menuClick and menuHover.

// Item slots of a screen that can carry a hover flag; rows 1..5 use 0..4.
constexpr int kMenuHoverSlots = 11;
constexpr int kMenuRows = 5;

// ---------------------------------------------------------------------------
// From a race's start to its end: the result screen's flags.

// What the running race was started as from the practice screen; nothing of
// a practice race or a time trial is booked in the career.
enum PracticeKind : int { NoPractice, PracticeRace, PracticeTimeTrial };

// ---------------------------------------------------------------------------
// From the end of the start-up splash to exit: the garage scene's models.

// ---------------------------------------------------------------------------
// Screens (menus.cpp, loading_screen.cpp, results.cpp, garage_scene.cpp).

// The start-up splash: stage 0 the first picture, 1 the second with "Loading...".
void drawLoadingScreen(int stage);
// The menu frame: garage scene, its copy as background, the screen of
// gameState, the mouse pointer.
void drawMenus();
// Each race frame while raceFinished: books the result once, shows it and
// leaves the race after ten seconds.
void drawResultScreen();
// The turning garage with the selected car, copied into screenTexture and
// passed through the glow passes.
void drawGarageScene();
// The reflection pass of the garage scene: the room, swaying with menuPhase.
void renderGarageReflection();
// Loads the garage and its lamps (end of the splash); releases them (exit).
void loadGarageModels();
void releaseGarageModels();
// Makes the garage's lamps the current lamp list again (after a race).
void rebuildGarageLights();

// ---------------------------------------------------------------------------
// Mouse and hit areas (menu_input.cpp).

// Left-button press: the first item of the shown screen under the cursor acts.
void menuClick();
// Hover update: sets the flags of the items under the cursor, the hover sound
// once on entry.
void menuHover();
// Clears every hover flag, then reseeds the random generator from the clock.
void resetMenuHover();
// A click at a point of the mouse space, as the keys' items make it.
void menuClickAt(int x, int y);
// Left (-1) or Right (1) on an options line or row at a mouse point: the
// value one step back or on; false when nothing there takes a step.
bool stepOptionsItem(int x, int y, int direction);

// The keys in the menus (menu_keys.cpp): Up, Down and Tab move the highlight
// over the shown screen's items, Left and Right change a value, Return acts
// as a click on the highlighted item, Esc goes back. true when the key was
// taken; a held key's repeats move the highlight but never act again.
bool menuKeyDown(int vk, bool repeat);
// The pointer moved: the mouse leads the highlight again.
void menuPointerMoved();
// The item the keys highlight on the shown screen: its row (1..5, or 0 for
// an item on the left) and its mouse-space box; false while the pointer leads.
bool menuKeyFocusItem(int* row, int* x0, int* y0, int* x1, int* y1);
// The highlight of a left-hand item, over the screen drawn.
void drawMenuKeyFocus();
void resetMenuKeys();
// Cursor pixels in a window width x height to the 800 x 600 mouse space:
// menu.inf's three sizes by their fixed scales, any other through the
// overlay's 4:3 fit (the design centred, the sides beyond 0..800).
void screenToMouse(int width, int height, int pixelX, int pixelY, int* outX, int* outY);
// The window pixel of a mouse-space point, the other way round.
void mouseToScreen(int width, int height, int mouseX, int mouseY, int* outX, int* outY);
// Mouse-space hit test of a right-hand row 1..5 (x 601..799).
bool menuRowHit(int row, int x, int y);
// Rows 1..5: the overlay height the row's button and label are drawn at.
int menuRowHeight(int row);
// True when the shown screen has a clickable item in that row.
bool screenHasRow(int state, int row);

// The quick race screen (quick_race.cpp): a circuit and a car, each random
// (kQuickRaceRandom) or one the career has opened; kept for the whole run.
constexpr int kQuickRaceRandom = -1;
void drawQuickRaceMenu();
bool clickQuickRaceMenu(int x, int y);
// A choice the career no longer offers goes back to random.
void settleQuickRaceChoice();
// The circuit (1..9 when random) and the car (0..5 when random) of the next
// quick race.
int drawQuickRaceCircuit();
int drawQuickRaceCar();

// The practice screen and the records screen (practice.cpp).
void drawPracticeMenu();
void drawRecordsPage();
// Clicks on them; true when an item took the click.
bool clickPracticeMenu(int x, int y);
bool clickRecordsPage(int x, int y);
// The Replays screen (replays_screen.cpp): the saved replays listed with
// their circuit, cars, date and winner's time, a refused one with its
// reason; one is chosen by a click on its line, then watched or deleted.
void openReplaysPage();
void drawReplaysPage();
bool clickReplaysPage(int x, int y);
// Loads the saved replay's circuit and watches it; false (and a line on the
// screen) when the file is refused or the circuit cannot be loaded.
bool watchSavedReplay(const std::string& name);
// The viewer of a saved replay was left: the circuit unloaded, back to the
// Replays screen.
void leaveSavedReplay();
// The result screen's keys: V watches the race's replay, K saves it.
void handleResultReplayKeys();

// Brings the practice choice into range: an unlocked circuit, an available car.
void settlePracticeChoice();
// Starts the chosen circuit and car as a race against three opponents, or
// as a time trial; false (and back on the practice screen) when it cannot.
bool startPractice(int kind);
// The records screen's line for circuit n: best lap, car and date, or dashes.
void recordLine(int circuit, char* lap, int lapSize, char* car, int carSize, char* date, int dateSize);
// ---------------------------------------------------------------------------
// Options and Controls screens (options_rows.cpp, controls_screen.cpp).

// The options screen's rows below the display and sound lines: music and
// effects volume, difficulty, graphics, and the way to the Controls screen.
// Their overlay heights; a row's mouse band is 581 - y .. 609 - y, x 131..449.
constexpr int kMusicVolumeY = 160;
constexpr int kEffectsVolumeY = 130;
constexpr int kDifficultyY = 100;
constexpr int kGraphicsY = 70;
constexpr int kControlsY = 40;
// The volume bar's ten steps, each kVolumeStepWidth wide from kVolumeBarX.
constexpr int kVolumeBarX = 340;
constexpr int kVolumeStepWidth = 10;
void drawOptionRows();
// A click on one of those rows; true when it took the click.
bool clickOptionRows(int x, int y);
// Left (-1) or Right (1) on one of them: a volume a step down or up, the
// difficulty or graphics a value back or on; false when none is there.
bool stepOptionRow(int x, int y, int direction);
// The settings' own words: "Easy" .. "Hard", "Low" .. "Auto".
const char* difficultyName(int difficulty);
// What a difficulty setting does, in a line ("Easy: rivals brake early and
// give way").
const char* difficultyText(int difficulty);
const char* graphicsName(int graphics);

// The Controls screen: one row per driving action with its two keys and its
// controller input, a click on a key waits for a key; under them the
// controller's and the keys' settings, a click left of a value steps it down,
// right of it up.
constexpr int kControlsRowTopY = 460;  // overlay height of the first action
constexpr int kControlsRowPitch = 34;
constexpr int kControlsSettingTopY = 136;  // overlay height of the first setting
constexpr int kControlsSettingPitch = 21;
enum ControlsSetting : int {
    ControlsDeadZone,
    ControlsSensitivity,
    ControlsLinearity,
    ControlsPadSteerAssist,
    ControlsKeysSteerAssist,
    ControlsRumble,
    kControlsSettingRows
};
// The wheel's rows beside the actions: steering, throttle and brake with
// the joystick axis each is assigned; a click waits for an axis to move.
constexpr int kWheelRowTopY = 412;  // overlay height of the steering row
constexpr int kWheelRowPitch = 34;
// The wheel row at a mouse point, -1 for none.
int wheelRowAt(int x, int y);
// Waits for an axis for the wheel input (WheelInput); says so on the row
// when no joystick is plugged in.
void startWheelCapture(int which);
// Looks at the joystick while the screen waits for an axis: the one moved
// far enough is assigned. Each menu frame of the screen.
void updateWheelCapture();
void drawControlsScreen();
bool clickControlsScreen(int x, int y);
void hoverControlsScreen(int x, int y);
// A key press while the screen waits for one: binds it (a clash swaps), Esc
// cancels. false when the screen was not waiting.
bool controlsKeyPressed(int vk);
// The action row at a mouse point, -1 for none, and the key slot at a mouse
// x (1 in the "Second" column, else 0).
int controlsRowAt(int x, int y);
int controlsSlotAt(int x);
// The setting row at a mouse point, -1 for none; its name; one step of it
// up (direction > 0) or down, written to settings.cfg's table.
int controlsSettingRowAt(int x, int y);
const char* controlsSettingName(int row);
void stepControlsSetting(int row, int direction);
// The controller's button or stick for each action, as the screen lists it.
const char* controllerButtonName(int action);
const char* actionName(int action);

// The player's notice (state.h), when one is due: a line on a dark plate,
// over the race or the menus.
void drawPlayerNotice();

// Starting and leaving races from the menus.
void startQuickRace();
void startCareerRace();
void restartRace();
void exitRace();
// Both menu sounds just above cameraEye, so they play at full gain.
void placeMenuSounds();
// The click sound, when sound is enabled (also counted).
void playClickSound();
void playHoverSound();

// ---------------------------------------------------------------------------
// Career rules (career.cpp).

constexpr int kTuningPackagePrice = 250;

// The tuned statistics of a car: base + 0.05 per installed package, at most 1.
void tunedStatistics(int car, float* power, float* maxSpeed, float* suspension);
// Stores the selected car's into carPower, carMaxSpeed and carSuspension.
void computeCarStatistics();
// Books one finished career race: points and unlock for a first finish in the
// first three, the prize cars, tuning points for any place.
void bookRaceResult(int raceNumber, int place);
// Buys package k (0..2) for a car: false when it is installed or unaffordable.
bool buyTuningPackage(int car, int package);
// Packages the tuning points would buy now, 0..3.
int tuningPackagesAffordable();
// The car's name in the garage (cars 0..11; "" for any other number).
const char* carName(int car);
// The career points at which the car is won; 0 for cars 0..2, which every
// career has.
int carUnlockPoints(int car);
// Car 0..11 may be driven (it is available in the career).
bool carSelectable(int car);
// The career race may be started from the city map (1..maxRaceUnlocked).
bool raceUnlocked(int race);
// A car's ratings in the garage's units: kW, km/h, and suspension out of 10.
int ratingKilowatts(float power);
int ratingKmh(float maxSpeed);
float ratingOutOfTen(float suspension);
// What package k (0..2) adds to the car: "+10 % power, +23 km/h, +0.5 grip",
// or "installed".
void tuningPackageGain(int car, int package, char* text, int size);
// "1st" .. "4th" for places 1..4; "" for any other.
const char* placeOrdinal(int place);
// What opens a career race that is still locked: "Finish race 1 in the top 3
// to open race 2".
void raceUnlockHint(int race, char* text, int size);
// What a career race's place would have needed to earn anything (read before
// the result is booked); false when the place earns something.
bool careerResultHint(int race, int place, char* text, int size);
// Career races finished in the first three, 0..15.
int careerRacesWon();
// The career's next step: the next race to open or the next car to win.
void careerNextUnlock(char* text, int size);
// The career after "New game" (and the selections back to car 0, race 1),
// written at once.
void newCareer();

// Puts the front end's run-time state back to its start-up values (tests and
// tools that start the game more than once).
void resetFrontEndState();

// ---------------------------------------------------------------------------
// The result screen's table (results_table.cpp).

constexpr int kResultRows = 4;  // one per car

struct ResultRow {
    int car;        // index into cars; 0 is the player
    bool finished;  // has driven the race's laps
    float total;    // race time at the finish, hundredths
    float bestLap;  // hundredths; 0 when no whole lap was driven
    int progress;   // checkpoints passed
    float toNext;   // distance to the next checkpoint
};

// The result screen records its booking here as it makes it.
void noteRaceBooking(int careerPointsGained, int tuningPointsGained);
// The four cars as the race left them: the player from the race clocks, the
// opponents from their own lap times.
void gatherResultRows(ResultRow rows[kResultRows]);
// Finishing order: opponents that finished, by time, ahead of those still
// racing, these by progress (then the nearer their next checkpoint); the
// player at place 1..4 among them, where "You finished" puts it.
void orderResults(ResultRow rows[kResultRows], int place);
// Under the result text: place, car, best lap, time or "racing", and for a
// career race the points booked.
void drawResultsTable();

// ---------------------------------------------------------------------------
// Stats page.

// Writes stats.html in the saves folder with the career's figures; the page
// the shell opens at exit.
bool writeStatsPage();

struct FrontEndState {
    // Car shown in the garage and driven in the next race, 0..11 (car number - 1).
    int selectedCar = 0;
    // Career race shown on the city map, 1..maxRaceUnlocked.
    int selectedRace = 0;
    // Race number of the running quick race, 1..9, drawn by the main menu.
    int quickRaceNumber = 0;
    // Power rating of the selected car as tuned, 0..1; the race scales every
    // engine force by it (the opponents by it raised by 30 %).
    float carPower = 0.0f;
    // The other two statistics of the selected car as tuned, 0..1 (garage bars).
    float carMaxSpeed = 0.0f;
    float carSuspension = 0.0f;
    // Cursor in the 800 x 600 mouse space, y down; refreshed once per menu frame.
    int mouseX = 0;
    int mouseY = 0;
    // The item in that slot is under the cursor and drawn highlighted.
    bool menuHoverFlags[kMenuHoverSlots]{};
    // Animation phase: 40 at start-up, += 0.2 x frameFactor every menu frame.
    float menuPhase = 40.0f;
    // Pulse phase of the city map's race marker, += 0.1 x frameFactor a map frame.
    float mapPhase = 0.0f;
    // Menu sounds played since start-up (click soundMenu1, hover soundMenu2),
    // counted whether or not a device plays them; the sound switch still decides.
    int menuClickSounds = 0;
    int menuHoverSounds = 0;
    // The running race was started from the city map.
    bool careerRace = false;
    // The running career race's result has not been booked yet.
    bool awardPending = false;
    // The last booking made a car available ("You win new car.").
    bool newCarWon = false;
    int practiceKind = NoPractice;
    // The practice screen's circuit (1..maxRaceUnlocked) and car (an available
    // one); kept for the whole run.
    int practiceCircuit = 1;
    int practiceCar = 0;
    int quickRaceCircuit = kQuickRaceRandom;
    int quickRaceCar = kQuickRaceRandom;
    // -1, or the action that the next key press binds, in slot
    // controlsCaptureSlot (0 the primary key, 1 the second).
    int controlsCapture = -1;
    int controlsCaptureSlot = 0;
    // -1, or the wheel input (WheelInput) that the next axis moved far
    // enough is assigned to, and every joystick axis where it rested when the
    // screen began to wait.
    int wheelCapture = -1;
    int wheelCaptureRest[kJoystickAxes] = {};
    // The action row under the cursor, -1 for none.
    int controlsHoverRow = -1;
    // What the last booked career race gave, for the table's last line.
    int bookedCareerPoints = 0;
    int bookedTuningPoints = 0;
    // The Replays screen: what it lists, the line chosen, and what it says.
    std::vector<ReplayListing> replayList;
    int replayChosen = 0;
    std::string replayMessage;
    Model* garageModel = nullptr;       // "base/garage/garage.ms3d"
    Model* garageLightModel = nullptr;  // "base/garage/light.ms3d", lamps only, never drawn
};
extern FrontEndState frontEnd;
// The menus as the renderer's start opens them: the main menu with the first
// car and race chosen and the garage's sway at its starting phase.
void openMainMenu();
