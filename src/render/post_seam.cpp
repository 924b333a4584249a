// Stand-ins for the reflection and glow passes until they are built. The
// reflection image is a fixed night surround (dark sky, the city's sodium
// glow along the horizon, a row of lamps, dark street below) so the paint has
// something to mirror; the glow images are kept black, so the HUD's
// recomposition adds nothing to the copied frame.
#include <cmath>
#include <vector>

#include "render/render.h"

static const int kSeamTextureSize = 256;

// The render textures are created without contents. Refilled every frame
// rather than once, since a new context may hand out the same names again.
static void fillTexture(GLuint texture, const std::vector<uint8_t>& pixels) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSeamTextureSize, kSeamTextureSize, GL_RGBA, GL_UNSIGNED_BYTE,
                    pixels.data());
}

static std::vector<uint8_t> nightSurround() {
    std::vector<uint8_t> pixels((size_t)kSeamTextureSize * kSeamTextureSize * 4);
    for (int y = 0; y < kSeamTextureSize; y++) {
        const float v = (float)y / (kSeamTextureSize - 1);  // 0 bottom, 1 top
        // Horizon glow centred at 0.45, street below, sky above.
        const float glow = std::exp(-std::pow((v - 0.45f) / 0.08f, 2.0f));
        float r = 0.03f + 0.55f * glow, g = 0.03f + 0.36f * glow, b = 0.06f + 0.18f * glow;
        if (v > 0.45f) b += 0.10f * (v - 0.45f);
        for (int x = 0; x < kSeamTextureSize; x++) {
            // Lamps: small bright spots along a line above the horizon.
            const float lx = std::fmod((float)x, 32.0f) - 16.0f, ly = (float)y - 150.0f;
            const float lamp = std::exp(-(lx * lx + ly * ly) / 6.0f);
            uint8_t* p = &pixels[((size_t)y * kSeamTextureSize + x) * 4];
            const float c[3] = {r + lamp, g + 0.85f * lamp, b + 0.6f * lamp};
            for (int k = 0; k < 3; k++) p[k] = (uint8_t)(255.0f * (c[k] > 1.0f ? 1.0f : c[k]));
            p[3] = 255;
        }
    }
    return pixels;
}

void renderReflection(bool) {
    static const std::vector<uint8_t> surround = nightSurround();
    fillTexture(reflectionTexture, surround);
}

void postProcessPass(int, int kind) {
    static const std::vector<uint8_t> black((size_t)kSeamTextureSize * kSeamTextureSize * 4, 0);
    // Like every real pass, leave the back buffer cleared: the HUD rebuilds
    // the frame from screenTexture and draws over an empty depth buffer.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (kind != 0) return;
    fillTexture(blurTextureA, black);
    fillTexture(blurTextureB, black);
}
