// The map's triangles gathered by groups for the merged draw: the order of
// groups (closed ones, then two-sided ones) and of each group's chunks, the
// corners copied from the right triangles, and the corners a frame draws for
// the chunks it has in view.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render/render_local.h"
#include "support/render_fixtures.h"

namespace {

// Six triangles, each with corners of its own at x = 10 k + corner; groups
// {0, 1, 2}, {3, 4} and {5}, each with a material of its own.
std::unique_ptr<Model> sixTriangles() {
    Ms3dFile f = ms3dQuad();
    f.vertices.clear();
    f.triangles.clear();
    for (int k = 0; k < 6; k++) {
        for (int c = 0; c < 3; c++)
            f.vertices.push_back({10.0f * (float)k + (float)c, (float)c, (float)k, 0});
        Ms3dTriangle t = ms3dTriangle((uint16_t)(3 * k), (uint16_t)(3 * k + 1), (uint16_t)(3 * k + 2));
        for (int c = 0; c < 3; c++) {
            t.s[c] = (float)k;
            t.t[c] = (float)c;
        }
        f.triangles.push_back(t);
    }
    f.groups = {{{0, 1, 2}, 0}, {{3, 4}, 1}, {{5}, 2}};
    f.materials = {ms3dMaterial(""), ms3dMaterial(""), ms3dMaterial("")};
    Bytes bytes = f.build();
    auto model = std::make_unique<Model>();
    EXPECT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    return model;
}

struct GroupCase {
    const char* what;
    std::vector<int32_t> chunkOfTriangle;
    int chunkCount;
    std::vector<bool> twoSided;  // per material
    // Per merged group: its model group, then per chunk its triangles.
    std::vector<std::pair<int, std::vector<std::vector<int>>>> expected;
};

TEST(MergedMap, GroupsChunksAndCornersInDrawingOrder) {
    const GroupCase cases[] = {
        {"closed groups in model order, each chunk's triangles in the group's order",
         {1, 0, 1, 0, 1, 0},
         2,
         {false, false, false},
         {{0, {{1}, {0, 2}}}, {1, {{3}, {4}}}, {2, {{5}, {}}}}},
        {"two-sided groups after the closed ones",
         {0, 0, 1, 1, 1, 0},
         2,
         {true, false, false},
         {{1, {{}, {3, 4}}}, {2, {{5}, {}}}, {0, {{0, 1}, {2}}}}},
        {"triangles in no chunk left out, groups left empty dropped",
         {-1, -1, -1, 2, 0, 7},
         3,
         {false, false, false},
         {{1, {{4}, {}, {3}}}}},
        {"no chunks: nothing", {0, 0, 0, 0, 0, 0}, 0, {false, false, false}, {}},
    };
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Model> model = sixTriangles();
        for (int m = 0; m < 3; m++) model->materials[m].twoSided = c.twoSided[(size_t)m];
        MergedMap merged;
        buildMergedMap(*model, c.chunkOfTriangle, c.chunkCount, &merged);
        ASSERT_EQ(merged.groups.size(), c.expected.size());
        uint32_t next = 0;
        for (size_t g = 0; g < c.expected.size(); g++) {
            const MergedGroup& group = merged.groups[g];
            EXPECT_EQ(group.group, c.expected[g].first);
            EXPECT_EQ(group.twoSided, c.twoSided[(size_t)c.expected[g].first]);
            ASSERT_EQ(group.runs.size(), (size_t)c.chunkCount);
            for (int chunk = 0; chunk < c.chunkCount; chunk++) {
                const std::vector<int>& triangles = c.expected[g].second[(size_t)chunk];
                const MergedRun& run = group.runs[(size_t)chunk];
                // Runs follow each other without gaps.
                EXPECT_EQ(run.first, next);
                ASSERT_EQ(run.count, triangles.size() * 3);
                next += run.count;
                for (size_t k = 0; k < triangles.size(); k++)
                    for (int corner = 0; corner < 3; corner++) {
                        const MergedVertex& v = merged.vertices[run.first + 3 * k + (size_t)corner];
                        EXPECT_EQ(v.position[0], 10.0f * (float)triangles[k] + (float)corner);
                        EXPECT_EQ(v.position[2], (float)triangles[k]);
                        EXPECT_EQ(v.normal[1], 1.0f);
                        EXPECT_EQ(v.st[0], (float)triangles[k]);
                        EXPECT_EQ(v.st[1], model->triangles[triangles[k]].t[corner]);
                    }
            }
        }
        EXPECT_EQ(merged.vertices.size(), (size_t)next);
    }
}

TEST(MergedMap, CornersOfTheChunksInViewInTheirOrder) {
    // Runs of chunks 0..3: 3 corners from 0, none, 6 from 3, 3 from 9.
    const std::vector<MergedRun> runs = {{0, 3}, {3, 0}, {3, 6}, {9, 3}};
    struct Case {
        const char* what;
        std::vector<int> chunks;
        std::vector<uint32_t> corners;
    };
    const Case cases[] = {
        {"one chunk", {2}, {3, 4, 5, 6, 7, 8}},
        {"nearest first, not in the array's order", {3, 0}, {9, 10, 11, 0, 1, 2}},
        {"a chunk without the group adds nothing", {1}, {}},
        {"chunks past the runs are skipped", {4, -1, 0}, {0, 1, 2}},
        {"none in view", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint32_t> corners = {77};
        gatherDrawnCorners(runs, c.chunks, &corners);
        std::vector<uint32_t> expected = {77};
        expected.insert(expected.end(), c.corners.begin(), c.corners.end());
        EXPECT_EQ(corners, expected) << "appended after what was there";
    }
}

TEST(MergedMap, TrianglesTurnedAwayAreLeftOutAndEdgeOnOnesKept) {
    // One triangle in the ground plane, wound to face up (+y), at the
    // origin, in chunk 0; planes worked out by buildMergedMap.
    Ms3dFile f = ms3dQuad();
    f.vertices = {{0, 0, 0, 0}, {0, 0, 10, 0}, {10, 0, 0, 0}};
    f.triangles = {ms3dTriangle(0, 1, 2)};
    f.groups = {{{0}, 0}};
    Bytes bytes = f.build();
    Model model;
    ASSERT_TRUE(model.loadFromBytes(bytes.data(), bytes.size()));
    MergedMap merged;
    buildMergedMap(model, {0}, 1, &merged);
    ASSERT_EQ(merged.planes.size(), 1u);
    ASSERT_GT(merged.planes[0].normal[1], 0.0f) << "wound to face up";
    struct Case {
        const char* what;
        float eye[3];
        bool sent;
    };
    const Case cases[] = {
        {"from above: its front", {3.0f, 5.0f, 3.0f}, true},
        {"from below: its back", {3.0f, -5.0f, 3.0f}, false},
        {"far off and a little below: still its back", {300.0f, -2.0f, 3.0f}, false},
        {"in its plane: edge on, left to the culling", {30.0f, 0.0f, 3.0f}, true},
        {"a hair below its plane: too near edge on to tell", {30.0f, -0.001f, 3.0f}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint32_t> corners;
        gatherFrontCorners(merged.groups[0].runs, {0}, merged.vertices, merged.planes, c.eye, &corners);
        EXPECT_EQ(corners.size(), c.sent ? 3u : 0u);
    }
}

}  // namespace
