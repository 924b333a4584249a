// Menu clicks and hovers without drawing: the mouse space, the rows' hit
// areas, each screen's items with their sounds, and the edge cases of the
// garage, tuning, city map and options screens.
#include <gtest/gtest.h>

#include <string>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "support/temp_folder.h"

namespace {

// Mouse heights of the five rows, as the hit table gives them.
const int kRowTops[5] = {176, 226, 276, 326, 376};
const int kRowBottoms[5] = {209, 259, 309, 359, 409};

class MenuInput : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        initCarTable();
        setDefaultSettings();
        options.soundEnabled = false;
        options.musicEnabled = false;
        setDefaultCareer();
        resetFrontEndState();
        options.optionsApplied = false;
        game.quitRequested = false;
        frontEnd.selectedCar = 0;
        frontEnd.selectedRace = 1;
    }
    void TearDown() override {
        game.gameState = MainMenu;
        // The display's modes a test set go back to the default ones.
        scriptedReset();
    }

    // Points at the middle of a row and clicks, then the hover update runs as
    // the window procedure runs it after every click.
    void clickRow(int row) { clickAt(700, (kRowTops[row - 1] + kRowBottoms[row - 1]) / 2); }
    void clickAt(int x, int y) {
        frontEnd.mouseX = x;
        frontEnd.mouseY = y;
        menuClick();
    }
    void hoverAt(int x, int y) {
        frontEnd.mouseX = x;
        frontEnd.mouseY = y;
        menuHover();
    }
    bool anyHover() const {
        for (bool flag : frontEnd.menuHoverFlags)
            if (flag) return true;
        return false;
    }

    TempFolder folder;
};

TEST_F(MenuInput, MouseSpaceByResolution) {
    // menu.inf's three sizes keep their fixed scales (1024 x 768's 0.75
    // included); a wide window centres the 4:3 design, so its sides fall
    // outside 0..800 and the design's corners meet its edge pixels.
    struct Case {
        int width, height, pixelX, pixelY, mouseX, mouseY;
    };
    const Case cases[] = {
        {640, 480, 500, 200, 625, 250},   {800, 600, 799, 599, 799, 599},
        {1024, 768, 1023, 767, 767, 575},  // 767.25 truncated
        {640, 480, 3, 3, 3, 3},            // 3.75 truncated
        {1280, 720, 640, 360, 400, 300},  {1280, 720, 160, 0, 0, 0},
        {1280, 720, 0, 719, -133, 599},   {1920, 1080, 1679, 1079, 799, 599},
        {1280, 1024, 640, 0, 400, -20},   {1280, 1024, 0, 1023, 0, 619},
    };
    for (const Case& c : cases) {
        int x = 0, y = 0;
        screenToMouse(c.width, c.height, c.pixelX, c.pixelY, &x, &y);
        EXPECT_EQ(x, c.mouseX) << c.width << "x" << c.height << " at " << c.pixelX;
        EXPECT_EQ(y, c.mouseY) << c.width << "x" << c.height << " at " << c.pixelY;
    }
    int x = 0, y = 0;
    screenToMouse(640, 480, 500, 200, &x, &y);
    EXPECT_TRUE(menuRowHit(2, x, y));
}

TEST_F(MenuInput, MouseSpaceRoundTripsOnWideScreens) {
    for (const int size : {0, 1, 2, 3}) {
        const int widths[] = {1280, 1366, 1920, 800};
        const int heights[] = {720, 768, 1080, 600};
        for (const int mx : {0, 250, 601, 799}) {
            int px = 0, py = 0, x = 0, y = 0;
            mouseToScreen(widths[size], heights[size], mx, 400, &px, &py);
            screenToMouse(widths[size], heights[size], px, py, &x, &y);
            EXPECT_NEAR(x, mx, 1) << widths[size];
            EXPECT_NEAR(y, 400, 1) << widths[size];
        }
    }
}

TEST_F(MenuInput, RowHitAreasAreInclusive) {
    for (int row = 1; row <= 5; row++) {
        const int top = kRowTops[row - 1], bottom = kRowBottoms[row - 1];
        EXPECT_TRUE(menuRowHit(row, 601, top)) << row;
        EXPECT_TRUE(menuRowHit(row, 799, bottom)) << row;
        EXPECT_FALSE(menuRowHit(row, 600, top)) << row;
        EXPECT_FALSE(menuRowHit(row, 800, top)) << row;
        EXPECT_FALSE(menuRowHit(row, 700, top - 1)) << row;
        EXPECT_FALSE(menuRowHit(row, 700, bottom + 1)) << row;
        // Drawn at overlay height y, hit near 600 - y.
        const int drawn = menuRowHeight(row);
        EXPECT_TRUE(menuRowHit(row, 700, 600 - drawn)) << row;
    }
    // The gaps between rows belong to no row.
    for (int row = 1; row <= 5; row++) EXPECT_FALSE(menuRowHit(row, 700, 215));
}

