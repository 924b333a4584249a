// The scene view: its viewport rectangle is where the 3-D picture lands and
// what the projection's aspect follows, scaled with the preset's render
// scale; the model-view looks from its eye at its target.
#include <gtest/gtest.h>

#include <cmath>

#include "gl_fixture.h"
#include "render/render_local.h"

namespace {

class SceneViewTest : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(640, 480));
        resizeScene(640, 480);
    }
    void TearDown() override {
        applyGraphicsPreset(GraphicsHigh);
        RendererTest::TearDown();
    }
    static ViewportRect viewport() {
        GLint v[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, v);
        return ViewportRect{v[0], v[1], v[2], v[3]};
    }
    // Width over height of the current projection.
    static double projectionAspect() {
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        return static_cast<double>(m[5]) / static_cast<double>(m[0]);
    }
};

void expectRect(const ViewportRect& got, const ViewportRect& want) {
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
}

TEST_F(SceneViewTest, WindowViewportIsTheLastResize) {
    expectRect(windowViewport(), ViewportRect{0, 0, 640, 480});
    resizeScene(320, 0);
    expectRect(windowViewport(), ViewportRect{0, 0, 320, 1});
}

struct RectCase {
    ViewportRect rect;
    float scale;  // the preset's render scale inside the scaled scene
    ViewportRect drawn;
};

TEST_F(SceneViewTest, ViewportDrivesTheDrawnRectangleAndTheAspect) {
    const RectCase cases[] = {
        {{0, 0, 640, 480}, 1.0f, {0, 0, 640, 480}},         {{0, 240, 640, 240}, 1.0f, {0, 240, 640, 240}},
        {{320, 0, 320, 480}, 1.0f, {320, 0, 320, 480}},     {{0, 0, 640, 480}, 0.5f, {0, 0, 320, 240}},
        {{320, 240, 320, 240}, 0.5f, {160, 120, 160, 120}},
    };
    for (const RectCase& c : cases) {
        applyGraphicsPreset(GraphicsHigh);
        graphicsSwitches.renderScale = c.scale;
        beginScaledScene();
        SceneView view;
        view.viewport = c.rect;
        setSceneView(view);
        expectRect(viewport(), c.drawn);
        EXPECT_NEAR(projectionAspect(), static_cast<double>(c.rect.width) / c.rect.height, 1e-5)
            << c.rect.width << " x " << c.rect.height;
        endScaledScene();
        // Outside the scaled scene the rectangle is drawn as it is.
        setSceneView(view);
        expectRect(viewport(), c.rect);
        expectRect(sceneView().viewport, c.rect);
    }
}

TEST_F(SceneViewTest, PictureLandsInTheViewportOnlyAndFacesTheTarget) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The left half of the window, looking from (10, 2, 5) at (10, 2, -15).
    SceneView view;
    view.eye = Vector3(10.0f, 2.0f, 5.0f);
    view.target = Vector3(10.0f, 2.0f, -15.0f);
    view.viewport = ViewportRect{0, 0, 320, 480};
    setSceneView(view);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    // A small white square around the target: it must show at the centre of
    // the left half.
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex3f(9.0f, 1.0f, -15.0f);
    glVertex3f(11.0f, 1.0f, -15.0f);
    glVertex3f(11.0f, 3.0f, -15.0f);
    glVertex3f(9.0f, 3.0f, -15.0f);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    const std::vector<uint8_t> rgb = frame();
    auto lit = [&](int x, int y) { return rgb[(static_cast<size_t>(y) * 640 + x) * 3] > 128; };
    EXPECT_TRUE(lit(160, 240));
    EXPECT_FALSE(lit(480, 240));
    EXPECT_FALSE(lit(20, 20));
    int litPixels = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 320; x < 640; x++) litPixels += lit(x, y) ? 1 : 0;
    EXPECT_EQ(litPixels, 0);
}

}  // namespace
