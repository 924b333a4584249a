// The scene's viewport and projection: the garage's narrow view in the menus,
// the race's wide one that opens further with the player's speed.
#include "render/gl.h"
#include "render/render.h"
#include "state/state.h"

float raceViewSpeed = 0.0f;

void resizeScene(int width, int height) {
    if (height == 0) {
        height = 1;
    }
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(width) / static_cast<double>(height);
    if (game.gameState != Race) {
        gluPerspective(35.0, aspect, 0.1, 100.0);
    } else {
        gluPerspective(80.0 + 0.5 * static_cast<double>(raceViewSpeed), aspect, 0.1, 15000.0);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
