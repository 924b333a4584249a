// Large lit models (the race map, the garage room) drawn in square chunks: a
// chunk is drawn only when the view can see it, nearest first, and lit only
// by the lamps whose light reaches it, through a copy of the light program
// that evaluates just those lamps.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

bool mapChunksEnabled = true;
// The content marks every open or single-sheet piece two-sided, so culling
// the closed shapes' back faces leaves the picture as it is.
bool mapBackFaceCulling = true;
SceneShading sceneShading = {
    {0.24f, 0.25f, 0.3f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}};
MapChunkStats mapChunkStats;

namespace {

// The lamps' falloff, as the light program has it: 1 / (1 + k d^2).
constexpr float kLampFalloff = 0.0015f;
// A lamp whose light cannot add half a step of an 8-bit channel anywhere in
// a chunk is left out there: the picture changes by at most one step.
constexpr float kLampCutoff = 0.5f / 255.0f;

// One copy per number of lamps evaluated, 0 to 4, without paint.
LampProgram lampPrograms[kShaderLights];
// The copy that draws a chunk in the fog's colour alone.
LampProgram foggedProgram;
bool lampProgramsBuilt = false;

// A chunk's copy: no paint; fogged draws in the fog's colour alone.
bool buildChunkProgram(LampProgram& p, int lamps, bool fogged = false) {
    char defines[96];
    std::snprintf(defines, sizeof defines, "#define LAMPS %d\n#define PAINT 0\n#define FOGGED %d\n", lamps,
                  fogged ? 1 : 0);
    return buildLampProgram(p, defines);
}

}  // namespace

