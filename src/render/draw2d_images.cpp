// Images, blending and the transform of the 800 x 600 overlay space, so the
// HUD, the countdown and the menus place their pictures without touching GL.
#include "render/gl.h"
#include "render/render.h"

void drawColour(float r, float g, float b, float a) {
    glColor4f(r, g, b, a);
}

void setBlend2D(Blend2D mode) {
    if (mode == Blend2DOff) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    switch (mode) {
        case Blend2DAlpha:
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case Blend2DGlow:
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            break;
        case Blend2DAdd:
            glBlendFunc(GL_ONE, GL_ONE);
            break;
        case Blend2DMultiply:
            glBlendFunc(GL_DST_COLOR, GL_ZERO);
            break;
        case Blend2DOff:
            break;
    }
}

void beginImages() {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void endImages() {
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void restoreSceneState() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void drawImage(GLuint texture, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
               float v1) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
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

void drawImageTriangle(GLuint texture, const float corners[12]) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 3; i++) {
        glTexCoord2f(corners[4 * i + 2], corners[4 * i + 3]);
        glVertex2f(corners[4 * i], corners[4 * i + 1]);
    }
    glEnd();
}

// The frame times the mask, plus the face. Where the mask is grey and the
// colour white, one pass does both: the blend multiplies the frame by the
// mask in the combined image's alpha and adds its colour, with the rounding
// of the two passes.
void drawMaskedImage(GLuint mask, GLuint face, float x0, float y0, float x1, float y1) {
    glEnable(GL_BLEND);
    if (overlaySavings.onePassMasks) {
        GLfloat colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        const bool white = colour[0] == 1.0f && colour[1] == 1.0f && colour[2] == 1.0f && colour[3] == 1.0f;
        const GLuint combined = white ? maskedFaceImage(mask, face) : 0;
        if (combined != 0) {
            glBlendFunc(GL_ONE, GL_SRC_ALPHA);
            drawOverlayImage(combined, OverlayMaskedAdd, x0, y0, x1, y1);
            return;
        }
    }
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    drawOverlayImage(mask, OverlayMultiply, x0, y0, x1, y1);
    glBlendFunc(GL_ONE, GL_ONE);
    drawOverlayImage(face, OverlayAdd, x0, y0, x1, y1);
}

GLuint tgaTextureName(int entry) {
    if (entry < 0 || entry >= kTgaTextureCount) return 0;
    const GLuint name = tgaTextures[entry].texture;
    return name != 0xFFFFFFFFu ? name : 0;
}

void pushTransform2D() {
    glPushMatrix();
}

void popTransform2D() {
    glPopMatrix();
}

void translate2D(float x, float y) {
    glTranslatef(x, y, 0.0f);
}

void rotate2D(float degrees) {
    glRotatef(degrees, 0.0f, 0.0f, 1.0f);
}

void resetView() {
    glLoadIdentity();
}
