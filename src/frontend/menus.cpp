// The menu frame: the garage scene as background, the screen of the current
// game state with its items, headings and texts, and the mouse pointer.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "platform/platform.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

// Overlay centre of each race's marker on the city map, races 1..15.
const int kRacePositions[kCareerRaces][2] = {
    {365, 110}, {160, 335}, {210, 420}, {440, 220}, {430, 390}, {135, 200}, {360, 250}, {200, 290},
    {250, 160}, {450, 370}, {390, 340}, {180, 260}, {240, 470}, {320, 320}, {250, 350},
};
static_assert(sizeof(kRacePositions) / sizeof(kRacePositions[0]) == kCareerRaces,
              "one marker per career race");

// Texts that pulse with the menu phase.
float pulseAlpha(float base) {
    return std::sin(0.7f * frontEnd.menuPhase) + base;
}

// The glow over the post-processed garage, which is still in the back buffer,
// as the race HUD recomposes a frame.
void drawBackground() {
    // A preset without glow leaves nothing to add.
    if (graphicsSwitchesInForce().glowSize <= 0) return;
    beginImages();
    setBlend2D(Blend2DAdd);
    const OverlayBounds screen = overlayBounds();
    drawImage(blurTextureA, screen.left, screen.bottom, screen.right, screen.top);
    setBlend2D(Blend2DOff);
}

void drawMainMenu() {
    drawTitleBlock();
    drawMenuItem(1, "Practice");
    drawMenuItem(2, "Career");
    drawMenuItem(3, "Quick race");
    drawMenuItem(4, "Options");
    drawMenuItem(5, "Quit");
}

void drawQuitConfirm() {
    printLargeOnPlate(35, 300, "   Do you really want to quit?");
    drawMenuItem(2, "Yes");
    drawMenuItem(4, "No");
}

void drawCareerMenu() {
    printLargeOnPlate(200, 500, "      Street racer career");
    // Where the career stands, and what comes next.
    char line[80];
    std::snprintf(line, sizeof line, "Points: %d", career.careerPoints);
    printOnPlate(60, 420, line);
    std::snprintf(line, sizeof line, "Tuning points: %d", career.tuningPoints);
    printOnPlate(60, 390, line);
    std::snprintf(line, sizeof line, "Races won: %d of %d", careerRacesWon(), kCareerRaces);
    printOnPlate(60, 360, line);
    careerNextUnlock(line, sizeof line);
    printOnPlate(60, 330, line);
    drawMenuItem(2, "New game");
    drawButton(menuRowHeight(3), frontEnd.menuHoverFlags[2]);
    printText(637, 300, 1.0f, 1, "Continue game");
    drawMenuItem(4, "Back");
}

// A locked car stands in the dark behind a padlock, with the points that win it.
void drawLockedCar() {
    const OverlayBounds screen = overlayBounds();
    drawTextPlate(screen.left, screen.bottom, screen.right, screen.top, 0.72f);
    drawLock(300.0f, 330.0f, 56.0f);
    char text[64];
    std::snprintf(text, sizeof text, "Unlocks at %d points", carUnlockPoints(frontEnd.selectedCar));
    printLargeOnPlate(300 - 13 * static_cast<int>(std::strlen(text)) / 2, 250, text);
    std::snprintf(text, sizeof text, "You have %d", career.careerPoints);
    printOnPlate(300 - 10 * static_cast<int>(std::strlen(text)) / 2, 218, text);
}

void drawGarage() {
    const bool locked = !carSelectable(frontEnd.selectedCar);
    if (locked) drawLockedCar();
    drawStatisticsBars();
    printLargeOnPlate(320, 550, "    Garage");
    // The car's name over its ratings, and where it stands among the twelve.
    printLargeOnPlate(50, 180, carName(frontEnd.selectedCar));
    char place[32];
    std::snprintf(place, sizeof place, "%d / %d", frontEnd.selectedCar + 1, kCarCount);
    printOnPlate(50 + 13 * static_cast<int>(std::strlen(carName(frontEnd.selectedCar))) + 24, 184, place);
    // The arrows are drawn a little lower, before and after the word.
    drawMenuItem(1, "  Car");
    printText(650, 398, 1.0f, 1, "<");
    drawMenuItem(2, "Car");
    printText(650, 348, 1.0f, 1, "    >");
    drawMenuItem(3, "Tuning");
    drawMenuItem(4, "Select race");
    drawMenuItem(5, "Back");
}

bool packageInstalled(int package) {
    return frontEnd.selectedCar >= 0 && frontEnd.selectedCar < kCarCount &&
           career.carTuning[frontEnd.selectedCar][package] != 0;
}

