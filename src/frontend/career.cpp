// The career's rules: tuned car statistics, tuning purchases and the booking
// of a finished career race with its prize cars.
#include <cstdint>

#include "frontend/frontend.h"
#include "race/race.h"
#include "state/state.h"

// Each installed package adds this much to all three statistics.
static const float kPackageBonus = 0.05f;

static bool validCar(int car) {
    return car >= 0 && car < kCarCount;
}

void tunedStatistics(int car, float* power, float* maxSpeed, float* suspension) {
    if (!validCar(car)) car = 0;
    // The stored values count as they are (1 when installed), so a file that
    // holds something else still gives the figure the bars show.
    float bonus = 0.0f;
    for (int k = 0; k < kTuningPackages; k++) bonus += kPackageBonus * (float)carTuning[car][k];
    const CarTableRow& row = carTable[car];
    const float values[3] = {row.power + bonus, row.maxSpeed + bonus, row.suspensionRating + bonus};
    float* out[3] = {power, maxSpeed, suspension};
    for (int i = 0; i < 3; i++) *out[i] = values[i] > 1.0f ? 1.0f : values[i];
}

void computeCarStatistics() {
    tunedStatistics(selectedCar, &carPower, &carMaxSpeed, &carSuspension);
}

// Points are booked without bound over a long career (or onto a file that
// already holds huge values): they stop at the int limits instead of wrapping
// round to a negative score.
static int32_t addPoints(int32_t total, int64_t amount) {
    const int64_t sum = (int64_t)total + amount;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return (int32_t)sum;
}

void bookRaceResult(int raceNumber, int place) {
    // Records exist for race numbers 1..24; a number outside them books the
    // points nowhere rather than writing past the table.
    const int record = raceNumber - 1;
    const bool known = record >= 0 && record < kRaceSlots;
    int32_t best = known ? raceRecord[record].bestPlace : 0;
    if ((best == 0 || best == 4) && place >= 1 && place <= 3) {
        careerPoints = addPoints(careerPoints, 125 - 25 * (int64_t)place);
        best = place;
        if (known) raceRecord[record].bestPlace = best;
        if (best >= 1 && best <= 3 && maxRaceUnlocked < kCareerRaces) maxRaceUnlocked++;
    }
    for (const CarPrize& prize : carPrizes) {
        if (careerPoints >= prize.points && !carAvailable[prize.car]) {
            carAvailable[prize.car] = true;
            newCarWon = true;
        }
    }
    tuningPoints = addPoints(tuningPoints, 1000 - 250 * (int64_t)place);
}

bool buyTuningPackage(int car, int package) {
    if (!validCar(car) || package < 0 || package >= kTuningPackages) return false;
    if (tuningPoints < kTuningPackagePrice || carTuning[car][package] != 0) return false;
    tuningPoints -= kTuningPackagePrice;
    carTuning[car][package] = 1;
    return true;
}

int tuningPackagesAffordable() {
    const int packages = tuningPoints / kTuningPackagePrice;
    return packages < 3 ? packages : 3;
}

// A fresh career: the first eight cars, no tuning, race 1 unlocked.
void newCareer() {
    selectedCar = 0;
    for (int i = 0; i < kCarSlots; i++) {
        carAvailable[i] = i < 8;
        for (int k = 0; k < kTuningPackages; k++) {
            carTuning[i][k] = 0;
        }
    }
    // The race records' flags are kept; only the places are cleared.
    for (int j = 0; j < kRaceSlots; j++) {
        raceRecord[j].bestPlace = 0;
    }
    maxRaceUnlocked = 1;
    selectedRace = 1;
    careerPoints = 0;
    tuningPoints = 250;
    writeCareerNow();
}

// Twelve street cars, from the first car of a new career to the last prize.
static const char* const kCarNames[kCarCount] = {
    "Streetfox",   "Alley Cat", "Nightjar",   "Ember S",     "Graphite GT", "Switchback",
    "Redline Six", "Neon Wasp", "Ironclad R", "Night Heron", "Starling RS", "Korvask Zero",
};

const char* carName(int car) {
    return validCar(car) ? kCarNames[car] : "";
}

int carUnlockPoints(int car) {
    // Cars 3 to 7 are prizes too, though every new career has them already.
    if (!validCar(car)) return 0;
    for (const CarPrize& prize : carPrizes)
        if (prize.car == car) return prize.points;
    return 0;
}

bool carSelectable(int car) {
    return validCar(car) && carAvailable[car];
}

bool raceUnlocked(int race) {
    return race >= 1 && race <= kCareerRaces && race <= maxRaceUnlocked;
}
