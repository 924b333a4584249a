// The career's rules: tuned car statistics, tuning purchases and the booking
// of a finished career race with its prize cars.
#include <cmath>
#include <cstdint>
#include <cstdio>

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
    for (int k = 0; k < kTuningPackages; k++)
        bonus += kPackageBonus * static_cast<float>(career.carTuning[car][k]);
    const CarTableRow& row = raceRun.carTable[car];
    const float values[3] = {row.power + bonus, row.maxSpeed + bonus, row.suspensionRating + bonus};
    float* out[3] = {power, maxSpeed, suspension};
    for (int i = 0; i < 3; i++) *out[i] = values[i] > 1.0f ? 1.0f : values[i];
}

void computeCarStatistics() {
    tunedStatistics(frontEnd.selectedCar, &frontEnd.carPower, &frontEnd.carMaxSpeed, &frontEnd.carSuspension);
}

void bookRaceResult(int raceNumber, int place) {
    if (bookCareerResult(raceNumber, place)) frontEnd.newCarWon = true;
}

bool buyTuningPackage(int car, int package) {
    return validCar(car) && buyCareerTuning(car, package, kTuningPackagePrice);
}

int tuningPackagesAffordable() {
    const int packages = career.tuningPoints / kTuningPackagePrice;
    return packages < 3 ? packages : 3;
}

// A fresh career: the first eight cars, no tuning, race 1 unlocked.
void newCareer() {
    frontEnd.selectedCar = 0;
    startNewCareerRecord();
    frontEnd.selectedRace = 1;
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
    return validCar(car) && career.carAvailable[car];
}

bool raceUnlocked(int race) {
    return race >= 1 && race <= kCareerRaces && race <= career.maxRaceUnlocked;
}

const char* placeOrdinal(int place) {
    static const char* const kOrdinals[kRaceCars] = {"1st", "2nd", "3rd", "4th"};
    return place >= 1 && place <= kRaceCars ? kOrdinals[place - 1] : "";
}

void raceUnlockHint(int race, char* text, int size) {
    std::snprintf(text, static_cast<size_t>(size), "Finish race %d in the top 3 to open race %d", race - 1,
                  race);
}

bool careerResultHint(int race, int place, char* text, int size) {
    if (place >= 1 && place <= 3) return false;
    // The newest race opens the next one; one already won earns only its
    // tuning points again.
    const int best = race >= 1 && race <= kRaceSlots ? career.raceRecord[race - 1].bestPlace : 0;
    const bool won = best >= 1 && best <= 3;
    if (won)
        std::snprintf(text, static_cast<size_t>(size), "Finish in the top 3 to earn tuning points");
    else if (race < kCareerRaces)
        std::snprintf(text, static_cast<size_t>(size), "Finish in the top 3 to earn points and open race %d",
                      race + 1);
    else
        std::snprintf(text, static_cast<size_t>(size), "Finish in the top 3 to earn points");
    return true;
}

int careerRacesWon() {
    int won = 0;
    for (int race = 0; race < kCareerRaces; race++) {
        const int best = career.raceRecord[race].bestPlace;
        won += best >= 1 && best <= 3 ? 1 : 0;
    }
    return won;
}

void careerNextUnlock(char* text, int size) {
    // The next race first, then the next car the points win.
    if (career.maxRaceUnlocked < kCareerRaces) {
        std::snprintf(text, static_cast<size_t>(size), "Next: finish race %d in the top 3 to open race %d",
                      career.maxRaceUnlocked, career.maxRaceUnlocked + 1);
        return;
    }
    for (const CarPrize& prize : carPrizes) {
        if (!career.carAvailable[prize.car] && career.careerPoints < prize.points) {
            std::snprintf(text, static_cast<size_t>(size), "Next: %s at %d points", carName(prize.car),
                          prize.points);
            return;
        }
    }
    std::snprintf(text, static_cast<size_t>(size), "Every race and car is open");
}

// The ratings in the garage's units: power in kW, top speed in km/h as the
// speedometer reads it, suspension on a scale of ten.
int ratingKilowatts(float power) {
    return static_cast<int>(std::lround(power * 330.0f));
}

int ratingKmh(float maxSpeed) {
    return static_cast<int>(std::lround(maxSpeed * 450.0f));
}

float ratingOutOfTen(float suspension) {
    return suspension * 10.0f;
}

void tuningPackageGain(int car, int package, char* text, int size) {
    float power = 0.0f, speed = 0.0f, suspension = 0.0f;
    tunedStatistics(car, &power, &speed, &suspension);
    // What the car would have with the package as well, within the caps.
    const float with[3] = {power + kPackageBonus > 1.0f ? 1.0f : power + kPackageBonus,
                           speed + kPackageBonus > 1.0f ? 1.0f : speed + kPackageBonus,
                           suspension + kPackageBonus > 1.0f ? 1.0f : suspension + kPackageBonus};
    const bool installed =
        validCar(car) && package >= 0 && package < kTuningPackages && career.carTuning[car][package] != 0;
    if (installed) {
        std::snprintf(text, static_cast<size_t>(size), "installed");
        return;
    }
    const int percent = power > 0.0f ? static_cast<int>(std::lround((with[0] - power) / power * 100.0f)) : 0;
    std::snprintf(text, static_cast<size_t>(size), "+%d %% power, +%d km/h, +%.1f grip", percent,
                  ratingKmh(with[1]) - ratingKmh(speed),
                  ratingOutOfTen(with[2]) - ratingOutOfTen(suspension));
}
