// The night city every circuit runs through: its street grid, ground height,
// blocks, buildings and landmarks, and the drawing of the parts of it that lie
// near a circuit.
//
// World units; y up; the street grid is axis-aligned. Streets are named by
// the node coordinates below: avenues run along z at kAvenueX, streets run
// along x at kStreetZ. The layout is fixed: buildCity() makes the same city
// every time, and every map draws the same buildings where it shows them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "content/districts.h"
#include "content/mesh.h"

// Avenues (constant x, running along z), west to east.
constexpr int kAvenueCount = 8;
constexpr float kAvenueX[kAvenueCount] = {-425.0f, -300.0f, -175.0f, -95.0f, 60.0f, 170.0f, 300.0f, 435.0f};
// Streets (constant z, running along x), south to north. Streets 3 and 5 end
// at avenue 6, where the short east street 4 begins: the grid jogs there.
constexpr int kStreetCount = 11;
constexpr float kStreetZ[kStreetCount] = {-555.75f, -430.0f, -300.0f, -160.25f, -119.25f, -70.0f,
                                          19.75f,   160.0f,  311.75f, 440.0f,   558.75f};
constexpr float kStreetHalfWidth = 10.0f;
// The southern boulevard is wide enough for two starting grids side by side.
constexpr float kBoulevardHalfWidth = 20.5f;
constexpr float kSidewalkWidth = 5.0f;
// Block corners are rounded so a circuit's corner of radius kCornerRadius
// (centre line) keeps its inner edge on the asphalt.
constexpr float kCornerRadius = 30.0f;
constexpr float kBlockCornerRadius = kCornerRadius - kStreetHalfWidth;

struct Rect {
    float x0, z0, x1, z1;
};

// Sweepers: crossings where the block inside the turn gives way to a wide
// kerb arc, so circuits turning there take a long fast curve.
struct Sweeper {
    int avenue, street;
    float insideX, insideZ;  // signs of the quadrant the block lies in
    float radius;            // the circuit's centre line
};
constexpr int kSweeperCount = 2;
// Round the park's north-east corner, and the block north-west of the
// boulevard's east end.
constexpr Sweeper kSweepers[kSweeperCount] = {{4, 8, -1.0f, -1.0f, 55.0f}, {7, 0, -1.0f, 1.0f, 60.0f}};
// The radius a circuit turns with at a crossing, given the side its block lies on.
float cornerRadiusAt(int avenue, int street, float insideX, float insideZ);

struct CityBlock {
    Rect rect;
    bool rounded[4];        // corners (x0,z0), (x1,z0), (x1,z1), (x0,z1) face a crossing
    float cornerRadius[4];  // kerb arc radius of each rounded corner
    int kind;               // 0 buildings, 1 park, 2 plaza, 3 quay
    District district;
};

struct CityBuilding {
    Rect rect;
    float base;    // ground height under its lowest corner
    float height;  // above base
    District district;
    int facade;      // facade texture of its district
    int shop;        // shop-front texture, -1 for none
    int neon;        // lettered blade sign (0..15), -1 for none
    int neonSide;    // 0..3: -z, +x, +z, -x
    int streetSide;  // the side facing the street (as neonSide), -1 inside
    bool tiered;     // a narrower tower on top
    int billboard;   // a lettered sign on the roof (0..7), -1 for none
    bool chimney;    // a works chimney beside it
    bool arcade;     // the ground floor set back behind pillars
};

// For the whole run of the generator, made by buildCity.
extern std::vector<Rect> cityStreets;
extern std::vector<CityBlock> cityBlocks;
extern std::vector<CityBuilding> cityBuildings;

void buildCity();
// Height of the road surface; the starting grids stand 0.9 above it.
float groundHeight(float x, float z);
bool insideStreet(float x, float z);

// How far a point is from the circuit being drawn; the city draws only
// what is within reach of it.
using DistanceToRoute = std::function<float(float x, float z)>;

// Ground, blocks, buildings and landmarks within `reach` of the route.
void drawCity(MeshBuilder& mesh, const DistanceToRoute& distance, float reach);

// Every block and building of one district, the whole city over, with its
// street furniture: what that district's generator makes.
void drawDistrict(MeshBuilder& mesh, District district);

// A building drawn within reach, as the game's visibility sets see it: a
// footprint closed by its walls and roof, solid from below the ground up to
// top. An arcade's footprint leaves out the open floor behind its pillars.
struct CitySolid {
    Rect rect;
    float top;
};
std::vector<CitySolid> citySolids(const DistanceToRoute& distance, float reach);

// The glow of the neon signs within reach, for the map's light model.
struct NeonLamp {
    Vec3 position;
    float colour[3];
    float distance;  // from the route
};
std::vector<NeonLamp> cityNeonLamps(const DistanceToRoute& distance, float reach);

// Texture paths as the game opens them, relative to its working directory.
std::string cityTexture(const char* name);
