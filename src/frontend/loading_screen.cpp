// The start-up splash: a full-screen picture, the second one with "Loading...".
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "render/render.h"

void drawLoadingScreen(int stage) {
    // A flat picture: whatever the depth buffer holds must not hide it.
    beginImages();
    beginOverlay();
    drawImage(startTextures[stage == 0 ? 0 : 1], 0.0f, 0.0f, 800.0f, 600.0f);
    if (stage != 0) printText(50, 10, 1.0f, 1, "Loading...");
    endOverlay();
    restoreSceneState();
}
