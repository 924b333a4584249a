// Career rules: bookings of finished career races, the prize cars, tuning
// purchases and the tuned statistics, against the figures worked out by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "frontend/frontend.h"
#include "race/race.h"
#include "shell/shell.h"

namespace {

class Career : public ::testing::Test {
  protected:
    void SetUp() override {
        initCarTable();
        setDefaultCareer();
        career.tuningPoints = 250;
        resetFrontEndState();
    }
};

TEST_F(Career, FirstWinOfANewCareer) {
    bookRaceResult(1, 1);
    EXPECT_EQ(career.careerPoints, 100);
    EXPECT_EQ(career.raceRecord[0].bestPlace, 1);
    EXPECT_EQ(career.maxRaceUnlocked, 2);
    EXPECT_EQ(career.tuningPoints, 1000);
    // Car 3 is one of the eight a new career starts with: nothing is won.
    EXPECT_FALSE(newCarWon);
}

TEST_F(Career, PointsByPlaceAndTuningPointsForEveryPlace) {
    const int points[5] = {0, 100, 75, 50, 0};
    const int tuning[5] = {0, 750, 500, 250, 0};
    for (int place = 1; place <= 4; place++) {
        setDefaultCareer();
        career.tuningPoints = 0;
        bookRaceResult(3, place);
        EXPECT_EQ(career.careerPoints, points[place]) << place;
        EXPECT_EQ(career.tuningPoints, tuning[place]) << place;
        EXPECT_EQ(career.raceRecord[2].bestPlace, place <= 3 ? place : 0) << place;
        EXPECT_EQ(career.maxRaceUnlocked, place <= 3 ? 2 : 1) << place;
    }
}

TEST_F(Career, ARaceAlreadyPlacedEarnsOnlyTuningPoints) {
    career.raceRecord[4].bestPlace = 2;
    career.careerPoints = 300;
    career.maxRaceUnlocked = 6;
    career.tuningPoints = 10;
    bookRaceResult(5, 1);
    EXPECT_EQ(career.careerPoints, 300);
    EXPECT_EQ(career.maxRaceUnlocked, 6);
    EXPECT_EQ(career.raceRecord[4].bestPlace, 2);
    EXPECT_EQ(career.tuningPoints, 760);
}

TEST_F(Career, UnlockingStopsAtFifteen) {
    career.maxRaceUnlocked = 15;
    bookRaceResult(15, 1);
    EXPECT_EQ(career.maxRaceUnlocked, 15);
    EXPECT_EQ(career.careerPoints, 100);
    // Records 16..24 exist in the file; winning one books but unlocks nothing.
    bookRaceResult(20, 2);
    EXPECT_EQ(career.maxRaceUnlocked, 15);
    EXPECT_EQ(career.raceRecord[19].bestPlace, 2);
    EXPECT_EQ(career.careerPoints, 175);
}

TEST_F(Career, PointsStopAtTheIntegerLimitsInsteadOfWrapping) {
    struct Case {
        int32_t careerBefore, tuningBefore;
        int place;
        int32_t careerAfter, tuningAfter;
    } cases[] = {
        {INT32_MAX - 10, INT32_MAX - 100, 1, INT32_MAX, INT32_MAX},
        {INT32_MAX, INT32_MAX, 3, INT32_MAX, INT32_MAX},
        {INT32_MAX - 100, INT32_MAX - 1000, 1, INT32_MAX, INT32_MAX - 250},
        {0, INT32_MIN + 10, 4, 0, INT32_MIN + 10},
    };
    for (const Case& c : cases) {
        setDefaultCareer();
        career.careerPoints = c.careerBefore;
        career.tuningPoints = c.tuningBefore;
        bookRaceResult(2, c.place);
        EXPECT_EQ(career.careerPoints, c.careerAfter) << c.careerBefore;
        EXPECT_EQ(career.tuningPoints, c.tuningAfter) << c.tuningBefore;
    }
}

TEST_F(Career, RaceNumbersOutsideTheRecordsBookNowhere) {
    bookRaceResult(0, 1);
    bookRaceResult(25, 1);
    // Points still count (no record to say the race was won before).
    EXPECT_EQ(career.careerPoints, 200);
    for (const RaceRecord& r : career.raceRecord) EXPECT_EQ(r.bestPlace, 0);
}

TEST_F(Career, PrizeCarsFollowThePointThresholds) {
    for (int i = 0; i < kCarSlots; i++) career.carAvailable[i] = i < 3;
    career.careerPoints = 375;
    bookRaceResult(2, 1);  // 475 points: cars 3, 4, 5 and 6
    EXPECT_TRUE(newCarWon);
    for (int car = 3; car <= 6; car++) EXPECT_TRUE(career.carAvailable[car]) << car;
    EXPECT_FALSE(career.carAvailable[7]);
    newCarWon = false;
    career.careerPoints = 1199;
    bookRaceResult(9, 4);  // no points: 1199 is one short of car 11
    for (int car = 7; car <= 10; car++) EXPECT_TRUE(career.carAvailable[car]) << car;
    EXPECT_FALSE(career.carAvailable[11]);
    EXPECT_TRUE(newCarWon);
    // Cars beyond the twelfth are never handed out.
    career.careerPoints = 100000;
    bookRaceResult(9, 4);
    EXPECT_TRUE(career.carAvailable[11]);
    for (int car = 12; car < kCarSlots; car++) EXPECT_FALSE(career.carAvailable[car]) << car;
}

TEST_F(Career, TuningPurchasesWithSixHundredPoints) {
    career.tuningPoints = 600;
    EXPECT_EQ(tuningPackagesAffordable(), 2);
    EXPECT_TRUE(buyTuningPackage(2, 0));
    EXPECT_FALSE(buyTuningPackage(2, 0));  // installed already
    EXPECT_TRUE(buyTuningPackage(2, 2));
    EXPECT_EQ(career.tuningPoints, 100);
    EXPECT_EQ(tuningPackagesAffordable(), 0);
    EXPECT_FALSE(buyTuningPackage(2, 1));
    EXPECT_EQ(career.tuningPoints, 100);
    EXPECT_EQ(career.carTuning[2][0], 1);
    EXPECT_EQ(career.carTuning[2][1], 0);
    EXPECT_EQ(career.carTuning[2][2], 1);
    EXPECT_FALSE(buyTuningPackage(12, 0));
    EXPECT_FALSE(buyTuningPackage(-1, 0));
    EXPECT_FALSE(buyTuningPackage(0, 3));
    career.tuningPoints = 100000;
    EXPECT_EQ(tuningPackagesAffordable(), 3);
}

TEST_F(Career, TunedStatisticsAddFiveHundredthsAPackageUpToOne) {
    float power, speed, suspension;
    tunedStatistics(5, &power, &speed, &suspension);
    EXPECT_FLOAT_EQ(power, raceRun.carTable[5].power);
    EXPECT_FLOAT_EQ(speed, raceRun.carTable[5].maxSpeed);
    EXPECT_FLOAT_EQ(suspension, raceRun.carTable[5].suspensionRating);
    career.carTuning[5][0] = career.carTuning[5][2] = 1;
    tunedStatistics(5, &power, &speed, &suspension);
    EXPECT_NEAR(power, raceRun.carTable[5].power + 0.10f, 1e-6f);
    EXPECT_NEAR(suspension, raceRun.carTable[5].suspensionRating + 0.10f, 1e-6f);
    // A stored value other than 1 counts as it is, but never past a full bar.
    career.carTuning[5][1] = 20;
    tunedStatistics(5, &power, &speed, &suspension);
    EXPECT_FLOAT_EQ(power, 1.0f);
    EXPECT_FLOAT_EQ(speed, 1.0f);
    selectedCar = 5;
    computeCarStatistics();
    EXPECT_FLOAT_EQ(carPower, 1.0f);
    EXPECT_FLOAT_EQ(carMaxSpeed, 1.0f);
}

}  // namespace

