// The 3-D garage behind the menus: the room and the selected car on a slowly
// turning, gently tilting view, copied into screenTexture and passed through
// the glow passes for the menu overlay to draw as its background.
#include <cmath>

#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

// Translation of the whole garage from the eye; also the eye the lamps are
// shaded from (the chase camera writes the same vector in a race).
static const float garageCameraOffset[3] = {0.0f, -0.5f, -9.5f};
// View direction the lamp selection uses in the garage.
static const float garageLightDirection[3] = {0.0f, 0.0f, -1.0f};

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

// Each wheel's place on the car standing in the room.
void poseGarageWheels(const CarTableRow& row, WheelPose wheels[kCarWheelPoses]) {
    for (int j = 0; j < kWheels; j++) {
        const GarageWheel& wheel = kGarageWheels[j];
        WheelPose& w = wheels[j];
        w.x = (wheel.front ? row.frontWheelOffset : -row.rearWheelOffset) * kWheelOffsetScale;
        w.y = kWheelHeight;
        w.z = wheel.z;
        w.steerDegrees = 0.0f;
        w.spinDegrees = 0.0f;
        w.mirrored = wheel.mirrored;
    }
}

}  // namespace

void loadGarageModels() {
    releaseGarageModels();
    frontEnd.garageModel = loadModel("base/garage/garage.ms3d");
    frontEnd.garageLightModel = loadModel("base/garage/light.ms3d");
    rebuildGarageLights();
}

void releaseGarageModels() {
    releaseModelChunks(frontEnd.garageModel);
    delete frontEnd.garageModel;
    delete frontEnd.garageLightModel;
    frontEnd.garageModel = nullptr;
    frontEnd.garageLightModel = nullptr;
}

void rebuildGarageLights() {
    if (frontEnd.garageLightModel == nullptr) return;
    frontEnd.garageLightModel->buildFlatTriangles();
    buildLightSources(frontEnd.garageLightModel);
}

void renderGarageReflection() {
    renderReflection(ReflectionScene{false, frontEnd.garageModel, Vector3(), frontEnd.menuPhase});
}

void drawGarageScene() {
    setShadingView(Vector3(garageCameraOffset[0], garageCameraOffset[1], garageCameraOffset[2]),
                   Vector3(garageLightDirection[0], garageLightDirection[1], garageLightDirection[2]));
    const float tilt = 5.0f * std::sin(0.017f * frontEnd.menuPhase) + 5.0f;
    const float turn = (frontEnd.menuPhase + 265.0f) * 0.7f;

    const GarageView view{{garageCameraOffset[0], garageCameraOffset[1], garageCameraOffset[2]}, tilt, turn};

    beginUnlitScene();
    renderGarageReflection();
    // The reflection view leaves its square in the corner of the frame.
    clearFrame();
    // The room at the preset's render scale, as a race's scene.
    beginScaledScene();
    // From the room's origin down -z with the garage's lens, over the window.
    SceneView roomView;
    roomView.viewport = windowViewport();
    setSceneView(roomView);
    useLightProgram();
    setGarageMaterial();
    selectLights();

    // The body first: the depth test then turns away the room behind it
    // instead of shading it and covering it again.
    const int car = frontEnd.selectedCar >= 0 && frontEnd.selectedCar < kCarModels ? frontEnd.selectedCar : 0;
    drawGarageCarBody(garageCarBody(car), view, kGarageShading);
    drawGarageRoom(frontEnd.garageModel, view, kGarageShading);
    WheelPose wheels[kCarWheelPoses];
    poseGarageWheels(raceRun.carTable[car], wheels);
    drawGarageCarWheels(garageCarWheel(car), view, wheels, kGarageShading);

    endLitScene();
    endScaledScene();
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    postProcessFrame();
}
