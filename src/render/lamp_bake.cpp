// The street lamps' light on the race map worked out once, when the map is
// first drawn at the lowest detail: a map of the ground, one texel a unit,
// holding what every lamp gives an up-facing surface at the ground's height
// there, as the light program works it out per pixel. The map's copy of the
// program then reads one texel instead of evaluating lamps. The lamps never
// move, so the pools stay where they are; what the bake gives up is the lamp
// light's turn with the surface (walls take the pool at their foot).
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

namespace {

// Units of the map per texel: a pool under a lamp is about 20 units across.
constexpr float kLampMapTexel = 1.0f;
// The largest side of the texture; a larger map gets coarser texels.
constexpr int kLampMapMaxSide = 2048;
// The lamps' falloff and the cut-off below which a lamp adds nothing, as the
// light program and the map's lamp choice have them.
constexpr float kLampFalloff = 0.0015f;
constexpr float kLampCutoff = 0.5f / 255.0f;
// Surfaces facing up by more than this (the y of their unit normal) are ground.
constexpr float kGroundFacing = 0.5f;
// Ground height of a texel no up-facing triangle covers.
constexpr float kNoGround = 1e30f;

LampProgram bakedProgram;
GLint lampMapUniform = -1, lampMapPlaceUniform = -1;

int powerOfTwoAtLeast(int n) {
    int side = 1;
    while (side < n) side *= 2;
    return side;
}

// The lowest up-facing surface over each texel centre: the street, the kerb
// or the pavement, not the roof of a building standing on it.
void rasteriseGround(const Model& model, const LampMapBake& bake, std::vector<float>* ground) {
    ground->assign(static_cast<size_t>(bake.width) * static_cast<size_t>(bake.height), kNoGround);
    for (int i = 0; i < model.triangleCount; i++) {
        const ModelTriangle& t = model.triangles[i];
        const float* p[3];
        bool valid = true;
        for (int c = 0; c < 3; c++) {
            const int v = t.vertexIndices[c];
            if (v < 0 || v >= model.vertexCount) valid = false;
        }
        if (!valid) continue;
        for (int c = 0; c < 3; c++) p[c] = model.vertices[t.vertexIndices[c]].position;
        const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                            e1[0] * e2[1] - e1[1] * e2[0]};
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        // Either winding: the city's ground is drawn from above.
        if (!(length > 0.0f) || std::fabs(n[1]) < kGroundFacing * length) continue;
        // Barycentric weights over x and z.
        const float det = e1[0] * e2[2] - e2[0] * e1[2];
        if (std::fabs(det) < 1e-12f) continue;
        const float lo[2] = {std::min({p[0][0], p[1][0], p[2][0]}), std::min({p[0][2], p[1][2], p[2][2]})};
        const float hi[2] = {std::max({p[0][0], p[1][0], p[2][0]}), std::max({p[0][2], p[1][2], p[2][2]})};
        const int x0 = std::max(0, static_cast<int>(std::floor((lo[0] - bake.originX) / bake.texel)));
        const int x1 =
            std::min(bake.width - 1, static_cast<int>(std::floor((hi[0] - bake.originX) / bake.texel)));
        const int z0 = std::max(0, static_cast<int>(std::floor((lo[1] - bake.originZ) / bake.texel)));
        const int z1 =
            std::min(bake.height - 1, static_cast<int>(std::floor((hi[1] - bake.originZ) / bake.texel)));
        for (int z = z0; z <= z1; z++)
            for (int x = x0; x <= x1; x++) {
                const float px = bake.originX + (static_cast<float>(x) + 0.5f) * bake.texel - p[0][0];
                const float pz = bake.originZ + (static_cast<float>(z) + 0.5f) * bake.texel - p[0][2];
                const float u = (px * e2[2] - e2[0] * pz) / det;
                const float v = (e1[0] * pz - px * e1[2]) / det;
                if (u < -1e-4f || v < -1e-4f || u + v > 1.0f + 1e-4f) continue;
                float& h = (*ground)[static_cast<size_t>(z) * static_cast<size_t>(bake.width) +
                                     static_cast<size_t>(x)];
                h = std::min(h, p[0][1] + u * e1[1] + v * e2[1]);
            }
    }
}

