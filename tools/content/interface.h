// The interface part of the content generator: the pictures of the game's
// three texture tables (tex00..50.bmp, tex00..10.tga) and the particle-effect
// files. Exposed so tests and previews can make single pictures.
#pragma once

#include <string>

#include "content/image_writer.h"
#include "render/texture_table.h"

// The picture of game texture `index` (0..50, RGB) or TGA texture `index` (0..10).
Image makeGameTexture(int index);
Image makeTgaTexture(int index);
// "tex07.bmp", "tex01.tga".
std::string textureFileName(int index, bool tga);
