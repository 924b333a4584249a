// The race HUD: adds the glow over the post-processed frame, then
// draws the tachometer, the corner arrow, the top bar, the nitro gauge and the
// speed, drift, lap and place texts in the 800 x 600 overlay space.
#include <cmath>

#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

// The player whose HUD is being drawn: the first, or each one's in turn in
// a split frame (drawPlayerHud).
int hudPlayer = 0;

// Texture entries of the HUD's images.
constexpr int kDialDark = kTachoMaskTexture, kDialLight = kTachoFaceTexture;
constexpr int kNeedleDark = kNeedleMaskTexture, kNeedleLight = kNeedleFaceTexture;
constexpr int kArrowTexture = kCornerArrowTexture;
constexpr int kTopBarLight = kTopBarFaceTexture, kTopBarDark = kTopBarMaskTexture;
constexpr int kNitroFrame = kNitroFrameTga, kNitroFill = kNitroFillTga;

// The needle turns 0.035 degrees per revolution above 1000, up to 243 degrees.
constexpr float kNeedleRestRpm = 1000.0f;
constexpr float kNeedleDegreesPerRpm = 0.035f;
constexpr float kNeedleTravel = 243.0f;
constexpr float kNeedleRest = 152.5f;
// Beyond this squared distance from the next checkpoint the arrow is clear.
constexpr float kArrowReach = 30000.0f;
constexpr float kArrowFadeScale = 0.0000333f;
// Bends sharper than 45 degrees make the arrow pulse.
constexpr float kSharpBend = 0.785f;
constexpr float kArrowTurnRate = 1.5f;
constexpr float kRadiansToDegrees = 57.296f;

// The glow over the frame, which the post-processing left in the back buffer.
void recomposeFrame() {
    // A preset without glow leaves nothing to add.
    if (graphicsSwitchesInForce().glowSize <= 0) return;
    beginImages();
    setBlend2D(Blend2DAdd);
    const OverlayBounds screen = overlayBounds();
    drawImage(blurTextureA, screen.left, screen.bottom, screen.right, screen.top);
    endImages();
}

void drawTachometer() {
    const float needle = tachometerNeedleAngle(session.cars[hudPlayer].rpm);
    beginImages();
    translate2D(6.0f, -6.0f);
    drawMaskedImage(gameTextures[kDialDark], gameTextures[kDialLight], 600.0f, 0.0f, 800.0f, 200.0f);
    translate2D(-6.0f, 6.0f);
    endImages();

    translate2D(706.0f, 94.0f);
    rotate2D(needle);
    beginImages();
    drawMaskedImage(gameTextures[kNeedleDark], gameTextures[kNeedleLight], -11.0f, -6.0f, 11.0f, 104.0f);
    endImages();
    rotate2D(-needle);
    translate2D(-706.0f, -94.0f);
}

Vector3 checkpointPosition(int i) {
    const Checkpoint& c = session.checkpoints[i];
    return Vector3(c.x, c.y, c.z);
}

void drawCornerArrow() {
    const Car& player = session.cars[hudPlayer];
    if (player.body == nullptr || session.checkpointCount <= 0) return;
    const Vector3 p = getPosition(player.body);
    int i = player.nextCheckpoint;
    if (i < 0 || i >= session.checkpointCount) i = 0;
    const int next = i + 1 >= session.checkpointCount ? 0 : i + 1;
    const int before = i - 1 < 0 ? session.checkpointCount - 1 : i - 1;
    const Vector3 c = checkpointPosition(i);
    Vector3 d1 = c - checkpointPosition(before);
    Vector3 d2 = checkpointPosition(next) - c;
    Vector3 v = getLinearVelocity(player.body);
    normalise(d1);
    normalise(d2);
    normalise(v);

    const float turn = headingAngle(d1, d2);
    const Vector3 gap = c - p;
    const float fade = (kArrowReach - dot(gap, gap)) * kArrowFadeScale;
    const float course = headingAngle(d1, v) * kRadiansToDegrees;
    if (!cornerArrowShown(course) || session.countdownRunning || playerFinished(hudPlayer)) return;

    translate2D(400.0f, 545.0f);
    beginImages();
    float s = 1.0f;
    if (std::fabs(turn) > kSharpBend) s = 8.0f * std::sin(0.05f * session.markerPhase);
    const float red = std::fabs(0.637f * turn);
    drawColour(red, fade - red, 0.0f, fade);
    setBlend2D(Blend2DGlow);

    float target = turn * kRadiansToDegrees;
    if (target < -90.0f) target = -90.0f;
    if (target > 90.0f) target = 90.0f;
    if (target < players[hudPlayer].hudArrowAngle)
        players[hudPlayer].hudArrowAngle -= kArrowTurnRate * frameClock.frameFactor;
    if (target > players[hudPlayer].hudArrowAngle)
        players[hudPlayer].hudArrowAngle += kArrowTurnRate * frameClock.frameFactor;

    rotate2D(players[hudPlayer].hudArrowAngle);
    drawImage(gameTextures[kArrowTexture], -48.0f - s, -48.0f - s, 48.0f + s, 48.0f + s);
    rotate2D(-players[hudPlayer].hudArrowAngle);
    endImages();
    translate2D(-400.0f, -545.0f);
}

void drawTopBar() {
    beginImages();
    drawMaskedImage(gameTextures[kTopBarDark], gameTextures[kTopBarLight], 0.0f, 474.0f, 800.0f, 602.0f);
    endImages();
}