// What the result and the city map say: the place as an ordinal, and for a
// place that earns nothing what would have.
TEST_F(Career, ResultAndMapSayWhatAPlaceEarnsAndWhatOpensARace) {
    struct Case {
        int race, bestBefore, place;
        const char* finished;
        const char* hint;  // nullptr: the place earns something
    } cases[] = {
        {1, 0, 1, "1st", nullptr},
        {1, 0, 2, "2nd", nullptr},
        {1, 0, 3, "3rd", nullptr},
        {1, 0, 4, "4th", "Finish in the top 3 to earn points and open race 2"},
        {1, 4, 4, "4th", "Finish in the top 3 to earn points and open race 2"},
        {1, 2, 4, "4th", "Finish in the top 3 to earn tuning points"},
        {15, 0, 4, "4th", "Finish in the top 3 to earn points"},
    };
    for (const Case& c : cases) {
        setDefaultCareer();
        career.raceRecord[c.race - 1].bestPlace = c.bestBefore;
        EXPECT_STREQ(placeOrdinal(c.place), c.finished);
        char text[96] = "";
        EXPECT_EQ(careerResultHint(c.race, c.place, text, sizeof text), c.hint != nullptr) << c.place;
        EXPECT_STREQ(c.hint != nullptr ? text : nullptr, c.hint) << c.race << " " << c.place;
    }
    EXPECT_STREQ(placeOrdinal(0), "");
    EXPECT_STREQ(placeOrdinal(5), "");
    char text[64];
    raceUnlockHint(2, text, sizeof text);
    EXPECT_STREQ(text, "Finish race 1 in the top 3 to open race 2");
}

