// The world's textures (city, cars, garage) and the small painting helpers
// they share. Every texture is a BMP the game reads through its DIB reader.
#pragma once

#include <cstdint>
#include <string>

#include "content/draw2d.h"
#include "content/image_writer.h"

// base/textures/city/*.bmp
bool writeCityTextures(const std::string& baseDir);
// base/textures/city/*.bmp of the districts: facades, kerbs, barriers, signs.
bool writeDistrictTextures(const std::string& baseDir);
// The lettering of a race's start banner (over the start line and on the
// boards round it), in kStartBannerFont.
std::string startBannerText(int race);
constexpr FontId kStartBannerFont = FontCondensedBoldOblique;

// Every pixel the colour plus a uniform random offset in [-amplitude, amplitude].
void fillNoise(Image& image, int r, int g, int b, int amplitude, uint32_t seed);
// Rectangles are clipped to the image; x1 and y1 are exclusive.
void fillRect(Image& image, int x0, int y0, int x1, int y1, int r, int g, int b);
void tintRect(Image& image, int x0, int y0, int x1, int y1, int r, int g, int b, float weight);