// Without the depth test: a preset without glow leaves the scene's depths
// in the buffer, and the gauge must not hide behind them.
void drawNitroGauge() {
    beginImages();
    setBlend2D(Blend2DAlpha);
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    translate2D(-12.0f, 0.0f);
    float fill = session.cars[hudPlayer].nitro * 0.01f;
    if (fill > 1.0f) fill = 1.0f;
    // An empty (or negative) tank draws no fill at all.
    if (fill > 0.0f)
        drawOverlayImage(tgaTextureName(kNitroFill), OverlayAlpha, 0.0f, 0.0f, 200.0f, 200.0f, fill);
    drawOverlayImage(tgaTextureName(kNitroFrame), OverlayAlpha, 0.0f, 0.0f, 200.0f, 200.0f);
    translate2D(12.0f, 0.0f);
    endImages();
}

void drawTexts() {
    setOverlayAnchor(OverlayAnchor::BottomRight);
    printTextLarge(727, 37, 1, "%2i", static_cast<int>(players[hudPlayer].playerSpeed * 10.5f));
    printText(732, 17, 1.0f, 1, "Km/h");
    setOverlayAnchor(OverlayAnchor::Centre);

    int colour;
    float alpha;
    if (driftTextStyle(players[hudPlayer].driftScore, &colour, &alpha)) {
        setTextAlpha(alpha);
        setTextColour(colour);
        printTextLarge(330, 380, 1, "Drift  +%2i", static_cast<int>(players[hudPlayer].driftScore));
        setTextAlpha(1.0f);
        setTextColour(0);
    }

    updateStandings();
    if (raceRun.timeTrialMode) {
        // Alone and without end: the lap number only, no place.
        printTextLarge(105, 563, 1, "Lap");
        printTextLarge(105, 563, 0, "    %2i",
                       session.cars[hudPlayer].lap > 1 ? session.cars[hudPlayer].lap : 1);
        return;
    }
    printTextLarge(105, 563, 1, "Lap   /");
    printTextLarge(105, 563, 0, "    %2i", session.cars[hudPlayer].lap > 1 ? session.cars[hudPlayer].lap : 1);
    printTextLarge(105, 563, 0, "      %2i", session.lapCount);

    printTextLarge(560, 563, 1, "Place  /");
    printTextLarge(560, 563, 0, "     %2i", players[hudPlayer].playerPlace);
    printTextLarge(560, 563, 0, "       %2i", 4);
}

}  // namespace

float tachometerNeedleAngle(float rpm) {
    float a = (rpm - kNeedleRestRpm) * kNeedleDegreesPerRpm;
    if (a < 0.0f) a = 0.0f;
    if (a > kNeedleTravel) a = kNeedleTravel;
    return kNeedleRest - a;
}

bool driftTextStyle(float score, int* colour, float* alpha) {
    if (!(score > 0.05f)) return false;
    *alpha = score / 5.0f > 1.0f ? 1.0f : score / 5.0f;
    *colour = 0;
    if (score > 25.0f) *colour = 2;
    if (score > 50.0f) *colour = 1;
    return true;
}

bool cornerArrowShown(float courseDegrees) {
    return std::fabs(courseDegrees) < 45.0f;
}

// The dials, the arrow and the top bar. On a wide screen (or a wide view)
// the dials keep to the bottom corners; the top bar and what it frames stay
// in the middle.
static void drawHudImages() {
    setOverlayAnchor(OverlayAnchor::BottomRight);
    drawTachometer();
    setOverlayAnchor(OverlayAnchor::Centre);
    drawCornerArrow();
    drawTopBar();
    setOverlayAnchor(OverlayAnchor::BottomLeft);
    drawNitroGauge();
    setOverlayAnchor(OverlayAnchor::Centre);
}

void drawRaceHud() {
    hudPlayer = 0;
    resetView();
    beginOverlay();
    beginImages();

    recomposeFrame();
    drawHudImages();

    endOverlay();
    setBlend2D(Blend2DAlpha);

    drawTexts();
    drawRaceInfo();
    drawLapPanel();
    drawResetOverlay();
    setBlend2D(Blend2DOff);
}

void drawPlayerHud(int player) {
    hudPlayer = player >= 0 && player < kMaxPlayers ? player : 0;
    resetView();
    beginOverlay();
    beginImages();
    drawHudImages();
    endOverlay();
    setBlend2D(Blend2DAlpha);

    drawTexts();
    drawPlayerRaceInfo(hudPlayer);
    drawPlayerResetOverlay(hudPlayer);
    setBlend2D(Blend2DOff);
    hudPlayer = 0;
}

void drawSplitHud() {
    // The glow over the whole window, once.
    resetView();
    beginOverlay();
    beginImages();
    recomposeFrame();
    endOverlay();

    const int humans = session.humanCount;
    const int views = splitViewCount(humans);
    const ViewportRect window = windowViewport();
    for (int p = 0; p < humans && p < views; p++) {
        setOverlayFrame(splitViewRect(p, views, window));
        drawPlayerHud(p);
    }
    if (humans < views) {
        // The free quarter: the standings beside the minimap.
        setOverlayFrame(splitViewRect(views - 1, views, window));
        drawStandingsPanel();
        resetOverlayFrame();
    } else {
        resetOverlayFrame();
        drawMiddleMinimap();
    }
    setBlend2D(Blend2DOff);
}