namespace {

bool groupTwoSided(const Model& model, const ModelGroup& group) {
    return group.materialIndex >= 0 && group.materialIndex < model.materialCount &&
           model.materials[group.materialIndex].twoSided;
}

// One display list of a chunk's groups that are (or are not) two-sided.
GLuint compileChunkList(const Model& model, const std::vector<std::vector<int32_t>>& groupTriangles,
                        bool twoSided) {
    const GLuint list = glGenLists(1);
    if (list == 0) return 0;
    glNewList(list, GL_COMPILE);
    for (int g = 0; g < model.groupCount; g++) {
        const std::vector<int32_t>& triangles = groupTriangles[static_cast<size_t>(g)];
        if (triangles.empty() || groupTwoSided(model, model.groups[g]) != twoSided) continue;
        bindGroupTexture(model, model.groups[g]);
        sendGroupGlow(model, model.groups[g]);
        glBegin(GL_TRIANGLES);
        for (int32_t index : triangles) {
            const ModelTriangle& t = model.triangles[index];
            for (int c = 0; c < 3; c++) {
                glNormal3fv(t.normals[c]);
                glTexCoord2f(t.s[c], t.t[c]);
                glVertex3fv(model.vertices[t.vertexIndices[c]].position);
            }
        }
        glEnd();
    }
    clearGroupGlow();
    glEndList();
    return list;
}

void buildChunks(const Model& model, ModelChunks& built) {
    std::vector<MapChunk>& chunks = built.chunks;
    if (model.vertexCount <= 0) return;

    float lo[3] = {model.vertices[0].position[0], 0.0f, model.vertices[0].position[2]};
    for (int v = 1; v < model.vertexCount; v++) {
        lo[0] = std::min(lo[0], model.vertices[v].position[0]);
        lo[2] = std::min(lo[2], model.vertices[v].position[2]);
    }
    built.originX = lo[0];
    built.originZ = lo[2];
    // Each triangle goes to the chunk under its centre; its corners widen
    // that chunk's bounds, so a chunk's box holds every triangle it draws.
    struct Cell {
        std::vector<std::vector<int32_t>> groupTriangles;
        float lo[3], hi[3];
    };
    std::vector<std::pair<long, Cell>> cells;
    auto cellOf = [&](long key) -> size_t {
        for (size_t i = 0; i < cells.size(); i++)
            if (cells[i].first == key) return i;
        cells.push_back({key, Cell()});
        Cell& c = cells.back().second;
        c.groupTriangles.resize(static_cast<size_t>(model.groupCount));
        for (int a = 0; a < 3; a++) {
            c.lo[a] = 1e30f;
            c.hi[a] = -1e30f;
        }
        return cells.size() - 1;
    };
    // The cell of each triangle, then its chunk.
    std::vector<int32_t>& chunkOf = built.chunkOfTriangle;
    chunkOf.assign(static_cast<size_t>(std::max(model.triangleCount, 0)), -1);
    for (int g = 0; g < model.groupCount; g++) {
        const ModelGroup& group = model.groups[g];
        for (int k = 0; k < group.triangleCount; k++) {
            const int32_t index = group.triangleIndices[k];
            if (index < 0 || index >= model.triangleCount) continue;
            const ModelTriangle& t = model.triangles[index];
            float centre[3] = {0.0f, 0.0f, 0.0f};
            bool valid = true;
            for (int c = 0; c < 3; c++) {
                const int32_t v = t.vertexIndices[c];
                if (v < 0 || v >= model.vertexCount) valid = false;
            }
            if (!valid) continue;
            for (int c = 0; c < 3; c++)
                for (int a = 0; a < 3; a++)
                    centre[a] += model.vertices[t.vertexIndices[c]].position[a] / 3.0f;
            const long cx = static_cast<long>(std::floor((centre[0] - lo[0]) / kChunkSize));
            const long cz = static_cast<long>(std::floor((centre[2] - lo[2]) / kChunkSize));
            const size_t cellIndex = cellOf(cx * 100000L + cz);
            chunkOf[static_cast<size_t>(index)] = static_cast<int32_t>(cellIndex);
            Cell& cell = cells[cellIndex].second;
            cell.groupTriangles[static_cast<size_t>(g)].push_back(index);
            for (int c = 0; c < 3; c++) {
                const float* p = model.vertices[t.vertexIndices[c]].position;
                for (int a = 0; a < 3; a++) {
                    cell.lo[a] = std::min(cell.lo[a], p[a]);
                    cell.hi[a] = std::max(cell.hi[a], p[a]);
                }
            }
        }
    }

    std::vector<int32_t> chunkOfCell(cells.size(), -1);
    for (size_t cellIndex = 0; cellIndex < cells.size(); cellIndex++) {
        auto& entry = cells[cellIndex];
        Cell& cell = entry.second;
        MapChunk chunk;
        // Centres lie at or past the lowest corner: both cells count from 0.
        chunk.cellX = static_cast<int>(entry.first / 100000L);
        chunk.cellZ = static_cast<int>(entry.first % 100000L);
        std::memcpy(chunk.lo, cell.lo, sizeof chunk.lo);
        std::memcpy(chunk.hi, cell.hi, sizeof chunk.hi);
        chunk.glow = 0.0f;
        for (int g = 0; g < model.groupCount; g++) {
            const int material = model.groups[g].materialIndex;
            if (cell.groupTriangles[static_cast<size_t>(g)].empty() || material < 0 ||
                material >= model.materialCount)
                continue;
            for (int a = 0; a < 3; a++)
                chunk.glow = std::max(chunk.glow, model.materials[material].emissive[a]);
        }
        chunk.draws = 0;
        chunk.triangles = 0;
        for (const std::vector<int32_t>& triangles : cell.groupTriangles) {
            chunk.draws += triangles.empty() ? 0 : 1;
            chunk.triangles += static_cast<int>(triangles.size());
        }
        chunk.list = compileChunkList(model, cell.groupTriangles, false);
        if (chunk.list == 0) continue;
        chunk.twoSidedList = 0;
        for (int g = 0; g < model.groupCount; g++) {
            if (groupTwoSided(model, model.groups[g]) &&
                !cell.groupTriangles[static_cast<size_t>(g)].empty()) {
                chunk.twoSidedList = compileChunkList(model, cell.groupTriangles, true);
                break;
            }
        }
        chunkOfCell[cellIndex] = static_cast<int32_t>(chunks.size());
        chunks.push_back(chunk);
    }
    for (int32_t& c : chunkOf)
        if (c >= 0) c = chunkOfCell[static_cast<size_t>(c)];
}

// The nearest depth in front of the eye (as the fog measures it, along the
// view axis) of any point of the box, given the model-view matrix.
float nearestViewDepth(const float m[16], const float lo[3], const float hi[3]) {
    float z = m[14];
    for (int a = 0; a < 3; a++) z += std::max(m[2 + 4 * a] * lo[a], m[2 + 4 * a] * hi[a]);
    return -z;
}

// The brightest channel the light program can give a surface of this
// material lit by the fill light and the given lamps (textures and colours
// at most 1).
float brightestLit(const SceneShading& shading, const int* lamps, int lampCount) {
    float brightest = 0.0f;
    for (int c = 0; c < 3; c++) {
        float light = shaderLights[kShaderLights - 1].colour[c];
        for (int k = 0; k < lampCount; k++) light += shaderLights[lamps[k]].colour[c];
        brightest = std::max(brightest, shading.ambientColor[c] * shading.matAmbient[c] +
                                            shading.matDiffuse[c] * light + shading.emissive[c]);
    }
    return brightest;
}

// The same for the baked copy: the fill light and the brightest baked light.
float brightestBaked(const SceneShading& shading, float bakedBrightest) {
    float brightest = 0.0f;
    for (int c = 0; c < 3; c++) {
        const float light = shaderLights[kShaderLights - 1].colour[c] + bakedBrightest;
        brightest = std::max(brightest, shading.ambientColor[c] * shading.matAmbient[c] +
                                            shading.matDiffuse[c] * light + shading.emissive[c]);
    }
    return brightest;
}

// With the lamps baked, the map's textures blend within the nearest mipmap
// level rather than between two: half the texel reads of each pixel, which
// the software renderer pays for. Put back for every other draw.
void useNearestMipmap(const Model& model, ModelChunks& chunks, bool nearest) {
    if (chunks.nearestMipmap == nearest) return;
    chunks.nearestMipmap = nearest;
    for (int m = 0; m < model.materialCount; m++) {
        if (model.materials[m].texture == 0) continue;
        glBindTexture(GL_TEXTURE_2D, model.materials[m].texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        nearest ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR);
    }
}

// Where the model-view matrix puts the eye in the model's space: the point
// it takes to the origin. False when the matrix mirrors (the faces' turn
// flips) or cannot be inverted.
bool eyeInModelSpace(const float m[16], float eye[3]) {
    // Columns of the 3 x 3 part: m[0..2], m[4..6], m[8..10]; translation m[12..14].
    const float a[3][3] = {{m[0], m[4], m[8]}, {m[1], m[5], m[9]}, {m[2], m[6], m[10]}};
    const float det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                      a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                      a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (!(det > 1e-12f)) return false;
    const float t[3] = {-m[12], -m[13], -m[14]};
    // Cramer's rule for a e = t.
    for (int k = 0; k < 3; k++) {
        float b[3][3];
        for (int r = 0; r < 3; r++)
            for (int c = 0; c < 3; c++) b[r][c] = c == k ? t[r] : a[r][c];
        eye[k] = (b[0][0] * (b[1][1] * b[2][2] - b[1][2] * b[2][1]) -
                  b[0][1] * (b[1][0] * b[2][2] - b[1][2] * b[2][0]) +
                  b[0][2] * (b[1][0] * b[2][1] - b[1][1] * b[2][0])) /
                 det;
    }
    return true;
}

// The preset's draw distance leaves out chunks lying wholly beyond it.
bool beyondDrawDistance(const float m[16], const MapChunk& chunk) {
    const float distance = graphicsSwitches.drawDistance;
    return distance > 0.0f && nearestViewDepth(m, chunk.lo, chunk.hi) > distance;
}

// A chunk's closed shapes with their back faces culled (when asked), then
// its two-sided pieces without.
void callChunk(const MapChunk& chunk, bool cullBackFaces) {
    if (cullBackFaces) glEnable(GL_CULL_FACE);
    glCallList(chunk.list);
    if (cullBackFaces) glDisable(GL_CULL_FACE);
    if (chunk.twoSidedList != 0) glCallList(chunk.twoSidedList);
}

}  // namespace

