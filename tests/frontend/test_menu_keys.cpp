// The menus by keys alone: every item of every screen is reached by Down and
// Up, Esc backs out of each screen, Left and Right change values, Return acts
// as a click, a held key's repeats never act twice, and the mouse takes the
// highlight back when it moves.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "support/temp_folder.h"

namespace {

class MenuKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        initCarTable();
        setDefaultSettings();
        clearGameSettings();
        options.soundEnabled = false;
        options.musicEnabled = false;
        setDefaultCareer();
        resetFrontEndState();
        options.optionsApplied = false;
        game.quitRequested = false;
        frontEnd.selectedCar = 0;
        frontEnd.selectedRace = 1;
        // The pointer rests off every item.
        frontEnd.mouseX = 10;
        frontEnd.mouseY = 590;
    }
    void TearDown() override {
        game.gameState = MainMenu;
        clearGameSettings();
        // The display's modes a test set go back to the default ones.
        scriptedReset();
    }
    static bool press(int vk, bool repeat = false) { return menuKeyDown(vk, repeat); }
    // The lit right-hand row, 0 for none.
    static int litRow() {
        for (int row = 1; row <= kMenuRows; row++)
            if (frontEnd.menuHoverFlags[row - 1]) return row;
        return 0;
    }
    TempFolder folder;
};

struct ScreenCase {
    const char* name;
    int state;
    int items;  // what Down walks through before it wraps
    int back;   // the screen Esc leads to
};

const ScreenCase kScreens[] = {
    {"main menu", MainMenu, 5, QuitConfirm},
    {"quit", QuitConfirm, 2, MainMenu},
    {"career", CareerMenu, 3, MainMenu},
    {"garage", Garage, 5, MainMenu},
    {"tuning", CarTuning, 4, Garage},
    {"city map", CityMap, 4, Garage},
    {"pause", Pause, 3, Race},
    {"options", Options, 13, MainMenu},
    {"info", InfoPage, 1, MainMenu},
    {"practice", PracticeMenu, 7, MainMenu},
    {"quick race", QuickRaceMenu, 4, MainMenu},
    {"records", RecordsPage, 1, PracticeMenu},
    {"replays", ReplaysPage, 3, PracticeMenu},
    {"controls", Controls, kBindActions + 2, Options},
};

}  // namespace

TEST_F(MenuKeys, EveryItemOfEveryScreenIsReachedAndEscBacksOut) {
    for (const ScreenCase& c : kScreens) {
        resetFrontEndState();
        game.gameState = c.state;
        std::set<int> rows;
        std::set<std::string> boxes;
        for (int i = 0; i < c.items; i++) {
            ASSERT_TRUE(press(VK_DOWN)) << c.name;
            int row = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            ASSERT_TRUE(menuKeyFocusItem(&row, &x0, &y0, &x1, &y1)) << c.name;
            boxes.insert(std::to_string(x0) + "," + std::to_string(y0));
            if (row != 0) {
                EXPECT_EQ(litRow(), row) << c.name;
                rows.insert(row);
            }
        }
        // Every item once, and every clickable row among them.
        EXPECT_EQ(static_cast<int>(boxes.size()), c.items) << c.name;
        for (int row = 1; row <= kMenuRows; row++)
            EXPECT_EQ(rows.count(row) == 1, screenHasRow(c.state, row)) << c.name << " row " << row;
        // Down past the last wraps to the first; Up goes back to the last.
        int row0 = 0, first = 0, x = 0, x1 = 0, y1 = 0;
        ASSERT_TRUE(press(VK_DOWN));
        ASSERT_TRUE(menuKeyFocusItem(&row0, &x, &first, &x1, &y1));
        ASSERT_TRUE(press(VK_UP));
        int lastRow = 0, last = 0;
        ASSERT_TRUE(menuKeyFocusItem(&lastRow, &x, &last, &x1, &y1));
        EXPECT_TRUE(c.items == 1 || last > first) << c.name;

        EXPECT_TRUE(press(VK_ESCAPE)) << c.name;
        EXPECT_EQ(game.gameState, c.back) << c.name;
    }
}

// A new career's first race from the main menu with the keyboard alone.
TEST_F(MenuKeys, KeysLeadFromTheMainMenuToTheCityMap) {
    game.gameState = MainMenu;
    struct Step {
        int key;
        int state;   // the screen after the key
        int litRow;  // the row lit after it
    } steps[] = {
        {VK_DOWN, MainMenu, 1},   {VK_DOWN, MainMenu, 2},   {VK_RETURN, CareerMenu, 2},
        {VK_DOWN, CareerMenu, 3}, {VK_UP, CareerMenu, 2},   {VK_RETURN, Garage, 1},
        {VK_RIGHT, Garage, 1},    {VK_LEFT, Garage, 1},     {VK_DOWN, Garage, 2},
        {VK_DOWN, Garage, 3},     {VK_DOWN, Garage, 4},     {VK_RETURN, CityMap, 1},
        {VK_ESCAPE, Garage, 1},   {VK_ESCAPE, MainMenu, 1},
    };
    int i = 0;
    for (const Step& s : steps) {
        EXPECT_TRUE(press(s.key)) << i;
        EXPECT_EQ(game.gameState, s.state) << i;
        EXPECT_EQ(litRow(), s.litRow) << i;
        i++;
    }
    // The garage's Right and Left went to car 1 and back to car 0.
    EXPECT_EQ(frontEnd.selectedCar, 0);
}

