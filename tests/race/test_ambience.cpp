// The districts' ambience: how much of each bed a point hears.
#include <cmath>

#include "race/race_local.h"
#include "race_fixture.h"

TEST(Ambience, WeightsSumToOneLeadInTheirDistrictAndBlendAtItsEdge) {
    struct Case {
        const char* what;
        float x, z;
        int leads;      // the bed heard most
        float atLeast;  // its weight
    };
    const Case cases[] = {
        {"downtown", 30.0f, -90.0f, AmbienceCity, 0.95f},
        {"on the quay", 30.0f, -600.0f, AmbienceHarbour, 0.95f},
        {"the east works", 440.0f, -220.0f, AmbienceWorks, 0.95f},
        {"the old town", -390.0f, -230.0f, AmbienceCity, 0.95f},
        // Halfway from downtown to the east works: both heard alike.
        {"the edge of the works", 235.0f, -155.0f, AmbienceCity, 0.45f},
    };
    for (const Case& c : cases) {
        float w[kAmbienceBeds];
        ambienceWeights(c.x, c.z, w);
        float sum = 0.0f;
        for (float v : w) sum += v;
        EXPECT_NEAR(sum, 1.0f, 1e-5f) << c.what;
        for (int b = 0; b < kAmbienceBeds; b++) EXPECT_LE(w[b], w[c.leads] + 1e-3f) << c.what;
        EXPECT_GE(w[c.leads], c.atLeast) << c.what;
    }
    float w[kAmbienceBeds];
    ambienceWeights(235.0f, -155.0f, w);
    EXPECT_NEAR(w[AmbienceCity], w[AmbienceWorks], 0.02f) << "an even blend on the border";
}