bool lampReachesBox(int slot, const float lo[3], const float hi[3], const float diffuse[4]) {
    const ShaderLight& light = shaderLights[slot];
    const float* l = modelLightPositions[slot];
    const float* d = modelLightDirections[slot];
    const float brightest = std::max(light.colour[0], std::max(light.colour[1], light.colour[2])) *
                            std::max(diffuse[0], std::max(diffuse[1], diffuse[2]));
    if (brightest <= 0.0f) return false;
    float nearest2 = 0.0f;
    float drop = 0.0f;  // furthest any point of the box lies along the lamp's direction
    float dLength2 = 0.0f;
    for (int a = 0; a < 3; a++) {
        const float gap = l[a] < lo[a] ? lo[a] - l[a] : (l[a] > hi[a] ? l[a] - hi[a] : 0.0f);
        nearest2 += gap * gap;
        drop += std::max((lo[a] - l[a]) * d[a], (hi[a] - l[a]) * d[a]);
        dLength2 += d[a] * d[a];
    }
    if (dLength2 > 0.0f) drop /= std::sqrt(dLength2);
    // The spot is cos^focus of the angle from the lamp's direction: nothing
    // behind the lamp, and at most (drop / distance)^focus in front of it.
    if (drop <= 0.0f) return false;
    if (nearest2 <= 0.0f) return true;
    const float nearest = std::sqrt(nearest2);
    const float cosine = std::min(1.0f, drop / nearest);
    const float spot = light.focus > 0 ? std::pow(cosine, static_cast<float>(light.focus)) : 1.0f;
    return brightest * spot / (1.0f + kLampFalloff * nearest2) >= kLampCutoff;
}

