// The whole program through the scripted backend: start-up, the loop, the
// splash, quitting and shutdown.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"
#include "test_support.h"

namespace {

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        folder.linkContent();
        resetRunWideState();
    }
    void TearDown() override { scriptedReset(); }
    TempFolder folder;
};

TEST_F(Shell, HundredFramesAtTenMillisecondsSettleAndAdvanceTheSplash) {
    float factorAt100 = -1.0f, elapsedAt100 = -1.0f, fpsAt100 = -1.0f;
    bool pendingAt100 = false;
    int stateAt100 = -1;
    scriptedSetFrameCallback([&](int frame) {
        if (frame == 100) {
            factorAt100 = frameClock.frameFactor;
            elapsedAt100 = game.startupElapsed;
            pendingAt100 = game.startupPending;
            fpsAt100 = frameClock.fpsValue;
            stateAt100 = game.gameState;
        }
    });
    scriptedPushMessage(WM_CLOSE, 0, 0, 100);
    EXPECT_EQ(gameMain(), 0);
    EXPECT_EQ(scriptedFrameCount(), 100);
    EXPECT_NEAR(factorAt100, 1.0f, 1e-4f);
    EXPECT_NEAR(fpsAt100, 100.0f, 0.05f);
    // Frame 1 measures nothing; frames 2..100 each count their 10 ms, the
    // smoothing's climb from 0 paid back within those frames.
    EXPECT_NEAR(elapsedAt100, 0.99f, 1e-3f);
    EXPECT_TRUE(pendingAt100);
    EXPECT_EQ(stateAt100, MainMenu);
}

TEST_F(Shell, SplashEndsAfterEightSecondsOfFrameTime) {
    int endedAt = 0;
    float elapsedAtEnd = 0.0f;
    bool pendingMusic = false;
    scriptedSetFrameCallback([&](int frame) {
        if (!game.startupPending && endedAt == 0) {
            endedAt = frame;
            elapsedAtEnd = game.startupElapsed;
            pendingMusic = game.menuMusicStartPending;
        }
    });
    scriptedPushMessage(WM_CLOSE, 0, 0, 820);
    EXPECT_EQ(gameMain(), 0);
    // 0.99 s after 100 frames, then 0.01 s a frame: over 8.0 at frame 802.
    EXPECT_NEAR(endedAt, 802, 1);
    EXPECT_GT(elapsedAtEnd, 8.0f);
    EXPECT_TRUE(pendingMusic);
}

