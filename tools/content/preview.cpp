// A small software rasterizer for previews of the generated models.
#include "content/preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

bool readBmp24(const std::string& path, Image* out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    auto u32 = [&](size_t o) {
        return static_cast<uint32_t>(bytes[o]) | static_cast<uint32_t>(bytes[o + 1]) << 8 |
               static_cast<uint32_t>(bytes[o + 2]) << 16 | static_cast<uint32_t>(bytes[o + 3]) << 24;
    };
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    uint32_t offset = u32(10);
    int32_t width = static_cast<int32_t>(u32(18)), height = static_cast<int32_t>(u32(22));
    uint16_t bits = static_cast<uint16_t>(bytes[28] | bytes[29] << 8);
    if (bits != 24 || width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    if (offset > bytes.size() || bytes.size() - offset < stride * static_cast<size_t>(height)) return false;
    *out = makeImage(width, height, 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &bytes[offset + stride * static_cast<size_t>(height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            uint8_t* p = imagePixel(*out, x, y);
            p[0] = row[3 * x + 2];
            p[1] = row[3 * x + 1];
            p[2] = row[3 * x];
        }
    }
    return true;
}

const Image* previewTexture(PreviewTextures& textures, const std::string& path) {
    if (path.empty()) return nullptr;
    auto found = textures.cache.find(path);
    if (found != textures.cache.end()) return found->second.width > 0 ? &found->second : nullptr;
    Image image;
    if (!readBmp24(textures.root + "/" + path, &image)) image = Image();
    auto inserted = textures.cache.emplace(path, image);
    return inserted.first->second.width > 0 ? &inserted.first->second : nullptr;
}

PreviewCanvas makeCanvas(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    PreviewCanvas canvas;
    canvas.image = makeImage(width, height, 3, r, g, b);
    canvas.depth.assign(static_cast<size_t>(width) * height, -1e30f);
    return canvas;
}

// Camera space: x right, y up, z the distance ahead.
struct CameraFrame {
    Vec3 right, up, forward;
};

static CameraFrame frameOf(const PreviewCamera& camera) {
    CameraFrame f;
    f.forward = normalize(camera.target - camera.eye);
    f.right = normalize(cross(f.forward, Vec3{0, 1, 0}));
    f.up = cross(f.right, f.forward);
    return f;
}

bool projectPreview(const PreviewCanvas& canvas, const PreviewCamera& camera, Vec3 p, float* sx, float* sy,
                    float* depth) {
    float w = static_cast<float>(canvas.image.width), h = static_cast<float>(canvas.image.height);
    if (camera.topDown) {
        *sx = (p.x - camera.x0) / (camera.x1 - camera.x0) * w;
        *sy = (p.z - camera.z0) / (camera.z1 - camera.z0) * h;
        *depth = p.y;
        return true;
    }
    CameraFrame f = frameOf(camera);
    Vec3 d = p - camera.eye;
    float z = dot(d, f.forward);
    if (z < 0.1f) return false;
    float scale = 0.5f * h / std::tan(0.5f * camera.fovY);
    *sx = 0.5f * w + dot(d, f.right) / z * scale;
    *sy = 0.5f * h - dot(d, f.up) / z * scale;
    *depth = 1.0f / z;
    return true;
}

struct Corner {
    Vec3 camera;  // camera-space position (perspective) or world (top-down)
    Vec3 world;
    float u, v;
    float shade;
};

static void rasterTriangle(PreviewCanvas& canvas, const PreviewCamera& camera, const Corner c[3],
                           const Image* texture, const float flat[3]) {
    float w = static_cast<float>(canvas.image.width), h = static_cast<float>(canvas.image.height);
    float sx[3], sy[3], iz[3];
    for (int k = 0; k < 3; ++k) {
        if (camera.topDown) {
            projectPreview(canvas, camera, c[k].world, &sx[k], &sy[k], &iz[k]);
        } else {
            float scale = 0.5f * h / std::tan(0.5f * camera.fovY);
            iz[k] = 1.0f / c[k].camera.z;
            sx[k] = 0.5f * w + c[k].camera.x * iz[k] * scale;
            sy[k] = 0.5f * h - c[k].camera.y * iz[k] * scale;
        }
    }
    float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
    if (std::fabs(area) < 1e-8f) return;
    int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
    int x1 = std::min(canvas.image.width - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
    int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
    int y1 = std::min(canvas.image.height - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float b0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
            float b1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
            float b2 = 1.0f - b0 - b1;
            if (b0 < 0 || b1 < 0 || b2 < 0) continue;
            float depth, u, v, shade;
            if (camera.topDown) {
                depth = b0 * iz[0] + b1 * iz[1] + b2 * iz[2];
                u = b0 * c[0].u + b1 * c[1].u + b2 * c[2].u;
                v = b0 * c[0].v + b1 * c[1].v + b2 * c[2].v;
                shade = b0 * c[0].shade + b1 * c[1].shade + b2 * c[2].shade;
            } else {
                depth = b0 * iz[0] + b1 * iz[1] + b2 * iz[2];
                float inv = 1.0f / depth;
                u = (b0 * c[0].u * iz[0] + b1 * c[1].u * iz[1] + b2 * c[2].u * iz[2]) * inv;
                v = (b0 * c[0].v * iz[0] + b1 * c[1].v * iz[1] + b2 * c[2].v * iz[2]) * inv;
                shade = (b0 * c[0].shade * iz[0] + b1 * c[1].shade * iz[1] + b2 * c[2].shade * iz[2]) * inv;
            }
            size_t index = static_cast<size_t>(y) * canvas.image.width + x;
            if (depth <= canvas.depth[index]) continue;
            canvas.depth[index] = depth;
            float rgb[3] = {flat[0], flat[1], flat[2]};
            if (texture) {
                float fu = u - std::floor(u), fv = v - std::floor(v);
                int tx = std::min(texture->width - 1, static_cast<int>(fu * texture->width));
                int ty = std::min(texture->height - 1, static_cast<int>(fv * texture->height));
                const uint8_t* t = imagePixel(*texture, tx, ty);
                for (int k = 0; k < 3; ++k) rgb[k] = t[k];
            }
            float fog = 1.0f;
            if (!camera.topDown && camera.fogDensity > 0) fog = std::exp(-camera.fogDensity / depth);
            const float fogColour[3] = {14, 16, 30};
            uint8_t* p = imagePixel(canvas.image, x, y);
            for (int k = 0; k < 3; ++k) {
                float value = rgb[k] * shade * fog + fogColour[k] * (1.0f - fog);
                p[k] = static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f));
            }
        }
}

void drawPreviewModel(PreviewCanvas& canvas, const Ms3dFile& model, PreviewTextures& textures,
                      const PreviewCamera& camera, Vec3 place, float yaw) {
    CameraFrame f = frameOf(camera);
    const Vec3 light = normalize(Vec3{0.35f, 1.0f, 0.25f});
    float cy = std::cos(yaw), sy = std::sin(yaw);
    auto turn = [&](Vec3 p) { return Vec3{p.x * cy - p.z * sy, p.y, p.x * sy + p.z * cy}; };
    for (const Ms3dGroup& group : model.groups) {
        const Image* texture = nullptr;
        float flat[3] = {160, 160, 160};
        if (group.material >= 0) {
            const Ms3dMaterial& m = model.materials[static_cast<size_t>(group.material)];
            texture = previewTexture(textures, m.texture);
            for (int k = 0; k < 3; ++k) flat[k] = 255.0f * std::max(m.diffuse[k], m.emissive[k]);
        }
        for (uint16_t index : group.triangles) {
            const Ms3dTriangle& t = model.triangles[index];
            Corner corners[3];
            for (int k = 0; k < 3; ++k) {
                const float* pos = model.vertices[t.vertices[k]].position;
                Vec3 world = turn(Vec3{pos[0], pos[1], pos[2]}) + place;
                Vec3 normal = turn(Vec3{t.normals[k][0], t.normals[k][1], t.normals[k][2]});
                Vec3 d = world - camera.eye;
                corners[k].world = world;
                corners[k].camera = {dot(d, f.right), dot(d, f.up), dot(d, f.forward)};
                corners[k].u = t.s[k];
                corners[k].v = t.t[k];
                // Two-sided: the game draws without culling.
                corners[k].shade = 0.45f + 0.55f * std::fabs(dot(normalize(normal), light));
            }
            if (camera.topDown) {
                rasterTriangle(canvas, camera, corners, texture, flat);
                continue;
            }
            // Clip against the near plane (z = 0.1), then fan.
            std::vector<Corner> polygon;
            const float near = 0.1f;
            for (int k = 0; k < 3; ++k) {
                const Corner& a = corners[k];
                const Corner& b = corners[(k + 1) % 3];
                bool aIn = a.camera.z >= near, bIn = b.camera.z >= near;
                if (aIn) polygon.push_back(a);
                if (aIn != bIn) {
                    float s = (near - a.camera.z) / (b.camera.z - a.camera.z);
                    Corner c;
                    c.camera = a.camera + (b.camera - a.camera) * s;
                    c.world = a.world + (b.world - a.world) * s;
                    c.u = a.u + (b.u - a.u) * s;
                    c.v = a.v + (b.v - a.v) * s;
                    c.shade = a.shade + (b.shade - a.shade) * s;
                    polygon.push_back(c);
                }
            }
            for (size_t k = 1; k + 1 < polygon.size(); ++k) {
                Corner tri[3] = {polygon[0], polygon[k], polygon[k + 1]};
                rasterTriangle(canvas, camera, tri, texture, flat);
            }
        }
    }
}

void drawPreviewDot(PreviewCanvas& canvas, const PreviewCamera& camera, Vec3 point, int radius, uint8_t r,
                    uint8_t g, uint8_t b) {
    float sx, sy, depth;
    if (!projectPreview(canvas, camera, point, &sx, &sy, &depth)) return;
    for (int y = static_cast<int>(sy) - radius; y <= static_cast<int>(sy) + radius; ++y)
        for (int x = static_cast<int>(sx) - radius; x <= static_cast<int>(sx) + radius; ++x) {
            if (x < 0 || y < 0 || x >= canvas.image.width || y >= canvas.image.height) continue;
            uint8_t* p = imagePixel(canvas.image, x, y);
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
}
