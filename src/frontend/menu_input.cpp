// Menu clicks and hovers: the mouse space, the items' hit areas, the fixed
// order in which a click is tested, and starting or leaving a race.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

// The menu sounds sit just above the camera, so they play at full gain.
static const float kMenuSoundRise = 2.0f;

// ---------------------------------------------------------------------------
// Mouse space and hit areas.

// Mouse heights of row 1; each further row lies 50 lower on the screen.
static const int kRowTop = 176;
static const int kRowBottom = 209;
static const int kRowPitch = 50;
static const int kRowLeft = 601;
static const int kRowRight = 799;

// The mouse-space units of a window pixel, and the mouse space's offset at
// the window's top left corner.
static void mouseScale(int width, int height, float* scale, float* left, float* top) {
    *left = 0.0f;
    *top = 0.0f;
    if (width == 640 && height == 480) {
        *scale = 1.25f;
    } else if (width == 800 && height == 600) {
        *scale = 1.0f;
    } else if (width == 1024 && height == 768) {
        *scale = 0.75f;
    } else {
        const OverlayBounds bounds = overlayBoundsOf(width, height);
        *scale = (bounds.right - bounds.left) / static_cast<float>(width > 0 ? width : 1);
        *left = bounds.left;
        *top = 600.0f - bounds.top;
    }
}

void screenToMouse(int width, int height, int pixelX, int pixelY, int* outX, int* outY) {
    float scale = 1.0f, left = 0.0f, top = 0.0f;
    mouseScale(width, height, &scale, &left, &top);
    *outX = static_cast<int>(left + static_cast<float>(pixelX) * scale);
    *outY = static_cast<int>(top + static_cast<float>(pixelY) * scale);
}

void mouseToScreen(int width, int height, int mouseX, int mouseY, int* outX, int* outY) {
    float scale = 1.0f, left = 0.0f, top = 0.0f;
    mouseScale(width, height, &scale, &left, &top);
    *outX = static_cast<int>(std::lround((static_cast<float>(mouseX) - left) / scale));
    *outY = static_cast<int>(std::lround((static_cast<float>(mouseY) - top) / scale));
}

int menuRowHeight(int row) {
    return 400 - kRowPitch * (row - 1);
}

bool menuRowHit(int row, int x, int y) {
    const int top = kRowTop + kRowPitch * (row - 1);
    return x >= kRowLeft && x <= kRowRight && y >= top && y <= top + (kRowBottom - kRowTop);
}

static bool inBox(int x, int y, int left, int right, int top, int bottom) {
    return x >= left && x <= right && y >= top && y <= bottom;
}

// The clickable rows of each screen, as a bit per row.
static unsigned screenRows(int state) {
    switch (state) {
        case MainMenu:
            return 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4 | 1u << 5;
        case QuitConfirm:
            return 1u << 2 | 1u << 4;
        case CareerMenu:
            return 1u << 2 | 1u << 3 | 1u << 4;
        case Garage:
            return 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4 | 1u << 5;
        case CarTuning:
            return 1u << 1 | 1u << 2 | 1u << 3 | 1u << 5;
        case CityMap:
            return 1u << 1 | 1u << 3 | 1u << 4 | 1u << 5;
        case Pause:
            return 1u << 2 | 1u << 3 | 1u << 4;
        case Options:
            return 1u << 2 | 1u << 4;
        case InfoPage:
            return 1u << 3;
        case PracticeMenu:
            return 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4 | 1u << 5;
        case QuickRaceMenu:
            return 1u << 1 | 1u << 5;
        case RecordsPage:
            return 1u << 5;
        case ReplaysPage:
            return 1u << 1 | 1u << 2 | 1u << 5;
        case Controls:
            return 1u << 4 | 1u << 5;
        default:
            return 0;
    }
}

bool screenHasRow(int state, int row) {
    return row >= 1 && row <= kMenuRows && (screenRows(state) >> row & 1u);
}

// ---------------------------------------------------------------------------
// Sounds.

void playClickSound() {
    frontEnd.menuClickSounds++;
    if (options.soundEnabled) audio.soundMenu1.play();
}

void playHoverSound() {
    frontEnd.menuHoverSounds++;
    if (options.soundEnabled) audio.soundMenu2.play();
}

void placeMenuSounds() {
    const float x = cameraEye.x, y = cameraEye.y + kMenuSoundRise, z = cameraEye.z;
    audio.soundMenu1.setPositionVelocity(x, y, z, 0.0f, 0.0f, 0.0f);
    audio.soundMenu2.setPositionVelocity(x, y, z, 0.0f, 0.0f, 0.0f);
}

