// The race's stings: a new lap, the last lap and the finish by place, heard
// at the listener over the engines and the music.
#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

// What the stings have told of the current race: the player's lap and
// whether the finish was heard. Taken afresh on every countdown frame.
static int heardLap = 0;
static bool heardFinish = false;

SoundEffect* lapSting(int lap, int laps) {
    // The first lap begins at the first pass of the line: the countdown and
    // "go" have said it already.
    if (lap < 2) return nullptr;
    return lap >= laps ? &soundLastLapSting : &soundLapSting;
}

SoundEffect* finishSting(int place) {
    if (place <= 1) return &soundFinishWin;
    return place <= 3 ? &soundFinishPodium : &soundFinishLast;
}

SoundEffect* updateRaceCues() {
    const Car& car = session.cars[0];
    if (session.countdownRunning || car.body == nullptr) {
        heardLap = car.lap;
        heardFinish = session.raceFinished;
        return nullptr;
    }
    SoundEffect* sting = nullptr;
    if (session.raceFinished && !heardFinish) {
        sting = finishSting(players[0].playerPlace);
        heardFinish = true;
    } else if (car.lap > heardLap && !session.raceFinished) {
        sting = lapSting(car.lap, session.lapCount);
    }
    heardLap = car.lap;
    if (sting != nullptr && options.soundEnabled) sting->play();
    return sting;
}
