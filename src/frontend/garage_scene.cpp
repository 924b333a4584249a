// The 3-D garage behind the menus: the room and the selected car on a slowly
// turning, gently tilting view, copied into screenTexture and passed through
// the glow passes for the menu overlay to draw as its background.
#include <cmath>

#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

Model* garageModel = nullptr;
Model* garageLightModel = nullptr;
const float garageCameraOffset[3] = {0.0f, -0.5f, -9.5f};
const float garageLightDirection[3] = {0.0f, 0.0f, -1.0f};

namespace {

// The car table's wheel offsets are given for a longer body than the one drawn.
const float kWheelOffsetScale = 0.77f / 1.67f;
const float kWheelHeight = -0.48f;

struct GarageWheel {
    bool front;
    float z;
    bool mirrored;  // turned 180 degrees about x so one model serves both sides
};
const GarageWheel kGarageWheels[kWheels] = {
    {false, 1.0f, false},
    {false, -1.0f, true},
    {true, 1.0f, false},
    {true, -1.0f, true},
};

Model* loadModel(const char* path) {
    Model* model = new Model();
    model->load(path);
    model->loadTextures();
    return model;
}

// The room's material for its chunks: the same values as setGarageMaterial.
const SceneShading kGarageShading = {
    {0.0f, 0.0f, 0.0f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}};

void setGarageMaterial() {
    setLightMaterial(kGarageShading);
}

// The view every model of the garage is drawn under.
void applySceneTransform(float tilt, float turn) {
    glTranslatef(garageCameraOffset[0], garageCameraOffset[1], garageCameraOffset[2]);
    glRotatef(tilt, 1.0f, 0.0f, 0.0f);
    glRotatef(turn, 0.0f, 1.0f, 0.0f);
}

void applyWheelOffset(const CarTableRow& row, const GarageWheel& wheel) {
    const float x = (wheel.front ? row.frontWheelOffset : -row.rearWheelOffset) * kWheelOffsetScale;
    glTranslatef(x, kWheelHeight, wheel.z);
    if (wheel.mirrored) glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
}

// Lamps in the room's own space, where the scene's lights live.
void lightForIdentityPlacement() {
    glPushMatrix();
    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
    updateModelLights();
    glPopMatrix();
}

// The body sits at the room's origin: its light space is the room's.
void placeAtRoomOrigin(const void*) {}

struct GarageWheelPlacement {
    const CarTableRow* row;
    const GarageWheel* wheel;
};

void placeGarageWheel(const void* context) {
    const GarageWheelPlacement& p = *(const GarageWheelPlacement*)context;
    applyWheelOffset(*p.row, *p.wheel);
}

// Body and wheels each lit by the lamps that reach them, the body with its
// paint.
void drawCarBody(Model* body, float tilt, float turn) {
    if (multitextureAvailable) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, reflectionTexture);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glPushMatrix();
    applySceneTransform(tilt, turn);
    drawLampLitModel(body, placeAtRoomOrigin, nullptr, kGarageShading, 1.0f);
    glPopMatrix();
    if (multitextureAvailable) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
}

void drawCarWheels(Model* wheelModel, const CarTableRow& row, float tilt, float turn) {
    for (const GarageWheel& wheel : kGarageWheels) {
        const GarageWheelPlacement placement{&row, &wheel};
        glPushMatrix();
        applySceneTransform(tilt, turn);
        drawLampLitModel(wheelModel, placeGarageWheel, &placement, kGarageShading, 0.0f);
        glPopMatrix();
    }
}

}  // namespace

void loadGarageModels() {
    releaseGarageModels();
    garageModel = loadModel("base/garage/garage.ms3d");
    garageLightModel = loadModel("base/garage/light.ms3d");
    rebuildGarageLights();
}

void releaseGarageModels() {
    releaseModelChunks(garageModel);
    delete garageModel;
    delete garageLightModel;
    garageModel = nullptr;
    garageLightModel = nullptr;
}

void rebuildGarageLights() {
    if (garageLightModel == nullptr) return;
    garageLightModel->buildFlatTriangles();
    buildLightSources(garageLightModel);
}

void renderGarageReflection() {
    renderReflection(ReflectionScene{false, garageModel, Vector3(), menuPhase});
}

void drawGarageScene() {
    shadingEye = Vector3(garageCameraOffset[0], garageCameraOffset[1], garageCameraOffset[2]);
    shadingViewDir = Vector3(garageLightDirection[0], garageLightDirection[1], garageLightDirection[2]);
    const float tilt = 5.0f * std::sin(0.017f * menuPhase) + 5.0f;
    const float turn = (menuPhase + 265.0f) * 0.7f;

    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    renderGarageReflection();
    // The reflection view leaves its square in the corner of the frame.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    useLightProgram();
    setGarageMaterial();
    selectLights();

    // The body first: the depth test then turns away the room behind it
    // instead of shading it and covering it again.
    const int car = selectedCar >= 0 && selectedCar < kCarModels ? selectedCar : 0;
    drawCarBody(carBodyModels[car], tilt, turn);

    lightForIdentityPlacement();
    glPushMatrix();
    applySceneTransform(tilt, turn);
    uploadModelLights();
    // The room in chunks, each lit by the lamps that reach it.
    drawChunkedModel(garageModel, kGarageShading);
    glPopMatrix();

    drawCarWheels(carWheelModels[car], carTable[car], tilt, turn);

    glUseProgramObjectARB(0);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    postProcessFrame();
}
