// The uncompressed true-colour TGA files the game reads, and nothing else.
#include <cstdlib>
#include <cstring>

#include "render/render.h"
#include "render/render_local.h"

namespace {

constexpr size_t kTgaHeaderBytes = 18;
// No image id, no colour map, type 2 (uncompressed true colour), origin 0.
constexpr uint8_t kFixedHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

bool decodeTga(const uint8_t* data, size_t size, TgaPixels* out) {
    *out = TgaPixels{0, 0, 0, nullptr};
    if (size < kTgaHeaderBytes || std::memcmp(data, kFixedHeader, sizeof kFixedHeader) != 0) return false;
    int32_t width = readU16(data + 12);
    int32_t height = readU16(data + 14);
    int bits = data[16];
    // A 16-bit file passes the fixed header too, but its pixels are not
    // three or four bytes wide: only 24 and 32 bits are read.
    if (bits != 24 && bits != 32) return false;
    if (width == 0 || height == 0) return false;
    int32_t bytesPerPixel = bits / 8;
    size_t bytes =
        static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(bytesPerPixel);
    if (bytes > size - kTgaHeaderBytes) return false;
    uint8_t* pixels =
        static_cast<uint8_t*>(std::calloc(texturePixelBlockBytes(width, height, bytesPerPixel), 1));
    if (!pixels) return false;
    // Rows stay in file order: the descriptor's origin bit is ignored, as
    // every texture of the game is stored bottom row first.
    const uint8_t* in = data + kTgaHeaderBytes;
    for (size_t i = 0; i < bytes; i += static_cast<size_t>(bytesPerPixel)) {
        pixels[i] = in[i + 2];
        pixels[i + 1] = in[i + 1];
        pixels[i + 2] = in[i];
        if (bytesPerPixel == 4) pixels[i + 3] = in[i + 3];
    }
    *out = TgaPixels{width, height, bytesPerPixel, pixels};
    return true;
}