TEST_F(Shell, WithNoWayToOpenTheStatisticsItsPathIsPrintedOnce) {
    scriptedSetShellOpenWorks(false);
    scriptedPushMessage(WM_CLOSE, 0, 0, 3);
    testing::internal::CaptureStdout();
    EXPECT_EQ(gameMain(), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Career statistics: " + folder.path() + "/base/stats.html\n");
}

TEST_F(Shell, F12WritesOneScreenshotPerPressAtTheGameResolution) {
    // Held for three frames, then pressed again.
    scriptedPushKey(VK_F12, true, 3);
    scriptedPushKey(VK_F12, false, 6);
    scriptedPushKey(VK_F12, true, 8);
    scriptedPushKey(VK_F12, false, 9);
    scriptedPushMessage(WM_CLOSE, 0, 0, 10);
    EXPECT_EQ(gameMain(), 0);
    std::vector<std::string> shots;
    for (const auto& entry : std::filesystem::directory_iterator("base/screenshots")) {
        shots.push_back(entry.path().filename().string());
    }
    ASSERT_EQ(shots.size(), 2u);
    for (const std::string& name : shots) {
        // korvask-YYYYMMDD-HHMMSS.png, or -2 for a second shot that second.
        EXPECT_EQ(name.rfind("korvask-20", 0), 0u) << name;
        EXPECT_EQ(name[16], '-') << name;
        // PNG header, then IHDR with 800 x 600.
        const std::vector<int32_t> words = readIntegers("base/screenshots/" + name);
        ASSERT_GT(words.size(), 6u);
        EXPECT_EQ(__builtin_bswap32((uint32_t)words[4]), 800u);
        EXPECT_EQ(__builtin_bswap32((uint32_t)words[5]), 600u);
    }
    // The player was told, within the notice's two seconds of the last shot.
    ASSERT_NE(currentPlayerNotice(), nullptr);
    EXPECT_STREQ(currentPlayerNotice(), "Screenshot saved");
}

TEST_F(Shell, CloseEndsTheLoopWritesBothFilesAndOpensTheStatistics) {
    scriptedPushMessage(WM_CLOSE, 0, 0, 3);
    EXPECT_EQ(gameMain(), 0);
    EXPECT_EQ(fileSize("base/menu.inf"), 24);
    EXPECT_EQ(fileSize("base/career.inf"), 492);
    EXPECT_GT(fileSize("base/stats.html"), 0);
    ASSERT_EQ(scriptedShellOpens().size(), 1u);
    EXPECT_EQ(scriptedShellOpens()[0], "base/stats.html");
    EXPECT_FALSE(scriptedWindowHeld());
    EXPECT_TRUE(scriptedMessageBoxes().empty());
    // Defaults written for the missing files.
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{1, 32, 24, 1, 1, 0}));
    std::vector<int32_t> career = readIntegers("base/career.inf");
    ASSERT_EQ(career.size(), 123u);
    EXPECT_EQ(career[7], 1);
    EXPECT_EQ(career[8], 0);
    EXPECT_EQ(career[120], 1);
    EXPECT_EQ(career[122], 250);
}

TEST_F(Shell, StartsWithTheStoredSettings) {
    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({0, 16, 16, 0, 0, 42})));
    scriptedPushMessage(WM_CLOSE, 0, 0, 1);
    EXPECT_EQ(gameMain(), 0);
    // Nothing stored of the display mode: fullscreen by a mode change.
    EXPECT_EQ(scriptedCallLog()[0], "useDesktopFullscreen no");
    EXPECT_EQ(scriptedCallLog()[4], "createWindow Korvask 640x480 fullscreen");
    EXPECT_EQ(scriptedLastPixelFormat().colorBits, 16);
    EXPECT_EQ(scriptedLastPixelFormat().depthBits, 16);
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{0, 16, 16, 0, 0, 42}));
}

TEST_F(Shell, QuitMessageGivesItsExitCode) {
    scriptedPushMessage(WM_QUIT, 3, 0, 2);
    EXPECT_EQ(gameMain(), 3);
    EXPECT_EQ(scriptedFrameCount(), 2);
    EXPECT_EQ(fileSize("base/career.inf"), 492);
}

TEST_F(Shell, QuitConfirmationEndsAfterTheCurrentFrame) {
    scriptedSetFrameCallback([](int frame) {
        if (frame == 5) {
            game.quitRequested = true;
        }
    });
    EXPECT_EQ(gameMain(), 0);
    EXPECT_EQ(scriptedFrameCount(), 5);
    EXPECT_EQ(scriptedShellOpens().size(), 1u);
    EXPECT_EQ(fileSize("base/menu.inf"), 24);
}

TEST_F(Shell, RefusedModeAnsweredNoEndsWithoutAWindowOrFiles) {
    scriptedFailStep(ScriptedChangeDisplayMode);
    scriptedSetMessageBoxAnswer(IDNO);
    EXPECT_EQ(gameMain(), 0);
    ASSERT_EQ(scriptedMessageBoxes().size(), 2u);
    EXPECT_EQ(scriptedMessageBoxes()[1].text, "Program Will Now Close.");
    EXPECT_EQ(scriptedFrameCount(), 0);
    EXPECT_EQ(fileSize("base/menu.inf"), -1);
    EXPECT_TRUE(scriptedShellOpens().empty());
}

