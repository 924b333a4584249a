// A hidden GL window in a scratch folder that links the generated content, with
// the renderer started as the game starts it, for the front end's drawing and
// race-flow tests. Save files land in the scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "render/render.h"
#include "shell/shell.h"
#include "support/temp_folder.h"
#include "test_support.h"

class FrontEndGl : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        folder.linkContent();
        resetRunWideState();
        chooseResolution(0);
        options.soundEnabled = false;
        options.musicEnabled = false;
        ASSERT_TRUE(scriptedOpenGLWindow(options.screenWidth, options.screenHeight));
        resizeScene(options.screenWidth, options.screenHeight);
        ASSERT_TRUE(startRenderer()) << "needs the generated base/ in the build folder";
        initCarTable();
        resetFrontEndState();
        frameClock.frameFactor = 1.0f;
    }
    void TearDown() override {
        if (session.raceWorld != nullptr) {
            unloadRace();
            rebuildGarageLights();
        }
        releaseGarageModels();
        releaseTgaTextures();
        scriptedCloseGLWindow();
        scriptedReset();
        game.gameState = MainMenu;
    }

    // The garage's models as the end of the splash loads them.
    void loadMenuAssets() {
        loadGameTextures();
        loadCarModels();
        loadGarageModels();
    }

    std::vector<uint8_t> readFrame() {
        std::vector<uint8_t> rgb;
        EXPECT_TRUE(scriptedReadFrame(&rgb, options.screenWidth, options.screenHeight));
        return rgb;
    }

    // Sum of absolute channel differences inside a rectangle (rows from the top).
    long difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int x0, int y0, int x1,
                    int y1) const {
        long sum = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                for (int c = 0; c < 3; c++) {
                    const size_t i = ((size_t)y * options.screenWidth + x) * 3 + c;
                    sum += a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
                }
        return sum;
    }

    TempFolder folder;
};
