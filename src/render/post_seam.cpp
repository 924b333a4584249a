// Stand-ins for the reflection and glow passes until they are built: the
// reflection and glow images are kept dark and defined, so the paint and the
// HUD's recomposition read known pixels, and the frame is left as drawn.
#include <vector>

#include "render/render.h"

// The render textures are created without contents. Refilled every frame
// rather than once, since a new context may hand out the same names again.
static void fillTexture(GLuint texture, uint8_t value) {
    static std::vector<uint8_t> pixels;
    const int size = 256;
    pixels.assign((size_t)size * size * 4, value);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

void renderReflection(bool) { fillTexture(reflectionTexture, 12); }

void postProcessPass(int, int kind) {
    if (kind != 0) return;
    fillTexture(blurTextureA, 0);
    fillTexture(blurTextureB, 0);
}
