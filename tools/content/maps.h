// The twenty map folders: base/maps/N/ with map.ms3d (collision),
// mapvisual.ms3d (drawn), light.ms3d (lamps), solids.txt (the buildings
// that hide the city behind them) and points/level.ai.
#pragma once

#include <string>

#include "content/mesh.h"

constexpr int kMaxCollisionTriangles = 25000;
constexpr int kMaxVisualTriangles = 40000;
constexpr int kMaxLamps = 200;

// Writes maps 1..15 and their variants 16..20 (the circuits of 1..5 again).
// Needs buildCity() to have run.
bool generateMaps(const std::string& baseDir);
// The builders of one map, for the checks.
void buildMapCollision(int race, MeshBuilder& mesh);
void buildMapVisual(int race, MeshBuilder& mesh, float* reachUsed);
void buildMapLights(int race, MeshBuilder& mesh);
