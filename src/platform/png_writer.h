// A small PNG writer for frames read back from OpenGL: 8-bit RGB, stored
// (uncompressed) deflate blocks, so it needs no compression library.
#pragma once

#include <cstdint>
#include <vector>

// Encodes width x height pixels of 3 bytes each, rows top first.
bool encodePngRgb(const uint8_t* rgb, int width, int height, std::vector<uint8_t>* png);
// Writes the PNG to path whole or not at all (a temporary renamed over it);
// false, with errno saying why, when it could not.
bool writePngRgb(const char* path, const uint8_t* rgb, int width, int height);