void resetMenuHover() {
    for (bool& flag : frontEnd.menuHoverFlags) flag = false;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

// The usual end of an item click.
static void clicked() {
    playClickSound();
    resetMenuHover();
}

// ---------------------------------------------------------------------------
// Races.

// A race whose track or waypoints are missing or damaged does not start: the
// player is told and is back on the screen the race was started from (the
// city map for a career race, the main menu otherwise), with its music.
static void raceNotStarted(bool inCareer) {
    platformMessageBox("Could Not Load The Race Track.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    setGameState(inCareer ? CityMap : MainMenu);
    frontEnd.careerRace = false;
    frontEnd.awardPending = false;
    if (!inCareer) {
        frontEnd.selectedCar = 0;
        frontEnd.selectedRace = 1;
    }
    if (options.musicEnabled && !audio.menuMusic.isPlaying()) {
        requestMenuMusicStart();
    }
    resetMenuHover();
}

// The race drives the selected car at its power: both are handed over at
// every start.
static bool loadSelectedRace(int raceNumber) {
    setPlayerCar(0, frontEnd.selectedCar, frontEnd.carPower);
    // Rising's difficulty follows the career's race.
    setRaceCareerNumber(frontEnd.careerRace ? raceNumber : 0);
    return loadRace(raceNumber);
}

// The race's lamps replaced the garage's in the shared lamp list.
static void leaveRace() {
    unloadRace();
    rebuildGarageLights();
}

void startQuickRace() {
    setGameState(Race);
    frontEnd.practiceKind = NoPractice;
    setTimeTrialMode(false);
    frontEnd.careerRace = false;
    frontEnd.awardPending = false;
    frontEnd.newCarWon = false;
    frontEnd.quickRaceNumber = drawQuickRaceCircuit();
    frontEnd.selectedCar = drawQuickRaceCar();
    // A quick race drives the car as it comes, without the career's tuning.
    const CarTableRow& row = raceRun.carTable[frontEnd.selectedCar];
    frontEnd.carPower = row.power;
    frontEnd.carMaxSpeed = row.maxSpeed;
    frontEnd.carSuspension = row.suspensionRating;
    if (!loadSelectedRace(frontEnd.quickRaceNumber)) raceNotStarted(false);
}

void startCareerRace() {
    setGameState(Race);
    frontEnd.practiceKind = NoPractice;
    setTimeTrialMode(false);
    frontEnd.careerRace = true;
    frontEnd.awardPending = true;
    frontEnd.newCarWon = false;
    computeCarStatistics();
    if (!loadSelectedRace(frontEnd.selectedRace)) raceNotStarted(true);
}

void restartRace() {
    setGameState(Race);
    leaveRace();
    frontEnd.newCarWon = false;
    // A practice race or time trial starts again on its circuit and car.
    if (frontEnd.practiceKind != NoPractice) {
        startPractice(frontEnd.practiceKind);
        return;
    }
    if (frontEnd.careerRace) {
        if (!loadSelectedRace(frontEnd.selectedRace)) raceNotStarted(true);
        return;
    }
    frontEnd.careerRace = false;
    frontEnd.awardPending = false;
    frontEnd.quickRaceNumber = drawQuickRaceCircuit();
    frontEnd.selectedCar = drawQuickRaceCar();
    if (!loadSelectedRace(frontEnd.quickRaceNumber)) raceNotStarted(false);
}

void exitRace() {
    if (frontEnd.practiceKind != NoPractice) {
        // Back to the practice screen with the choice kept.
        setGameState(PracticeMenu);
        frontEnd.practiceKind = NoPractice;
        setTimeTrialMode(false);
        frontEnd.careerRace = false;
        frontEnd.awardPending = false;
        leaveRace();
        return;
    }
    if (frontEnd.careerRace) {
        setGameState(Garage);
    } else {
        setGameState(MainMenu);
        frontEnd.selectedCar = 0;
        frontEnd.selectedRace = 1;
    }
    frontEnd.careerRace = false;
    frontEnd.awardPending = false;
    leaveRace();
}

// ---------------------------------------------------------------------------
// Clicks, screen by screen; each returns true when an item took the click.

static bool clickMainMenu(int x, int y) {
    if (menuRowHit(1, x, y)) {
        settlePracticeChoice();
        setGameState(PracticeMenu);
    } else if (menuRowHit(2, x, y)) {
        setGameState(CareerMenu);
    } else if (menuRowHit(3, x, y)) {
        settleQuickRaceChoice();
        setGameState(QuickRaceMenu);
    } else if (menuRowHit(4, x, y)) {
        setGameState(Options);
    } else if (menuRowHit(5, x, y)) {
        setGameState(QuitConfirm);
    } else {
        return false;
    }
    clicked();
    return true;
}

static bool clickQuitConfirm(int x, int y) {
    if (menuRowHit(2, x, y)) {
        requestQuit();
    } else if (menuRowHit(4, x, y)) {
        setGameState(MainMenu);
    } else {
        return false;
    }
    clicked();
    return true;
}

static bool clickCareerMenu(int x, int y) {
    if (menuRowHit(2, x, y)) {
        newCareer();
        setGameState(Garage);
    } else if (menuRowHit(3, x, y)) {
        setGameState(Garage);
    } else if (menuRowHit(4, x, y)) {
        setGameState(MainMenu);
    } else {
        return false;
    }
    clicked();
    return true;
}

// Locked cars can be looked at but not raced or tuned: the player is told why.
static void refuseLockedCar() {
    char text[80];
    std::snprintf(text, sizeof text, "%s is locked: it unlocks at %d points", carName(frontEnd.selectedCar),
                  carUnlockPoints(frontEnd.selectedCar));
    setPlayerNotice(text);
}

static bool clickGarage(int x, int y) {
    if (menuRowHit(1, x, y)) {
        if (frontEnd.selectedCar > 0) frontEnd.selectedCar--;
    } else if (menuRowHit(2, x, y)) {
        // On past the cars the career has, to those it can still win.
        if (frontEnd.selectedCar < kCarCount - 1) frontEnd.selectedCar++;
    } else if (menuRowHit(3, x, y)) {
        if (!carSelectable(frontEnd.selectedCar)) {
            refuseLockedCar();
            return true;
        }
        setGameState(CarTuning);
    } else if (menuRowHit(4, x, y)) {
        // A locked car cannot race: no click, only the notice.
        if (!carSelectable(frontEnd.selectedCar)) {
            refuseLockedCar();
            return true;
        }
        setGameState(CityMap);
    } else if (menuRowHit(5, x, y)) {
        setGameState(MainMenu);
        if (!carSelectable(frontEnd.selectedCar)) frontEnd.selectedCar = 0;
    } else {
        return false;
    }
    clicked();
    return true;
}

static bool clickCarTuning(int x, int y) {
    for (int k = 0; k < kTuningPackages; k++) {
        if (menuRowHit(k + 1, x, y)) {
            // Points too short for a package still for sale: said, not silent.
            if (!buyTuningPackage(frontEnd.selectedCar, k) &&
                career.carTuning[frontEnd.selectedCar][k] == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "Not enough tuning points: a package costs %d, you have %d",
                              kTuningPackagePrice, career.tuningPoints);
                setPlayerNotice(text);
            }
            playClickSound();
            return true;
        }
    }
    if (!menuRowHit(5, x, y)) return false;
    setGameState(Garage);
    clicked();
    return true;
}

static bool clickCityMap(int x, int y) {
    if (menuRowHit(1, x, y)) {
        // On to the races still locked, which show what opens them.
        if (frontEnd.selectedRace < kCareerRaces) frontEnd.selectedRace++;
        playClickSound();
    } else if (menuRowHit(3, x, y)) {
        if (frontEnd.selectedRace > 1) frontEnd.selectedRace--;
        playClickSound();
    } else if (menuRowHit(4, x, y)) {
        if (!raceUnlocked(frontEnd.selectedRace)) {
            char text[64];
            raceUnlockHint(frontEnd.selectedRace, text, sizeof text);
            setPlayerNotice(text);
            return true;
        }
        startCareerRace();
        clicked();
    } else if (menuRowHit(5, x, y)) {
        setGameState(Garage);
        // The map opens again on a race that can be started.
        if (!raceUnlocked(frontEnd.selectedRace)) frontEnd.selectedRace = career.maxRaceUnlocked;
        clicked();
    } else {
        return false;
    }
    return true;
}

static bool clickPause(int x, int y) {
    if (menuRowHit(2, x, y)) {
        // Back into the race as it was: no click, the music plays on.
        setGameState(Race);
        if (options.musicEnabled) audio.raceMusic.play();
        resumeRaceSounds();
        startMusicFade();
        resetMenuHover();
        return true;
    }
    if (menuRowHit(3, x, y)) {
        restartRace();
    } else if (menuRowHit(4, x, y)) {
        exitRace();
    } else {
        return false;
    }
    clicked();
    return true;
}

// Window, fullscreen and desktop in a ring; kept in settings.cfg and used
// from the next start, as the resolution is.
static void stepDisplayMode(int direction) {
    const int now = displayModeSetting() < 0 ? DisplayFullscreen : displayModeSetting();
    setDisplayModeSetting((now + (direction < 0 ? kDisplayModes - 1 : 1)) % kDisplayModes);
}

// The setting lines: each cycles one value; the first three click with the
// hover sound, the switches are silent.
static bool clickOptionLines(int x, int y) {
    if (!inBox(x, y, 131, 449, 131, 409)) return false;
    if (inBox(x, y, 131, 449, 131, 159)) {
        playHoverSound();
        resetMenuHover();
        stepScreenSize(1);
    } else if (inBox(x, y, 131, 449, 181, 209)) {
        playHoverSound();
        resetMenuHover();
        toggleColorBits();
    } else if (inBox(x, y, 131, 449, 231, 259)) {
        playHoverSound();
        resetMenuHover();
        toggleDepthBits();
    } else if (inBox(x, y, 131, 449, 281, 309)) {
        playHoverSound();
        resetMenuHover();
        stepDisplayMode(1);
    } else if (inBox(x, y, 131, 449, 331, 359)) {
        resetMenuHover();
        setSoundEnabled(!options.soundEnabled);
    } else if (inBox(x, y, 131, 449, 381, 409)) {
        resetMenuHover();
        setMusicEnabled(!options.musicEnabled);
        if (options.musicEnabled) {
            audio.menuMusic.play();
            startMusicFade();
        } else {
            audio.menuMusic.rewind();
        }
    } else {
        return false;
    }
    return true;
}

bool stepOptionsItem(int x, int y, int direction) {
    if (inBox(x, y, 131, 449, 131, 159)) {
        // The offered sizes in a ring, either way round.
        playHoverSound();
        resetMenuHover();
        stepScreenSize(direction);
        return true;
    }
    if (inBox(x, y, 131, 449, 281, 309)) {
        playHoverSound();
        resetMenuHover();
        stepDisplayMode(direction);
        return true;
    }
    // The switches have two values: either way flips them.
    if (inBox(x, y, 131, 449, 181, 409)) return clickOptionLines(x, y);
    return stepOptionRow(x, y, direction);
}

static bool clickOptions(int x, int y) {
    if (clickOptionLines(x, y) || clickOptionRows(x, y)) return true;
    if (menuRowHit(2, x, y)) {
        applyOptions();
    } else if (menuRowHit(4, x, y)) {
        setGameState(MainMenu);
    } else {
        return false;
    }
    clicked();
    return true;
}

static bool clickInfoPage(int x, int y) {
    if (!menuRowHit(3, x, y)) return false;
    setGameState(MainMenu);
    clicked();
    return true;
}

void menuClick() {
    menuClickAt(frontEnd.mouseX, frontEnd.mouseY);
}

void menuClickAt(int x, int y) {
    switch (game.gameState) {
        case MainMenu:
            clickMainMenu(x, y);
            break;
        case QuitConfirm:
            clickQuitConfirm(x, y);
            break;
        case CareerMenu:
            clickCareerMenu(x, y);
            break;
        case Garage:
            clickGarage(x, y);
            break;
        case CarTuning:
            clickCarTuning(x, y);
            break;
        case CityMap:
            clickCityMap(x, y);
            break;
        case Pause:
            clickPause(x, y);
            break;
        case Options:
            clickOptions(x, y);
            break;
        case InfoPage:
            clickInfoPage(x, y);
            break;
        case PracticeMenu:
            clickPracticeMenu(x, y);
            break;
        case QuickRaceMenu:
            clickQuickRaceMenu(x, y);
            break;
        case RecordsPage:
            clickRecordsPage(x, y);
            break;
        case ReplaysPage:
            clickReplaysPage(x, y);
            break;
        case Controls:
            clickControlsScreen(x, y);
            break;
        default:
            break;
    }
}

// A tuning row can be hovered only while its package is still for sale.
static bool rowHoverable(int row) {
    if (game.gameState == CarTuning && row <= kTuningPackages && frontEnd.selectedCar >= 0 &&
        frontEnd.selectedCar < kCarCount)
        return career.carTuning[frontEnd.selectedCar][row - 1] == 0;
    return true;
}

void menuHover() {
    if (game.gameState == Race) return;
    int focusRow = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (menuKeyFocusItem(&focusRow, &x0, &y0, &x1, &y1)) {
        // The keys lead: their item alone is lit (the keys played its sound).
        frontEnd.controlsHoverRow =
            game.gameState == Controls && focusRow == 0 ? controlsRowAt((x0 + x1) / 2, (y0 + y1) / 2) : -1;
        for (int row = 1; row <= kMenuRows; row++)
            frontEnd.menuHoverFlags[row - 1] = row == focusRow && rowHoverable(row);
        return;
    }
    if (game.gameState == Controls)
        hoverControlsScreen(frontEnd.mouseX, frontEnd.mouseY);
    else
        frontEnd.controlsHoverRow = -1;
    for (int row = 1; row <= kMenuRows; row++) {
        bool& flag = frontEnd.menuHoverFlags[row - 1];
        const bool over = screenHasRow(game.gameState, row) && rowHoverable(row) &&
                          menuRowHit(row, frontEnd.mouseX, frontEnd.mouseY);
        if (over && !flag) playHoverSound();
        flag = over;
    }
}
