// The scene's viewport and projection: the garage's narrow view in the menus,
// the race's wide one that opens further with the player's speed, and the
// view a race or the garage hands over for its 3-D scene.
#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

float raceViewSpeed = 0.0f;

static ViewportRect windowRect;
static SceneView currentView;

void resizeScene(int width, int height) {
    if (height == 0) {
        height = 1;
    }
    windowRect = ViewportRect{0, 0, width, height};
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(width) / static_cast<double>(height);
    if (game.gameState != Race) {
        gluPerspective(kGarageFieldOfView, aspect, kGarageNearPlane, kGarageFarPlane);
    } else {
        gluPerspective(kRaceFieldOfView + kRaceViewWidening * static_cast<double>(raceViewSpeed), aspect,
                       kRaceNearPlane, kRaceFarPlane);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

ViewportRect windowViewport() {
    return windowRect;
}

void setSceneView(const SceneView& view) {
    currentView = view;
    const ViewportRect drawn = drawnViewport(view.viewport);
    glViewport(drawn.x, drawn.y, drawn.width, drawn.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const int height = view.viewport.height > 0 ? view.viewport.height : 1;
    gluPerspective(view.fieldOfView, static_cast<double>(view.viewport.width) / static_cast<double>(height),
                   view.nearPlane, view.farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(view.eye.x, view.eye.y, view.eye.z, view.target.x, view.target.y, view.target.z, view.up.x,
              view.up.y, view.up.z);
}

const SceneView& sceneView() {
    return currentView;
}
