// Window creation and destruction through the scripted backend, every
// failure message, and resizeScene.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/scripted.h"
#include "render/gl.h"
#include "render/render.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

class GameWindow : public ::testing::Test {
  protected:
    void SetUp() override { resetRunWideState(); }
    void TearDown() override {
        destroyGameWindow();
        scriptedReset();
    }
    static const ScriptedMessageBox& lastBox() {
        static const ScriptedMessageBox none = {"", "", 0, 0};
        return scriptedMessageBoxes().empty() ? none : scriptedMessageBoxes().back();
    }
};

TEST_F(GameWindow, CreationGivesAContextInTheRequestedFormat) {
    options.depthBits = 16;
    ASSERT_TRUE(createGameWindow("Korvask", 800, 600, 32, true));
    EXPECT_TRUE(scriptedMessageBoxes().empty());
    EXPECT_TRUE(fullscreen);
    EXPECT_TRUE(scriptedContextHeld());
    EXPECT_FALSE(scriptedCursorShown());
    ASSERT_EQ(scriptedDisplayModes().size(), 1u);
    EXPECT_EQ(scriptedDisplayModes()[0].width, 800);
    EXPECT_EQ(scriptedDisplayModes()[0].bits, 32);
    const PixelFormatRequest format = scriptedLastPixelFormat();
    EXPECT_EQ(format.colorBits, 32);
    EXPECT_EQ(format.depthBits, 16);
    EXPECT_EQ(format.stencilBits, 1);
    EXPECT_TRUE(format.doubleBuffer);
    // The renderer initialisation ran.
    EXPECT_EQ(game.gameState, MainMenu);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);

    destroyGameWindow();
    EXPECT_FALSE(scriptedWindowHeld());
    EXPECT_TRUE(scriptedCursorShown());
    EXPECT_EQ(scriptedDisplayModes().back().width, 0) << "desktop mode restored";
    EXPECT_EQ(scriptedStepCalls(ScriptedUnregisterClass), 1);
    EXPECT_TRUE(scriptedMessageBoxes().empty());
    // A second destroy releases nothing twice.
    destroyGameWindow();
    EXPECT_EQ(scriptedStepCalls(ScriptedUnregisterClass), 1);
    EXPECT_EQ(scriptedStepCalls(ScriptedDeleteRenderContext), 1);
}

