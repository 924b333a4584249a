// The paint's reflection image: a small wide-angle view drawn into the
// corner of the back buffer before the scene and copied into
// reflectionTexture, which the car bodies sample on texture unit 1.
#include <algorithm>
#include <cmath>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

static const int kReflectionSize = 256;
// The reflection view's sky: an open box 8 km wide whose floor sits well
// below the streets, so its walls fill the horizon seen from any car.
static const float kSkyBoxBottom = -1000.0f;
static const float kSkyBoxWidth = 8000.0f;
static const float kSkyBoxHeight = 3000.0f;

static void setUpReflectionView() {
    glViewport(0, 0, kReflectionSize, kReflectionSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 0.01, 8000.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    // Only the square is drawn and read back; the frame clears the rest.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, kReflectionSize, kReflectionSize);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glLoadIdentity();
}

// The lamps as they light a model placed at the world origin; the slots are
// last frame's, since the camera that picks them runs after this pass.
static void lightIdentityPlacement() {
    glUniform4fARB(ambientColorUniform, 0.2f, 0.2f, 0.2f, 1.0f);
    modelMatrix = Matrix4();
    updateModelLights();
}

// What the car's paint sees: the street behind it, towards the camera.
static void drawRaceSurroundings(const ReflectionScene& scene) {
    if (scene.surroundings == nullptr) return;
    const Vector3 from = scene.from;
    glUseProgramObjectARB(lightProgram);
    gluLookAt(from.x, from.y, from.z, shadingEye.x, shadingEye.y, shadingEye.z, 0.0, 1.0, 0.0);
    lightIdentityPlacement();
    if (mapChunksEnabled) {
        // The chunks inside this view only, nearest the car first, each lit
        // by the lamps that reach it.
        modelCameraPosition[0] = from.x;
        modelCameraPosition[1] = from.y;
        modelCameraPosition[2] = from.z;
        drawChunkedModel(scene.surroundings, sceneShading, mapBackFaceCulling);
    } else {
        uploadModelLights();
        drawModel(scene.surroundings);
    }
    glUseProgramObjectARB(0);

    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawSkyBox(0.0f, kSkyBoxBottom, 0.0f, kSkyBoxWidth, kSkyBoxHeight, kSkyBoxWidth);
    glDisable(GL_LIGHTING);
    drawLightSprites();
}

// The garage room seen from where the car stands, swaying on its own slow
// rhythm so the paint's reflection moves against the turning car.
static void drawGarageSurroundings(const ReflectionScene& scene) {
    if (scene.surroundings == nullptr) return;
    glUseProgramObjectARB(lightProgram);
    gluLookAt(0.0, 0.0, 0.0, shadingEye.x, shadingEye.y, shadingEye.z, 0.0, 1.0, 0.0);
    lightIdentityPlacement();
    glRotatef(10.0f + 5.0f * std::sin(0.017f * scene.swayPhase), 1.0f, 0.0f, 0.0f);
    glRotatef(-60.0f * std::sin(0.01f * scene.swayPhase), 0.0f, 1.0f, 0.0f);
    uploadModelLights();
    glDisable(GL_LIGHTING);
    drawModel(scene.surroundings);
    glUseProgramObjectARB(0);
}

// Draws the copied square back with s reversed and copies it again: the
// paint then mirrors the street the way a mirror would, left for left.
static void mirrorReflection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, kReflectionSize, 0.0, kReflectionSize, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(static_cast<float>(kReflectionSize), 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(static_cast<float>(kReflectionSize), static_cast<float>(kReflectionSize));
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.0f, static_cast<float>(kReflectionSize));
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, kReflectionSize, kReflectionSize);
}

bool reflectionEveryOtherFrame = true;

// Frames of 30 ms or more (below about 33 frames a second) keep the mirror
// image for a second frame; faster machines draw it on every frame.
float reflectionSlowFrameFactor = 3.0f;

// Race frames the mirror image has been kept for since it was drawn; -1
// when reflectionTexture holds no race's image (the garage's, or black).
static int mirrorKeptFrames = -1;
// reflectionTexture was filled black and nothing has been drawn into it since.
static bool mirrorBlack = false;

void renderReflection(const ReflectionScene& scene) {
    const bool inRace = scene.inRace;
    const int interval = graphicsSwitches.reflectionInterval;
    // A preset without the mirror draws it neither in a race nor in the garage.
    if (!effectsEnabled || interval <= 0) {
        if (!mirrorBlack) fillRenderTexture(reflectionTexture, kReflectionSize, kReflectionSize, 0);
        mirrorBlack = true;
        mirrorKeptFrames = -1;
        return;
    }
    // The street mirrored in the paint moves little from one frame to the
    // next: when frames are slow, a race keeps the image for a second frame,
    // so it is at most one frame old; a preset may keep it longer. The
    // garage's own view is not a race's, so a race's first frame always
    // draws its own.
    if (inRace && mirrorKeptFrames >= 0) {
        const int keep = std::max(
            interval,
            reflectionEveryOtherFrame && frameClock.frameFactor >= reflectionSlowFrameFactor ? 2 : 1);
        if (mirrorKeptFrames + 1 < keep) {
            mirrorKeptFrames++;
            return;
        }
    }
    mirrorKeptFrames = inRace ? 0 : -1;
    mirrorBlack = false;
    setUpReflectionView();
    if (inRace)
        drawRaceSurroundings(scene);
    else
        drawGarageSurroundings(scene);

    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, reflectionTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, kReflectionSize, kReflectionSize);
    if (inRace) mirrorReflection();

    int32_t width, height;
    currentResolution(&width, &height);
    resizeScene(width, height);
}
