// The career record's changes: a race booked, a package bought, a new career.
#include <cstdint>

#include "state/state.h"

// Points are booked without bound over a long career (or onto a file that
// already holds huge values): they stop at the int limits instead of wrapping
// round to a negative score.
static int32_t addPoints(int32_t total, int64_t amount) {
    const int64_t sum = static_cast<int64_t>(total) + amount;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

bool bookCareerResult(int raceNumber, int place) {
    // Records exist for race numbers 1..24; a number outside them books the
    // points nowhere rather than writing past the table.
    const int record = raceNumber - 1;
    const bool known = record >= 0 && record < kRaceSlots;
    int32_t best = known ? career.raceRecord[record].bestPlace : 0;
    if ((best == 0 || best == 4) && place >= 1 && place <= 3) {
        career.careerPoints = addPoints(career.careerPoints, 125 - 25 * static_cast<int64_t>(place));
        best = place;
        if (known) career.raceRecord[record].bestPlace = best;
        if (best >= 1 && best <= 3 && career.maxRaceUnlocked < kCareerRaces) career.maxRaceUnlocked++;
    }
    bool won = false;
    for (const CarPrize& prize : carPrizes) {
        if (career.careerPoints >= prize.points && !career.carAvailable[prize.car]) {
            career.carAvailable[prize.car] = true;
            won = true;
        }
    }
    career.tuningPoints = addPoints(career.tuningPoints, 1000 - 250 * static_cast<int64_t>(place));
    return won;
}

bool buyCareerTuning(int car, int package, int price) {
    if (car < 0 || car >= kCarSlots || package < 0 || package >= kTuningPackages) return false;
    if (career.tuningPoints < price || career.carTuning[car][package] != 0) return false;
    career.tuningPoints -= price;
    career.carTuning[car][package] = 1;
    return true;
}

void startNewCareerRecord() {
    for (int i = 0; i < kCarSlots; i++) {
        career.carAvailable[i] = i < 8;
        for (int k = 0; k < kTuningPackages; k++) {
            career.carTuning[i][k] = 0;
        }
    }
    for (int j = 0; j < kRaceSlots; j++) {
        career.raceRecord[j].bestPlace = 0;
    }
    career.maxRaceUnlocked = 1;
    career.careerPoints = 0;
    career.tuningPoints = 250;
}