TEST_F(Career, CareerScreenSaysWhatComesNext) {
    char text[80];
    careerNextUnlock(text, sizeof text);
    EXPECT_STREQ(text, "Next: finish race 1 in the top 3 to open race 2");
    bookRaceResult(1, 2);
    bookRaceResult(2, 4);
    EXPECT_EQ(careerRacesWon(), 1);
    careerNextUnlock(text, sizeof text);
    EXPECT_STREQ(text, "Next: finish race 2 in the top 3 to open race 3");
    // Every race open: the next prize car.
    career.maxRaceUnlocked = kCareerRaces;
    careerNextUnlock(text, sizeof text);
    EXPECT_EQ(std::string(text).rfind("Next: ", 0), 0u) << text;
    EXPECT_NE(std::string(text).find(" points"), std::string::npos) << text;
}

// The garage's figures and what a package adds before it is bought.
TEST_F(Career, RatingsInUnitsAndWhatAPackageAdds) {
    struct Case {
        float power, speed, suspension;
        int kw, kmh;
        float outOfTen;
    } cases[] = {{0.5f, 0.52f, 0.53f, 165, 234, 5.3f}, {1.0f, 1.0f, 1.0f, 330, 450, 10.0f}};
    for (const Case& c : cases) {
        EXPECT_EQ(ratingKilowatts(c.power), c.kw);
        EXPECT_EQ(ratingKmh(c.speed), c.kmh);
        EXPECT_NEAR(ratingOutOfTen(c.suspension), c.outOfTen, 1e-5f);
    }
    char text[64];
    // Car 0 at power 0.50: a package adds 0.05, a tenth.
    tuningPackageGain(0, 0, text, sizeof text);
    EXPECT_STREQ(text, "+10 % power, +23 km/h, +0.5 grip");
    ASSERT_TRUE(buyTuningPackage(0, 0));
    tuningPackageGain(0, 0, text, sizeof text);
    EXPECT_STREQ(text, "installed");
    tuningPackageGain(0, 1, text, sizeof text);
    EXPECT_STREQ(text, "+9 % power, +22 km/h, +0.5 grip");
}
