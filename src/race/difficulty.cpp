// How quick the opponents are: Easy, Normal or Hard from the settings, and
// how the three of them spread around that pace.
#include "race/race.h"
#include "state/state.h"

int raceDifficulty = kDifficultyNormal;

// Engine power of each opponent (cars 1, 2, 3) against the player's rating:
// at Normal one runs a little above the player's pace, one about level and
// one a little below it.
static constexpr float kOpponentPower[kDifficultyCount][kRaceCars - 1] = {
    {1.12f, 1.04f, 0.96f},  // Easy
    {1.25f, 1.05f, 0.85f},  // Normal
    {1.52f, 1.45f, 1.38f},  // Hard
};

int readRaceDifficulty() {
    return settingInt(kDifficultyKey, kDifficultyNormal, kDifficultyEasy, kDifficultyHard);
}

float opponentPowerScale(int difficulty, int carIndex) {
    if (difficulty < kDifficultyEasy) difficulty = kDifficultyEasy;
    if (difficulty > kDifficultyHard) difficulty = kDifficultyHard;
    if (carIndex < 1 || carIndex >= kRaceCars) return kOpponentPower[difficulty][1];
    return kOpponentPower[difficulty][carIndex - 1];
}
