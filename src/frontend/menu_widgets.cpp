// The menus' building blocks: overlay projection, button widget, title block,
// darkening sheet, statistics bars and the mouse pointer.
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "render/render.h"
#include "state/state.h"

TextureId menuTexture(int entry) {
    return entry >= 0 && entry < kGameTextureCount ? gameTextures[entry] : 0;
}

static void drawLabelPlate(int y, bool hover);

void drawButton(int y, bool hover) {
    beginImages();
    pushTransform2D();
    // The plate's origin: 120 right of the item, 25 below its line.
    translate2D(560.0f + 120.0f, static_cast<float>(y) - 25.0f);
    drawMaskedImage(menuTexture(kButtonMaskTexture), menuTexture(kButtonFaceTexture), -120.0f, 0.0f, 120.0f,
                    60.0f);

    // The icon spins while the item is under the cursor.
    translate2D(-67.0f, 30.0f);
    if (hover) rotate2D(frontEnd.menuPhase * 10.0f);
    setBlend2D(Blend2DAlpha);
    drawImage(tgaTextureName(kButtonIconTga), -32.0f, -32.0f, 32.0f, 32.0f);
    popTransform2D();
    setBlend2D(Blend2DOff);
    drawLabelPlate(y, hover);
}

void drawMenuItem(int row, const char* label) {
    const int y = menuRowHeight(row);
    drawButton(y, frontEnd.menuHoverFlags[row - 1]);
    printText(650, y, 1.0f, 1, "%s", label);
}

// Where the label of a button drawn at overlay height y sits: dark when idle,
// lit in the glow colour while the pointer is on it.
static void drawLabelPlate(int y, bool hover) {
    const float x0 = 630.0f, x1 = 792.0f, y0 = static_cast<float>(y) - 8.0f,
                y1 = static_cast<float>(y) + 21.0f;
    beginShapes();
    if (hover) {
        shapeColour(kHudCyan, 0.42f);
        fillRect(x0, y0, x1, y1);
        shapeLineWidth(1.5f);
        shapeColour(kHudCyan, 1.0f);
        outlineRect(x0, y0, x1, y1);
    } else {
        shapeColour(kHudBlack, 0.55f);
        fillRect(x0, y0, x1, y1);
    }
    endShapes();
}

void drawTextPlate(float x0, float y0, float x1, float y1, float alpha) {
    beginShapes();
    shapeColour(kHudBlack, alpha);
    fillRect(x0, y0, x1, y1);
    endShapes();
}

// How a font's plate reaches around its text: the glyphs' advance, and the
// margins left of the first inked glyph, right of the last, below and above
// the line.
struct PlateFit {
    int advance, left, right, below, above;
};
constexpr PlateFit kSmallPlate = {10, 6, 8, 6, 19};
constexpr PlateFit kLargePlate = {13, 8, 10, 5, 29};

// The plate under the inked part of text (leading and trailing blanks only
// place it); none for blank text.
static void plateUnderText(int x, int y, const char* text, const PlateFit& fit) {
    const int length = static_cast<int>(std::strlen(text));
    int first = 0, end = length;
    while (first < end && text[first] == ' ') first++;
    while (end > first && text[end - 1] == ' ') end--;
    if (end <= first) return;
    drawTextPlate(static_cast<float>(x + fit.advance * first - fit.left), static_cast<float>(y - fit.below),
                  static_cast<float>(x + fit.advance * end + fit.right), static_cast<float>(y + fit.above));
}

void printOnPlate(int x, int y, const char* text) {
    plateUnderText(x, y, text, kSmallPlate);
    printText(x, y, 1.0f, 1, "%s", text);
}

void printLargeOnPlate(int x, int y, const char* text) {
    plateUnderText(x, y, text, kLargePlate);
    printTextLarge(x, y, 1, "%s", text);
}

