// The overlay frame: the 800 x 600 design fitted at 4:3 into the window or a
// view of it, its bounds reaching the frame's edges, and pieces anchored to
// the frame's corners.
#include <gtest/gtest.h>

#include "gl_fixture.h"

namespace {

class OverlayFrameTest : public RendererTest {
  protected:
    void TearDown() override {
        resetOverlayFrame();
        setOverlayAnchor(OverlayAnchor::Centre);
        RendererTest::TearDown();
    }
};

struct FrameCase {
    int windowWidth, windowHeight;
    ViewportRect frame;  // width 0: the whole window
    OverlayAnchor anchor;
    bool fillBounds;               // the frame's whole overlay space, not the rectangle below
    float x0, y0, x1, y1;          // overlay units
    int left, bottom, right, top;  // where it must land, window pixels from the lower left
};

TEST_F(OverlayFrameTest, DesignIsFittedCentredAndAnchored) {
    const FrameCase cases[] = {
        // The design's own shape fills the window.
        {800, 600, {0, 0, 0, 0}, OverlayAnchor::Centre, false, 0, 0, 800, 600, 0, 0, 800, 600},
        // 16:9: the design in the middle, 1.2 pixels a unit.
        {1280, 720, {0, 0, 0, 0}, OverlayAnchor::Centre, false, 0, 0, 800, 600, 160, 0, 1120, 720},
        {1280, 720, {0, 0, 0, 0}, OverlayAnchor::Centre, true, 0, 0, 0, 0, 0, 0, 1280, 720},
        // The dials' corners move out to the window's.
        {1280, 720, {0, 0, 0, 0}, OverlayAnchor::BottomRight, false, 700, 0, 800, 100, 1160, 0, 1280, 120},
        {1280, 720, {0, 0, 0, 0}, OverlayAnchor::BottomLeft, false, 0, 0, 100, 100, 0, 0, 120, 120},
        {1280, 720, {0, 0, 0, 0}, OverlayAnchor::TopRight, false, 700, 500, 800, 600, 1160, 600, 1280, 720},
        // One player's top half of a split 640 x 480: a 320 x 240 design.
        {640, 480, {0, 240, 640, 240}, OverlayAnchor::Centre, false, 0, 0, 800, 600, 160, 240, 480, 480},
        {640,
         480,
         {0, 240, 640, 240},
         OverlayAnchor::BottomRight,
         false,
         400,
         0,
         800,
         300,
         480,
         240,
         640,
         360},
        // A tall frame (the left half): the design between bands above and below.
        {640, 480, {0, 0, 320, 480}, OverlayAnchor::Centre, false, 0, 0, 800, 600, 0, 120, 320, 360},
        {640, 480, {0, 0, 320, 480}, OverlayAnchor::Top, false, 0, 500, 800, 600, 0, 440, 320, 480},
    };
    // One real window as large as the largest; each case takes its lower
    // left corner as its window, and nothing may land beyond it.
    ASSERT_TRUE(start(1280, 720));
    for (const FrameCase& c : cases) {
        options.windowWidth = c.windowWidth;
        options.windowHeight = c.windowHeight;
        resizeScene(c.windowWidth, c.windowHeight);
        if (c.frame.width > 0) setOverlayFrame(c.frame);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        beginOverlay();
        setOverlayAnchor(c.anchor);
        beginShapes();
        const float white[3] = {1.0f, 1.0f, 1.0f};
        shapeColour(white, 1.0f);
        const OverlayBounds b = overlayBounds();
        if (c.fillBounds)
            fillRect(b.left, b.bottom, b.right, b.top);
        else
            fillRect(c.x0, c.y0, c.x1, c.y1);
        endShapes();
        setOverlayAnchor(OverlayAnchor::Centre);
        endOverlay();
        resetOverlayFrame();
        const std::vector<uint8_t> rgb = frame();
        int inside = 0, outside = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                const int row = height - 1 - y;  // rows top first
                const bool lit = rgb[(static_cast<size_t>(row) * width + x) * 3] > 128;
                const bool wanted = x >= c.left && x < c.right && y >= c.bottom && y < c.top;
                if (lit && wanted) inside++;
                if (lit && !wanted) outside++;
            }
        const int area = (c.right - c.left) * (c.top - c.bottom);
        EXPECT_EQ(inside, area) << c.windowWidth << "x" << c.windowHeight << " to " << c.left << ","
                                << c.bottom;
        EXPECT_EQ(outside, 0) << c.windowWidth << "x" << c.windowHeight << " to " << c.left << ","
                              << c.bottom;
    }
}

}  // namespace
