// Screen sizes: the list the options screen offers from the display's modes,
// the wide sizes menu.inf cannot hold kept in settings.cfg, and a stored
// size the display no longer offers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/scripted.h"
#include "state/state.h"
#include "state/state_local.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"

namespace {

class ScreenSizes : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir("base", 0777);
        std::strcpy(saves.savesFolder, "base");
        scriptedReset();
        clearGameSettings();
        setDefaultSettings();
        resetRunState();
        options = MenuOptions{};
    }
    void TearDown() override {
        clearGameSettings();
        scriptedReset();
        options = MenuOptions{};
    }
    static std::string sizesText() {
        ScreenSize sizes[kMaxScreenSizes];
        const int count = offeredScreenSizes(sizes);
        std::string text;
        for (int i = 0; i < count; i++)
            text += std::to_string(sizes[i].width) + "x" + std::to_string(sizes[i].height) + " ";
        return text;
    }
    TempFolder folder;
};

TEST_F(ScreenSizes, OfferedSizesFollowTheDisplay) {
    struct Case {
        std::vector<std::pair<int, int>> modes;
        const char* offered;
    };
    const Case cases[] = {
        // A 4:3 display: the classic three, nothing wider than it.
        {{{1024, 768}}, "640x480 800x600 1024x768 "},
        // A display that lists only its own wide mode still offers the wide
        // sizes a window can take on it.
        {{{1920, 1080}},
         "640x480 800x600 1024x768 1280x720 1280x800 1366x768 1440x900 1600x900 1680x1050 1920x1080 "},
        // Odd and tiny modes: kept once, those under 640 x 480 left out.
        {{{1360, 768}, {1360, 768}, {320, 240}}, "640x480 800x600 1024x768 1280x720 1360x768 "},
        // No modes at all.
        {{}, "640x480 800x600 1024x768 "},
    };
    for (const Case& c : cases) {
        scriptedSetDisplayModes(c.modes);
        EXPECT_EQ(sizesText(), c.offered);
    }
}

TEST_F(ScreenSizes, StepsGoRoundTheOfferedSizes) {
    scriptedSetDisplayModes({{1366, 768}});
    chooseResolution(2);
    const char* expected[] = {"1280x720", "1366x768", "640x480", "800x600", "1024x768"};
    for (const char* size : expected) {
        stepScreenSize(1);
        EXPECT_EQ(std::to_string(options.screenWidth) + "x" + std::to_string(options.screenHeight), size);
    }
    stepScreenSize(-1);
    EXPECT_EQ(options.screenWidth, 800);
    // The window keeps the size it was made at.
    EXPECT_EQ(options.windowWidth, 1024);
}

TEST_F(ScreenSizes, AWideSizeIsKeptBesideMenuInf) {
    scriptedSetDisplayModes({{1920, 1080}});
    chooseResolution(1);
    options.screenWidth = 1600;
    options.screenHeight = 900;
    options.optionsApplied = true;
    ASSERT_TRUE(writeSettings());
    ASSERT_TRUE(writeGameSettings());
    // menu.inf stays 24 bytes and holds the nearest of its own sizes.
    EXPECT_EQ(fileSize("base/menu.inf"), 24);
    EXPECT_EQ(readIntegers("base/menu.inf")[0], 2);

    options = MenuOptions{};
    clearGameSettings();
    readSettings();
    readGameSettings();
    settleScreenSize();
    EXPECT_EQ(options.windowWidth, 1600);
    EXPECT_EQ(options.windowHeight, 900);
    EXPECT_EQ(options.resolutionIndex, 2);
    EXPECT_EQ(currentPlayerNotice(), nullptr);

    // Back to a classic size: settings.cfg forgets the wide one.
    chooseResolution(0);
    options.optionsApplied = true;
    ASSERT_TRUE(writeSettings());
    EXPECT_EQ(settingText("screen.width"), nullptr);
    EXPECT_EQ(settingText("screen.height"), nullptr);
}

TEST_F(ScreenSizes, AStoredSizeTheDisplayLacksBecomesTheNearestOnce) {
    setSettingValue(Setting::ScreenWidth, 1920);
    setSettingValue(Setting::ScreenHeight, 1080);
    scriptedSetDisplayModes({{1366, 768}});
    settleScreenSize();
    EXPECT_EQ(options.windowWidth, 1366);
    EXPECT_EQ(options.windowHeight, 768);
    EXPECT_NE(std::strstr(currentPlayerNotice(), "1920x1080"), nullptr);
    // What replaced it is stored, so the next start says nothing.
    EXPECT_EQ(settingValue(Setting::ScreenWidth), 1366);
    resetRunState();
    settleScreenSize();
    EXPECT_EQ(currentPlayerNotice(), nullptr);
    EXPECT_EQ(options.windowWidth, 1366);
}

}  // namespace
