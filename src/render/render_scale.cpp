// The race's 3-D scene at a lower internal resolution: drawn into the lower
// left of the back buffer, then stretched over the whole frame with linear
// filtering, so the glow and the HUD that follow keep their full sharpness.
#include <algorithm>
#include <cmath>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

// The scaled picture, as large as the last scaled scene.
static GLuint scaledSceneTexture = 0;
static int scaledTextureWidth = 0, scaledTextureHeight = 0;
// The scale a scene view's viewport is drawn at: 1 outside a scaled scene.
static float drawnScale = 1.0f;

void scaledSceneSize(int width, int height, float scale, int* outWidth, int* outHeight) {
    if (!(scale > 0.0f) || scale >= 1.0f) {
        *outWidth = width;
        *outHeight = height;
        return;
    }
    *outWidth = std::max(1, static_cast<int>(std::lround(width * scale)));
    *outHeight = std::max(1, static_cast<int>(std::lround(height * scale)));
}

static bool sceneIsScaled(int* width, int* height, int* scaledWidth, int* scaledHeight) {
    int32_t w = 0, h = 0;
    currentResolution(&w, &h);
    *width = w;
    *height = h;
    scaledSceneSize(w, h, graphicsSwitches.renderScale, scaledWidth, scaledHeight);
    return *scaledWidth < w || *scaledHeight < h;
}

void abandonScaledScene() {
    scaledSceneTexture = 0;
    scaledTextureWidth = scaledTextureHeight = 0;
}

ViewportRect drawnViewport(const ViewportRect& rect) {
    if (drawnScale >= 1.0f) return rect;
    ViewportRect drawn;
    drawn.x = static_cast<int>(std::lround(rect.x * drawnScale));
    drawn.y = static_cast<int>(std::lround(rect.y * drawnScale));
    scaledSceneSize(rect.width, rect.height, drawnScale, &drawn.width, &drawn.height);
    return drawn;
}

void beginScaledScene() {
    int width, height, sw, sh;
    drawnScale = 1.0f;
    if (!sceneIsScaled(&width, &height, &sw, &sh)) return;
    drawnScale = graphicsSwitches.renderScale;
    glViewport(0, 0, sw, sh);
}

void endScaledScene() {
    int width, height, sw, sh;
    drawnScale = 1.0f;
    if (!sceneIsScaled(&width, &height, &sw, &sh)) return;
    glUseProgramObjectARB(0);
    glEnable(GL_TEXTURE_2D);
    if (scaledSceneTexture == 0) glGenTextures(1, &scaledSceneTexture);
    glBindTexture(GL_TEXTURE_2D, scaledSceneTexture);
    if (sw != scaledTextureWidth || sh != scaledTextureHeight) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, sw, sh, 0);
        scaledTextureWidth = sw;
        scaledTextureHeight = sh;
    } else {
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, sw, sh);
    }

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLboolean fog = glIsEnabled(GL_FOG);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, 1.0f);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    if (fog) glEnable(GL_FOG);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
