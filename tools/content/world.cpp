// generateWorld: the city's textures and maps, the cars and the garage.
#include "content/cars.h"
#include "content/city.h"
#include "content/content.h"
#include "content/garage.h"
#include "content/maps.h"
#include "content/textures_world.h"

bool generateWorld(const std::string& baseDir) {
    buildCity();
    return writeCityTextures(baseDir) && writeDistrictTextures(baseDir) && generateMaps(baseDir) &&
           generateCars(baseDir) && generateGarage(baseDir);
}