// How far from below a lamp (horizontally) its light can still add half a
// step on ground `drop` units under it.
float lampReach(const LightSource& lamp, float drop) {
    const float brightest = std::max({lamp.colour[0], lamp.colour[1], lamp.colour[2]});
    if (!(brightest > 0.0f) || !(drop > 0.0f)) return 0.0f;
    for (float r = 0.0f; r < 400.0f; r += 1.0f) {
        const float d2 = drop * drop + r * r;
        const float cosine = drop / std::sqrt(d2);
        if (brightest * std::pow(cosine, static_cast<float>(lamp.focus) + 1.0f) / (1.0f + kLampFalloff * d2) <
            kLampCutoff)
            return r + kLampMapTexel;
    }
    return 400.0f;
}

}  // namespace

float bakedLampLight(const LightSource& lamp, const float point[3], int channel) {
    // As the light program's lamp() for a surface facing straight up.
    const float to[3] = {lamp.position[0] - point[0], lamp.position[1] - point[1],
                         lamp.position[2] - point[2]};
    const float d2 = to[0] * to[0] + to[1] * to[1] + to[2] * to[2];
    const float inverse = 1.0f / std::sqrt(std::max(d2, 0.0001f));
    const float l[3] = {to[0] * inverse, to[1] * inverse, to[2] * inverse};
    const float dl = std::sqrt(lamp.direction[0] * lamp.direction[0] + lamp.direction[1] * lamp.direction[1] +
                               lamp.direction[2] * lamp.direction[2]);
    if (!(dl > 0.0f)) return 0.0f;
    const float facing =
        -(l[0] * lamp.direction[0] + l[1] * lamp.direction[1] + l[2] * lamp.direction[2]) / dl;
    const float spot = std::pow(std::max(facing, 0.0f), static_cast<float>(lamp.focus));
    const float reach = spot / (1.0f + kLampFalloff * d2);
    return lamp.colour[channel] * std::max(l[1], 0.0f) * reach;
}

void bakeLampMap(const Model& model, const LightSource* lamps, int lampCount, LampMapBake* bake) {
    *bake = LampMapBake();
    if (model.vertexCount <= 0) return;
    float lo[2] = {model.vertices[0].position[0], model.vertices[0].position[2]};
    float hi[2] = {lo[0], lo[1]};
    for (int v = 1; v < model.vertexCount; v++) {
        lo[0] = std::min(lo[0], model.vertices[v].position[0]);
        lo[1] = std::min(lo[1], model.vertices[v].position[2]);
        hi[0] = std::max(hi[0], model.vertices[v].position[0]);
        hi[1] = std::max(hi[1], model.vertices[v].position[2]);
    }
    const float extent = std::max(hi[0] - lo[0], hi[1] - lo[1]) + 2.0f * kLampMapTexel;
    bake->texel = kLampMapTexel;
    while (extent / bake->texel > static_cast<float>(kLampMapMaxSide)) bake->texel *= 2.0f;
    bake->width = powerOfTwoAtLeast(static_cast<int>(std::ceil((hi[0] - lo[0]) / bake->texel)) + 2);
    bake->height = powerOfTwoAtLeast(static_cast<int>(std::ceil((hi[1] - lo[1]) / bake->texel)) + 2);
    bake->originX = lo[0] - bake->texel;
    bake->originZ = lo[1] - bake->texel;
    std::vector<float> ground;
    rasteriseGround(model, *bake, &ground);
    float lowest = kNoGround;
    for (float h : ground) lowest = std::min(lowest, h);
    if (lowest == kNoGround) lowest = 0.0f;

    const size_t texels = static_cast<size_t>(bake->width) * static_cast<size_t>(bake->height);
    bake->light.assign(texels * 3, 0.0f);
    for (int k = 0; k < lampCount; k++) {
        const LightSource& lamp = lamps[k];
        const float reach = lampReach(lamp, lamp.position[1] - lowest);
        const int x0 = std::max(
            0, static_cast<int>(std::floor((lamp.position[0] - reach - bake->originX) / bake->texel)));
        const int x1 =
            std::min(bake->width - 1,
                     static_cast<int>(std::floor((lamp.position[0] + reach - bake->originX) / bake->texel)));
        const int z0 = std::max(
            0, static_cast<int>(std::floor((lamp.position[2] - reach - bake->originZ) / bake->texel)));
        const int z1 =
            std::min(bake->height - 1,
                     static_cast<int>(std::floor((lamp.position[2] + reach - bake->originZ) / bake->texel)));
        for (int z = z0; z <= z1; z++)
            for (int x = x0; x <= x1; x++) {
                const size_t i =
                    static_cast<size_t>(z) * static_cast<size_t>(bake->width) + static_cast<size_t>(x);
                const float h = ground[i];
                if (h == kNoGround) continue;
                const float point[3] = {bake->originX + (static_cast<float>(x) + 0.5f) * bake->texel, h,
                                        bake->originZ + (static_cast<float>(z) + 0.5f) * bake->texel};
                for (int c = 0; c < 3; c++)
                    bake->light[i * 3 + static_cast<size_t>(c)] += bakedLampLight(lamp, point, c);
            }
    }
    for (float value : bake->light) bake->brightest = std::max(bake->brightest, value);
    bake->ground = std::move(ground);
    bake->place[0] = bake->originX;
    bake->place[1] = bake->originZ;
    bake->place[2] = 1.0f / (static_cast<float>(bake->width) * bake->texel);
    bake->place[3] = 1.0f / (static_cast<float>(bake->height) * bake->texel);
}

