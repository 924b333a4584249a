// The race map drawn by groups rather than chunk by chunk. A chunk's display
// list binds each of its groups' textures and draws a few dozen triangles
// for each: at the lowest detail, some forty chunks in reach make about 400
// such draws for some 4,500 triangles, and the software renderer's work per
// draw (the texture's state, the vertex program's set-up, the triangles'
// hand-over to the rasterisers) outweighs the triangles themselves. With the
// lamps baked every chunk shares one program, so a frame can draw each
// group's triangles of every chunk in view at once: one draw per group in
// view, from a single vertex array of the whole map.
#include <algorithm>
#include <vector>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

bool mapMergedDraw = true;

namespace {

bool materialTwoSided(const Model& model, const ModelGroup& group) {
    return group.materialIndex >= 0 && group.materialIndex < model.materialCount &&
           model.materials[group.materialIndex].twoSided;
}

// One group's corners, chunk by chunk, appended to the array.
void appendGroup(const Model& model, int g, const std::vector<int32_t>& chunkOfTriangle, int chunkCount,
                 MergedMap* merged) {
    const ModelGroup& group = model.groups[g];
    MergedGroup out;
    out.group = g;
    out.twoSided = materialTwoSided(model, group);
    out.runs.assign(static_cast<size_t>(chunkCount), MergedRun());
    // The group's triangles of each chunk, in the group's order (as the
    // chunk's own list has them).
    std::vector<std::vector<int32_t>> byChunk(static_cast<size_t>(chunkCount));
    for (int k = 0; k < group.triangleCount; k++) {
        const int32_t index = group.triangleIndices[k];
        if (index < 0 || index >= model.triangleCount || static_cast<size_t>(index) >= chunkOfTriangle.size())
            continue;
        const int32_t chunk = chunkOfTriangle[static_cast<size_t>(index)];
        if (chunk < 0 || chunk >= chunkCount) continue;
        byChunk[static_cast<size_t>(chunk)].push_back(index);
    }
    bool any = false;
    for (int c = 0; c < chunkCount; c++) {
        const std::vector<int32_t>& triangles = byChunk[static_cast<size_t>(c)];
        MergedRun& run = out.runs[static_cast<size_t>(c)];
        run.first = static_cast<uint32_t>(merged->vertices.size());
        run.count = static_cast<uint32_t>(triangles.size() * 3);
        any = any || !triangles.empty();
        for (int32_t index : triangles) {
            const ModelTriangle& t = model.triangles[index];
            for (int corner = 0; corner < 3; corner++) {
                MergedVertex v;
                const float* p = model.vertices[t.vertexIndices[corner]].position;
                for (int a = 0; a < 3; a++) {
                    v.position[a] = p[a];
                    v.normal[a] = t.normals[corner][a];
                }
                v.st[0] = t.s[corner];
                v.st[1] = t.t[corner];
                merged->vertices.push_back(v);
            }
        }
    }
    if (any) merged->groups.push_back(std::move(out));
}

}  // namespace

void buildMergedMap(const Model& model, const std::vector<int32_t>& chunkOfTriangle, int chunkCount,
                    MergedMap* merged) {
    merged->vertices.clear();
    merged->groups.clear();
    if (chunkCount <= 0) return;
    // chunkOfTriangle only names triangles whose corners are all in the model.
    for (int pass = 0; pass < 2; pass++)
        for (int g = 0; g < model.groupCount; g++)
            if (materialTwoSided(model, model.groups[g]) == (pass == 1))
                appendGroup(model, g, chunkOfTriangle, chunkCount, merged);
}

void gatherDrawnCorners(const std::vector<MergedRun>& runs, const std::vector<int>& chunks,
                        std::vector<uint32_t>* corners) {
    for (int c : chunks) {
        if (c < 0 || static_cast<size_t>(c) >= runs.size()) continue;
        const MergedRun& run = runs[static_cast<size_t>(c)];
        for (uint32_t i = 0; i < run.count; i++) corners->push_back(run.first + i);
    }
}

int drawMergedChunks(const Model& model, ModelChunks* chunks, const std::vector<int>& order,
                     bool cullBackFaces) {
    MergedMap& merged = chunks->merged;
    if (merged.groups.empty())
        buildMergedMap(model, chunks->chunkOfTriangle, static_cast<int>(chunks->chunks.size()), &merged);
    if (merged.vertices.empty() || order.empty()) return 0;

    const MergedVertex* first = merged.vertices.data();
    constexpr GLsizei kStride = sizeof(MergedVertex);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, first->position);
    glNormalPointer(GL_FLOAT, kStride, first->normal);
    glTexCoordPointer(2, GL_FLOAT, kStride, first->st);

    std::vector<uint32_t>& corners = merged.corners;
    int draws = 0;
    bool culling = false;
    for (const MergedGroup& group : merged.groups) {
        corners.clear();
        gatherDrawnCorners(group.runs, order, &corners);
        if (corners.empty()) continue;
        const bool cull = cullBackFaces && !group.twoSided;
        if (cull != culling) {
            if (cull)
                glEnable(GL_CULL_FACE);
            else
                glDisable(GL_CULL_FACE);
            culling = cull;
        }
        bindGroupTexture(model, model.groups[group.group]);
        sendGroupGlow(model, model.groups[group.group]);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(corners.size()), GL_UNSIGNED_INT, corners.data());
        draws++;
    }
    if (culling) glDisable(GL_CULL_FACE);
    clearGroupGlow();

    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    return draws;
}
