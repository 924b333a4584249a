// TGA files: the uncompressed true-colour reader both texture loaders share.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "render/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TgaPixels tga = {};
    if (decodeTga(data, size, &tga)) {
        volatile uint32_t sum = 0;
        const size_t bytes = (size_t)tga.width * (size_t)tga.height * (size_t)tga.bytesPerPixel;
        for (size_t i = 0; i < bytes; i++) sum += tga.pixels[i];
        std::free(tga.pixels);
    }
    return 0;
}
