// The start-up splash: a full-screen picture, the second one with "Loading...".
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "render/render.h"

void drawLoadingScreen(int stage) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    // A flat picture: whatever the depth buffer holds must not hide it.
    glDisable(GL_DEPTH_TEST);
    beginOverlay();
    glBindTexture(GL_TEXTURE_2D, startTextures[stage == 0 ? 0 : 1]);
    overlayQuad(0.0f, 0.0f, 800.0f, 600.0f);
    if (stage != 0) {
        glEnable(GL_BLEND);
        printText(50, 10, 1.0f, 1, "Loading...");
    }
    endOverlay();
    glEnable(GL_DEPTH_TEST);
}
