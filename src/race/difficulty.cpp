// How quick the opponents are: Easy, Normal or Hard from the settings, or
// rising through them over a career, and how the three of them spread
// around that pace.
#include "race/race.h"
#include "state/state.h"

// Engine power of each opponent (cars 1, 2, 3) against the player's rating:
// at Normal one runs a little above the player's pace, one about level and
// one a little below it.
static constexpr float kOpponentPower[kDifficultyCount][kRaceCars - 1] = {
    {0.85f, 0.75f, 0.65f},  // Easy
    {1.05f, 0.9f, 0.72f},   // Normal
    {1.4f, 1.25f, 1.1f},    // Hard
};

// How much wheel the opponents put on at speed: past what the tyres hold, more
// lock only scrubs speed, so the quicker opponents turn in more gently (the
// sweep in docs/DRIVING.md measured 0.75 quicker than 1.0 on every circuit).
static constexpr float kOpponentCornering[kDifficultyCount] = {1.25f, 0.75f, 0.7f};

// The opponents' speed limit on the open road (Normal and Hard keep 30,
// above what the cars reach; Easy's opponents lift well before that).
static constexpr float kOpponentTopSpeed[kDifficultyCount] = {15.0f, 30.0f, 30.0f};

// Rising's steps: a new career's first races at Easy, the middle of it at
// Normal, its last races at Hard.
static constexpr int kRisingLastEasy = 3;
static constexpr int kRisingLastNormal = 10;

int difficultySetting() {
    return settingInt(kDifficultyKey, kDifficultyRising, kDifficultyEasy, kDifficultyRising);
}

int difficultyOfRace(int setting, int careerRace) {
    if (setting < kDifficultyEasy) return kDifficultyEasy;
    if (setting < kDifficultyRising) return setting;
    if (careerRace < 1) return kDifficultyNormal;
    if (careerRace <= kRisingLastEasy) return kDifficultyEasy;
    return careerRace <= kRisingLastNormal ? kDifficultyNormal : kDifficultyHard;
}

int readRaceDifficulty() {
    return difficultyOfRace(difficultySetting(), session.raceCareerNumber);
}

float opponentPowerScale(int difficulty, int carIndex) {
    if (difficulty < kDifficultyEasy) difficulty = kDifficultyEasy;
    if (difficulty > kDifficultyHard) difficulty = kDifficultyHard;
    if (carIndex < 1 || carIndex >= kRaceCars) return kOpponentPower[difficulty][1];
    return kOpponentPower[difficulty][carIndex - 1];
}

float opponentCorneringScale(int difficulty) {
    if (difficulty < kDifficultyEasy) difficulty = kDifficultyEasy;
    if (difficulty > kDifficultyHard) difficulty = kDifficultyHard;
    return kOpponentCornering[difficulty];
}

float opponentTopSpeed(int difficulty) {
    if (difficulty < kDifficultyEasy) difficulty = kDifficultyEasy;
    if (difficulty > kDifficultyHard) difficulty = kDifficultyHard;
    return kOpponentTopSpeed[difficulty];
}
