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
bool mapEarlyBackFaces = true;

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
            const float* p0 = model.vertices[t.vertexIndices[0]].position;
            const float* p1 = model.vertices[t.vertexIndices[1]].position;
            const float* p2 = model.vertices[t.vertexIndices[2]].position;
            const float e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
            const float e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
            MergedPlane plane;
            plane.normal[0] = e1[1] * e2[2] - e1[2] * e2[1];
            plane.normal[1] = e1[2] * e2[0] - e1[0] * e2[2];
            plane.normal[2] = e1[0] * e2[1] - e1[1] * e2[0];
            plane.offset = plane.normal[0] * p0[0] + plane.normal[1] * p0[1] + plane.normal[2] * p0[2];
            merged->planes.push_back(plane);
        }
    }
    if (any) merged->groups.push_back(std::move(out));
}

}  // namespace

void buildMergedMap(const Model& model, const std::vector<int32_t>& chunkOfTriangle, int chunkCount,
                    MergedMap* merged) {
    merged->vertices.clear();
    merged->planes.clear();
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

void gatherFrontCorners(const std::vector<MergedRun>& runs, const std::vector<int>& chunks,
                        const std::vector<MergedVertex>& vertices, const std::vector<MergedPlane>& planes,
                        const float eye[3], std::vector<uint32_t>* corners) {
    // A triangle is left out when the eye sees its back at more than this
    // angle's sine (about 0.06 degrees) from its plane: the rasteriser's own
    // test, in window space, turns it away too. Nearer edge on, it decides.
    constexpr float kEdgeOn = 1e-3f;
    for (int c : chunks) {
        if (c < 0 || static_cast<size_t>(c) >= runs.size()) continue;
        const MergedRun& run = runs[static_cast<size_t>(c)];
        for (uint32_t i = 0; i + 2 < run.count; i += 3) {
            const uint32_t corner = run.first + i;
            const MergedPlane& p = planes[corner / 3];
            const float side = p.normal[0] * eye[0] + p.normal[1] * eye[1] + p.normal[2] * eye[2] - p.offset;
            if (side < 0.0f) {
                const float* a = vertices[corner].position;
                const float to[3] = {eye[0] - a[0], eye[1] - a[1], eye[2] - a[2]};
                const float to2 = to[0] * to[0] + to[1] * to[1] + to[2] * to[2];
                const float n2 =
                    p.normal[0] * p.normal[0] + p.normal[1] * p.normal[1] + p.normal[2] * p.normal[2];
                if (side * side > kEdgeOn * kEdgeOn * n2 * to2) continue;
            }
            corners->push_back(corner);
            corners->push_back(corner + 1);
            corners->push_back(corner + 2);
        }
    }
}

int drawMergedChunks(const Model& model, ModelChunks* chunks, const std::vector<int>& order,
                     bool cullBackFaces, const float eye[3], int* trianglesSent) {
    MergedMap& merged = chunks->merged;
    if (merged.groups.empty())
        buildMergedMap(model, chunks->chunkOfTriangle, static_cast<int>(chunks->chunks.size()), &merged);
    *trianglesSent = 0;
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
        const bool cull = cullBackFaces && !group.twoSided;
        corners.clear();
        if (cull && mapEarlyBackFaces && eye != nullptr)
            gatherFrontCorners(group.runs, order, merged.vertices, merged.planes, eye, &corners);
        else
            gatherDrawnCorners(group.runs, order, &corners);
        if (corners.empty()) continue;
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
        *trianglesSent += static_cast<int>(corners.size() / 3);
        draws++;
    }
    if (culling) glDisable(GL_CULL_FACE);
    clearGroupGlow();

    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    return draws;
}
