// The cars' models in the race and in the garage: wheels and body placed and
// lamp-lit like the rest of the scene, the body with its paint's reflection.
#include "render/gl.h"
#include "render/render.h"

namespace {

struct RaceWheelPlacement {
    const float* bodyMatrix;
    const WheelPose* pose;
};

struct RaceBodyPlacement {
    const float* bodyMatrix;
    float raise;
};

void placeRaceWheel(const void* context) {
    const RaceWheelPlacement& c = *static_cast<const RaceWheelPlacement*>(context);
    const WheelPose& w = *c.pose;
    glMultMatrixf(c.bodyMatrix);
    glTranslatef(w.x, w.y, w.z);
    if (w.steerDegrees != 0.0f) glRotatef(w.steerDegrees, 0.0f, 1.0f, 0.0f);
    glRotatef(w.spinDegrees, 0.0f, 0.0f, 1.0f);
    if (w.mirrored) glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
}

void placeRaceBody(const void* context) {
    const RaceBodyPlacement& c = *static_cast<const RaceBodyPlacement*>(context);
    glMultMatrixf(c.bodyMatrix);
    glTranslatef(0.0f, c.raise, 0.0f);
}

// The paint's reflection in the second texture unit, while the body is drawn.
// The body's polish: lamp highlights and the mirror at Medium and up, the
// paint's own colour lit as the street is at Low.
static float paintMirror() {
    return graphicsSwitchesInForce().carPaint ? 1.0f : 0.0f;
}

void bindPaintReflection() {
    if (!multitextureAvailable) return;
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, reflectionTexture);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

void releasePaintReflection() {
    if (!multitextureAvailable) return;
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

void applyGarageView(const GarageView& view) {
    glTranslatef(view.offset[0], view.offset[1], view.offset[2]);
    glRotatef(view.tiltDegrees, 1.0f, 0.0f, 0.0f);
    glRotatef(view.turnDegrees, 0.0f, 1.0f, 0.0f);
}

// The body sits at the room's origin: its light space is the room's.
void placeAtRoomOrigin(const void*) {}

void placeGarageWheel(const void* context) {
    const WheelPose& w = *static_cast<const WheelPose*>(context);
    glTranslatef(w.x, w.y, w.z);
    if (w.mirrored) glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
}

}  // namespace

void drawRaceCarModel(Model* body, Model* wheel, const float bodyMatrix[16], float bodyRaise,
                      const WheelPose wheels[kCarWheelPoses]) {
    const bool backFaces = graphicsSwitchesInForce().carBackFaces;
    if (wheel != nullptr) {
        for (int j = 0; j < kCarWheelPoses; j++) {
            const RaceWheelPlacement c{bodyMatrix, &wheels[j]};
            drawLampLitModel(wheel, placeRaceWheel, &c, sceneShading, 0.0f, backFaces);
        }
    }
    if (body == nullptr) return;
    bindPaintReflection();
    const RaceBodyPlacement c{bodyMatrix, bodyRaise};
    drawLampLitModel(body, placeRaceBody, &c, sceneShading, paintMirror(), backFaces);
    releasePaintReflection();
    glEnable(GL_TEXTURE_2D);
}

void drawGarageCarBody(Model* body, const GarageView& view, const SceneShading& shading) {
    bindPaintReflection();
    glPushMatrix();
    applyGarageView(view);
    drawLampLitModel(body, placeAtRoomOrigin, nullptr, shading, paintMirror(),
                     graphicsSwitchesInForce().carBackFaces);
    glPopMatrix();
    releasePaintReflection();
}

void drawGarageRoom(Model* room, const GarageView& view, const SceneShading& shading) {
    placeModelLightsInWorld();
    glPushMatrix();
    applyGarageView(view);
    uploadModelLights();
    // In chunks, each lit by the lamps that reach it, or by their light
    // baked into a map of the floor where the preset bakes the lamps.
    drawChunkedModel(room, shading, false, graphicsSwitchesInForce().bakedLamps);
    glPopMatrix();
}

void drawGarageCarWheels(Model* wheel, const GarageView& view, const WheelPose wheels[kCarWheelPoses],
                         const SceneShading& shading) {
    for (int j = 0; j < kCarWheelPoses; j++) {
        glPushMatrix();
        applyGarageView(view);
        drawLampLitModel(wheel, placeGarageWheel, &wheels[j], shading, 0.0f,
                         graphicsSwitchesInForce().carBackFaces);
        glPopMatrix();
    }
}