TEST_F(GameWindow, RefusedModeAnsweredYesGoesWindowed) {
    scriptedFailStep(ScriptedChangeDisplayMode);
    scriptedSetMessageBoxAnswer(IDYES);
    ASSERT_TRUE(createGameWindow("Korvask", 1024, 768, 16, true));
    ASSERT_EQ(scriptedMessageBoxes().size(), 1u);
    const ScriptedMessageBox& box = scriptedMessageBoxes()[0];
    EXPECT_EQ(
        box.text,
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
    EXPECT_EQ(box.caption, "Korvask");
    EXPECT_EQ(box.flags, (uint32_t)(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_FALSE(fullscreen);
    EXPECT_TRUE(scriptedCursorShown());
    EXPECT_TRUE(scriptedContextHeld());
    EXPECT_EQ(scriptedCallLog()[2], "createWindow Korvask 1024x768 windowed");
}

TEST_F(GameWindow, RefusedModeAnsweredNoCloses) {
    scriptedFailStep(ScriptedChangeDisplayMode);
    scriptedSetMessageBoxAnswer(IDNO);
    EXPECT_FALSE(createGameWindow("Korvask", 800, 600, 32, true));
    ASSERT_EQ(scriptedMessageBoxes().size(), 2u);
    EXPECT_EQ(lastBox().text, "Program Will Now Close.");
    EXPECT_EQ(lastBox().caption, "ERROR");
    EXPECT_EQ(lastBox().flags, (uint32_t)MB_ICONSTOP);
    EXPECT_FALSE(scriptedWindowHeld());
    EXPECT_EQ(scriptedStepCalls(ScriptedCreateWindow), 0);
}

struct FailureCase {
    ScriptedStep step;
    const char* message;
    bool destroys;  // destroyGameWindow ran before the message
};

TEST_F(GameWindow, EveryCreationFailureHasItsMessage) {
    const FailureCase cases[] = {
        {ScriptedRegisterClass, "Failed To Register The Window Class.", false},
        {ScriptedCreateWindow, "Window Creation Error.", true},
        {ScriptedGetDeviceContext, "Can't Create A GL Device Context.", true},
        {ScriptedChoosePixelFormat, "Can't Find A Suitable PixelFormat.", true},
        {ScriptedSetPixelFormat, "Can't Set The PixelFormat.", true},
        {ScriptedCreateRenderContext, "Can't Create A GL Rendering Context.", true},
        {ScriptedMakeCurrent, "Can't Activate The GL Rendering Context.", true},
    };
    for (const FailureCase& c : cases) {
        resetRunWideState();
        scriptedFailStep(c.step);
        EXPECT_FALSE(createGameWindow("Korvask", 800, 600, 32, true)) << c.message;
        ASSERT_EQ(scriptedMessageBoxes().size(), 1u) << c.message;
        EXPECT_EQ(lastBox().text, c.message);
        EXPECT_EQ(lastBox().caption, "ERROR");
        EXPECT_EQ(lastBox().flags, (uint32_t)(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(scriptedStepCalls(ScriptedUnregisterClass), c.destroys ? 1 : 0) << c.message;
        EXPECT_FALSE(scriptedWindowHeld()) << c.message;
        if (c.destroys) {
            EXPECT_TRUE(scriptedCursorShown()) << c.message;
            EXPECT_EQ(scriptedDisplayModes().back().width, 0) << c.message;
        }
    }
}

TEST_F(GameWindow, ReleaseFailuresAreReportedAndShutdownGoesOn) {
    const FailureCase cases[] = {
        {ScriptedReleaseCurrent, "Release Of DC And RC Failed.", true},
        {ScriptedDeleteRenderContext, "Release Rendering Context Failed.", true},
        {ScriptedReleaseDeviceContext, "Release Device Context Failed.", true},
        {ScriptedDestroyWindow, "Could Not Release hWnd.", true},
        {ScriptedUnregisterClass, "Could Not Unregister Class.", true},
    };
    for (const FailureCase& c : cases) {
        resetRunWideState();
        ASSERT_TRUE(createGameWindow("Korvask", 640, 480, 32, false));
        scriptedFailStep(c.step);
        destroyGameWindow();
        ASSERT_EQ(scriptedMessageBoxes().size(), 1u) << c.message;
        EXPECT_EQ(lastBox().text, c.message);
        EXPECT_EQ(lastBox().caption, "SHUTDOWN ERROR");
        EXPECT_EQ(lastBox().flags, (uint32_t)(MB_OK | MB_ICONINFORMATION));
        // Every later step still ran.
        EXPECT_EQ(scriptedStepCalls(ScriptedUnregisterClass), 1) << c.message;
        scriptedFailStep(c.step, false);
        scriptedCloseGLWindow();
    }
}

// gluPerspective's matrix: [0] = f / aspect, [5] = f, f = cot(fovy / 2).
static void expectPerspective(double fovyDegrees, double aspect) {
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    const double f = 1.0 / std::tan(fovyDegrees * M_PI / 360.0);
    EXPECT_NEAR(m[5], f, 1e-5 * f);
    EXPECT_NEAR(m[0], f / aspect, 1e-5 * f);
    for (double v : m) {
        EXPECT_TRUE(std::isfinite(v));
    }
}

TEST_F(GameWindow, ResizeSceneTakesHeightZeroAsOne) {
    ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
    game.gameState = MainMenu;
    resizeScene(640, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 1);
    expectPerspective(35.0, 640.0);

    // A size message reaches it with the client size in lParam.
    windowProcedure(WM_SIZE, 0, makeLong(1024, 0));
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 1);

    game.gameState = Race;
    resizeScene(800, 600);
    expectPerspective(80.0, 800.0 / 600.0);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

}  // namespace

// The window-mode question is asked once, its answer kept; a fullscreen the
// player chose that the display refuses starts windowed and says so once.
TEST_F(GameWindow, TheDisplayModeIsAskedOnceAndKept) {
    struct Case {
        const char* name;
        int stored;  // -1: nothing said yet
        int answer;
        bool created, fullscreenAfter;
        int storedAfter;
        int boxes;
    } cases[] = {
        {"first start, yes", -1, IDYES, true, false, DisplayWindow, 1},
        {"first start, no", -1, IDNO, false, true, DisplayFullscreen, 2},
        {"fullscreen chosen", DisplayFullscreen, IDNO, true, false, DisplayWindow, 1},
        {"window chosen", DisplayWindow, IDNO, true, false, DisplayWindow, 0},
    };
    for (const Case& c : cases) {
        resetRunWideState();
        setDisplayModeSetting(c.stored);
        scriptedFailStep(ScriptedChangeDisplayMode);
        scriptedSetMessageBoxAnswer(c.answer);
        EXPECT_EQ(createGameWindow("Korvask", 800, 600, 32, c.stored != DisplayWindow), c.created) << c.name;
        EXPECT_EQ(fullscreen, c.fullscreenAfter) << c.name;
        EXPECT_EQ(displayModeSetting(), c.storedAfter) << c.name;
        EXPECT_EQ(static_cast<int>(scriptedMessageBoxes().size()), c.boxes) << c.name;
        if (c.stored == DisplayFullscreen) {
            EXPECT_EQ(lastBox().text.find("Fullscreen at 800x600 is not available"), 0u) << lastBox().text;
        }
        destroyGameWindow();
    }
}
