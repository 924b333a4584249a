// The car table and the car models: the full ones loaded once at start-up,
// the coarse ones by the first race at Low that needs them.
#include <cstdio>

#include "race/race.h"
#include "render/render.h"

static const CarTableRow kCarRatings[kCarTableRows] = {
    {0.50f, 0.52f, 0.53f, 3.96f, 3.88f}, {0.52f, 0.54f, 0.55f, 3.54f, 4.69f},
    {0.53f, 0.55f, 0.53f, 3.96f, 3.88f}, {0.55f, 0.52f, 0.55f, 3.66f, 4.19f},
    {0.54f, 0.57f, 0.54f, 3.96f, 3.88f}, {0.56f, 0.54f, 0.58f, 3.54f, 4.69f},
    {0.57f, 0.55f, 0.60f, 3.96f, 3.88f}, {0.59f, 0.60f, 0.58f, 3.66f, 4.19f},
    {0.62f, 0.58f, 0.64f, 3.96f, 3.88f}, {0.63f, 0.60f, 0.63f, 3.54f, 4.69f},
    {0.67f, 0.64f, 0.63f, 3.96f, 3.88f}, {0.66f, 0.67f, 0.68f, 3.66f, 4.19f},
    {0.68f, 0.70f, 0.67f, 3.62f, 4.30f}, {0.72f, 0.69f, 0.70f, 4.14f, 4.255f},
    {0.71f, 0.71f, 0.72f, 4.17f, 4.20f}, {0.73f, 0.76f, 0.72f, 4.15f, 4.39f},
    {0.76f, 0.72f, 0.71f, 4.00f, 4.18f}, {0.75f, 0.74f, 0.76f, 4.14f, 4.125f},
};
static_assert(sizeof(kCarRatings) / sizeof(kCarRatings[0]) == kCarTableRows, "one rating row per table row");

void initCarTable() {
    for (int i = 0; i < kCarTableRows; i++) {
        raceRun.carTable[i] = kCarRatings[i];
    }
}

static Model* loadCarModel(int carNumber, const char* file) {
    char path[64];
    snprintf(path, sizeof path, "base/cars/%d/%s", carNumber, file);
    Model* model = new Model();
    model->load(path);
    model->loadTextures();
    return model;
}

void loadCarModels() {
    releaseCarModels();
    for (int n = 1; n <= kCarModels; n++) {
        raceRun.carBodyModels[n - 1] = loadCarModel(n, "car.ms3d");
        raceRun.carWheelModels[n - 1] = loadCarModel(n, "wheel.ms3d");
    }
}

void releaseCarModels() {
    for (int i = 0; i < kCarModels; i++) {
        delete raceRun.carBodyModels[i];
        delete raceRun.carWheelModels[i];
        delete raceRun.carCoarseBodyModels[i];
        delete raceRun.carCoarseWheelModels[i];
        raceRun.carBodyModels[i] = nullptr;
        raceRun.carWheelModels[i] = nullptr;
        raceRun.carCoarseBodyModels[i] = nullptr;
        raceRun.carCoarseWheelModels[i] = nullptr;
        raceRun.carCoarseAsked[i] = false;
    }
}

// Loads one coarse model into *slot unless it holds one. An empty model
// would leave the car unseen: the slot stays empty and the full one is drawn.
static void loadCoarseModel(int carNumber, const char* file, Model** slot) {
    if (*slot != nullptr) return;
    Model* model = loadCarModel(carNumber, file);
    if (model->triangleCount == 0) {
        delete model;
        return;
    }
    *slot = model;
}

static void loadCoarseCar(int model) {
    if (model < 0 || model >= kCarModels) return;
    loadCoarseModel(model + 1, "car_low.ms3d", &raceRun.carCoarseBodyModels[model]);
    loadCoarseModel(model + 1, "wheel_low.ms3d", &raceRun.carCoarseWheelModels[model]);
}

void loadCoarseCarModels() {
    for (int i = 0; i < kRaceCars; i++)
        if (session.cars[i].body != nullptr) loadCoarseCar(session.cars[i].model);
    if (raceRun.timeTrialMode) loadCoarseCar(players[0].raceGhost.car);
}

static Model* raceCarModel(Model* full, Model* coarse) {
    return graphicsSwitchesInForce().coarseCarModels && coarse != nullptr ? coarse : full;
}

Model* raceCarBody(int model) {
    return raceCarModel(raceRun.carBodyModels[model], raceRun.carCoarseBodyModels[model]);
}

Model* raceCarWheel(int model) {
    return raceCarModel(raceRun.carWheelModels[model], raceRun.carCoarseWheelModels[model]);
}

// The garage shows one car at a time: its coarse models are read at its
// first showing at such a preset, and a missing file is not looked for
// again at every frame.
static void askCoarseCar(int model) {
    if (!graphicsSwitchesInForce().coarseCarModels || raceRun.carCoarseAsked[model]) return;
    raceRun.carCoarseAsked[model] = true;
    loadCoarseCar(model);
}

Model* garageCarBody(int model) {
    if (model < 0 || model >= kCarModels) return nullptr;
    askCoarseCar(model);
    return raceCarBody(model);
}

Model* garageCarWheel(int model) {
    if (model < 0 || model >= kCarModels) return nullptr;
    askCoarseCar(model);
    return raceCarWheel(model);
}
