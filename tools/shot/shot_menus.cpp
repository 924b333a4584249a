// korvask-shot's menu screens: sets up a career worth showing, puts the game
// in the screen's state with the pointer over an item, and draws the frames
// through the game's own dispatcher.
#include "shot/shot_menus.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

namespace {

struct MenuShot {
    const char* name;
    int state;
    int hoverRow;  // the pointer rests on this row (0: beside the items)
};

const MenuShot kMenuShots[] = {
    {"main", MainMenu, 3},       {"career", CareerMenu, 2},
    {"garage", Garage, 4},       {"tuning", CarTuning, 2},
    {"citymap", CityMap, 4},     {"options", Options, 2},
    {"pause", Pause, 3},         {"quit", QuitConfirm, 4},
    {"info", InfoPage, 3},       {"controls", Controls, 4},
    {"result", Race, 0},         {"practice", PracticeMenu, 2},
    {"records", RecordsPage, 5}, {"quickrace", QuickRaceMenu, 1},
};

// The car and race the shot shows (--car, --race); -1 keeps the sample's.
int shotCar = -1;
int shotRace = -1;
bool shotLocked = false;

const MenuShot* findShot(const std::string& name) {
    for (const MenuShot& shot : kMenuShots)
        if (name == shot.name) return &shot;
    return nullptr;
}

// A career some way in, held in memory only: the save file beside the tool
// is never written.
void sampleCareer() {
    setDefaultCareer();
    career.careerPoints = 175;
    career.tuningPoints = 600;
    career.maxRaceUnlocked = 4;
    career.raceRecord[0].bestPlace = 1;
    career.raceRecord[1].bestPlace = 2;
    career.raceRecord[2].bestPlace = 3;
    career.carAvailable[3] = true;
    career.carTuning[0][0] = 1;
    frontEnd.selectedCar = 0;
    frontEnd.selectedRace = 3;
    options.optionsApplied = true;
    // Lap records of the circuits driven so far.
    clearLapRecords();
    const float laps[4] = {5123.0f, 6248.5f, 7012.0f, 5830.25f};
    for (int i = 0; i < 4; i++) {
        LapRecord& r = raceRun.lapRecords[i];
        r.lap = laps[i];
        r.car = (i * 3) % 4;
        r.date = 1796947200 + 86400 * 3 * i;  // December 2026
        r.splits[0] = laps[i] * 0.3f;
        r.splits[1] = laps[i] * 0.65f;
        r.splits[2] = laps[i];
    }
    frontEnd.practiceCircuit = 2;
    frontEnd.practiceCar = 3;
    frontEnd.quickRaceCircuit = 3;
    frontEnd.quickRaceCar = 2;
    // The garage shows the chosen car as one the player owns, the city map
    // the chosen race as one already open.
    if (shotCar >= 0 && shotCar < kCarCount) {
        frontEnd.selectedCar = shotCar;
        career.carAvailable[shotCar] = !shotLocked;
    }
    if (shotRace >= 1 && shotRace <= kCareerRaces) {
        frontEnd.selectedRace = shotRace;
        if (shotLocked && career.maxRaceUnlocked >= shotRace)
            career.maxRaceUnlocked = shotRace > 1 ? shotRace - 1 : 1;
        if (!shotLocked && career.maxRaceUnlocked < shotRace) career.maxRaceUnlocked = shotRace;
    }
}

// Client pixels of a mouse-space point at the current resolution.
void placeCursor(int mx, int my) {
    int x = 0, y = 0;
    mouseToScreen(options.windowWidth, options.windowHeight, mx, my, &x, &y);
    scriptedSetCursorPos(x, y);
}

}  // namespace

void chooseMenuShotSelection(int car, int race, bool locked) {
    shotCar = car;
    shotRace = race;
    shotLocked = locked;
}

bool isMenuScreen(const std::string& name) {
    return findShot(name) != nullptr;
}

int shootMenuScreen(const std::string& name, const std::string& outPath, double seconds, int drawFrames,
                    unsigned seed) {
    const MenuShot* shot = findShot(name);
    if (shot == nullptr) return 2;
    loadGarageModels();
    sampleCareer();
    resetFrontEndState();

    const bool result = shot->state == Race;
    if (result) {
        // A career race just won: the screen with both of its lines.
        game.gameState = Race;
        frontEnd.careerRace = true;
        frontEnd.awardPending = false;
        frontEnd.newCarWon = true;
        computeCarStatistics();
        players[0].playerCarModel = frontEnd.selectedCar;
        players[0].playerCarPower = frontEnd.carPower;
        // The opponents' cars are drawn at random: from the seed, not from
        // the clock the menus seed the generator with.
        srand(seed);
        loadRace(frontEnd.selectedRace);
        session.countdownRunning = false;
        session.raceFinished = true;
        players[0].playerPlace = 1;
        session.raceTimer = 2.0f;
    } else {
        game.gameState = shot->state;
    }
    if (shot->hoverRow > 0)
        placeCursor(700, 192 + 50 * (shot->hoverRow - 1));
    else
        placeCursor(560, 520);

    // The menu phase stands where `seconds` of menus would have left it.
    const int frames = drawFrames < 1 ? 1 : drawFrames;
    frontEnd.menuPhase += 20.0f * (float)seconds - 0.2f * (float)frames;
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    std::vector<uint8_t> rgb;
    bool read = false;
    for (int k = 1; k <= frames; k++) {
        drawFrame();
        // Hover follows the pointer as the window procedure would.
        if (!result) menuHover();
        if (k == frames) read = scriptedReadFrame(&rgb, options.screenWidth, options.screenHeight);
        platformSwapBuffers();
    }

    int status = 0;
    if (!read || !scriptedWritePng(outPath.c_str(), rgb, options.screenWidth, options.screenHeight)) {
        fprintf(stderr, "korvask-shot: could not write %s\n", outPath.c_str());
        status = 1;
    }
    printf("{\"out\":\"%s\",\"screen\":\"%s\",\"width\":%d,\"height\":%d,\"mouse\":[%d,%d]}\n",
           outPath.c_str(), name.c_str(), options.screenWidth, options.screenHeight, frontEnd.mouseX,
           frontEnd.mouseY);
    if (result) {
        unloadRace();
        rebuildGarageLights();
    }
    releaseGarageModels();
    return status;
}
