// One race frame's picture: camera, lamps, cars and map through the light
// program, the sky, the effects and lamp sprites, the screen copy with its
// glow passes, and the HUD over it.
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

// Light 1 stands high over the city for the fixed-function drawing.
static const GLfloat kSceneLightPosition[4] = {200.0f, 600.0f, 0.0f, 1.0f};

static void uniform4(GLint location, const float v[4]) {
    glUniform4fARB(location, v[0], v[1], v[2], v[3]);
}

// The scene's material (ambient 0.2, material ambient 0.5, diffuse 1, no
// emission), shared with the map's copies of the program.
static void setMaterialUniforms() {
    uniform4(ambientColorUniform, sceneShading.ambientColor);
    uniform4(matAmbientUniform, sceneShading.matAmbient);
    uniform4(matDiffuseUniform, sceneShading.matDiffuse);
    glUniform4fARB(matSpecularUniform, 0.0f, 0.0f, 0.0f, 1.0f);
    uniform4(emissiveUniform, sceneShading.emissive);
    glUniform1fARB(shininessUniform, 0.0f);
}

void renderRaceReflection() {
    const RigidBody* body = cars[0].body;
    const Vector3 from = body != nullptr ? getPosition(body) : Vector3();
    renderReflection(ReflectionScene{true, body != nullptr ? visualMapModel : nullptr, from, 0.0f});
}

bool mapDepthPrepass = true;

// Depth only, through the fixed-function pipeline: the light program's
// vertex stage uses ftransform(), so its depths are the same to the bit and
// the lit pass then shades only the map's visible fragments instead of every
// wall behind every other (the city is drawn whole, without culling).
static void drawMapDepth() {
    glUseProgramObjectARB(0);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    drawModel(visualMapModel);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgramObjectARB(lightProgram);
}

// The map is placed as it is: its light space is the world.
static void drawMap() {
    glPushMatrix();
    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
    updateModelLights();
    glPopMatrix();
    if (mapChunksEnabled) {
        drawChunkedModel(visualMapModel, sceneShading);
        return;
    }
    if (mapDepthPrepass) drawMapDepth();
    uploadModelLights();
    drawModel(visualMapModel);
}

void drawRaceScene() {
    // Lit geometry: cars and map.
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glUseProgramObjectARB(lightProgram);
    updateChaseCamera(0);
    glLightfv(GL_LIGHT1, GL_POSITION, kSceneLightPosition);
    selectLights();
    setMaterialUniforms();
    drawCars();
    drawMap();

    // Unlit: the ghost, sky, effects, marker and lamp sprites.
    glUseProgramObjectARB(0);
    drawGhostCar();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    drawSkyDome();
    glEnable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glEnable(GL_CULL_FACE);
    drawCarEffects();
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    drawCheckpointMarker();
    glEnable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    drawLightSprites();
    glEnable(GL_FOG);
    glEnable(GL_TEXTURE_2D);

    // Glow and HUD.
    postProcessFrame();
    drawRaceHud();
}
