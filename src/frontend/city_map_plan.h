// Where the city lies on the city map's picture. The content generator draws
// the picture to this plan and the map screen draws a race's route over it
// by the same numbers: world (x, z) to picture pixels, +x to the right, +z up.
#pragma once

constexpr double kCityMapCentreX = 5.0;  // world point at the picture's centre
constexpr double kCityMapCentreZ = -3.0;
constexpr double kCityMapHalfExtent = 600.0;  // world units from the centre ...
constexpr double kCityMapHalfPixels = 240.0;  // ... to this many pixels of the 512-pixel picture
constexpr int kCityMapPixels = 512;
