// The race hears the district the content built at every point of the city:
// the ambience bed with the most weight is the one of districtAt's district.
#include <gtest/gtest.h>

#include "content/districts.h"
#include "race/race_local.h"

TEST(AmbienceDistricts, TheLoudestBedIsTheDistrictTheCityWasBuiltAs) {
    const int bedOf[kDistrictCount] = {AmbienceCity, AmbienceHarbour, AmbienceWorks, AmbienceCity,
                                       AmbienceCity};
    int checked = 0;
    for (float x = -600.0f; x <= 600.0f; x += 20.0f) {
        for (float z = -800.0f; z <= 700.0f; z += 20.0f) {
            float weights[kAmbienceBeds];
            ambienceWeights(x, z, weights);
            int loudest = 0;
            for (int b = 1; b < kAmbienceBeds; b++) loudest = weights[b] > weights[loudest] ? b : loudest;
            const float second =
                weights[(loudest + 1) % kAmbienceBeds] > weights[(loudest + 2) % kAmbienceBeds]
                    ? weights[(loudest + 1) % kAmbienceBeds]
                    : weights[(loudest + 2) % kAmbienceBeds];
            // On a border between two beds either may lead.
            if (weights[loudest] - second < 0.01f) continue;
            EXPECT_EQ(loudest, bedOf[districtAt(x, z)]) << x << ", " << z;
            checked++;
        }
    }
    EXPECT_GT(checked, 4000);
}
