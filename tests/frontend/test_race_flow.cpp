// Races started and left from the menus, and the result screen frame by
// frame: one booking per race, saved at once, and the way back after ten
// seconds; pause's Restart and Exit in career and quick races.
#include "frontend_gl_fixture.h"
#include "support/save_file_bytes.h"

namespace {

constexpr int kPointsField = 18 + 54 + 48 + 1;

class RaceFlow : public FrontEndGl {
  protected:
    // The player crosses the line in `place`; the result screen starts.
    void finish(int place) {
        session.countdownRunning = false;
        session.raceFinished = true;
        session.raceTimer = 0.0f;
        players[0].playerPlace = place;
    }
    // Result-screen frames of 10 ms until the race is left; returns them.
    int runResultScreen() {
        int frames = 0;
        while (game.gameState == Race && session.raceFinished && frames < 2000) {
            drawResultScreen();
            frames++;
            if (frames == 100) {
                EXPECT_TRUE(frontEnd.awardPending || !frontEnd.careerRace)
                    << "nothing booked in the first second";
            }
        }
        return frames;
    }
};

TEST_F(RaceFlow, ResultScreenBooksOnceSavesAndReturnsToTheGarage) {
    loadGarageModels();
    const int garageLamps = lightSourceCount;
    ASSERT_GT(garageLamps, 0);
    career.tuningPoints = 250;
    frontEnd.selectedRace = 1;
    startCareerRace();
    ASSERT_EQ(game.gameState, Race);
    EXPECT_TRUE(frontEnd.careerRace);
    EXPECT_TRUE(frontEnd.awardPending);
    ASSERT_NE(session.raceWorld, nullptr);
    finish(1);
    const int frames = runResultScreen();
    // 1001 frames of 0.01 s take the timer past 10.0 (float steps land a frame either side).
    EXPECT_NEAR(frames, 1001, 1);
    EXPECT_EQ(game.gameState, Garage);
    EXPECT_EQ(career.careerPoints, 100);
    EXPECT_EQ(career.tuningPoints, 1000);
    EXPECT_EQ(career.maxRaceUnlocked, 2);
    EXPECT_EQ(frontEnd.selectedRace, 2);
    EXPECT_FALSE(frontEnd.careerRace);
    EXPECT_FALSE(frontEnd.awardPending);
    EXPECT_EQ(session.raceWorld, nullptr);
    EXPECT_EQ(frontEnd.menuClickSounds, 1);
    const std::vector<int32_t> career = readIntegers("base/career.inf");
    ASSERT_EQ(career.size(), 123u);
    EXPECT_EQ(career[kPointsField], 100);
    // The garage's lamps are back after the race's.
    EXPECT_EQ(lightSourceCount, garageLamps);
}

TEST_F(RaceFlow, RepeatedWinAndFourthPlace) {
    career.raceRecord[2].bestPlace = 2;
    career.careerPoints = 175;
    career.maxRaceUnlocked = 4;
    career.tuningPoints = 0;
    frontEnd.selectedRace = 3;
    startCareerRace();
    finish(1);
    runResultScreen();
    EXPECT_EQ(career.careerPoints, 175);
    EXPECT_EQ(career.maxRaceUnlocked, 4);
    EXPECT_EQ(career.tuningPoints, 750);
    EXPECT_EQ(frontEnd.selectedRace, 4);  // the map opens on the highest unlocked race

    frontEnd.selectedRace = 4;
    startCareerRace();
    finish(4);
    runResultScreen();
    EXPECT_EQ(career.careerPoints, 175);
    EXPECT_EQ(career.maxRaceUnlocked, 4);
    EXPECT_EQ(career.tuningPoints, 750);
    EXPECT_EQ(career.raceRecord[3].bestPlace, 0);
}

TEST_F(RaceFlow, NewCarWonIsShownUntilTheNextRaceStarts) {
    for (int i = 0; i < kCarSlots; i++) career.carAvailable[i] = i < 3;
    frontEnd.selectedRace = 1;
    startCareerRace();
    finish(1);
    runResultScreen();
    EXPECT_TRUE(career.carAvailable[3]);
    EXPECT_TRUE(frontEnd.newCarWon);
    startCareerRace();
    EXPECT_FALSE(frontEnd.newCarWon);
}

TEST_F(RaceFlow, QuickRaceResultChangesNothing) {
    startQuickRace();
    EXPECT_GE(frontEnd.quickRaceNumber, 1);
    EXPECT_LE(frontEnd.quickRaceNumber, 9);
    EXPECT_GE(frontEnd.selectedCar, 0);
    EXPECT_LE(frontEnd.selectedCar, 5);
    EXPECT_FLOAT_EQ(frontEnd.carPower, raceRun.carTable[frontEnd.selectedCar].power);
    EXPECT_FALSE(frontEnd.careerRace);
    finish(1);
    runResultScreen();
    EXPECT_EQ(game.gameState, MainMenu);
    EXPECT_EQ(frontEnd.selectedCar, 0);
    EXPECT_EQ(frontEnd.selectedRace, 1);
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(career.maxRaceUnlocked, 1);
    // Nothing was booked, so nothing was saved.
    EXPECT_EQ(fileSize("base/career.inf"), -1);
}

TEST_F(RaceFlow, PauseExitFromACareerRaceBooksNothing) {
    frontEnd.selectedRace = 1;
    frontEnd.selectedCar = 2;
    startCareerRace();
    game.gameState = Pause;
    frontEnd.mouseX = 700;
    frontEnd.mouseY = 342;  // row 4, "Exit"
    menuClick();
    EXPECT_EQ(game.gameState, Garage);
    EXPECT_EQ(frontEnd.selectedCar, 2);
    EXPECT_FALSE(frontEnd.careerRace);
    EXPECT_FALSE(frontEnd.awardPending);
    EXPECT_EQ(session.raceWorld, nullptr);
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(frontEnd.menuClickSounds, 1);
}

TEST_F(RaceFlow, RestartKeepsACareerRaceAndRedrawsAQuickOne) {
    frontEnd.selectedRace = 1;
    frontEnd.selectedCar = 4;
    startCareerRace();
    game.gameState = Pause;
    frontEnd.mouseX = 700;
    frontEnd.mouseY = 292;  // row 3, "Restart"
    menuClick();
    EXPECT_EQ(game.gameState, Race);
    EXPECT_TRUE(frontEnd.careerRace);
    EXPECT_TRUE(frontEnd.awardPending);
    EXPECT_EQ(frontEnd.selectedCar, 4);
    EXPECT_NE(session.raceWorld, nullptr);
    EXPECT_TRUE(session.countdownRunning);

    exitRace();
    startQuickRace();
    game.gameState = Pause;
    menuClick();
    EXPECT_EQ(game.gameState, Race);
    EXPECT_FALSE(frontEnd.careerRace);
    EXPECT_FALSE(frontEnd.awardPending);
    EXPECT_GE(frontEnd.selectedCar, 0);
    EXPECT_LE(frontEnd.selectedCar, 5);
    EXPECT_GE(frontEnd.quickRaceNumber, 1);
    EXPECT_LE(frontEnd.quickRaceNumber, 9);
    EXPECT_EQ(frontEnd.menuClickSounds, 2);
}

TEST_F(RaceFlow, RisingRunsTheCareersFirstRacesAtEasyAndAQuickRaceAtNormal) {
    // A new settings file: no difficulty, so Rising.
    clearGameSettings();
    career.maxRaceUnlocked = 15;
    const int races[][2] = {
        {1, kDifficultyEasy}, {3, kDifficultyEasy}, {4, kDifficultyNormal}, {12, kDifficultyHard}};
    for (const auto& r : races) {
        frontEnd.selectedRace = r[0];
        startCareerRace();
        ASSERT_NE(session.raceWorld, nullptr);
        EXPECT_EQ(session.raceDifficulty, r[1]) << "career race " << r[0];
        exitRace();
    }
    startQuickRace();
    ASSERT_NE(session.raceWorld, nullptr);
    EXPECT_EQ(session.raceDifficulty, kDifficultyNormal);
    exitRace();
    // A player's own choice holds for the career too.
    setSettingValue(Setting::Difficulty, kDifficultyHard);
    frontEnd.selectedRace = 2;
    startCareerRace();
    EXPECT_EQ(session.raceDifficulty, kDifficultyHard);
    exitRace();
}

}  // namespace