TEST_F(MenuInput, MainMenuQuitConfirmationAndCareerMenu) {
    game.gameState = MainMenu;
    frontEnd.menuHoverFlags[1] = true;
    clickRow(2);
    EXPECT_EQ(game.gameState, CareerMenu);
    EXPECT_EQ(frontEnd.menuClickSounds, 1);
    EXPECT_FALSE(anyHover());
    clickRow(4);
    EXPECT_EQ(game.gameState, MainMenu);
    clickRow(4);
    EXPECT_EQ(game.gameState, Options);
    clickRow(4);
    EXPECT_EQ(game.gameState, MainMenu);
    clickRow(5);
    EXPECT_EQ(game.gameState, QuitConfirm);
    clickRow(4);
    EXPECT_EQ(game.gameState, MainMenu);
    clickRow(5);
    clickRow(2);
    EXPECT_TRUE(game.quitRequested);
    EXPECT_EQ(frontEnd.menuClickSounds, 8);
}

TEST_F(MenuInput, ClicksBesideTheItemsDoNothing) {
    game.gameState = MainMenu;
    clickAt(600, 242);
    clickAt(700, 215);
    clickAt(300, 300);
    EXPECT_EQ(game.gameState, MainMenu);
    game.gameState = QuitConfirm;
    clickRow(3);
    EXPECT_EQ(game.gameState, QuitConfirm);
    EXPECT_FALSE(game.quitRequested);
    EXPECT_EQ(frontEnd.menuClickSounds, 0);
}

TEST_F(MenuInput, NewGameResetsTheCareerAndWritesIt) {
    career.careerPoints = 900;
    career.maxRaceUnlocked = 9;
    frontEnd.selectedCar = 6;
    game.gameState = CareerMenu;
    clickRow(2);
    EXPECT_EQ(game.gameState, Garage);
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(career.maxRaceUnlocked, 1);
    EXPECT_EQ(career.tuningPoints, 250);
    EXPECT_EQ(frontEnd.selectedCar, 0);
    FILE* f = fopen("base/career.inf", "rb");
    ASSERT_NE(f, nullptr);
    fseek(f, 0, SEEK_END);
    EXPECT_EQ(ftell(f), 492);
    fclose(f);
    // "Continue game" keeps what is there.
    career.careerPoints = 50;
    game.gameState = CareerMenu;
    clickRow(3);
    EXPECT_EQ(game.gameState, Garage);
    EXPECT_EQ(career.careerPoints, 50);
}

TEST_F(MenuInput, GarageArrowsGoOnToLockedCarsAndClickAtTheEnds) {
    game.gameState = Garage;
    clickRow(1);  // previous car from car 0
    EXPECT_EQ(frontEnd.selectedCar, 0);
    EXPECT_EQ(frontEnd.menuClickSounds, 1);
    clickRow(2);
    EXPECT_EQ(frontEnd.selectedCar, 1);
    frontEnd.selectedCar = 7;
    clickRow(2);  // car 8 is locked in a new career, but can be looked at
    EXPECT_EQ(frontEnd.selectedCar, 8);
    career.carAvailable[4] = false;
    frontEnd.selectedCar = 5;
    clickRow(1);
    EXPECT_EQ(frontEnd.selectedCar, 4);
    frontEnd.selectedCar = 11;
    clickRow(2);  // no car after the twelfth
    EXPECT_EQ(frontEnd.selectedCar, 11);
    EXPECT_EQ(frontEnd.menuClickSounds, 5);
    EXPECT_EQ(game.gameState, Garage);
}

struct LockedCarCase {
    int car;
    int points;   // carUnlockPoints
    bool locked;  // in a new career
    const char* name;
};