TEST_F(MenuKeys, LeftAndRightChangeValues) {
    game.gameState = Garage;
    ASSERT_TRUE(press(VK_RIGHT));
    EXPECT_EQ(frontEnd.selectedCar, 1);
    ASSERT_TRUE(press(VK_LEFT));
    EXPECT_EQ(frontEnd.selectedCar, 0);

    career.maxRaceUnlocked = 3;
    game.gameState = CityMap;
    ASSERT_TRUE(press(VK_RIGHT));
    EXPECT_EQ(frontEnd.selectedRace, 2);
    ASSERT_TRUE(press(VK_LEFT));
    ASSERT_TRUE(press(VK_LEFT));
    EXPECT_EQ(frontEnd.selectedRace, 1);

    // The options lines: resolution, the two depths and the switches, then
    // the volumes, difficulty and graphics.
    game.gameState = Options;
    scriptedSetDisplayModes({{1024, 768}});
    options.screenWidth = 800;
    options.screenHeight = 600;
    struct Case {
        int downs;  // from the first item
        int key;
        Setting setting;  // Setting::Count: the line's own global
        int want;
    } cases[] = {
        {0, VK_LEFT, Setting::Count, 640},       {0, VK_LEFT, Setting::Count, 1024},
        {0, VK_RIGHT, Setting::Count, 640},      {6, VK_LEFT, Setting::MusicVolume, 9},
        {6, VK_RIGHT, Setting::MusicVolume, 10}, {6, VK_RIGHT, Setting::MusicVolume, 10},
        {7, VK_LEFT, Setting::EffectsVolume, 9}, {8, VK_LEFT, Setting::Difficulty, 2},
        {8, VK_LEFT, Setting::Difficulty, 1},    {8, VK_RIGHT, Setting::Difficulty, 2},
        {9, VK_RIGHT, Setting::Graphics, 0},
    };
    for (const Case& c : cases) {
        resetMenuKeys();
        press(VK_DOWN);
        for (int d = 0; d < c.downs; d++) press(VK_DOWN);
        ASSERT_TRUE(press(c.key));
        const int got = c.setting == Setting::Count ? options.screenWidth : settingValue(c.setting);
        EXPECT_EQ(got, c.want) << c.downs << " " << c.key;
    }
    // The display mode: fullscreen until chosen, then window, desktop,
    // fullscreen either way round.
    resetMenuKeys();
    for (int d = 0; d < 4; d++) press(VK_DOWN);
    const struct {
        int key;
        int mode;
    } modes[] = {{VK_LEFT, DisplayWindow},
                 {VK_LEFT, DisplayDesktop},
                 {VK_RIGHT, DisplayWindow},
                 {VK_RIGHT, DisplayFullscreen}};
    for (const auto& m : modes) {
        ASSERT_TRUE(press(m.key));
        EXPECT_EQ(displayModeSetting(), m.mode);
    }
    EXPECT_EQ(game.gameState, Options);
}

TEST_F(MenuKeys, HeldKeysRepeatMovesButNeverActsTwice) {
    game.gameState = MainMenu;
    press(VK_DOWN);
    press(VK_DOWN, true);
    EXPECT_EQ(litRow(), 2);
    // Return held on "Career": one screen on, not two.
    ASSERT_TRUE(press(VK_RETURN));
    EXPECT_EQ(game.gameState, CareerMenu);
    press(VK_RETURN, true);
    EXPECT_EQ(game.gameState, CareerMenu);
    // Esc held in the pause menu: back into the race once, not out again.
    game.gameState = Pause;
    press(VK_ESCAPE, true);
    EXPECT_EQ(game.gameState, Pause);
}

TEST_F(MenuKeys, ThePointerTakesTheHighlightBack) {
    game.gameState = MainMenu;
    press(VK_DOWN);
    press(VK_DOWN);
    EXPECT_EQ(litRow(), 2);
    menuPointerMoved();
    frontEnd.mouseX = 700;
    frontEnd.mouseY = 390;  // row 5
    menuHover();
    EXPECT_EQ(litRow(), 5);
    // Keys again: from the first item.
    press(VK_DOWN);
    EXPECT_EQ(litRow(), 1);
}
