// The menus' building blocks: overlay projection, button widget, title block,
// darkening sheet, statistics bars and the mouse pointer.
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "render/render.h"
#include "state/state.h"

GLuint menuTexture(int entry) {
    return entry >= 0 && entry < kGameTextureCount ? gameTextures[entry] : 0;
}

GLuint menuTga(int entry) {
    if (entry < 0 || entry >= kTgaTextureCount) return 0;
    const GLuint name = tgaTextures[entry].texture;
    return name != 0xFFFFFFFFu ? name : 0;
}

void overlayQuad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1) {
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex2f(x0, y0);
    glTexCoord2f(u1, v0);
    glVertex2f(x1, y0);
    glTexCoord2f(u1, v1);
    glVertex2f(x1, y1);
    glTexCoord2f(u0, v1);
    glVertex2f(x0, y1);
    glEnd();
}

// Darkens the frame by one image, then lights it by another over the same
// quad, each only where it changes the frame.
static void maskThenFace(float x0, float y0, float x1, float y1, GLuint mask, GLuint face) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    drawOverlayImage(mask, OverlayMultiply, x0, y0, x1, y1);
    glBlendFunc(GL_ONE, GL_ONE);
    drawOverlayImage(face, OverlayAdd, x0, y0, x1, y1);
}

void drawButton(int y, bool hover) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushMatrix();
    // The plate's origin: 120 right of the item, 25 below its line.
    glTranslatef(560.0f + 120.0f, (float)y - 25.0f, 0.0f);
    maskThenFace(-120.0f, 0.0f, 120.0f, 60.0f, menuTexture(kButtonMaskTexture),
                 menuTexture(kButtonFaceTexture));

    // The icon spins while the item is under the cursor.
    glTranslatef(-67.0f, 30.0f, 0.0f);
    if (hover) glRotatef(menuPhase * 10.0f, 0.0f, 0.0f, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, menuTga(kButtonIconTga));
    overlayQuad(-32.0f, -32.0f, 32.0f, 32.0f);
    glPopMatrix();
    glDisable(GL_BLEND);
}

void drawMenuItem(int row, const char* label) {
    const int y = menuRowHeight(row);
    drawButton(y, menuHoverFlags[row - 1]);
    printText(650, y, 1.0f, 1, "%s", label);
}

void drawTitleBlock() {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    maskThenFace(100.0f, 450.0f, 700.0f, 600.0f, menuTexture(kTitleMaskTexture),
                 menuTexture(kTitleFaceTexture));
    glDisable(GL_BLEND);
}

void drawDarkeningSheet() {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, menuTexture(kDarkeningTexture));
    overlayQuad(0.0f, 0.0f, 800.0f, 600.0f);
    glDisable(GL_BLEND);
}

// A value of 0.4 draws an empty bar and 1.0 a full one.
static void drawBar(float x, float y, float value) {
    glBindTexture(GL_TEXTURE_2D, menuTexture(kStatFrameTexture));
    overlayQuad(x, y - 1.0f, x + 700.0f, y + 16.0f);
    const float filled = value - 0.4f;
    if (filled <= 0.0f) return;
    glBindTexture(GL_TEXTURE_2D, menuTexture(kStatFillTexture));
    overlayQuad(x + 1.0f, y + 1.0f, x + filled * 1165.0f, y + 14.0f, 0.0f, 0.0f, filled * 1.65f, 1.0f);
}

void drawStatisticsBars() {
    computeCarStatistics();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawBar(50.0f, 125.0f, carPower);
    drawBar(50.0f, 75.0f, carMaxSpeed);
    drawBar(50.0f, 25.0f, carSuspension);
    printText(50, 150, 1.0f, 1, "Power");
    printText(50, 100, 1.0f, 1, "Max speed");
    printText(50, 50, 1.0f, 1, "Suspension");
}

void drawPointer() {
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, menuTexture(kPointerTexture));
    glPushMatrix();
    glTranslatef((float)mouseX, 580.0f - (float)mouseY, 0.0f);
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0.5f, 1.0f);
    glVertex2f(0.0f, 20.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(15.0f, 5.0f);
    glEnd();
    glPopMatrix();
}