void drawCarTuning() {
    drawStatisticsBars();
    printLargeOnPlate(260, 500, "     Car Tuning");
    printOnPlate(150, 400, "       1st tuning package");
    printOnPlate(150, 350, "       2nd tuning package");
    printOnPlate(150, 300, "       3rd tuning package");
    // What each package adds, before it is bought, and what it costs.
    for (int k = 0; k < kTuningPackages; k++) {
        char gain[64];
        tuningPackageGain(frontEnd.selectedCar, k, gain, sizeof gain);
        printColoured(kHudCyan, 1.0f, 220, 378 - 50 * k, gain);
    }
    char price[80];
    std::snprintf(price, sizeof price, "Each package costs %d tuning points; you have %d",
                  kTuningPackagePrice, career.tuningPoints);
    printOnPlate(150, 450, price);
    char available[64];
    std::snprintf(available, sizeof available, "Tuning packages available for installation: %2i",
                  tuningPackagesAffordable());
    drawTextPlate(44.0f, 194.0f, 536.0f, 219.0f);
    setTextAlpha(pulseAlpha(1.0f));
    printText(50, 200, 1.0f, 1, "%s", available);
    setTextAlpha(1.0f);
    for (int k = 0; k < kTuningPackages; k++) {
        const int row = k + 1;
        const bool installed = packageInstalled(k);
        drawButton(menuRowHeight(row), frontEnd.menuHoverFlags[row - 1] && !installed);
        printText(650, menuRowHeight(row), 1.0f, 1, "%s", installed ? "Installed" : "Set up!");
    }
    drawMenuItem(5, "Back");
}

void drawCityMap() {
    frontEnd.mapPhase += 0.1f * frameClock.frameFactor;
    beginImages();
    setBlend2D(Blend2DAlpha);
    drawImage(tgaTextureName(kCityMapTga), 25.0f, 25.0f, 537.0f, 537.0f);
    setBlend2D(Blend2DOff);

    // The shown race's circuit over the streets it runs through.
    const int race = frontEnd.selectedRace < 1
                         ? 1
                         : (frontEnd.selectedRace > kCareerRaces ? kCareerRaces : frontEnd.selectedRace);
    drawCityRoute(race, frontEnd.mapPhase);

    // The marker of the shown race pulses about its place on the map.
    setBlend2D(Blend2DAlpha);
    const int best = career.raceRecord[race - 1].bestPlace;
    const bool won = best >= 1 && best <= 3;
    const float half = 10.0f * (0.25f * std::sin(frontEnd.mapPhase) + 1.0f);
    const float cx = static_cast<float>(kRacePositions[race - 1][0]),
                cy = static_cast<float>(kRacePositions[race - 1][1]);
    drawImage(tgaTextureName(won ? kMarkerWonTga : kMarkerOpenTga), cx - half, cy - half, cx + half,
              cy + half);
    setBlend2D(Blend2DOff);

    // A race not yet open shows its lock and the race that opens it.
    if (!raceUnlocked(race)) {
        drawLock(cx, cy + 4.0f, 22.0f);
        char text[64];
        raceUnlockHint(race, text, sizeof text);
        // Under the map, where the longest hint has room.
        printOnPlate(40, 8, text);
    }

    printLargeOnPlate(315, 550, " City map");
    char name[48];
    std::snprintf(name, sizeof name, "Race %d: %s", race, circuitName(race));
    printOnPlate(40, 552, name);
    drawMenuItem(1, "Race");
    printText(650, 400, 1.0f, 1, "     >");
    drawMenuItem(3, "  Race");
    printText(650, 300, 1.0f, 1, "<");
    drawMenuItem(4, "Start");
    drawMenuItem(5, "Back");
    drawTextPlate(580.0f, 339.0f, 700.0f, 373.0f);
    setTextAlpha(pulseAlpha(1.1f));
    printTextLarge(587, 344, 1, "Race %2i", frontEnd.selectedRace);
    setTextAlpha(1.0f);
    setTextColour(0);
    // The difficulty this race is run at, and whether it rises with the
    // career.
    const int setting = difficultySetting();
    char difficulty[48];
    std::snprintf(difficulty, sizeof difficulty, "Difficulty: %s%s",
                  difficultyName(difficultyOfRace(setting, race)),
                  setting == kDifficultyRising ? " (Rising)" : "");
    drawColour(0.75f, 0.9f, 1.0f, 1.0f);
    printScaled(575.0f, 160.0f, 0.55f, difficulty);
    // The large font's print leaves texturing off; the prints after it need it.
    beginImages();
}

void drawPause() {
    drawDarkeningSheet();
    printLargeOnPlate(357, 500, "Pause");
    drawMenuItem(2, "Continue");
    drawMenuItem(3, "Restart");
    drawMenuItem(4, "Exit");
}

const char* resolutionText() {
    static char text[24];
    std::snprintf(text, sizeof(text), "%dx%d", options.screenWidth, options.screenHeight);
    return text;
}

const char* colourDepthText() {
    return options.colorBits == 16 ? "16 bit" : (options.colorBits == 32 ? "32 bit" : "");
}

const char* depthBufferText() {
    return options.depthBits == 16 ? "16 bit" : (options.depthBits == 24 ? "24 bit" : "");
}

