// The showroom behind the menus: base/garage/garage.ms3d and its lamps in
// base/garage/light.ms3d. The car stands at the origin on a turntable; the
// scene is seen from 9.5 units away and 0.5 up while it turns.
#pragma once

#include <string>

#include "content/mesh.h"

constexpr float kGarageFloorY = -0.94f;  // under the wheels drawn 0.48 below the body

void buildGarage(MeshBuilder& mesh);
void buildGarageLights(MeshBuilder& mesh);
bool generateGarage(const std::string& baseDir);
