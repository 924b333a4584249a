// One race frame described for the renderer: the chase camera's view, the
// night's fill light and haze, the map, the cars, the ghost, the effects, the
// checkpoint marker and the HUD.
#include "race/race.h"
#include "race/race_local.h"
#include "render/render.h"
#include "state/state.h"

// The race's night: a moonlit fill from high above, bluer and a little
// stronger than the garage's, and a blue-black haze in place of grey fog, so
// a street between lamps still shows its kerbs, walls and the road's edge.
const float kMoonlight[3] = {0.27f, 0.31f, 0.42f};
const float kNightHaze[4] = {0.045f, 0.055f, 0.095f, 0.55f};

void renderRaceReflection() {
    const RigidBody* body = session.cars[0].body;
    const Vector3 from = body != nullptr ? getPosition(body) : Vector3();
    renderReflection(ReflectionScene{true, body != nullptr ? session.visualMapModel : nullptr, from, 0.0f});
}

void drawRaceScene() {
    RaceFrame frame;
    // The camera first: the ghost fades by the eye it places.
    frame.view = updateChaseCamera(0);
    // While paused the pause's blue light stays as it is.
    frame.paused = game.gameState == Pause;
    for (int k = 0; k < 3; k++) frame.fillLight[k] = kMoonlight[k];
    for (int k = 0; k < 4; k++) frame.haze[k] = kNightHaze[k];
    frame.map = session.visualMapModel;
    frame.mapDepthPrepass = raceRun.mapDepthPrepass;
    poseRaceCars(&frame);
    frame.ghost = ghostCarPicture();
    frame.drawEffects = drawCarEffects;
    frame.marker = checkpointMarkerPicture();
    frame.drawHud = drawRaceHud;
    drawRaceFrame(frame);
}
