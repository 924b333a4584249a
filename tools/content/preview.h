// Software previews of generated models: a z-buffered, textured raster of an
// MS3D model seen from above or from a point of view, for looking at the
// city and the cars without a GL context.
#pragma once

#include <map>
#include <string>

#include "content/image_writer.h"
#include "content/mesh.h"
#include "content/ms3d_writer.h"

// Loads the textures a model names. `root` is the folder that holds base/
// (the game's working directory); textures that are missing stay grey.
struct PreviewTextures {
    std::string root;
    std::map<std::string, Image> cache;
};
const Image* previewTexture(PreviewTextures& textures, const std::string& path);
// Reads a 24-bit uncompressed BMP as the generator writes them.
bool readBmp24(const std::string& path, Image* out);

struct PreviewCamera {
    bool topDown;          // orthographic, looking down -y
    float x0, z0, x1, z1;  // top-down extent (x to the right, z down the image)
    Vec3 eye, target;      // perspective
    float fovY;            // radians
    float fogDensity;      // 0 for none
};

struct PreviewCanvas {
    Image image;
    std::vector<float> depth;
};

PreviewCanvas makeCanvas(int width, int height, uint8_t r, uint8_t g, uint8_t b);
// Draws every triangle of the model with its material's texture, shaded by
// a light from above and fogged with distance; `place` moves it first.
void drawPreviewModel(PreviewCanvas& canvas, const Ms3dFile& model, PreviewTextures& textures,
                      const PreviewCamera& camera, Vec3 place = Vec3{0, 0, 0}, float yaw = 0.0f);
// A filled square dot at a world point (waypoints, lamps).
void drawPreviewDot(PreviewCanvas& canvas, const PreviewCamera& camera, Vec3 point, int radius, uint8_t r,
                    uint8_t g, uint8_t b);
// Projects a world point; false when it is behind the camera.
bool projectPreview(const PreviewCanvas& canvas, const PreviewCamera& camera, Vec3 point, float* sx,
                    float* sy, float* depth);