TEST_F(Shell, NoFramesAreDrawnWhileInactive) {
    float elapsed[20] = {};
    scriptedSetFrameCallback([&](int frame) {
        if (frame < 20) {
            elapsed[frame] = game.startupElapsed;
        }
    });
    scriptedPushMessage(WM_ACTIVATE, makeLong(0, 0), 0, 5);
    scriptedPushMessage(WM_ACTIVATE, makeLong(1, 0), 0, 10);
    scriptedPushMessage(WM_CLOSE, 0, 0, 19);
    EXPECT_EQ(gameMain(), 0);
    EXPECT_GT(elapsed[5], elapsed[4]);
    EXPECT_EQ(elapsed[9], elapsed[5]) << "the splash moved while inactive";
    EXPECT_GT(elapsed[11], elapsed[10]);
}

TEST_F(Shell, KeysPressedInTheLoopActAfterTheFrame) {
    bool fpsAt4 = false, fpsAt6 = true;
    scriptedSetFrameCallback([&](int frame) {
        if (frame == 4) fpsAt4 = game.showFps;
        if (frame == 6) fpsAt6 = game.showFps;
    });
    scriptedPushKey('F', true, 2);
    scriptedPushKey('F', false, 4);
    scriptedPushMessage(WM_CLOSE, 0, 0, 8);
    EXPECT_EQ(gameMain(), 0);
    EXPECT_TRUE(fpsAt4);
    EXPECT_TRUE(fpsAt6) << "a held F toggled more than once";
}

}  // namespace

TEST_F(Shell, ACareerThatCannotBeReadIsToldAtStartAndKept) {
    // The career's name taken by a folder: it cannot be read, and a new
    // career must not be renamed over it at exit.
    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({2, 32, 24, 1, 1, 7})));
    ASSERT_EQ(mkdir("base/career.inf", 0755), 0);
    scriptedPushMessage(WM_CLOSE, 0, 0, 2);
    EXPECT_EQ(gameMain(), 0);
    ASSERT_EQ(scriptedMessageBoxes().size(), 1u);
    EXPECT_EQ(scriptedMessageBoxes()[0].caption, "Korvask");
    EXPECT_EQ(scriptedMessageBoxes()[0].text,
              "Could not read the career: Is a directory. It will not be overwritten.");
    struct stat st;
    ASSERT_EQ(stat("base/career.inf", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // The settings still saved, and no temporary was left behind.
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{2, 32, 24, 1, 1, 7}));
    EXPECT_EQ(platformRemoveStaleTemporaries("base/career.inf"), 0);
}

// Any key or click ends the splash after its first second, and the assets
// it hides still load; before that second, and as a click on the menu
// hidden behind it, it does nothing.
TEST_F(Shell, SplashEndsAtAKeyOrClickAfterItsFirstSecond) {
    struct Case {
        const char* name;
        uint32_t message;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {
        {"key", WM_KEYDOWN, 'X', 0},
        {"click on the quick race row", WM_LBUTTONDOWN, 1, makeLong(700, 290)},
    };
    for (const Case& c : cases) {
        scriptedReset();
        resetRunWideState();
        int endedAt = 0;
        bool loaded = false;
        scriptedSetFrameCallback([&](int frame) {
            if (!game.startupPending && endedAt == 0) {
                endedAt = frame;
                loaded = garageModel != nullptr && raceRun.carBodyModels[0] != nullptr;
            }
        });
        // 0.45 s in: too soon; 1.4 s in: the splash ends.
        scriptedPushMessage(c.message, c.wParam, c.lParam, 50);
        scriptedPushMessage(c.message, c.wParam, c.lParam, 150);
        scriptedPushMessage(WM_CLOSE, 0, 0, 200);
        EXPECT_EQ(gameMain(), 0) << c.name;
        EXPECT_GE(endedAt, 150) << c.name;
        EXPECT_LE(endedAt, 152) << c.name;
        EXPECT_EQ(game.gameState, MainMenu) << c.name;
        EXPECT_TRUE(loaded) << c.name;
    }
}
