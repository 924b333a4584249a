// The practice screen: its choice stays within the career's unlocked circuits
// and available cars, a practice race leaves the career file as it was, and
// the time trial puts the player alone on the grid without a countdown.
#include <cstdint>
#include <fstream>
#include <iterator>

#include "frontend_gl_fixture.h"

namespace {

class Practice : public FrontEndGl {
  protected:
    void clickAt(int x, int y) {
        mouseX = x;
        mouseY = y;
        menuClick();
    }
    void clickRow(int row) { clickAt(700, 192 + 50 * (row - 1)); }
    // The arrows of the circuit line (overlay y 450) and the car line (400).
    void circuitArrow(bool next) { clickAt(next ? 456 : 256, 145); }
    void carArrow(bool next) { clickAt(next ? 456 : 256, 195); }

    static std::vector<char> fileBytes(const char* path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

}  // namespace

TEST_F(Practice, ChoiceKeepsToUnlockedCircuitsAndAvailableCars) {
    career.maxRaceUnlocked = 3;
    for (int i = 0; i < kCarSlots; i++) career.carAvailable[i] = i == 0 || i == 2 || i == 5;
    game.gameState = MainMenu;
    clickRow(1);
    ASSERT_EQ(game.gameState, PracticeMenu);
    struct Step {
        bool circuit, next;
        int wantCircuit, wantCar;
    } steps[] = {
        {true, false, 1, 0}, {true, true, 2, 0},  {true, true, 3, 0},  {true, true, 3, 0},
        {false, true, 3, 2}, {false, true, 3, 5}, {false, true, 3, 5}, {false, false, 3, 2},
    };
    for (const Step& s : steps) {
        if (s.circuit)
            circuitArrow(s.next);
        else
            carArrow(s.next);
        EXPECT_EQ(practiceCircuit, s.wantCircuit);
        EXPECT_EQ(practiceCar, s.wantCar);
        EXPECT_EQ(game.gameState, PracticeMenu);
    }
    clickRow(3);
    EXPECT_EQ(game.gameState, RecordsPage);
    clickRow(5);
    EXPECT_EQ(game.gameState, PracticeMenu);
    clickRow(5);
    EXPECT_EQ(game.gameState, MainMenu);
}

TEST_F(Practice, RaceLeavesTheCareerFileByteForByte) {
    loadGarageModels();
    career.careerPoints = 175;
    career.tuningPoints = 300;
    career.maxRaceUnlocked = 2;
    ASSERT_TRUE(writeCareerNow());
    const std::vector<char> before = fileBytes("base/career.inf");
    ASSERT_EQ(before.size(), (size_t)kCareerFileBytes);

    game.gameState = PracticeMenu;
    practiceCircuit = 2;
    practiceCar = 1;
    clickRow(1);
    ASSERT_EQ(game.gameState, Race);
    EXPECT_EQ(practiceKind, PracticeRace);
    EXPECT_FALSE(raceRun.timeTrialMode);
    for (int i = 0; i < kRaceCars; i++) EXPECT_NE(session.cars[i].body, nullptr) << i;
    EXPECT_EQ(session.cars[0].model, 1);
    // A win, as a career race would book it.
    session.countdownRunning = false;
    session.raceFinished = true;
    players[0].playerPlace = 1;
    for (int frames = 0; game.gameState == Race && frames < 2000; frames++) drawResultScreen();
    EXPECT_EQ(game.gameState, PracticeMenu);
    EXPECT_EQ(practiceKind, NoPractice);
    EXPECT_EQ(career.careerPoints, 175);
    EXPECT_EQ(career.tuningPoints, 300);
    EXPECT_EQ(career.maxRaceUnlocked, 2);
    EXPECT_EQ(fileBytes("base/career.inf"), before);
}

TEST_F(Practice, TimeTrialDrivesAloneWithoutCountdown) {
    loadGarageModels();
    game.gameState = PracticeMenu;
    practiceCircuit = 1;
    practiceCar = 0;
    clickRow(2);
    ASSERT_EQ(game.gameState, Race);
    EXPECT_TRUE(raceRun.timeTrialMode);
    EXPECT_NE(session.cars[0].body, nullptr);
    for (int i = 1; i < kRaceCars; i++) EXPECT_EQ(session.cars[i].body, nullptr) << i;
    EXPECT_FALSE(session.countdownRunning);
    EXPECT_FALSE(countdownShowing());
    EXPECT_EQ(session.lapCount, kTimeTrialLaps);
    // Pause's Restart starts the same again, Exit goes back to the screen.
    game.gameState = Pause;
    clickRow(3);
    EXPECT_EQ(game.gameState, Race);
    EXPECT_TRUE(raceRun.timeTrialMode);
    EXPECT_EQ(session.cars[1].body, nullptr);
    game.gameState = Pause;
    clickRow(4);
    EXPECT_EQ(game.gameState, PracticeMenu);
    EXPECT_FALSE(raceRun.timeTrialMode);
    EXPECT_EQ(session.raceWorld, nullptr);
}

// The records table's date column: a date no lap was driven on, however far
// off, reads "-" rather than a year that overflowed.
TEST(PracticeRecords, DatesOutsideTheCalendarReadAsNone) {
    struct Case {
        int64_t date;
        const char* shown;
    } cases[] = {
        {1796947200, "2026-12-11"},
        {0, "1970-01-01"},
        {253402300799, "9999-12-31"},
        {253402300800, "-"},
        {int64_t{1} << 55, "-"},  // past year 2^31
        {-1, "-"},
        {INT64_MIN, "-"},
    };
    const float splits[3] = {1000.0f, 2000.0f, 3000.0f};
    for (const Case& c : cases) {
        clearLapRecords();
        ASSERT_TRUE(offerLapRecord(2, 1, 3000.0f, splits, c.date));
        char lap[32], car[16], date[16];
        recordLine(2, lap, sizeof lap, car, sizeof car, date, sizeof date);
        EXPECT_STREQ(date, c.shown) << c.date;
    }
    clearLapRecords();
}