TEST_F(MenuInput, LockedCarsAreRefusedWithTheirPoints) {
    const LockedCarCase cases[] = {
        {0, 0, false, "Streetfox"},    {7, 600, false, "Neon Wasp"},     {8, 750, true, "Ironclad R"},
        {9, 900, true, "Night Heron"}, {11, 1200, true, "Korvask Zero"},
    };
    for (const LockedCarCase& c : cases) {
        game.gameState = Garage;
        frontEnd.selectedCar = c.car;
        game.playerNotice.set = false;
        EXPECT_EQ(carUnlockPoints(c.car), c.points) << c.car;
        EXPECT_STREQ(carName(c.car), c.name);
        clickRow(4);  // Select race
        EXPECT_EQ(game.gameState, c.locked ? Garage : CityMap) << c.car;
        const char* notice = currentPlayerNotice();
        if (c.locked) {
            ASSERT_NE(notice, nullptr) << c.car;
            EXPECT_NE(std::string(notice).find(std::to_string(c.points) + " points"), std::string::npos)
                << notice;
        } else {
            EXPECT_EQ(notice, nullptr) << c.car;
        }
    }
    // Tuning a locked car is refused the same way; the refusals were silent.
    game.gameState = Garage;
    frontEnd.selectedCar = 10;
    clickRow(3);
    EXPECT_EQ(game.gameState, Garage);
    EXPECT_EQ(frontEnd.menuClickSounds, 2);
    // Twelve different names.
    for (int a = 0; a < kCarCount; a++)
        for (int b = a + 1; b < kCarCount; b++) EXPECT_STRNE(carName(a), carName(b));
}

TEST_F(MenuInput, SelectRaceOnAnUnavailableCarIsSilent) {
    game.gameState = Garage;
    frontEnd.selectedCar = 9;
    frontEnd.menuHoverFlags[3] = true;
    clickRow(4);
    EXPECT_EQ(game.gameState, Garage);
    EXPECT_EQ(frontEnd.menuClickSounds, 0);
    EXPECT_TRUE(frontEnd.menuHoverFlags[3]);
    // "Back" puts an unavailable car back to the first one.
    clickRow(5);
    EXPECT_EQ(game.gameState, MainMenu);
    EXPECT_EQ(frontEnd.selectedCar, 0);
    game.gameState = Garage;
    frontEnd.selectedCar = 2;
    clickRow(4);
    EXPECT_EQ(game.gameState, CityMap);
    clickRow(5);
    EXPECT_EQ(game.gameState, Garage);
    clickRow(3);
    EXPECT_EQ(game.gameState, CarTuning);
    clickRow(5);
    EXPECT_EQ(game.gameState, Garage);
    clickRow(5);
    EXPECT_EQ(frontEnd.selectedCar, 2);
}

TEST_F(MenuInput, TuningWithSixHundredPoints) {
    game.gameState = CarTuning;
    frontEnd.selectedCar = 3;
    career.tuningPoints = 600;
    frontEnd.menuHoverFlags[0] = true;
    clickRow(1);
    EXPECT_TRUE(frontEnd.menuHoverFlags[0]);  // tuning rows keep the hover flags
    clickRow(1);                              // installed: nothing more to buy
    clickRow(3);
    clickRow(2);  // 100 points left: refused
    EXPECT_EQ(career.tuningPoints, 100);
    EXPECT_EQ(tuningPackagesAffordable(), 0);
    EXPECT_EQ(career.carTuning[3][0], 1);
    EXPECT_EQ(career.carTuning[3][1], 0);
    EXPECT_EQ(career.carTuning[3][2], 1);
    // The last click was refused for too few points, and said so.
    ASSERT_NE(currentPlayerNotice(), nullptr);
    EXPECT_STREQ(currentPlayerNotice(), "Not enough tuning points: a package costs 250, you have 100");
    EXPECT_EQ(frontEnd.menuClickSounds, 4);
    EXPECT_EQ(game.gameState, CarTuning);
    // Installed rows no longer light up under the cursor.
    resetMenuHover();
    hoverAt(700, 192);
    EXPECT_FALSE(frontEnd.menuHoverFlags[0]);
    hoverAt(700, 242);
    EXPECT_TRUE(frontEnd.menuHoverFlags[1]);
    EXPECT_EQ(frontEnd.menuHoverSounds, 1);
}

