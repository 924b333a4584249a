// The districts heard under a race: the city's hum, the harbour's water and
// the ironworks, each faded in by how near the player's car is to its
// district, so a circuit crossing from one quarter to the next is heard to.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

namespace {

// The city's districts lie around these points, a point belonging to the
// nearest one (the content generator lays the city out from the same
// seeds), each with the ambience it is heard by: downtown, the old town and
// parkside by the city's hum.
struct AmbienceSeed {
    float x, z;
    int bed;
};
const AmbienceSeed kAmbienceSeeds[] = {
    {30.0f, -90.0f, AmbienceCity},    {180.0f, -640.0f, AmbienceHarbour}, {-120.0f, -660.0f, AmbienceHarbour},
    {440.0f, -220.0f, AmbienceWorks}, {470.0f, 470.0f, AmbienceWorks},    {-390.0f, -230.0f, AmbienceCity},
    {-430.0f, 430.0f, AmbienceCity},  {40.0f, 400.0f, AmbienceCity},
};

// A bed is heard at e^-1 of the nearest one's weight this many units
// further from its nearest seed: about a street's length of crossfade at a
// district's edge.
constexpr float kAmbienceBlend = 40.0f;
// Each bed's gain follows its weight by this share of the gap a 10 ms, about
// a second to cross over.
constexpr float kAmbienceFollow = 0.01f;

SoundEffect* const kBeds[kAmbienceBeds] = {&soundAmbienceCity, &soundAmbienceHarbour, &soundAmbienceWorks};

}  // namespace

void ambienceWeights(float x, float z, float weights[kAmbienceBeds]) {
    float nearest[kAmbienceBeds];
    for (float& d : nearest) d = 1e30f;
    for (const AmbienceSeed& seed : kAmbienceSeeds) {
        const float d = std::sqrt((x - seed.x) * (x - seed.x) + (z - seed.z) * (z - seed.z));
        if (d < nearest[seed.bed]) nearest[seed.bed] = d;
    }
    float least = 1e30f;
    for (float d : nearest) least = d < least ? d : least;
    float sum = 0.0f;
    for (int b = 0; b < kAmbienceBeds; b++) {
        weights[b] = std::exp(-(nearest[b] - least) / kAmbienceBlend);
        sum += weights[b];
    }
    for (int b = 0; b < kAmbienceBeds; b++) weights[b] /= sum;
}

void startAmbience() {
    for (SoundEffect* bed : kBeds) {
        bed->setGain(0.0f);
        bed->play();
    }
}

void updateAmbience(float f) {
    if (session.cars[0].body == nullptr) return;
    const Vector3 p = getPosition(session.cars[0].body);
    float weights[kAmbienceBeds];
    ambienceWeights(p.x, p.z, weights);
    for (int b = 0; b < kAmbienceBeds; b++) {
        float gain = kBeds[b]->gain + (weights[b] - kBeds[b]->gain) * kAmbienceFollow * f;
        if (gain < 0.0f) gain = 0.0f;
        if (gain > 1.0f) gain = 1.0f;
        kBeds[b]->setGain(gain);
    }
}