float bakedLightAt(const LampMapBake& bake, float x, float z, int channel) {
    const int tx = static_cast<int>(std::floor((x - bake.originX) / bake.texel));
    const int tz = static_cast<int>(std::floor((z - bake.originZ) / bake.texel));
    if (tx < 0 || tz < 0 || tx >= bake.width || tz >= bake.height) return 0.0f;
    return bake
        .light[(static_cast<size_t>(tz) * static_cast<size_t>(bake.width) + static_cast<size_t>(tx)) * 3 +
               static_cast<size_t>(channel)];
}

bool bakedGroundAt(const LampMapBake& bake, float x, float z, float* height) {
    const int tx = static_cast<int>(std::floor((x - bake.originX) / bake.texel));
    const int tz = static_cast<int>(std::floor((z - bake.originZ) / bake.texel));
    if (tx < 0 || tz < 0 || tx >= bake.width || tz >= bake.height) return false;
    const float h =
        bake.ground[static_cast<size_t>(tz) * static_cast<size_t>(bake.width) + static_cast<size_t>(tx)];
    if (h == kNoGround) return false;
    *height = h;
    return true;
}

void buildBakedLampProgram() {
    bakedProgram = LampProgram();
    lampMapUniform = lampMapPlaceUniform = -1;
    if (!buildLampProgram(bakedProgram,
                          "#define LAMPS 0\n#define PAINT 0\n#define FOGGED 0\n#define BAKED 1\n"))
        return;
    lampMapUniform = glGetUniformLocationARB(bakedProgram.program, "lampMap");
    lampMapPlaceUniform = glGetUniformLocationARB(bakedProgram.program, "lampMapPlace");
}

void releaseBakedLampMap(ModelChunks* chunks) {
    if (chunks->lampMap != 0) glDeleteTextures(1, &chunks->lampMap);
    chunks->lampMap = 0;
    chunks->lampMapBaked = false;
}

// The texture, stored at half strength in 8 bits a channel (the program
// doubles it back).
static void uploadLampMap(ModelChunks* chunks, const LampMapBake& bake) {
    std::vector<uint8_t> texels(bake.light.size());
    for (size_t i = 0; i < bake.light.size(); i++)
        texels[i] = static_cast<uint8_t>(std::lround(std::min(1.0f, 0.5f * bake.light[i]) * 255.0f));
    glGenTextures(1, &chunks->lampMap);
    glBindTexture(GL_TEXTURE_2D, chunks->lampMap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, bake.width, bake.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

GLhandleARB beginBakedLampDraw(Model* model, const SceneShading& shading) {
    if (bakedProgram.program == 0 || !multitextureAvailable || model->chunks == nullptr) return 0;
    ModelChunks* chunks = model->chunks;
    if (!chunks->lampMapBaked) {
        LampMapBake bake;
        bakeLampMap(*model, lightSources, lightSourceCount, &bake);
        chunks->lampMapBaked = true;
        if (bake.width <= 0) return 0;
        uploadLampMap(chunks, bake);
        for (int a = 0; a < 4; a++) chunks->lampMapPlace[a] = bake.place[a];
        chunks->lampMapBrightest = bake.brightest;
    }
    if (chunks->lampMap == 0) return 0;
    glActiveTextureARB(GL_TEXTURE2_ARB);
    glBindTexture(GL_TEXTURE_2D, chunks->lampMap);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glUseProgramObjectARB(bakedProgram.program);
    uploadLampShading(bakedProgram, shading, 0.0f);
    glUniform1iARB(lampMapUniform, 2);
    const float* place = chunks->lampMapPlace;
    glUniform4fARB(lampMapPlaceUniform, place[0], place[1], place[2], place[3]);
    return bakedProgram.program;
}

void endBakedLampDraw() {
    glActiveTextureARB(GL_TEXTURE2_ARB);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}
