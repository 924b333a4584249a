// What the race and the front end hand render for the frame, set here by
// render itself.
#include "render/render.h"

void setTextColour(int colour) {
    textColour = colour;
}

void setTextAlpha(float alpha) {
    textAlpha = alpha;
}

void setRaceViewSpeed(float speed) {
    raceViewSpeed = speed;
}

void setCameraEye(const Vector3& eye) {
    cameraEye = eye;
}

void setShadingView(const Vector3& eye, const Vector3& viewDir) {
    shadingEye = eye;
    shadingViewDir = viewDir;
}

void setCarEmitters(int car, const EmitterSettings& settings) {
    if (car < 0 || car >= kEffectCars) return;
    dustEmitters[car].level = settings.dustLevel;
    dustEmitters[car].enabled = settings.dustActive;
    for (int k = 0; k < 3; k++) flameEmitters[car].colour[k] = settings.flameColour[k];
    flameEmitters[car].level = settings.flameLevel;
    flameEmitters[car].enabled = settings.flameActive;
    smokeEmitters[car].level = settings.smokeLevel;
    smokeEmitters[car].enabled = settings.smokeActive;
}
