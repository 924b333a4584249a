// The garage scene and the menu overlay drawn for real: wheel placement from
// the car table, the shading eye, the turning view, the shown car, the mouse
// pointer and the loading pictures.
#include <cmath>

#include "frontend_gl_fixture.h"

namespace {

class GarageScene : public FrontEndGl {
  protected:
    void SetUp() override {
        FrontEndGl::SetUp();
        loadMenuAssets();
        game.startupPending = false;
        game.gameState = Garage;
    }
    // One menu frame as the dispatcher draws it, read back before the swap.
    std::vector<uint8_t> menuFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        resizeScene(options.screenWidth, options.screenHeight);
        drawMenus();
        std::vector<uint8_t> rgb = readFrame();
        platformSwapBuffers();
        return rgb;
    }
};

TEST_F(GarageScene, WheelsFollowTheCarTable) {
    for (int car : {0, 1, 3}) {
        selectedCar = car;
        drawGarageScene();
        // The light space of the last wheel drawn: front right, turned over.
        const float* m = modelMatrix.m;
        EXPECT_NEAR(m[12], raceRun.carTable[car].frontWheelOffset / 1.67f * 0.77f, 1e-5f) << car;
        EXPECT_NEAR(m[13], -0.48f, 1e-6f);
        EXPECT_NEAR(m[14], -1.0f, 1e-6f);
        EXPECT_NEAR(m[0], 1.0f, 1e-6f);
        EXPECT_NEAR(m[5], -1.0f, 1e-6f);
        EXPECT_NEAR(m[10], -1.0f, 1e-6f);
    }
    // The garage is shaded from its own eye and view.
    EXPECT_FLOAT_EQ(shadingEye.z, -9.5f);
    EXPECT_FLOAT_EQ(shadingEye.y, -0.5f);
    EXPECT_FLOAT_EQ(shadingViewDir.z, -1.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(GarageScene, TheCarChangesAtOnceAndTheViewTurns) {
    const float phase = menuPhase;
    // The reflection view lights the room with last frame's lamps, and the
    // glow keeps last frame's brightness: one frame picks the lamps, and
    // both compared frames start from no glow.
    menuFrame();
    menuPhase = phase;
    clearGlowHistory();
    const std::vector<uint8_t> first = menuFrame();
    menuPhase = phase;
    clearGlowHistory();
    const std::vector<uint8_t> same = menuFrame();
    menuPhase = phase;
    selectedCar = 5;
    const std::vector<uint8_t> otherCar = menuFrame();
    selectedCar = 0;
    menuPhase = phase + 100.0f;  // 5 s of menus: 70 degrees further round
    const std::vector<uint8_t> turned = menuFrame();
    // The car stands in the middle of the picture, left of the buttons.
    const int x0 = 120, x1 = 420, y0 = 160, y1 = 400;
    EXPECT_EQ(difference(first, same, x0, y0, x1, y1), 0);
    EXPECT_GT(difference(first, otherCar, x0, y0, x1, y1), 20000);
    EXPECT_GT(difference(first, turned, x0, y0, x1, y1), 20000);
    // Each menu frame moves the phase on by 0.2 per 10 ms.
    EXPECT_NEAR(menuPhase, phase + 100.2f, 1e-3f);
}

TEST_F(GarageScene, PointerFollowsTheCursorInMouseSpace) {
    // 640 x 480: pixel (400, 300) is mouse (500, 375); the tip is drawn there.
    scriptedSetCursorPos(50, 50);
    const std::vector<uint8_t> away = menuFrame();
    scriptedSetCursorPos(400, 300);
    menuPhase -= 0.2f;  // the same garage behind both
    const std::vector<uint8_t> here = menuFrame();
    EXPECT_EQ(mouseX, 500);
    EXPECT_EQ(mouseY, 375);
    // The pointer covers x 500..515 and y 375..395 of mouse space: pixels
    // 400..412 across and 300..316 down. Its body lies inside that box.
    EXPECT_GT(difference(away, here, 401, 304, 405, 312), 0);
}

TEST_F(GarageScene, ItemsUnderTheCursorSpinTheirIcon) {
    game.gameState = MainMenu;
    scriptedSetCursorPos(10, 10);
    menuPhase = 44.5f;
    const std::vector<uint8_t> still = menuFrame();
    menuHoverFlags[2] = true;  // "Quick race"
    menuPhase = 44.5f;
    const std::vector<uint8_t> spinning = menuFrame();
    // The icon of row 3 spans overlay x 581..645 and y 273..337: pixels
    // (x 0.8) 465..516 across and 210..262 from the top. Row 2's icon, above
    // it, stands still.
    EXPECT_GT(difference(still, spinning, 466, 212, 515, 260), 1000);
    EXPECT_EQ(difference(still, spinning, 470, 172, 510, 205), 0);
}

TEST_F(GarageScene, LoadingScreenShowsItsTwoPictures) {
    glClear(GL_COLOR_BUFFER_BIT);
    drawLoadingScreen(0);
    const std::vector<uint8_t> first = readFrame();
    glClear(GL_COLOR_BUFFER_BIT);
    drawLoadingScreen(1);
    const std::vector<uint8_t> second = readFrame();
    long lit = 0;
    for (uint8_t v : first) lit += v;
    EXPECT_GT(lit, (long)first.size() * 10) << "a picture, not a black screen";
    EXPECT_GT(difference(first, second, 0, 0, options.screenWidth, options.screenHeight), 0);
}

}  // namespace
