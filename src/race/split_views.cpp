// The race seen by several players on one screen: a view per human, each
// with its own chase camera, eyes and checkpoint marker, drawn into its part
// of the window in one frame.
#include <cmath>

#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

static constexpr double kFourByThree = 4.0 / 3.0;
static constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

// Wider than 16:10, two players sit side by side rather than one over the
// other, so neither view is a letterbox slit.
static constexpr int kSideBySideWidth = 16, kSideBySideHeight = 10;

ViewportRect splitViewRect(int view, int count, const ViewportRect& window) {
    ViewportRect r = window;
    if (count <= 1) return r;
    const int halfWidth = window.width / 2, halfHeight = window.height / 2;
    if (count == 2) {
        if (window.width * kSideBySideHeight > window.height * kSideBySideWidth) {
            r.width = view == 0 ? halfWidth : window.width - halfWidth;
            r.x = window.x + (view == 0 ? 0 : halfWidth);
        } else {
            // The first player on top: the window's rows count from its foot.
            r.height = view == 0 ? window.height - halfHeight : halfHeight;
            r.y = window.y + (view == 0 ? halfHeight : 0);
        }
        return r;
    }
    // Quarters, reading order: the first two on top.
    const bool right = (view % 2) == 1, top = view < 2;
    r.x = window.x + (right ? halfWidth : 0);
    r.width = right ? window.width - halfWidth : halfWidth;
    r.y = window.y + (top ? halfHeight : 0);
    r.height = top ? window.height - halfHeight : halfHeight;
    return r;
}

int splitViewCount(int humans) {
    return humans <= 1 ? 1 : (humans == 2 ? 2 : 4);
}

void describePlayerView(int player, const ViewportRect& rect, RaceFrame* frame) {
    frame->view = updateChaseCamera(player);
    frame->view.viewport = rect;
    // A view wider than the window's 4:3 (a half, one over the other) keeps
    // the 4:3 view's sideways angle and shows less above and below: the
    // road ahead as on one screen, no wider sweep of the city to draw.
    const double aspect =
        static_cast<double>(rect.width) / static_cast<double>(rect.height > 0 ? rect.height : 1);
    if (aspect > kFourByThree) {
        const double halfTan =
            std::tan(frame->view.fieldOfView * 0.5 * kDegreesToRadians) * kFourByThree / aspect;
        frame->view.fieldOfView = 2.0 * std::atan(halfTan) / kDegreesToRadians;
    }
    // updateChaseCamera wrote this view's eyes; the frame carries them to
    // its own scene.
    frame->eyesGiven = true;
    frame->cameraEye = cameraEye;
    frame->shadingEye = shadingEye;
    frame->shadingViewDir = shadingViewDir;
    frame->paused = game.gameState == Pause;
    raceNight(frame->fillLight, frame->haze);
    frame->map = session.visualMapModel;
    frame->mapDepthPrepass = raceRun.mapDepthPrepass;
    poseRaceCars(frame);
    // The effects move on once a frame, with the first view; the others draw
    // them where they stand.
    frame->drawEffects = player == 0 ? drawCarEffects : drawCarEffectsAsTheyAre;
    frame->marker = playerMarkerPicture(player);
    frame->drawHud = nullptr;
}

void drawSplitRaceScene() {
    const int humans = session.humanCount;
    RaceFrame frames[kMaxRaceViews];
    const ViewportRect window = windowViewport();
    const int views = humans < kMaxRaceViews ? humans : kMaxRaceViews;
    // The marker's pulse moves on once a frame, for every view alike.
    advanceMarkerPulse();
    // The first player's camera last, so the listener and the frame's eyes
    // end where the sound is heard from.
    for (int p = views - 1; p >= 0; p--)
        describePlayerView(p, splitViewRect(p, splitViewCount(humans), window), &frames[p]);
    drawRaceFrames(frames, views);
    drawSplitHud();
}
