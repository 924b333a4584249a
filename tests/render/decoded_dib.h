// A BMP decoded through the game's reader into plain values, so tests can
// compare sizes and pixels without holding on to the reader's image.
#pragma once

#include <cstdint>
#include <vector>

#include "render/render.h"
#include "render_fixtures.h"

struct DecodedDib {
    DibResult result;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

inline DecodedDib decodeDibBytes(const Bytes& bytes) {
    DecodedDib d;
    DibImage* image = nullptr;
    d.result = decodeDib(bytes.data(), bytes.size(), &image);
    if (image) {
        d.width = image->width;
        d.height = image->height;
        d.rgb.assign(image->pixels, image->pixels + (size_t)image->width * image->height * 3);
        freeDibImage(image);
    }
    return d;
}
