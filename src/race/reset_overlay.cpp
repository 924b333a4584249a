// The reset's fade to black and the time it cost, over the HUD.
#include <cstdio>

#include "race/race.h"
#include "render/render.h"

void drawResetOverlay() {
    drawPlayerResetOverlay(0);
}

void drawPlayerResetOverlay(int player) {
    if (player < 0 || player >= kMaxPlayers) return;
    const float fade = carResetFade(player);
    if (fade <= 0.0f && players[player].resetPenaltyShown <= 0.0f) {
        return;
    }
    beginOverlay();
    beginShapes();
    if (fade > 0.0f) {
        shapeColour(kHudBlack, fade);
        const OverlayBounds screen = overlayBounds();
        fillRect(screen.left, screen.bottom, screen.right, screen.top);
    }
    endShapes();
    if (players[player].resetPenaltyShown > 0.0f) {
        // Fades out over its last second, under the race clock.
        float alpha = players[player].resetPenaltyShown < 1.0f ? players[player].resetPenaltyShown : 1.0f;
        char text[16];
        std::snprintf(text, sizeof text, "+%d s", kResetPenaltySeconds);
        printColoured(kHudMagenta, alpha, 370, 500, text);
    }
    endOverlay();
}
