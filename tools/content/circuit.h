// The fifteen circuits through the city: their corner lists, the sampled
// centre line, and what is built along it (course surface, kerbs, barriers,
// lamps, waypoints).
//
// A circuit is a closed polygon over the street grid's crossings, driven in
// list order; the first edge is the start straight and runs along +x, where
// the race's starting grid stands. Corners are arcs of kCornerRadius.
#pragma once

#include <vector>

#include "content/mesh.h"
#include "content/waypoints.h"

constexpr int kRaceCount = 15;
constexpr int kMapCount = 20;

// The game's starting grid origin per race (1..15): the player's car stands
// there and the other three follow 4.5 apart along +z, all facing +x.
Vec3 raceGridOrigin(int race);
// Middle of the four grid cars, across the grid.
inline float gridMiddleZ(int race) {
    return raceGridOrigin(race).z + 6.75f;
}

struct PathSample {
    Vec3 position;   // centre line on the road surface
    Vec3 direction;  // horizontal, unit
    float halfWidth;
    float distance;  // along the lap from the first sample
    bool corner;
};

struct Circuit {
    int race;                      // 1..15: the grid it starts from
    std::vector<PathSample> path;  // closed: the last sample joins the first
    float lapLength;
};

// The corner list of race 1..15, and its sampled centre line.
Circuit makeCircuit(int race);

// Right-hand side of a driving direction (the car's own +z).
inline Vec3 rightOf(Vec3 direction) {
    return Vec3{-direction.z, 0.0f, direction.x};
}

// Course cross-section, measured outward from the road edge.
constexpr float kKerbRamp = 0.3f;  // sloped kerb face
constexpr float kKerbHeight = 0.2f;
constexpr float kBarrierOffset = 3.5f;  // sidewalk strip, then the barrier
constexpr float kWallHeight = 3.0f;     // collision wall above the kerb
constexpr float kBarrierHeight = 1.1f;  // what is drawn of it
constexpr float kLampOffset = 4.3f;
constexpr float kLampHeight = 7.5f;
constexpr float kLampReach = 1.5f;  // head's distance in from the road's edge

// Waypoints in driving order, starting a few units ahead of the grid.
std::vector<Waypoint> circuitWaypoints(const Circuit& circuit);
// Collision mesh: road, kerbs, sidewalk strips and walls.
void buildCollision(MeshBuilder& mesh, const Circuit& circuit);
// Drawn course: marked road, kerbs, barriers, lamp posts.
void drawCourse(MeshBuilder& mesh, const Circuit& circuit);
struct Lamp {
    Vec3 position;  // the lamp head, over the kerb
    Vec3 post;      // foot of its post, behind the barrier
    float colour[3];
};
// Lamp heads along the course (at most 200 with the city's neon accents).
std::vector<Lamp> courseLamps(const Circuit& circuit);
// Shortest horizontal distance from a point to the centre line.
float distanceToPath(const Circuit& circuit, float x, float z);