void drawOptions() {
    drawDarkeningSheet();
    // One panel under every setting line.
    drawTextPlate(126.0f, 26.0f, 548.0f, 476.0f, 0.62f);
    drawMenuItem(2, "Apply");
    drawMenuItem(4, "Back");
    printLargeOnPlate(320, 550, "Options");
    if (options.optionsApplied) {
        drawTextPlate(126.0f, 494.0f, 640.0f, 521.0f);
        setTextAlpha(pulseAlpha(1.0f));
        printText(135, 500, 1.0f, 1, "Changes will be applied after reload of the game");
        setTextAlpha(1.0f);
    }
    printText(150, 450, 1.0f, 1, "Display resolution");
    printText(355, 450, 1.0f, 1, "%s", resolutionText());
    printText(150, 400, 1.0f, 1, "Color depth");
    printText(360, 400, 1.0f, 1, "%s", colourDepthText());
    printText(150, 350, 1.0f, 1, "Depth buffer");
    printText(360, 350, 1.0f, 1, "%s", depthBufferText());
    // Until the player chooses, the game starts fullscreen.
    const int display = displayModeSetting();
    printText(150, 300, 1.0f, 1, "Display");
    printText(360, 300, 1.0f, 1, "%s", displayModeName(display < 0 ? DisplayFullscreen : display));
    printText(150, 250, 1.0f, 1, "Sound");
    printText(360, 250, 1.0f, 1, "%s", options.soundEnabled ? "YES" : "NO");
    printText(150, 200, 1.0f, 1, "Music");
    printText(360, 200, 1.0f, 1, "%s", options.musicEnabled ? "YES" : "NO");
    drawOptionRows();
}

// The information page is written in glyph set 0, the softer face. Lines stay
// short of x 560, where the back button begins.
const int kInfoHeights[15] = {440, 420, 400, 380, 360, 340, 320, 300, 280, 260, 190, 170, 150, 130, 110};
const char* const kInfoLines[15] = {
    "Welcome to the night streets of Korvask!",
    "",
    "Up               accelerate",
    "Left, Right      steer",
    "Down             brake; press again when stopped",
    "                 to reverse",
    "Space            nitro; drifting fills it up",
    "C                other camera    F   frame rate",
    "Esc              pause the race",
    "Four laps against three rivals. Good luck!",
    nullptr,  // the career points, with the colon drawn over it
    "A top-three finish opens the next race on the map.",
    "Points win new cars; tuning points buy parts:",
    "250 each, three per car, and every one helps.",
    "Your career is saved after every race.",
};

void drawInfoPage() {
    drawDarkeningSheet();
    printTextLarge(320, 510, 0, "Information");
    for (int i = 0; i < 15; i++) {
        if (kInfoLines[i] != nullptr)
            printText(15, kInfoHeights[i], 1.0f, 0, "%s", kInfoLines[i]);
        else
            printText(15, kInfoHeights[i], 1.0f, 0, "Career points so far                 %i",
                      career.careerPoints);
    }
    printText(15, 190, 1.0f, 1, "                                   :");
    drawButton(menuRowHeight(3), frontEnd.menuHoverFlags[2]);
    printText(650, 300, 1.0f, 0, "Back");
}

void drawScreen() {
    switch (game.gameState) {
        case MainMenu:
            drawMainMenu();
            break;
        case QuitConfirm:
            drawQuitConfirm();
            break;
        case CareerMenu:
            drawCareerMenu();
            break;
        case Garage:
            drawGarage();
            break;
        case CarTuning:
            drawCarTuning();
            break;
        case CityMap:
            drawCityMap();
            break;
        case Pause:
            drawPause();
            break;
        case Options:
            drawOptions();
            break;
        case InfoPage:
            drawInfoPage();
            break;
        case PracticeMenu:
            drawPracticeMenu();
            break;
        case QuickRaceMenu:
            drawQuickRaceMenu();
            break;
        case RecordsPage:
            drawRecordsPage();
            break;
        case ReplaysPage:
            drawReplaysPage();
            break;
        case Controls:
            drawControlsScreen();
            break;
        default:
            break;
    }
}

void refreshMouse() {
    int x = 0, y = 0;
    platformGetCursorPos(&x, &y);
    screenToMouse(options.windowWidth, options.windowHeight, x, y, &frontEnd.mouseX, &frontEnd.mouseY);
}

}  // namespace

void drawMenus() {
    frontEnd.menuPhase += 0.2f * frameClock.frameFactor;
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    drawGarageScene();

    beginOverlay();
    drawBackground();
    drawScreen();
    drawMenuKeyFocus();
    refreshMouse();
    drawPointer();
    endImages();
    endOverlay();
    resetView();
}

void resetFrontEndState() {
    frontEnd.menuPhase = 40.0f;
    frontEnd.mapPhase = 0.0f;
    frontEnd.mouseX = 0;
    frontEnd.mouseY = 0;
    for (bool& flag : frontEnd.menuHoverFlags) flag = false;
    frontEnd.menuClickSounds = 0;
    frontEnd.menuHoverSounds = 0;
    frontEnd.careerRace = false;
    frontEnd.awardPending = false;
    frontEnd.newCarWon = false;
    frontEnd.practiceKind = NoPractice;
    frontEnd.quickRaceCircuit = kQuickRaceRandom;
    frontEnd.quickRaceCar = kQuickRaceRandom;
    frontEnd.wheelCapture = -1;
    resetMenuKeys();
}
