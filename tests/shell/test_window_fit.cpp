// A game drawn at 1024 x 768 and shown in a window of another size: the
// picture is scaled into the window keeping its shape, the game's own
// read-back stays at its resolution, and a click lands on the button under it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/scripted.h"
#include "shell/shell.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"
#include "test_support.h"

namespace {

constexpr int kGameWidth = 1024, kGameHeight = 768;

struct WindowCase {
    const char* name;
    int width, height;
    // Where the picture should lie, worked out by hand: x, y, width, height.
    int pictureX, pictureY, pictureWidth, pictureHeight;
};

const WindowCase kWindowCases[] = {
    {"SameShapeSmaller", 640, 480, 0, 0, 640, 480},
    {"WiderWithSideBars", 800, 480, 80, 0, 640, 480},
    {"TallerWithTopBars", 640, 600, 0, 60, 640, 480},
};

class WindowFit : public ::testing::TestWithParam<WindowCase> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        folder.linkContent();
        // 1024 x 768 chosen on the options screen in an earlier run.
        ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({2, 32, 24, 0, 0, 0})));
        resetRunWideState();
    }
    void TearDown() override { scriptedReset(); }
    TempFolder folder;
};

int pixelGap(const std::vector<uint8_t>& a, size_t ai, const std::vector<uint8_t>& b, size_t bi) {
    return std::abs(a[ai] - b[bi]) + std::abs(a[ai + 1] - b[bi + 1]) + std::abs(a[ai + 2] - b[bi + 2]);
}

TEST_P(WindowFit, PictureIsScaledWithBarsAndClicksReachTheButton) {
    const WindowCase c = GetParam();
    scriptedSetWindowSize(c.width, c.height);
    scriptedKeepWindowPicture(true);
    // 60 ms frames end the eight-second splash after about 170 frames.
    scriptedSetFrameStep(60.0);

    // "Options", the fourth row of the main menu, spans x 601..799 and
    // y 326..359 of the 800 x 600 pointer space, which is 4/3 of a game pixel
    // at 1024 x 768; its middle (700, 342) is game pixel (933, 456).
    const double scale = (double)c.pictureWidth / kGameWidth;
    const int clickX = c.pictureX + (int)(933.5 * scale);
    const int clickY = c.pictureY + (int)(456.5 * scale);
    const int clickFrame = 200;
    scriptedPushMouseMove(clickX, clickY, clickFrame);
    scriptedPushLeftClick(clickX, clickY, clickFrame + 2);

    std::vector<uint8_t> gamePicture, shown;
    int stateAfterClick = -1;
    scriptedSetFrameCallback([&](int frame) {
        if (frame == clickFrame) {
            scriptedReadFrame(&gamePicture, kGameWidth, kGameHeight);
        }
        if (frame == clickFrame + 1) {
            shown = scriptedWindowPicture();
        }
        if (frame == clickFrame + 4) {
            stateAfterClick = game.gameState;
        }
    });
    scriptedPushMessage(WM_CLOSE, 0, 0, clickFrame + 5);
    EXPECT_EQ(gameMain(), 0);
    EXPECT_EQ(stateAfterClick, Options);

    // The game reads back its own resolution, the menu in it.
    ASSERT_EQ(gamePicture.size(), (size_t)kGameWidth * kGameHeight * 3);
    // The window shows that picture: black on the bars, and inside it each
    // window pixel near the game pixel under it (scaling blends neighbours).
    ASSERT_EQ(shown.size(), (size_t)c.width * c.height * 3);
    long gaps = 0, samples = 0, bars = 0, barSamples = 0;
    for (int y = 1; y < c.height - 1; y += 7) {
        for (int x = 1; x < c.width - 1; x += 7) {
            const size_t wi = ((size_t)y * c.width + x) * 3;
            const bool inside = x >= c.pictureX + 1 && x < c.pictureX + c.pictureWidth - 1 &&
                                y >= c.pictureY + 1 && y < c.pictureY + c.pictureHeight - 1;
            if (!inside) {
                bars += shown[wi] + shown[wi + 1] + shown[wi + 2];
                barSamples++;
                continue;
            }
            const int gx = (int)((x - c.pictureX + 0.5) / scale);
            const int gy = (int)((y - c.pictureY + 0.5) / scale);
            gaps += pixelGap(shown, wi, gamePicture, ((size_t)gy * kGameWidth + gx) * 3);
            samples++;
        }
    }
    EXPECT_EQ(bars, 0) << barSamples << " samples on the bars";
    ASSERT_GT(samples, 1000);
    // Frames one apart differ only where the menu animates; a picture that
    // was not the game's, or shifted, differs everywhere.
    EXPECT_LT((double)gaps / samples, 24.0);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowFit, ::testing::ValuesIn(kWindowCases),
                         [](const ::testing::TestParamInfo<WindowCase>& test) { return test.param.name; });

}  // namespace
