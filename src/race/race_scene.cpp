// One race frame's picture: camera, lamps, cars and map through the light
// program, the sky, the effects and lamp sprites, the screen copy with its
// glow passes, and the HUD over it.
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

// Light 1 stands high over the city for the fixed-function drawing.
static const float kSceneLightPosition[4] = {200.0f, 600.0f, 0.0f, 1.0f};

// The race's night: a moonlit fill from high above, bluer and a little
// stronger than the garage's, and a blue-black haze in place of grey fog, so
// a street between lamps still shows its kerbs, walls and the road's edge.
static const float kMoonlight[3] = {0.27f, 0.31f, 0.42f};
static const float kNightHaze[4] = {0.045f, 0.055f, 0.095f, 0.55f};

// False while paused, when the pause's blue light stays as it is.
static bool setRaceNight() {
    if (game.gameState == Pause) return false;
    setFillLight(kMoonlight);
    pushFogColour(kNightHaze);
    return true;
}

void renderRaceReflection() {
    const RigidBody* body = session.cars[0].body;
    const Vector3 from = body != nullptr ? getPosition(body) : Vector3();
    renderReflection(ReflectionScene{true, body != nullptr ? session.visualMapModel : nullptr, from, 0.0f});
}

void drawRaceScene() {
    // The 3-D scene at the preset's render scale; the glow and the HUD at
    // the full resolution.
    beginScaledScene();
    // Lit geometry: cars and map.
    beginLitScene();
    updateChaseCamera(0);
    placeFixedLight(kSceneLightPosition);
    selectLights();
    const bool night = setRaceNight();
    // The scene's material (ambient, material ambient, diffuse, emission),
    // shared with the map's copies of the program.
    setLightMaterial(sceneShading);
    drawCars();
    drawSceneMap(session.visualMapModel, raceRun.mapDepthPrepass);

    // Unlit: the ghost, sky, effects, marker and lamp sprites.
    endLitScene();
    drawGhostCar();
    beginUnlitScene();
    drawSkyDome();
    setSceneFog(true);
    drawCarEffects();
    setSceneFog(false);
    drawCheckpointMarker();
    drawLightSprites();
    setSceneFog(true);
    restoreSceneState();
    // The garage keeps the fog it had.
    if (night) popFogColour();

    // Glow and HUD.
    endScaledScene();
    postProcessFrame();
    drawRaceHud();
}
