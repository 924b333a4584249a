// The race's records: the run's, the loaded race's and each human player's.
#include "race/race.h"

RaceRunState raceRun;
RaceSession session;
PlayerRace players[kMaxPlayers];

void setPlayerCar(int player, int model, float power) {
    players[player].playerCarModel = model;
    players[player].playerCarPower = power;
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
