// Shared by the render module's own files only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "render/render.h"

// Bytes to allocate for a texture's packed pixels. The system's GLU, when
// gluBuild2DMipmaps resamples a side that is not a power of two (the 128 x 96
// garage poster, the 800 x 600 screens), reads a few bytes past the last
// pixel; one zeroed row and pixel more keeps those reads inside the block.
inline size_t texturePixelBlockBytes(size_t width, size_t height, size_t bytesPerPixel) {
    return (width * height + width + 1) * bytesPerPixel;
}

// Fetches the seventeen shader-object and uniform entry points through
// resolve; false when any is missing. initRenderer passes the platform's
// resolver.
bool loadShaderEntryPoints(void* (*resolve)(const char*));

// A copy of the light program compiled with `defines` in front of its text
// (LAMPS, PAINT, FOGGED), and its uniforms' locations.
struct LampProgram {
    GLhandleARB program;
    GLint pos[kShaderLights];
    GLint ori[kShaderLights - 1];
    GLint colour[kShaderLights];
    GLint focus[kShaderLights - 1];
    GLint ambientColor, matAmbient, matDiffuse, matSpecular, emissive, shininess;
    GLint cameraOri, cameraPos, decal, decal2, refInt;
};
// False, with p.program left 0, when a stage fails to compile or link; the
// caller then draws through the full program.
bool buildLampProgram(LampProgram& p, const char* defines);

// Per group of a model: binds its material's texture (or the white one) and
// sends its emissive colour to the light program; clearGroupGlow sets the
// emissive colour back to none once the model is drawn.
void bindGroupTexture(const Model& model, const ModelGroup& group);
void sendGroupGlow(const Model& model, const ModelGroup& group);
void clearGroupGlow();
