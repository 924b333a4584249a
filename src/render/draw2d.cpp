// Flat 2-D shapes and scaled text in the 800 x 600 overlay space, so the HUD,
// the menus and the result screens draw without touching GL themselves.
#include <cmath>
#include <cstring>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

void beginShapes() {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void endShapes() {
    glLineWidth(1.0f);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void shapeColour(const float rgb[3], float alpha) {
    glColor4f(rgb[0], rgb[1], rgb[2], alpha);
}

void fillRect(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

void outlineRect(float x0, float y0, float x1, float y1) {
    glBegin(GL_LINE_LOOP);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

void drawLine(float x0, float y0, float x1, float y1) {
    glBegin(GL_LINES);
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glEnd();
}

void shapeLineWidth(float overlayUnits) {
    // GL line widths are in pixels.
    const float w = overlayUnits * overlayPixelScale();
    glLineWidth(w < 1.0f ? 1.0f : w);
}

void fillDisc(float x, float y, float radius, int sides) {
    glBegin(GL_TRIANGLE_FAN);
    glVertex2f(x, y);
    for (int i = 0; i <= sides; i++) {
        const float a = static_cast<float>(i) * 6.2831853f / static_cast<float>(sides);
        glVertex2f(x + radius * std::cos(a), y + radius * std::sin(a));
    }
    glEnd();
}

void drawPod(float x0, float y0, float x1, float y1, const float underline[3]) {
    beginShapes();
    shapeColour(kHudBlack, 0.55f);
    fillRect(x0, y0, x1, y1);
    shapeLineWidth(1.4f);
    shapeColour(underline, 0.9f);
    drawLine(x0 + 4.0f, y0 + 1.0f, x1 - 4.0f, y0 + 1.0f);
    endShapes();
}

void printScaled(float x, float y, float scale, const char* text) {
    const TgaImage& glyphs = tgaTextures[kGlyphTga];
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glyphs.texture != 0xFFFFFFFFu ? glyphs.texture : 0);
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glScalef(scale, scale, 1.0f);
    drawGlyphLine(false, 128 - 32, text, static_cast<int>(std::strlen(text)));
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
}

void printColoured(const float rgb[3], float alpha, int x, int y, const char* text) {
    textColour = 3;
    glColor4f(rgb[0], rgb[1], rgb[2], alpha);
    printText(x, y, 1.0f, 1, "%s", text);
    textColour = 0;
}

void strokeLoop(const float* xy, int count) {
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < count; i++) glVertex2f(xy[2 * i], xy[2 * i + 1]);
    glEnd();
}

void fillTriangle(const float xy[6]) {
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 3; i++) glVertex2f(xy[2 * i], xy[2 * i + 1]);
    glEnd();
}

void fillQuad(const float xy[8]) {
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; i++) glVertex2f(xy[2 * i], xy[2 * i + 1]);
    glEnd();
}
