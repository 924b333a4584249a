// Where the districts lie and how each looks.
#include "content/districts.h"

namespace {

struct Seed {
    float x, z;
    District district;
};

// Two seeds for the harbour along the southern waterfront, two for the
// ironworks (the east side and the north-east rail yards), two for the old
// town (the west and the north-west hill).
const Seed kSeeds[] = {
    {30.0f, -90.0f, Downtown},    {180.0f, -640.0f, Harbour},  {-120.0f, -660.0f, Harbour},
    {440.0f, -220.0f, Ironworks}, {470.0f, 470.0f, Ironworks}, {-390.0f, -230.0f, OldTown},
    {-430.0f, 430.0f, OldTown},   {40.0f, 400.0f, Parkside},
};

}  // namespace

const DistrictStyle kDistrictStyles[kDistrictCount] = {
    // Glass towers, cold white lamps high over wide kerbs, big signs.
    {"DOWNTOWN",
     0x2ec8ff,
     {0.78f, 0.88f, 1.0f},
     9.0f,
     40.0f,
     105.0f,
     4,
     "glass",
     "kerb_down",
     "barrier_down",
     16.0f,
     34.0f},
    // Sheds and stacked containers on the quays, deep sodium on tall masts.
    {"HARBOUR",
     0xffa040,
     {1.0f, 0.55f, 0.18f},
     10.5f,
     9.0f,
     16.0f,
     2,
     "shed",
     "kerb_harb",
     "barrier_harb",
     20.0f,
     38.0f},
    // Brick works and corrugated halls, chimneys and fences, greenish lamps.
    {"IRONWORKS",
     0x9cff5a,
     {0.72f, 1.0f, 0.7f},
     8.0f,
     11.0f,
     22.0f,
     3,
     "works",
     "kerb_iron",
     "barrier_iron",
     22.0f,
     40.0f},
    // Narrow painted houses over arcades, low warm lanterns.
    {"OLD TOWN",
     0xff6a4a,
     {1.0f, 0.74f, 0.42f},
     6.0f,
     12.0f,
     22.0f,
     3,
     "stucco",
     "kerb_old",
     "barrier_old",
     8.0f,
     15.0f},
    // Apartment rows along tree-lined avenues, pale violet lamps.
    {"PARKSIDE",
     0xd070ff,
     {0.86f, 0.8f, 1.0f},
     7.5f,
     16.0f,
     34.0f,
     2,
     "flats",
     "kerb_park",
     "barrier_park",
     14.0f,
     26.0f},
};

District districtAt(float x, float z) {
    District best = Downtown;
    float bestD = 1e30f;
    for (const Seed& s : kSeeds) {
        const float d = (x - s.x) * (x - s.x) + (z - s.z) * (z - s.z);
        if (d < bestD) {
            bestD = d;
            best = s.district;
        }
    }
    return best;
}

const uint32_t kSignColours[8] = {0xff2e9a, 0x2ee6ff, 0x7dff5a, 0xb060ff,
                                  0xffa040, 0xff3030, 0xfff060, 0x40a0ff};

uint32_t bladeSignColour(int blade) {
    return blade < 8 ? kSignColours[(blade + 3) % 8] : kSignColours[(blade - 8 + 5) % 8];
}

void colourOf(uint32_t rgb, float out[3]) {
    out[0] = ((rgb >> 16) & 0xff) / 255.0f;
    out[1] = ((rgb >> 8) & 0xff) / 255.0f;
    out[2] = (rgb & 0xff) / 255.0f;
}
