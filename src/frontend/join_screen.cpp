// The join screen of a race of several players: each presses a key of their
// own keyboard set or controller to take the next place, then picks a car
// with that device's left and right; Start begins the race once everyone
// has joined.
#include <cstdio>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "platform/controller_keys.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

constexpr int kStartRow = 1;
constexpr int kBackRow = 5;
constexpr int kLabelX = 80, kDeviceX = 200, kCarX = 420;
constexpr int kFirstLineY = 450, kLinePitch = 40;

bool carOpen(int car) {
    return car >= 0 && car < kCarCount && career.carAvailable[car];
}

int firstOpenCar() {
    for (int car = 0; car < kCarCount; car++)
        if (carOpen(car)) return car;
    return 0;
}

void stepJoinCar(int player, int direction) {
    int car = frontEnd.joinCars[player];
    for (int tries = 0; tries < kCarCount; tries++) {
        car = (car + direction + kCarCount) % kCarCount;
        if (carOpen(car)) break;
    }
    frontEnd.joinCars[player] = car;
}

// The place the device has taken, -1 for none.
int placeOfDevice(int device) {
    for (int p = 0; p < frontEnd.joinedCount; p++)
        if (frontEnd.joinDevices[p] == device) return p;
    return -1;
}

// The action of the device that vk is, -1 for none.
int actionOfKey(int device, int vk) {
    for (int a = 0; a < kBindActions; a++)
        if (driveDeviceKey(device, a) == vk) return a;
    return -1;
}

void leaveJoinScreen() {
    padUseDefaultKeys();
    setGameState(frontEnd.joinStart == JoinPractice ? PracticeMenu : QuickRaceMenu);
    resetMenuHover();
}

// Every place taken: the race starts with each player's device and car.
void startJoinedRace() {
    if (frontEnd.joinedCount < frontEnd.playerCount) {
        char text[48];
        std::snprintf(text, sizeof text, "Waiting for Player %d", frontEnd.joinedCount + 1);
        setPlayerNotice(text);
        return;
    }
    setPlayerCount(frontEnd.playerCount);
    for (int p = 0; p < frontEnd.playerCount; p++) {
        setPlayerDevice(p, frontEnd.joinDevices[p]);
        float power = raceRun.carTable[frontEnd.joinCars[p]].power, speed = 0.0f, suspension = 0.0f;
        // Practice drives the cars as the career has tuned them.
        if (frontEnd.joinStart == JoinPractice)
            tunedStatistics(frontEnd.joinCars[p], &power, &speed, &suspension);
        setPlayerCar(p, frontEnd.joinCars[p], power);
    }
    playClickSound();
    if (frontEnd.joinStart == JoinPractice) {
        frontEnd.practiceCar = frontEnd.joinCars[0];
        startPractice(PracticeRace);
    } else {
        startQuickRace();
    }
}

}  // namespace

void stepPlayerCount(int direction) {
    int n = frontEnd.playerCount + direction;
    if (n < 1) n = kMaxPlayers;
    if (n > kMaxPlayers) n = 1;
    frontEnd.playerCount = n;
}

void openJoinScreen(int start) {
    frontEnd.joinStart = start;
    frontEnd.joinedCount = 0;
    const int car = start == JoinPractice
                        ? frontEnd.practiceCar
                        : (carOpen(frontEnd.quickRaceCar) ? frontEnd.quickRaceCar : firstOpenCar());
    for (int p = 0; p < kMaxPlayers; p++) {
        frontEnd.joinDevices[p] = -1;
        frontEnd.joinCars[p] = carOpen(car) ? car : firstOpenCar();
    }
    // The controller holds keys of its own here, as in the race, so it
    // joins as itself and not as the arrows.
    int keys[kBindActions];
    controllerDriveKeys(0, keys);
    padSetKeys(keys);
    setGameState(JoinScreen);
    resetMenuHover();
}

bool joinScreenKey(int vk, bool repeat) {
    if (game.gameState != JoinScreen) return false;
    if (vk == VK_RETURN) {
        if (!repeat) startJoinedRace();
        return true;
    }
    const int device = driveDeviceOfKey(vk);
    if (device < 0) return false;
    if (repeat) return true;
    const int action = actionOfKey(device, vk);
    const int place = placeOfDevice(device);
    if (place >= 0) {
        if (action == BindLeft || action == BindRight) {
            stepJoinCar(place, action == BindLeft ? -1 : 1);
            playClickSound();
            return true;
        }
        // One device drives one car.
        char text[64];
        std::snprintf(text, sizeof text, "%s already plays as Player %d", driveDeviceName(device), place + 1);
        setPlayerNotice(text);
        return true;
    }
    if (frontEnd.joinedCount >= frontEnd.playerCount) {
        setPlayerNotice("Every place is taken");
        return true;
    }
    frontEnd.joinDevices[frontEnd.joinedCount++] = device;
    playClickSound();
    return true;
}

void drawJoinScreen() {
    drawDarkeningSheet();
    printTextLarge(300, 550, 1, "  Players");
    drawPod(60.0f, 150.0f, 560.0f, 490.0f, kHudMagenta);
    for (int p = 0; p < frontEnd.playerCount; p++) {
        const int y = kFirstLineY - kLinePitch * p;
        printText(kLabelX, y, 1.0f, 1, "Player %d", p + 1);
        if (p < frontEnd.joinedCount) {
            printColoured(kHudCyan, 1.0f, kDeviceX, y, driveDeviceName(frontEnd.joinDevices[p]));
            printText(kCarX, y, 1.0f, 1, "< %s >", carName(frontEnd.joinCars[p]));
        } else if (p == frontEnd.joinedCount) {
            printColoured(kHudPlayer, 1.0f, kDeviceX, y, "press a key to join");
        }
    }
    printText(kLabelX, 260, 1.0f, 0, "Keys A: arrows, right Ctrl nitro, End camera.");
    printText(kLabelX, 238, 1.0f, 0, "Keys B: W A S D, left Shift nitro, C camera.");
    printText(kLabelX, 216, 1.0f, 0, "A controller: any button.");
    printText(kLabelX, 184, 1.0f, 0, "Left and right on your own keys choose your car.");

    drawMenuItem(kStartRow, "Start");
    drawMenuItem(kBackRow, "Back");
}

bool clickJoinScreen(int x, int y) {
    if (menuRowHit(kStartRow, x, y)) {
        startJoinedRace();
        resetMenuHover();
        return true;
    }
    if (menuRowHit(kBackRow, x, y)) {
        playClickSound();
        leaveJoinScreen();
        return true;
    }
    return false;
}
