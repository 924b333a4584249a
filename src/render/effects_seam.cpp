// Stand-ins for the particle effects and the checkpoint marker until they are
// built. The marker's phase still runs, since the HUD's arrow pulses with it.
#include "app/app.h"
#include "render/render.h"

float markerPhase = 0.0f;

void drawCarEffects() {}

void drawCheckpointMarker() {
    markerPhase += 1.5f * frameFactor;
}
