// The city's five districts: where each lies, and what sets it apart on the
// street (building heights, facades, lamp colour and height, kerbs and
// barriers, street furniture) and on the city map (tint and name).
//
// A point belongs to the district of its nearest seed; every circuit runs
// through at least two of them.
#pragma once

#include <cstdint>

enum District { Downtown, Harbour, Ironworks, OldTown, Parkside, kDistrictCount };

struct DistrictStyle {
    const char* name;          // as the city map prints it
    uint32_t mapTint;          // 0xRRGGBB on the city map
    float lampColour[3];       // the course lamps' light
    float lampHeight;          // head above the road
    float heightLo, heightHi;  // building heights
    int facadeCount;           // facade textures "<prefix>0".."<prefix>N-1"
    const char* facadePrefix;
    const char* kerb;     // course kerb texture
    const char* barrier;  // course barrier texture
    float lotLo, lotHi;   // lot widths along the street
};

extern const DistrictStyle kDistrictStyles[kDistrictCount];

District districtAt(float x, float z);

// Colours of the lettered signs; blade sign n (0..15) glows in
// bladeSignColour(n), billboard n (0..7) in kSignColours[n].
extern const uint32_t kSignColours[8];
uint32_t bladeSignColour(int blade);
// 0xRRGGBB to 0..1 floats.
void colourOf(uint32_t rgb, float out[3]);

// The quay's edge: south of it lies the harbour basin.
constexpr float kQuayZ = -625.0f;