bool fogFarChunks = true;

float fogHiddenDepth(float density, const float fogColour[3], float brightest) {
    float furthest = brightest;
    for (int c = 0; c < 3; c++) furthest = std::max(furthest, fogColour[c]);
    // The fog's weight on the surface is exp(-(density d)^2); the picture is
    // the fog colour to within half a step once that weight times the
    // largest gap between surface and fog is under half a step.
    const float steps = furthest / kLampCutoff;
    if (steps <= 1.0f) return 0.0f;
    if (density <= 0.0f) return 1e30f;
    return std::sqrt(std::log(steps)) / density;
}

void buildMapLightPrograms() {
    lampProgramsBuilt = true;
    for (int n = 0; n < kShaderLights; n++) {
        lampPrograms[n] = LampProgram();
        buildChunkProgram(lampPrograms[n], n);
    }
    foggedProgram = LampProgram();
    buildChunkProgram(foggedProgram, 0, true);
    buildBakedLampProgram();
}

void releaseModelChunks(Model* model) {
    forgetPendingVisibility(model);
    if (model == nullptr || model->chunks == nullptr) return;
    for (MapChunk& chunk : model->chunks->chunks) {
        if (chunk.list != 0) glDeleteLists(chunk.list, 1);
        if (chunk.twoSidedList != 0) glDeleteLists(chunk.twoSidedList, 1);
    }
    releaseBakedLampMap(model->chunks);
    delete model->chunks;
    model->chunks = nullptr;
}

void ensureModelChunks(Model* model) {
    if (model->chunks != nullptr && model->chunks->triangleCount != model->triangleCount)
        releaseModelChunks(model);
    if (model->chunks == nullptr) {
        model->chunks = new ModelChunks();
        model->chunks->triangleCount = model->triangleCount;
        buildChunks(*model, *model->chunks);
    }
}

