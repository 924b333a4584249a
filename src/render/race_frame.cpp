// One race frame's picture, in its passes: the camera, lamps, cars and map
// through the light program, the ghost, the sky, the effects, the marker and
// the lamp sprites, the screen copy with its glow passes, and the HUD over it.
#include "render/gl.h"
#include "render/render.h"

// Light 1 stands high over the city for the fixed-function drawing.
static const float kSceneLightPosition[4] = {200.0f, 600.0f, 0.0f, 1.0f};

static void drawCarPictures(const RaceFrame& frame) {
    for (int i = 0; i < frame.carCount && i < kRaceFrameCars; i++) {
        const RaceCarPicture& car = frame.cars[i];
        if (car.cull && !sphereInView(car.boundsCentre, car.boundsRadius)) continue;
        drawRaceCarModel(car.body, car.wheel, car.bodyMatrix, car.bodyRaise, car.wheels);
    }
}

static void drawGhostPicture(const GhostPicture& ghost) {
    if (!ghost.shown) return;
    drawGhostModel(ghost.body, ghost.bodyMatrix, ghost.tint);
    for (int j = 0; j < kCarWheelPoses; j++) drawGhostModel(ghost.wheel, ghost.wheelMatrices[j], ghost.tint);
}

static void drawMarkerPicture(const MarkerPicture& marker) {
    beginGlowSprites();
    if (marker.shown) drawFacingSprite(marker.texture, marker.centre, marker.halfSize, marker.colour);
    endGlowSprites();
}

// One view's scene: lit cars and map, then the unlit passes.
static void drawSceneOf(const RaceFrame& frame) {
    if (frame.eyesGiven) {
        setCameraEye(frame.cameraEye);
        setShadingView(frame.shadingEye, frame.shadingViewDir);
    }
    // Lit geometry: cars and map.
    beginLitScene();
    setSceneView(frame.view);
    placeFixedLight(kSceneLightPosition);
    selectLights();
    if (!frame.paused) {
        setFillLight(frame.fillLight);
        pushFogColour(frame.haze);
    }
    // The scene's material (ambient, material ambient, diffuse, emission),
    // shared with the map's copies of the program.
    setLightMaterial(sceneShading);
    drawCarPictures(frame);
    drawSceneMap(frame.map, frame.mapDepthPrepass);

    // Unlit: the ghost, sky, effects, marker and lamp sprites.
    endLitScene();
    drawGhostPicture(frame.ghost);
    beginUnlitScene();
    drawSkyDome(false);
    setSceneFog(true);
    if (frame.drawEffects != nullptr) frame.drawEffects();
    setSceneFog(false);
    drawMarkerPicture(frame.marker);
    drawLightSprites();
    setSceneFog(true);
    restoreSceneState();
    // The garage keeps the fog it had.
    if (!frame.paused) popFogColour();
}

void drawRaceFrame(const RaceFrame& frame) {
    drawRaceFrames(&frame, 1);
}

void drawRaceFrames(const RaceFrame* frames, int count) {
    if (count > kMaxRaceViews) count = kMaxRaceViews;
    // The sky behind every view as a clear, not a pass over its pixels.
    clearToNightSky();
    // The 3-D scenes at the preset's render scale; the glow and the HUDs at
    // the full resolution.
    beginScaledScene();
    for (int v = 0; v < count; v++) drawSceneOf(frames[v]);

    // Glow and HUD, over the whole window whatever view came last.
    endScaledScene();
    if (count > 1) {
        const ViewportRect window = windowViewport();
        glViewport(window.x, window.y, window.width, window.height);
    }
    postProcessFrame();
    for (int v = 0; v < count; v++)
        if (frames[v].drawHud != nullptr) frames[v].drawHud();
}