TEST_F(MenuInput, RaceArrowsShowLockedRacesButStartOnlyOpenOnes) {
    game.gameState = CityMap;
    career.maxRaceUnlocked = 3;
    frontEnd.selectedRace = 2;
    frontEnd.menuHoverFlags[0] = true;
    clickRow(1);
    EXPECT_EQ(frontEnd.selectedRace, 3);
    clickRow(1);  // race 4 is locked, and shown
    EXPECT_EQ(frontEnd.selectedRace, 4);
    EXPECT_TRUE(frontEnd.menuHoverFlags[0]);
    clickRow(4);  // Start refuses it and says why
    EXPECT_EQ(game.gameState, CityMap);
    ASSERT_NE(currentPlayerNotice(), nullptr);
    EXPECT_STREQ(currentPlayerNotice(), "Finish race 3 in the top 3 to open race 4");
    for (int i = 0; i < 20; i++) clickRow(1);
    EXPECT_EQ(frontEnd.selectedRace, kCareerRaces);
    for (int i = 0; i < 20; i++) clickRow(3);
    EXPECT_EQ(frontEnd.selectedRace, 1);
    EXPECT_EQ(frontEnd.menuClickSounds, 42);
    // Leaving the map on a locked race brings it back to an open one.
    frontEnd.selectedRace = 9;
    clickRow(5);
    EXPECT_EQ(game.gameState, Garage);
    EXPECT_EQ(frontEnd.selectedRace, 3);
}

TEST_F(MenuInput, HoverSoundOncePerEntry) {
    game.gameState = MainMenu;
    hoverAt(700, 240);
    hoverAt(710, 250);
    hoverAt(780, 230);
    EXPECT_TRUE(frontEnd.menuHoverFlags[1]);
    EXPECT_EQ(frontEnd.menuHoverSounds, 1);
    hoverAt(700, 265);  // between rows 2 and 3
    EXPECT_FALSE(anyHover());
    hoverAt(700, 280);
    EXPECT_TRUE(frontEnd.menuHoverFlags[2]);
    hoverAt(700, 240);
    EXPECT_EQ(frontEnd.menuHoverSounds, 3);
    // Rows the screen does not have never light up.
    game.gameState = QuitConfirm;
    hoverAt(700, 290);
    EXPECT_FALSE(anyHover());
    EXPECT_EQ(frontEnd.menuHoverSounds, 3);
    game.gameState = MainMenu;
    // After a click the row under the cursor on the new screen sounds again.
    hoverAt(700, 240);
    menuClick();
    menuHover();
    EXPECT_EQ(game.gameState, CareerMenu);
    EXPECT_TRUE(frontEnd.menuHoverFlags[1]);
    EXPECT_EQ(frontEnd.menuHoverSounds, 5);
}

TEST_F(MenuInput, ResetClearsEveryHoverFlag) {
    for (bool& flag : frontEnd.menuHoverFlags) flag = true;
    resetMenuHover();
    EXPECT_FALSE(anyHover());
}

TEST_F(MenuInput, OptionLinesCycleTheirValues) {
    // A 4:3 display offers the three classic sizes alone.
    scriptedSetDisplayModes({{1024, 768}});
    game.gameState = Options;
    options.screenWidth = 640;
    options.screenHeight = 480;
    const int widths[4] = {800, 1024, 640, 800};
    const int heights[4] = {600, 768, 480, 600};
    for (int i = 0; i < 4; i++) {
        clickAt(131, 131 + i % 2 * 28);
        EXPECT_EQ(options.screenWidth, widths[i]);
        EXPECT_EQ(options.screenHeight, heights[i]);
    }
    clickAt(449, 209);
    EXPECT_EQ(options.colorBits, 16);
    clickAt(300, 181);
    EXPECT_EQ(options.colorBits, 32);
    clickAt(300, 240);
    EXPECT_EQ(options.depthBits, 16);
    EXPECT_EQ(frontEnd.menuHoverSounds, 7);  // these three lines click with the hover sound
    clickAt(300, 340);
    EXPECT_TRUE(options.soundEnabled);
    options.soundEnabled = false;
    clickAt(300, 390);
    EXPECT_TRUE(options.musicEnabled);
    EXPECT_FLOAT_EQ(game.musicGain, kMusicFadeStart);
    clickAt(300, 390);
    EXPECT_FALSE(options.musicEnabled);
    EXPECT_EQ(frontEnd.menuHoverSounds, 7);
    EXPECT_EQ(frontEnd.menuClickSounds, 0);
    // Between the lines and beside them nothing changes.
    clickAt(300, 300);
    clickAt(130, 140);
    clickAt(450, 140);
    EXPECT_EQ(options.screenWidth, 800);
    // From a size the display does not offer, a click lands on the nearest.
    options.screenWidth = 700;
    clickAt(300, 140);
    EXPECT_EQ(options.screenWidth, 800);
    // A wide display adds its sizes to the ring.
    scriptedSetDisplayModes({{1280, 720}});
    options.screenWidth = 1024;
    options.screenHeight = 768;
    clickAt(300, 140);
    EXPECT_EQ(options.screenWidth, 1280);
    EXPECT_EQ(options.screenHeight, 720);
    clickAt(300, 140);
    EXPECT_EQ(options.screenWidth, 640);
    options.screenWidth = 800;
    options.screenHeight = 600;
    EXPECT_FALSE(options.optionsApplied);
    clickRow(2);
    EXPECT_TRUE(options.optionsApplied);
    clickRow(4);
    EXPECT_EQ(game.gameState, MainMenu);
    EXPECT_EQ(frontEnd.menuClickSounds, 2);
}

