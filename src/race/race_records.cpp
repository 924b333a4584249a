// The race's records: the run's, the loaded race's and each human player's.
#include "race/race.h"

RaceRunState raceRun;
RaceSession session;
PlayerRace players[kMaxPlayers];

void setPlayerCar(int player, int model, float power) {
    players[player].playerCarModel = model;
    players[player].playerCarPower = power;
}

void setPlayerCount(int count) {
    raceRun.playerCount = count < 1 ? 1 : (count > kMaxPlayers ? kMaxPlayers : count);
}

void setPlayerDevice(int player, int device) {
    if (player < 0 || player >= kMaxPlayers || device < 0 || device >= kDriveDevices) return;
    players[player].driveDevice = device;
}

int racePlayerCount() {
    return session.humanCount;
}

bool playerFinished(int player) {
    return session.raceFinished || (player >= 0 && player < kMaxPlayers && players[player].finished);
}

bool playerActionDown(int player, int action) {
    if (session.humanCount <= 1) return actionDown(action);
    if (player < 0 || player >= kMaxPlayers) return false;
    return deviceActionDown(players[player].driveDevice, action);
}

void setRaceCareerNumber(int careerRace) {
    session.raceCareerNumber = careerRace;
}

void setTimeTrialMode(bool on) {
    raceRun.timeTrialMode = on;
}

void setGhostFilesEnabled(bool on) {
    raceRun.ghostFilesEnabled = on;
}

void cycleCameraMode(int player) {
    players[player].cameraMode = (players[player].cameraMode + 1) % kCameraModes;
}

float advanceRaceTimer(float seconds) {
    session.raceTimer += seconds;
    return session.raceTimer;
}