void drawLock(float x, float y, float size) {
    const float half = 0.5f * size;
    beginShapes();
    // The shackle: a thick U above the body.
    shapeLineWidth(0.16f * size);
    shapeColour(kHudWhite, 0.95f);
    const float sx = 0.3f * size, top = y + 0.75f * size, base = y + 0.15f * size;
    drawLine(x - sx, base, x - sx, top);
    drawLine(x - sx - 0.07f * size, top, x + sx + 0.07f * size, top);
    drawLine(x + sx, top, x + sx, base);
    // The body, with a dark rim and a keyhole.
    shapeColour(kHudBlack, 0.8f);
    fillRect(x - half - 2.0f, y - 0.5f * size - 2.0f, x + half + 2.0f, y + 0.2f * size + 2.0f);
    shapeColour(kHudPlayer, 1.0f);
    fillRect(x - half, y - 0.5f * size, x + half, y + 0.2f * size);
    shapeColour(kHudBlack, 0.9f);
    fillDisc(x, y - 0.1f * size, 0.1f * size);
    fillRect(x - 0.04f * size, y - 0.36f * size, x + 0.04f * size, y - 0.1f * size);
    endShapes();
}

void drawTitleBlock() {
    beginImages();
    drawMaskedImage(menuTexture(kTitleMaskTexture), menuTexture(kTitleFaceTexture), 100.0f, 450.0f, 700.0f,
                    600.0f);
    setBlend2D(Blend2DOff);
}

void drawDarkeningSheet() {
    beginImages();
    setBlend2D(Blend2DMultiply);
    const OverlayBounds screen = overlayBounds();
    drawImage(menuTexture(kDarkeningTexture), screen.left, screen.bottom, screen.right, screen.top);
    setBlend2D(Blend2DOff);
}

// A value of 0.4 draws an empty bar and 1.0 a full one.
static void drawBar(float x, float y, float value) {
    drawImage(menuTexture(kStatFrameTexture), x, y - 1.0f, x + 700.0f, y + 16.0f);
    const float filled = value - 0.4f;
    if (filled <= 0.0f) return;
    drawImage(menuTexture(kStatFillTexture), x + 1.0f, y + 1.0f, x + filled * 1165.0f, y + 14.0f, 0.0f, 0.0f,
              filled * 1.65f, 1.0f);
}

void drawStatisticsBars() {
    computeCarStatistics();
    beginImages();
    setBlend2D(Blend2DOff);
    drawBar(50.0f, 125.0f, frontEnd.carPower);
    drawBar(50.0f, 75.0f, frontEnd.carMaxSpeed);
    drawBar(50.0f, 25.0f, frontEnd.carSuspension);
    char text[48];
    std::snprintf(text, sizeof text, "Power  %d kW", ratingKilowatts(frontEnd.carPower));
    printOnPlate(50, 150, text);
    std::snprintf(text, sizeof text, "Max speed  %d km/h", ratingKmh(frontEnd.carMaxSpeed));
    printOnPlate(50, 100, text);
    std::snprintf(text, sizeof text, "Suspension  %.1f / 10", ratingOutOfTen(frontEnd.carSuspension));
    printOnPlate(50, 50, text);
}

void drawPointer() {
    setBlend2D(Blend2DOff);
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    pushTransform2D();
    translate2D(static_cast<float>(frontEnd.mouseX), 580.0f - static_cast<float>(frontEnd.mouseY));
    // Tip, heel and wing: x, y, u, v each.
    const float arrow[12] = {0.0f, 20.0f, 0.5f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 15.0f, 5.0f, 1.0f, 0.0f};
    drawImageTriangle(menuTexture(kPointerTexture), arrow);
    popTransform2D();
}

void drawPlayerNotice() {
    const char* notice = currentPlayerNotice();
    if (notice == nullptr) return;
    // In a race under the top bar's pods, clear of the minimap and the drift
    // text; in the menus along the bottom edge, under the statistics bars and
    // the screens' panels.
    const bool race = game.gameState == Race;
    const int y = race ? 452 : 5;
    const int width = 10 * static_cast<int>(std::strlen(notice));
    const int x = 400 - width / 2;
    beginOverlay();
    beginShapes();
    shapeColour(kHudBlack, 0.8f);
    fillRect(static_cast<float>(x - 12), static_cast<float>(y - 9), static_cast<float>(x + width + 12),
             static_cast<float>(y + 18));
    shapeLineWidth(1.5f);
    shapeColour(kHudMagenta, 0.95f);
    drawLine(static_cast<float>(x - 10), static_cast<float>(y + 18), static_cast<float>(x + width + 10),
             static_cast<float>(y + 18));
    endShapes();
    endOverlay();
    printText(x, y, 1.0f, 1, "%s", notice);
}