TEST_F(MenuInput, PauseContinueIsSilentAndRestartsTheMusicFade) {
    game.gameState = Pause;
    game.musicGain = 0.7f;
    frontEnd.menuHoverFlags[1] = true;
    clickRow(2);
    EXPECT_EQ(game.gameState, Race);
    EXPECT_FLOAT_EQ(game.musicGain, kMusicFadeStart);
    EXPECT_EQ(frontEnd.menuClickSounds, 0);
    EXPECT_FALSE(anyHover());
    // No menu clicks and no hovers in a race.
    clickRow(3);
    menuHover();
    EXPECT_EQ(game.gameState, Race);
    EXPECT_FALSE(anyHover());
}

TEST_F(MenuInput, InformationPageLeadsBackToTheMainMenu) {
    game.gameState = InfoPage;
    clickRow(2);
    EXPECT_EQ(game.gameState, InfoPage);
    clickRow(3);
    EXPECT_EQ(game.gameState, MainMenu);
    EXPECT_EQ(frontEnd.menuClickSounds, 1);
}

}  // namespace

// Quick race: random as it always was, or a circuit and car the career has
// opened, stepped through by the arrows and round again.
TEST_F(MenuInput, QuickRaceOffersRandomOrTheCareersCircuitsAndCars) {
    game.gameState = MainMenu;
    clickRow(3);
    ASSERT_EQ(game.gameState, QuickRaceMenu);
    career.maxRaceUnlocked = 2;
    for (int i = 0; i < kCarSlots; i++) career.carAvailable[i] = i == 0 || i == 4;
    const int nextCircuit = 470, previousCircuit = 270, nextCar = 470, previousCar = 270;
    const int circuitY = 600 - 450 - 5, carY = 600 - 400 - 5;
    struct Step {
        int x, y;
        int circuit, car;
    } steps[] = {
        {nextCircuit, circuitY, 1, kQuickRaceRandom},
        {nextCircuit, circuitY, 2, kQuickRaceRandom},
        {nextCircuit, circuitY, kQuickRaceRandom, kQuickRaceRandom},
        {previousCircuit, circuitY, 2, kQuickRaceRandom},
        {nextCar, carY, 2, 0},
        {nextCar, carY, 2, 4},
        {nextCar, carY, 2, kQuickRaceRandom},
        {previousCar, carY, 2, 4},
    };
    int i = 0;
    for (const Step& s : steps) {
        clickAt(s.x + 6 - 20, s.y);
        EXPECT_EQ(frontEnd.quickRaceCircuit, s.circuit) << i;
        EXPECT_EQ(frontEnd.quickRaceCar, s.car) << i;
        i++;
    }
    EXPECT_EQ(drawQuickRaceCircuit(), 2);
    EXPECT_EQ(drawQuickRaceCar(), 4);
    // A choice the career no longer offers is random again.
    career.carAvailable[4] = false;
    career.maxRaceUnlocked = 1;
    settleQuickRaceChoice();
    EXPECT_EQ(frontEnd.quickRaceCircuit, kQuickRaceRandom);
    EXPECT_EQ(frontEnd.quickRaceCar, kQuickRaceRandom);
    for (int k = 0; k < 20; k++) {
        const int circuit = drawQuickRaceCircuit(), car = drawQuickRaceCar();
        EXPECT_TRUE(circuit >= 1 && circuit <= 9) << circuit;
        EXPECT_TRUE(car >= 0 && car <= 5) << car;
    }
    clickRow(5);
    EXPECT_EQ(game.gameState, MainMenu);
}