void drawChunkedModel(Model* model, const SceneShading& shading, bool cullBackFaces, bool bakedLamps) {
    if (model == nullptr) return;
    if (!lampProgramsBuilt) buildMapLightPrograms();
    ensureModelChunks(model);
    takePendingVisibility(model);
    const std::vector<MapChunk>& chunks = model->chunks->chunks;

    glDisable(GL_CULL_FACE);
    const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
    ViewVolume view;
    currentViewVolume(&view);
    float fogDensity = 0.0f, fogColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_FOG_DENSITY, &fogDensity);
    glGetFloatv(GL_FOG_COLOR, fogColour);
    const float eye[3] = {modelCameraPosition[0], modelCameraPosition[1], modelCameraPosition[2]};
    // The chunks this street can see, when the model has visibility sets
    // and the view's eye lies where they hold; null: every chunk.
    const uint8_t* seen = mapVisibilityEnabled ? chunksSeenFrom(*model->chunks, view.modelView) : nullptr;

    // Visible chunks, nearest first, so the depth test turns away most of
    // what lies behind. (A depth-only pass in front costs more than it saves
    // once most of the city is shaded without lamps.)
    std::vector<std::pair<float, int>> visible;
    visible.reserve(chunks.size());
    for (size_t i = 0; i < chunks.size(); i++) {
        const MapChunk& chunk = chunks[i];
        if ((seen != nullptr && seen[i] == 0) || !boxInView(view, chunk.lo, chunk.hi) ||
            beyondDrawDistance(view.modelView, chunk))
            continue;
        float d2 = 0.0f;
        for (int a = 0; a < 3; a++) {
            const float centre = 0.5f * (chunk.lo[a] + chunk.hi[a]);
            d2 += (centre - eye[a]) * (centre - eye[a]);
        }
        visible.push_back({d2, static_cast<int>(i)});
    }
    std::sort(visible.begin(), visible.end());
    mapChunkStats.chunks = static_cast<int>(chunks.size());
    mapChunkStats.drawn = static_cast<int>(visible.size());
    for (int& n : mapChunkStats.byLamps) n = 0;
    mapChunkStats.fogged = 0;
    mapChunkStats.draws = 0;
    mapChunkStats.triangles = 0;
    for (const auto& v : visible) {
        mapChunkStats.draws += chunks[static_cast<size_t>(v.second)].draws;
        mapChunkStats.triangles += chunks[static_cast<size_t>(v.second)].triangles;
    }

    bool shadingSet[kShaderLights] = {false, false, false, false, false};
    GLhandleARB current = 0;
    // Every lamp's light baked into the ground: one copy for every chunk.
    const GLhandleARB baked = bakedLamps ? beginBakedLampDraw(model, shading) : 0;
    if (baked != 0) current = baked;
    useNearestMipmap(*model, *model->chunks, baked != 0);
    // With one program for every chunk, the chunks that are not in the fog
    // alone are drawn together after the loop, by groups, nearest first.
    std::vector<int>& merged = model->chunks->mergedOrder;
    merged.clear();
    for (const auto& v : visible) {
        const MapChunk& chunk = chunks[static_cast<size_t>(v.second)];
        int reaching[kShaderLights - 1];
        const int n = baked != 0 ? 0 : lampsReachingBox(chunk.lo, chunk.hi, shading.matDiffuse, reaching);
        const float brightest = baked != 0 ? brightestBaked(shading, model->chunks->lampMapBrightest)
                                           : brightestLit(shading, reaching, n);
        // Past the fog's reach the lighting cannot show: the fog's colour
        // alone, with no texture read and no lamp.
        if (fogFarChunks && foggedProgram.program != 0 &&
            nearestViewDepth(view.modelView, chunk.lo, chunk.hi) >=
                fogHiddenDepth(fogDensity, fogColour, brightest + chunk.glow)) {
            mapChunkStats.fogged++;
            if (current != foggedProgram.program) {
                glUseProgramObjectARB(foggedProgram.program);
                current = foggedProgram.program;
            }
            callChunk(chunk, cullBackFaces);
            continue;
        }
        mapChunkStats.byLamps[n]++;
        if (baked != 0 && mapMergedDraw) {
            merged.push_back(v.second);
            continue;
        }
        if (baked != 0) {
            if (current != baked) {
                glUseProgramObjectARB(baked);
                current = baked;
            }
            callChunk(chunk, cullBackFaces);
            continue;
        }
        LampProgram& p = lampPrograms[n];
        if (p.program == 0) {
            // No cheaper copy: the full program with every lamp.
            if (current != lightProgram) {
                glUseProgramObjectARB(lightProgram);
                current = lightProgram;
            }
            uploadModelLights();
            callChunk(chunk, cullBackFaces);
            continue;
        }
        if (current != p.program) {
            glUseProgramObjectARB(p.program);
            current = p.program;
        }
        if (!shadingSet[n]) {
            uploadLampShading(p, shading, 0.0f);
            shadingSet[n] = true;
        }
        uploadReachingLamps(p, reaching, n);
        callChunk(chunk, cullBackFaces);
    }
    if (!merged.empty()) {
        if (current != baked) glUseProgramObjectARB(baked);
        for (int c : merged) {
            mapChunkStats.draws -= chunks[static_cast<size_t>(c)].draws;
            mapChunkStats.triangles -= chunks[static_cast<size_t>(c)].triangles;
        }
        float viewEye[3];
        const bool eyeKnown = eyeInModelSpace(view.modelView, viewEye);
        int sent = 0;
        mapChunkStats.draws += drawMergedChunks(*model, model->chunks, merged, cullBackFaces,
                                                eyeKnown ? viewEye : nullptr, &sent);
        mapChunkStats.triangles += sent;
    }
    if (baked != 0) endBakedLampDraw();
    glUseProgramObjectARB(lightProgram);
    if (textured)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}
